#include "shell/resources.h"

#include <wx/image.h>
#include <wx/xrc/xmlres.h>

void InitTessalyXrc();  // made by wxrc from resources/*.xrc

namespace tessaly::shell {

void InitResources() {
  static bool done = false;
  if (done) return;
  done = true;
  wxInitAllImageHandlers();
  wxXmlResource::Get()->InitAllHandlers();
  InitTessalyXrc();
}

}  // namespace tessaly::shell
