// The retouch window's frame: an MDI child of the main window with the retouch menu.
#pragma once

#include <wx/docmdi.h>

namespace tessaly::retouch {

class CRetouchFrame : public wxDocMDIChildFrame {
 public:
  CRetouchFrame(wxDocument* doc, wxView* view, wxMDIParentFrame* parent);
};

}  // namespace tessaly::retouch
