// The retouch window's frame: an MDI child of the main window with the retouch menu.
#pragma once

#include "ui/child_frame.h"

namespace tessaly::retouch {

class CRetouchFrame : public ui::CChildFrame {
 public:
  CRetouchFrame(wxDocument* doc, wxView* view, wxMDIParentFrame* parent);
};

}  // namespace tessaly::retouch
