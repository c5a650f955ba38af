#include "picture/depth_name.h"

namespace tessaly {

MessageId DepthNameId(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1: return kMsgDepth1;
    case 4: return kMsgDepth4;
    case 8: return kMsgDepth8;
    // A 32-bit picture never comes from a file, but the clipboard may describe one.
    case 24:
    case 32: return kMsgDepth24;
    default: return kMsgDepthUnknown;
  }
}

std::string_view DepthName(int bitsPerPixel) { return MessageText(DepthNameId(bitsPerPixel)); }

}  // namespace tessaly
