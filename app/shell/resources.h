#pragma once

namespace tessaly::shell {

// Loads the image handlers and the compiled-in XRC resources; once per process, after
// the translations are installed (XRC texts are translated as they load).
void InitResources();

}  // namespace tessaly::shell
