#include "retouch_window/retouch_frame.h"

#include <wx/xrc/xmlres.h>

#include "retouch_window/retouch_view.h"

namespace tessaly::retouch {

CRetouchFrame::CRetouchFrame(wxDocument* doc, wxView* view, wxMDIParentFrame* parent)
    : CChildFrame(doc, view, parent, doc->GetUserReadableName()) {
  if (wxMenuBar* menu = wxXmlResource::Get()->LoadMenuBar("IDR_RETOUCH")) SetMenuBar(menu);
  // Minimising or maximising first lets the view drop a floating picture and the
  // selection, whose outline would no longer lie over the right pixels.
  auto discard = [view](wxEvent& event) {
    if (auto* retouch = dynamic_cast<CRetouchView*>(view)) retouch->DiscardFloatingAndSelection();
    event.Skip();
  };
  Bind(wxEVT_ICONIZE, [discard](wxIconizeEvent& e) { discard(e); });
  Bind(wxEVT_MAXIMIZE, [discard](wxMaximizeEvent& e) { discard(e); });
}

}  // namespace tessaly::retouch
