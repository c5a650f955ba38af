// The retouch window's document template.
#pragma once

#include <wx/docview.h>

#include "ui/app_services.h"

namespace tessaly::retouch {

// Makes the template of the retouch document (picture files .bmp, .dib, .jpg, .tif) and
// registers it with the manager, which owns it.
wxDocTemplate* CreateRetouchTemplate(wxDocManager* manager);

// A new retouch window over a picture another window hands over (one decoded from the
// camera): the picture moves into the new document, which asks for no size and takes
// the picture's name as its title. Null when the document refused to be made.
wxDocument* OpenHandedPicture(wxDocTemplate* retouchTemplate, ui::HandedPicture picture);

}  // namespace tessaly::retouch
