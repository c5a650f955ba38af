// Stands in for the JPEG coder until it is built: every JPEG file is refused.
#include "base/prompt.h"
#include "formats/jpg_glue.h"

namespace tessaly {

bool LoadJpegPicture(ByteSpan, Picture&, std::string&) {
  Prompt().Show(kMsgTypeNotSupported);
  return false;
}

bool EncodeJpegPicture(const Picture&, std::string_view, Bytes&, Bytes&) {
  Prompt().Show(kMsgTypeNotSupported);
  return false;
}

}  // namespace tessaly
