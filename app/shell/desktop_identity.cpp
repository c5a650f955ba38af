#include "shell/desktop_identity.h"

#include <dlfcn.h>

namespace tessaly::shell {

// Looked up at run time: the toolkit's libraries are loaded with the program already,
// and their headers are not needed for two calls.
void NameProgramAfterMenuEntry() {
  using SetText = void (*)(const char*);
  if (auto setName = reinterpret_cast<SetText>(::dlsym(RTLD_DEFAULT, "g_set_prgname"))) setName(kAppId);
  if (auto setClass = reinterpret_cast<SetText>(::dlsym(RTLD_DEFAULT, "gdk_set_program_class"))) setClass(kAppId);
}

}  // namespace tessaly::shell
