// HEIF, HEIC and AVIF files through libheif.
#include <cstddef>
#include <cstdint>

#include "formats/webp_heif.h"
#include "fuzz/fuzz_wide_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaly;
  FuzzBothTargets([&](const DecodeTarget& target, Picture& picture, DecodeReport& report) {
    return ReadHeifPicture(ByteSpan(data, size), target, picture, report);
  });
  return 0;
}
