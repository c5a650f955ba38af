// The retouch window's document template.
#pragma once

#include <wx/docview.h>

namespace tessaly::retouch {

// Makes the template of the retouch document (picture files .bmp, .dib, .jpg, .tif) and
// registers it with the manager, which owns it.
wxDocTemplate* CreateRetouchTemplate(wxDocManager* manager);

}  // namespace tessaly::retouch
