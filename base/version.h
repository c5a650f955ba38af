#pragma once

namespace tessaly {

// "1.00": the version the About box shows.
const char* VersionText();

}  // namespace tessaly
