#include "retouch/window/retouch_frame.h"

namespace tessaly::retouch {

CRetouchFrame::CRetouchFrame(wxDocument* doc, wxView* view, wxMDIParentFrame* parent)
    : wxDocMDIChildFrame(doc, view, parent, wxID_ANY, doc->GetUserReadableName()) {}

}  // namespace tessaly::retouch
