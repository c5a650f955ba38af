// The TIFF files the own reader refuses, through libtiff.
#include <cstddef>
#include <cstdint>

#include "formats/tiff_library.h"
#include "fuzz/fuzz_wide_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaly;
  FuzzBothTargets([&](const DecodeTarget& target, Picture& picture, DecodeReport& report) {
    SpanInput input(ByteSpan(data, size));
    return ReadTiffWithLibrary(input, target, picture, report);
  });
  return 0;
}
