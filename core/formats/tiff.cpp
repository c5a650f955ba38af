#include "formats/tiff.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "formats/byte_writer.h"
#include "picture/pixel_index.h"

namespace tessaly {
namespace {

enum TiffTag : std::uint16_t {
  kTagNewSubfileType = 254,
  kTagImageWidth = 256,
  kTagImageLength = 257,
  kTagBitsPerSample = 258,
  kTagCompression = 259,
  kTagPhotometric = 262,
  kTagStripOffsets = 273,
  kTagSamplesPerPixel = 277,
  kTagRowsPerStrip = 278,
  kTagStripByteCounts = 279,
  kTagXResolution = 282,
  kTagYResolution = 283,
  kTagPlanarConfiguration = 284,
  kTagResolutionUnit = 296,
  kTagColorMap = 320,
};

enum TiffType : std::uint16_t { kTypeShort = 3, kTypeLong = 4, kTypeRational = 5 };

constexpr std::size_t kEntrySize = 12;

// One directory entry as stored: its values lie in the 4-byte value field when they fit
// there, else the field holds their offset.
struct Entry {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::size_t field = 0;  // file offset of the value field
};

// The file image in its byte order; every read is checked against the file's end.
class TiffImage {
 public:
  TiffImage(ByteSpan file, bool littleEndian) : m_file(file), m_littleEndian(littleEndian) {}

  std::size_t Size() const { return m_file.size(); }
  ByteSpan Slice(std::size_t at, std::size_t count) const { return m_file.subspan(at, count); }
  bool Has(std::size_t at, std::uint64_t count) const { return at <= m_file.size() && count <= m_file.size() - at; }

  std::optional<std::uint32_t> U16(std::size_t at) const {
    if (!Has(at, 2)) return std::nullopt;
    return m_littleEndian ? m_file[at] | m_file[at + 1] << 8 : m_file[at] << 8 | m_file[at + 1];
  }
  std::optional<std::uint32_t> U32(std::size_t at) const {
    if (!Has(at, 4)) return std::nullopt;
    std::uint32_t b0 = m_file[at], b1 = m_file[at + 1], b2 = m_file[at + 2], b3 = m_file[at + 3];
    return m_littleEndian ? b0 | b1 << 8 | b2 << 16 | b3 << 24 : b0 << 24 | b1 << 16 | b2 << 8 | b3;
  }

 private:
  ByteSpan m_file;
  bool m_littleEndian;
};

// The values of one SHORT or LONG entry, read by its type; constructed only when all of
// them lie inside the file.
class EntryValues {
 public:
  static std::optional<EntryValues> Of(const TiffImage& image, const Entry& entry) {
    EntryValues values(image, entry);
    std::uint64_t total = static_cast<std::uint64_t>(entry.count) * values.m_width;
    if (total > 4) {
      auto offset = image.U32(entry.field);
      if (!offset) return std::nullopt;
      values.m_at = *offset;
    }
    if (!image.Has(values.m_at, total)) return std::nullopt;
    return values;
  }
  // The first value only, for entries of which nothing else is used; only that value
  // has to lie inside the file.
  static std::optional<std::uint32_t> First(const TiffImage& image, const Entry& entry) {
    EntryValues values(image, entry);
    if (static_cast<std::uint64_t>(entry.count) * values.m_width > 4) {
      auto offset = image.U32(entry.field);
      if (!offset) return std::nullopt;
      values.m_at = *offset;
    }
    return values.Read(0);
  }

  std::uint32_t Count() const { return m_count; }
  // Value i < Count(); inside the file by construction.
  std::uint32_t operator[](std::size_t i) const { return Read(i).value_or(0); }

 private:
  EntryValues(const TiffImage& image, const Entry& entry)
      : m_image(&image), m_width(entry.type == kTypeShort ? 2 : 4), m_count(entry.count), m_at(entry.field) {}
  std::optional<std::uint32_t> Read(std::size_t i) const {
    std::size_t at = m_at + i * m_width;
    return m_width == 2 ? m_image->U16(at) : m_image->U32(at);
  }

