// The BMP reader over whole file images, and its run-length decoder on its own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "formats/bmp.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaly;
  ByteSpan file(data, size);
  Picture picture;
  BmpHeaderStyle style;
  if (CBMP::ReadBmpFile(file, picture, style).Ok()) {
    CheckPicture(picture, true);
    // What is read must write and read back to the same pixels.
    Bytes written = CBMP::SetupBmpWrite(picture, style);
    Picture back;
    if (!CBMP::ReadBmpFile(written, back, style).Ok() || back.pixels != picture.pixels) std::abort();
  }

  // The decoder alone, with the first three bytes choosing the size and the encoding, so
  // that mutations reach it without passing the header checks.
  if (size >= 3) {
    int width = 1 + data[0] % 64;
    int height = 1 + data[1] % 64;
    int bits = data[2] % 2 == 0 ? 8 : 4;
    Bytes block(RowStride(width, bits) * static_cast<std::size_t>(height) + 16, 0xA5);
    CBMP::DecodeBmpRle(file.subspan(3), width, height, bits, block);
    for (std::size_t i = block.size() - 16; i < block.size(); ++i)
      if (block[i] != 0xA5) std::abort();
  }
  return 0;
}
