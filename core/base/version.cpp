#include "base/version.h"

namespace tessaly {

const char* VersionText() { return TESSALY_VERSION; }

}  // namespace tessaly
