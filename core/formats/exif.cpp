#include "formats/exif.h"

#include <algorithm>
#include <array>

#include "base/byte_reader.h"

namespace tessaly {
namespace {

constexpr std::array<std::uint8_t, 6> kExifHeader = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::uint16_t kTagOrientation = 0x0112;
constexpr std::uint16_t kTypeShort = 3;

}  // namespace

int ExifOrientation(ByteSpan block, bool withHeader) {
  if (withHeader) {
    if (block.size() < kExifHeader.size() || !std::equal(kExifHeader.begin(), kExifHeader.end(), block.begin()))
      return 1;
    block = block.subspan(kExifHeader.size());
  }
  ByteReader r(block);
  const std::uint16_t order = r.U16LE();
  const bool little = order == 0x4949;  // "II"
  if (!r.Ok() || (!little && order != 0x4D4D)) return 1;
  auto u16 = [&] { return little ? r.U16LE() : r.U16BE(); };
  auto u32 = [&] { return little ? r.U32LE() : r.U32BE(); };
  if (u16() != 42) return 1;
  r.Seek(u32());
  const std::uint16_t entries = u16();
  for (std::uint16_t i = 0; i < entries && r.Ok(); ++i) {
    const std::uint16_t tag = u16();
    const std::uint16_t type = u16();
    const std::uint32_t count = u32();
    // A single SHORT lies in the first two bytes of the value field.
    const std::uint16_t value = u16();
    r.Skip(2);
    if (r.Ok() && tag == kTagOrientation) {
      if (type != kTypeShort || count != 1 || value < 1 || value > 8) return 1;
      return value;
    }
  }
  return 1;
}

}  // namespace tessaly