  const TiffImage* m_image;
  std::size_t m_width;
  std::uint32_t m_count;
  std::size_t m_at;
};

// What the first directory says about the picture.
struct Directory {
  bool hasSubfileType = false;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint64_t bitsPerPixel = 0;
  std::uint32_t planarConfig = 0;  // 0 when absent
  std::optional<Entry> stripOffsets;
  std::optional<Entry> stripByteCounts;
  std::optional<Entry> colourMap;
};

ReadResult Invalid() { return ReadResult::Refused(kMsgNotValidFileType); }
ReadResult NotSupported() { return ReadResult::Refused(kMsgTypeNotSupported); }

// Walks the first directory in file order. Compression is checked where it stands, so a
// compressed file is refused as such whatever follows. Of the strip and colour entries
// only the place is noted here; they are read once the depth is known to be one this
// system takes. An entry whose values cannot be read (another type, or values outside the
// file) is passed over like an unknown tag, so the checks after the walk decide.
ReadResult ReadDirectory(const TiffImage& image, Directory& dir) {
  auto dirOffset = image.U32(4);
  if (!dirOffset) return Invalid();
  auto entryCount = image.U16(*dirOffset);
  if (!entryCount) return Invalid();

  for (std::size_t i = 0; i < *entryCount; ++i) {
    std::size_t at = *dirOffset + 2 + i * kEntrySize;
    if (!image.Has(at, kEntrySize)) return Invalid();
    Entry entry{static_cast<std::uint16_t>(*image.U16(at)), static_cast<std::uint16_t>(*image.U16(at + 2)),
                *image.U32(at + 4), at + 8};
    if (entry.tag == kTagNewSubfileType) {
      dir.hasSubfileType = true;  // its value is not used
      continue;
    }
    if ((entry.type != kTypeShort && entry.type != kTypeLong) || entry.count == 0) continue;

    switch (entry.tag) {
      case kTagImageWidth:
      case kTagImageLength:
      case kTagCompression:
      case kTagPlanarConfiguration: {
        auto value = EntryValues::First(image, entry);
        if (!value) break;
        if (entry.tag == kTagImageWidth)
          dir.width = *value;
        else if (entry.tag == kTagImageLength)
          dir.height = *value;
        else if (entry.tag == kTagPlanarConfiguration)
          dir.planarConfig = *value;
        else if (*value != 1)
          return Invalid();  // compressed
        break;
      }
      case kTagBitsPerSample: {
        // One value per sample; the depth is their sum (8, 8, 8 gives 24).
        auto values = EntryValues::Of(image, entry);
        if (!values) break;
        dir.bitsPerPixel = 0;
        for (std::size_t k = 0; k < values->Count(); ++k) dir.bitsPerPixel += (*values)[k];
        break;
      }
      case kTagStripOffsets: dir.stripOffsets = entry; break;
      case kTagStripByteCounts: dir.stripByteCounts = entry; break;
      case kTagColorMap: dir.colourMap = entry; break;
      default: break;
    }
  }
  return ReadResult::Accepted();
}

// The picture's bytes as stored in the strips, in order: straight out of the file when
// the strips follow one another (as in every file this system writes), else gathered.
ReadResult GatherStrips(const TiffImage& image, const Directory& dir, std::size_t needed, Bytes& gathered,
                        ByteSpan& data) {
  if (!dir.stripOffsets || !dir.stripByteCounts) return Invalid();  // tiled, or no strips at all
  auto offsets = EntryValues::Of(image, *dir.stripOffsets);
  auto counts = EntryValues::Of(image, *dir.stripByteCounts);
  if (!offsets || !counts) return Invalid();

  std::uint64_t total = 0;
  bool contiguous = true;
  for (std::size_t i = 0; i < offsets->Count(); ++i) {
    std::uint32_t offset = (*offsets)[i], count = (*counts)[i];
    if (!image.Has(offset, count)) return Invalid();
    if (i > 0 && offset != (*offsets)[0] + total) contiguous = false;
    total += count;
  }
  if (total < needed) return Invalid();

  if (contiguous) {
    data = image.Slice((*offsets)[0], needed);
    return ReadResult::Accepted();
  }
  gathered.resize(needed);
  std::size_t filled = 0;
  for (std::size_t i = 0; i < offsets->Count() && filled < needed; ++i) {
    std::size_t take = std::min<std::size_t>((*counts)[i], needed - filled);
    ByteSpan strip = image.Slice((*offsets)[i], take);
    std::memcpy(gathered.data() + filled, strip.data(), take);
    filled += take;
  }
  data = gathered;
  return ReadResult::Accepted();
}

// 256 entries from the ColorMap (the high byte of each 16-bit value; all red values,
// then all green, then all blue), or a grey ramp when the file has none.
ReadResult ReadColourTable(const TiffImage& image, const Directory& dir, std::vector<RgbQuad>& table) {
  table.assign(256, RgbQuad{});
  if (!dir.colourMap) {
    for (std::size_t k = 0; k < table.size(); ++k) {
      auto grey = static_cast<std::uint8_t>(k);
      table[k] = RgbQuad{grey, grey, grey, 0};
    }
    return ReadResult::Accepted();
  }
  auto map = EntryValues::Of(image, *dir.colourMap);
  if (!map) return Invalid();
  const std::size_t perColour = map->Count() / 3;
  for (std::size_t k = 0; k < std::min<std::size_t>(perColour, table.size()); ++k) {
    auto high = [&](std::size_t i) { return static_cast<std::uint8_t>((*map)[i] >> 8); };
    table[k] = RgbQuad{high(2 * perColour + k), high(perColour + k), high(k), 0};
  }
  return ReadResult::Accepted();
}

void PutEntry(ByteWriter& out, std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
  out.U16LE(tag);
  out.U16LE(type);
  out.U32LE(count);
  if (type == kTypeShort && count == 1) {
    out.U16LE(static_cast<std::uint16_t>(value));
    out.U16LE(0);
  } else {
    out.U32LE(value);
  }
}

// ImageWidth and ImageLength are SHORT in the written layout; a size beyond 65535 (which
// no picture of this system has) would not fit and is written as LONG instead.
void PutSize(ByteWriter& out, std::uint16_t tag, int size) {
  auto value = static_cast<std::uint32_t>(size);
  PutEntry(out, tag, value > 0xFFFF ? kTypeLong : kTypeShort, 1, value);
}

}  // namespace

ReadResult CTIFF::ReadTiffFile(ByteSpan file, Picture& picture) {
  if (file.size() < 2) return Invalid();
  bool littleEndian;
  if (file[0] == 'I' && file[1] == 'I')
    littleEndian = true;
  else if (file[0] == 'M' && file[1] == 'M')
    littleEndian = false;
  else
    return Invalid();
  // The version number (42) is not checked.
  TiffImage image(file, littleEndian);

  Directory dir;
  if (ReadResult walked = ReadDirectory(image, dir); !walked) return walked;

  if (!dir.hasSubfileType || (dir.bitsPerPixel != 8 && dir.bitsPerPixel != 24)) return NotSupported();
  const std::uint32_t stripCount = dir.stripOffsets ? dir.stripOffsets->count : 0;
  const std::uint32_t byteCountCount = dir.stripByteCounts ? dir.stripByteCounts->count : 0;
  if (stripCount != byteCountCount) return Invalid();
  if (dir.planarConfig > 2) return NotSupported();
  if (dir.width == 0 || dir.height == 0) return Invalid();
  if (dir.width > static_cast<std::uint32_t>(kMaxPictureWidth) ||
      dir.height > static_cast<std::uint32_t>(kMaxPictureHeight))
    return ReadResult::Refused(kMsgPictureTooLarge);

  Picture result;
  result.width = static_cast<int>(dir.width);
  result.height = static_cast<int>(dir.height);
  result.bitsPerPixel = static_cast<int>(dir.bitsPerPixel);
  const std::size_t width = dir.width, height = dir.height;
  const std::size_t rowBytes = result.bitsPerPixel == 24 ? 3 * width : width;
  const std::size_t needed = rowBytes * height;

  Bytes gathered;
  ByteSpan data;
  if (ReadResult strips = GatherStrips(image, dir, needed, gathered, data); !strips) return strips;
  if (result.bitsPerPixel == 8) {
    if (ReadResult colours = ReadColourTable(image, dir, result.colourTable); !colours) return colours;
  }

  // The file's rows run top down; the picture's are stored bottom row first.
  const std::size_t stride = result.Stride();
  result.imageSize = static_cast<std::uint32_t>(stride * height);
  result.pixels.assign(result.imageSize, 0);
  for (std::size_t y = 0; y < height; ++y) {
    std::uint8_t* to = result.Line(static_cast<int>(y));
    if (result.bitsPerPixel == 8) {
      std::memcpy(to, data.data() + y * width, width);
    } else if (dir.planarConfig == 2) {
      const std::size_t plane = width * height;
      const std::uint8_t* red = data.data() + y * width;
      for (std::size_t x = 0; x < width; ++x) {
        to[3 * x] = red[x + 2 * plane];
        to[3 * x + 1] = red[x + plane];
        to[3 * x + 2] = red[x];
      }
    } else {
      const std::uint8_t* from = data.data() + y * rowBytes;
      for (std::size_t x = 0; x < width; ++x) {
        to[3 * x] = from[3 * x + 2];
        to[3 * x + 1] = from[3 * x + 1];
        to[3 * x + 2] = from[3 * x];
      }
    }
  }
  picture = std::move(result);
  return ReadResult::Accepted();
}

Bytes CTIFF::SetupTiffWrite(const Picture& picture) {
  const bool rgb = picture.bitsPerPixel == 24;
  const std::size_t width = static_cast<std::size_t>(picture.width);
  const std::size_t height = static_cast<std::size_t>(picture.height);
  const std::size_t colours = rgb ? 0 : 256;
  const std::size_t rowBytes = rgb ? 3 * width : width;
  const bool stripArrays = height > 1;

  const std::size_t xResolutionAt = 8 + 6 * colours;
  const std::size_t yResolutionAt = xResolutionAt + 8;
  const std::size_t bitsAt = yResolutionAt + 8;
  const std::size_t offsetsAt = bitsAt + (rgb ? 6 : 0);
  const std::size_t countsAt = offsetsAt + (stripArrays ? 4 * height : 0);
  const std::size_t stripsAt = countsAt + (stripArrays ? 4 * height : 0);
  const std::size_t directoryAt = stripsAt + height * rowBytes;
  constexpr std::uint16_t kEntryCount = 14;

  ByteWriter out(directoryAt + 2 + kEntryCount * kEntrySize + 4);
  out.U8('I');
  out.U8('I');
  out.U16LE(42);
  out.U32LE(static_cast<std::uint32_t>(directoryAt));

  if (!rgb) {
    // 1- and 4-bit pictures keep their 2 or 16 colours at the start of the map; the
    // rest of the 256 entries is black.
    for (int component = 2; component >= 0; --component) {  // red, green, blue
      for (std::size_t k = 0; k < colours; ++k) {
        RgbQuad entry = k < picture.colourTable.size() ? picture.colourTable[k] : RgbQuad{};
        std::uint8_t value = component == 2 ? entry.red : component == 1 ? entry.green : entry.blue;
        out.U16LE(static_cast<std::uint16_t>(value * 256));
      }
    }
  }
  for (int i = 0; i < 2; ++i) {  // XResolution, YResolution: 300 / 1
    out.U32LE(300);
    out.U32LE(1);
  }
  if (rgb) {
    for (int i = 0; i < 3; ++i) out.U16LE(8);
  }
  if (stripArrays) {
    for (std::size_t row = 0; row < height; ++row) out.U32LE(static_cast<std::uint32_t>(stripsAt + row * rowBytes));
    for (std::size_t row = 0; row < height; ++row) out.U32LE(static_cast<std::uint32_t>(rowBytes));
  }

  // One strip per row, top row first; 24-bit pixels as red, green, blue.
  Bytes row(rowBytes);
  for (std::size_t y = 0; y < height; ++y) {
    const std::uint8_t* from = picture.Line(static_cast<int>(y));
    if (rgb) {
      for (std::size_t x = 0; x < width; ++x) {
        row[3 * x] = from[3 * x + 2];
        row[3 * x + 1] = from[3 * x + 1];
        row[3 * x + 2] = from[3 * x];
      }
    } else if (picture.bitsPerPixel == 8) {
      std::memcpy(row.data(), from, width);
    } else {
      for (std::size_t x = 0; x < width; ++x) row[x] = IndexAt(from, static_cast<int>(x), picture.bitsPerPixel);
    }
    out.Append(row);
  }

  out.U16LE(kEntryCount);
  PutEntry(out, kTagNewSubfileType, kTypeLong, 1, 0);
  PutSize(out, kTagImageWidth, picture.width);
  PutSize(out, kTagImageLength, picture.height);
  PutEntry(out, kTagSamplesPerPixel, kTypeShort, 1, rgb ? 3 : 1);
  PutEntry(out, kTagBitsPerSample, kTypeShort, rgb ? 3 : 1, rgb ? static_cast<std::uint32_t>(bitsAt) : 8);
  PutEntry(out, kTagCompression, kTypeShort, 1, 1);
  PutEntry(out, kTagPhotometric, kTypeShort, 1, rgb ? 2 : 3);
  PutEntry(out, kTagStripOffsets, kTypeLong, static_cast<std::uint32_t>(height),
           static_cast<std::uint32_t>(stripArrays ? offsetsAt : stripsAt));
  PutEntry(out, kTagRowsPerStrip, kTypeLong, 1, 1);
  PutEntry(out, kTagStripByteCounts, kTypeLong, static_cast<std::uint32_t>(height),
           static_cast<std::uint32_t>(stripArrays ? countsAt : rowBytes));
  PutEntry(out, kTagXResolution, kTypeRational, 1, static_cast<std::uint32_t>(xResolutionAt));
  PutEntry(out, kTagYResolution, kTypeRational, 1, static_cast<std::uint32_t>(yResolutionAt));
  PutEntry(out, kTagResolutionUnit, kTypeShort, 1, 2);  // inch
  if (rgb)
    PutEntry(out, kTagPlanarConfiguration, kTypeShort, 1, 1);
  else
    PutEntry(out, kTagColorMap, kTypeShort, 3 * 256, 8);
  out.U32LE(0);  // no further directory
  return out.Take();
}

std::error_code CTIFF::WriteTiffFile(const std::filesystem::path& path, const Picture& picture) {
  Bytes file = SetupTiffWrite(picture);
  return WriteFileAtomically(path, file);
}

}  // namespace tessaly
