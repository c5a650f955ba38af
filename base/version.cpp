#include "base/version.h"

namespace tessaly {

const char* VersionText() { return "1.00"; }

}  // namespace tessaly
