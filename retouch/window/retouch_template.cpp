#include "retouch/window/retouch_template.h"

#include "retouch/window/retouch_doc.h"
#include "retouch/window/retouch_view.h"

namespace tessaly::retouch {

wxDocTemplate* CreateRetouchTemplate(wxDocManager* manager) {
  return new wxDocTemplate(manager, _("Picture"), "*.bmp;*.dib;*.jpg;*.tif", "", "bmp", "Retouch Doc",
                           "Retouch View", CLASSINFO(CRetouchDoc), CLASSINFO(CRetouchView));
}

}  // namespace tessaly::retouch
