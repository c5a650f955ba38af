// File names as the album meets them: any bytes a folder may hold, shown, sorted and
// matched. Showing a name must give valid UTF-8 and never lose a byte of ASCII; the
// order must be a strict weak order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "album/album_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaly;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t half = size / 2;
  const std::string a = bytes.substr(0, half), b = bytes.substr(half);

  const std::string shown = DisplayNameUtf8(a);
  if (!IsValidUtf8(shown)) std::abort();
  if (IsValidUtf8(a) && shown != a) std::abort();
  if (AlbumNameLess(a, b) && AlbumNameLess(b, a)) std::abort();
  if (AlbumNameLess(a, a)) std::abort();
  (void)MatchesPattern(a, b);
  (void)AcceptsTargetName(a, b);
  const std::string pattern = PatternOfTypeLabel(a);
  if (pattern.size() > a.size() && pattern != "*.*") std::abort();
  return 0;
}
