// The BMP files the own reader refuses: 16- and 32-bit, bit fields, top-down rows.
#include <cstddef>
#include <cstdint>

#include "formats/bmp.h"
#include "fuzz/fuzz_wide_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaly;
  FuzzBothTargets([&](const DecodeTarget& target, Picture& picture, DecodeReport& report) {
    return CBMP::ReadWiderBmp(ByteSpan(data, size), target, picture, report);
  });
  return 0;
}
