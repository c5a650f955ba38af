// The packed device-independent bitmap reader, as paste feeds it from the clipboard.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "formats/bmp.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaly;
  ByteSpan dib(data, size);
  // The seeds are BMP files; without their 14-byte file header they are packed bitmaps.
  if (size >= 14 && data[0] == 'B' && data[1] == 'M') dib = dib.subspan(14);
  Picture picture;
  if (CBMP::ReadPackedDib(dib, picture)) {
    CheckPicture(picture, false);
    Picture back;
    if (!CBMP::ReadPackedDib(CBMP::MakePackedDib(picture), back) || back.pixels != picture.pixels ||
        back.colourTable != picture.colourTable)
      std::abort();
  }
  return 0;
}
