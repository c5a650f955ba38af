// The JPEG reader for every kind and size, with its EXIF orientation and DCT scaling.
// A progressive file keeps the coefficients of its whole declared size whatever the
// box, so the reduced run is only made for sizes a small input can sensibly declare.
#include <cstddef>
#include <cstdint>

#include "formats/jpeg_reader.h"
#include "fuzz/fuzz_wide_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaly;
  SpanInput probe(ByteSpan(data, size));
  const auto facts = ReadJpegFacts(probe);
  const bool small = facts && static_cast<std::int64_t>(facts->width) * facts->height <= 4'000'000;
  FuzzBothTargets([&](const DecodeTarget& target, Picture& picture, DecodeReport& report) {
    if (target.Reduces() && !small) return ReadResult::Refused(kMsgPictureOverLimit);
    SpanInput input(ByteSpan(data, size));
    return ReadJpegPicture(input, target, picture, report);
  });
  return 0;
}
