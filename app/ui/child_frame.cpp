#include "ui/child_frame.h"

namespace tessaly::ui {

CChildFrame::CChildFrame(wxDocument* doc, wxView* view, wxMDIParentFrame* parent, const wxString& title,
                         const wxSize& size)
    : wxDocMDIChildFrame(doc, view, parent, wxID_ANY, title, wxDefaultPosition, size) {}

void CChildFrame::DoGiveHelp(const wxString& text, bool show) {
  if (wxMDIParentFrame* parent = GetMDIParent()) parent->DoGiveHelp(text, show);
}

}  // namespace tessaly::ui
