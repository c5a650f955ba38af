// The TIFF reader over whole file images.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "formats/tiff.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaly;
  Picture picture;
  if (CTIFF::ReadTiffFile(ByteSpan(data, size), picture).Ok()) {
    CheckPicture(picture, true);
    Picture back;
    if (!CTIFF::ReadTiffFile(CTIFF::SetupTiffWrite(picture), back).Ok() || back.pixels != picture.pixels ||
        back.colourTable != picture.colourTable)
      std::abort();
  }
  return 0;
}
