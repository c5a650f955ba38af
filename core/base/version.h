#pragma once

namespace tessaly {

// The programs' version ("1.00"), as the build names it: the About box, --version and
// the package show the same.
const char* VersionText();

}  // namespace tessaly
