// A cache entry of the shared thumbnail folder, which any program of the desktop may
// have written: the PNG reader with its text chunks, and the check of the entry's keys.
#include <cstddef>
#include <cstdint>

#include "formats/thumbnail_cache.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaly;
  // The seeds carry these keys, so that mutations reach past the check of the keys.
  const std::optional<Picture> picture = ReadThumbnailEntry(ByteSpan(data, size), "file:///a.jpg", "1");
  if (picture) {
    CheckPicture(*picture, false);
    if (picture->width > kCacheThumbnailSize || picture->height > kCacheThumbnailSize) std::abort();
  }
  return 0;
}
