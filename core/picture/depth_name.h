// The name of a picture's colour depth, as the photo properties and the retouch window's
// status bar show it.
#pragma once

#include <string_view>

#include "base/messages.h"

namespace tessaly {

// The message that names the depth: 1, 4, 8, 24 and 32 bits have their own texts, any
// other value gets the placeholder text "HHH".
MessageId DepthNameId(int bitsPerPixel);

// The English text of DepthNameId; the window layer translates the id instead.
std::string_view DepthName(int bitsPerPixel);

}  // namespace tessaly
