#include "formats/bmp.h"

#include <algorithm>
#include <new>
#include <vector>

#include "base/byte_reader.h"
#include "formats/byte_writer.h"

namespace tessaly {
namespace {

constexpr std::uint16_t kBmpSignature = 0x4D42;  // "BM"
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kOs2HeaderSize = 12;
constexpr std::uint32_t kWindowsHeaderSize = 40;

constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint32_t kCompressionRle4 = 2;

// The later Windows headers (and the OS/2 2.x one) extend the 40-byte header; their
// first 40 bytes have its layout, and the fields after them (bit masks, colour space,
// profile) say nothing a 1-, 4-, 8- or 24-bit picture needs.
bool IsWindowsHeaderSize(std::uint32_t size) {
  switch (size) {
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124: return true;
    default: return false;
  }
}

bool IsSupportedDepth(unsigned bitsPerPixel) {
  return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 24;
}

// RLE8 codes 8-bit pictures and RLE4 4-bit ones; any other pairing has no meaning.
bool CompressionFits(std::uint32_t compression, unsigned bitsPerPixel) {
  return compression == kCompressionNone || (compression == kCompressionRle8 && bitsPerPixel == 8) ||
         (compression == kCompressionRle4 && bitsPerPixel == 4);
}

// The run-length decoder's cursor over the pixel block. Every placement is checked
// against the block, so no stream, however made, writes outside it.
class RleCursor {
 public:
  RleCursor(std::span<std::uint8_t> block, std::size_t stride, bool fourBits)
      : m_block(block), m_stride(stride), m_fourBits(fourBits) {}

  // Places one pixel (a byte for RLE8, a nibble in the low bits for RLE4) and moves
  // right; false when the pixel would fall outside the block.
  bool Put(std::uint8_t value) {
    std::size_t column = m_fourBits ? m_x / 2 : m_x;
    if (m_y >= m_block.size() / m_stride) return false;
    std::size_t index = m_y * m_stride + column;
    if (index >= m_block.size()) return false;
    if (!m_fourBits)
      m_block[index] = value;
    else
      m_block[index] |= (m_x % 2 == 0) ? static_cast<std::uint8_t>(value << 4) : value;
    ++m_x;
    m_placed = true;
    return true;
  }
  void EndOfLine() {
    m_x = 0;
    ++m_y;
  }
  void Move(std::size_t dx, std::size_t dy) {
    m_x += dx;
    m_y += dy;
  }
  bool Placed() const { return m_placed; }

 private:
  std::span<std::uint8_t> m_block;
  std::size_t m_stride;
  bool m_fourBits;
  std::size_t m_x = 0;  // pixel column; may run into the row padding and beyond
  std::size_t m_y = 0;  // stored row, counted from the bottom
  bool m_placed = false;
};

void PutColourTable(ByteWriter& out, const Picture& picture, std::size_t count, BmpHeaderStyle style) {
  for (std::size_t i = 0; i < count; ++i) {
    RgbQuad entry = i < picture.colourTable.size() ? picture.colourTable[i] : RgbQuad{};
    out.U8(entry.blue);
    out.U8(entry.green);
    out.U8(entry.red);
    if (style == BmpHeaderStyle::kWindows) out.U8(0);
  }
}

// Copies the picture's pixel block, which is stride x height bytes for every picture the
// system makes; a shorter block is completed with zeros rather than read beyond.
void PutPixels(ByteWriter& out, const Picture& picture, std::size_t imageSize) {
  std::size_t present = std::min(imageSize, picture.pixels.size());
  out.Append(std::span(picture.pixels.data(), present));
  out.Zeros(imageSize - present);
}

void PutWindowsInfoHeader(ByteWriter& out, const Picture& picture, std::size_t colours, std::size_t imageSize) {
  out.U32LE(kWindowsHeaderSize);
  out.U32LE(static_cast<std::uint32_t>(picture.width));
  out.U32LE(static_cast<std::uint32_t>(picture.height));
  out.U16LE(1);  // planes
  out.U16LE(static_cast<std::uint16_t>(picture.bitsPerPixel));
  // The pixels written are always uncompressed, whatever the picture once was.
  out.U32LE(kCompressionNone);
  out.U32LE(static_cast<std::uint32_t>(imageSize));
  out.U32LE(0);                                    // horizontal resolution
  out.U32LE(0);                                    // vertical resolution
  out.U32LE(static_cast<std::uint32_t>(colours));  // colours used
  out.U32LE(static_cast<std::uint32_t>(colours));  // colours important
}

constexpr std::uint32_t kCompressionBitFields = 3;
constexpr std::uint32_t kCompressionAlphaBitFields = 6;

// One colour mask of a 16- or 32-bit pixel: where its bits are and how many.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t maximum = 0;  // the largest value of the field

  static Channel Of(std::uint32_t mask) {
    Channel channel{mask, 0, 0};
    if (mask == 0) return channel;
    while ((mask & 1) == 0) {
      mask >>= 1;
      ++channel.shift;
    }
    channel.maximum = mask;
    return channel;
  }
  // The field of a pixel scaled to 0..255, to the nearest level.
  std::uint8_t Value(std::uint32_t pixel) const {
    if (maximum == 0) return 0;
    const std::uint64_t field = (pixel & mask) >> shift;
    return static_cast<std::uint8_t>((field * 255 * 2 + maximum) / (std::uint64_t{maximum} * 2));
  }
};

}  // namespace

ReadResult CBMP::ReadWiderBmp(ByteSpan file, const DecodeTarget& target, Picture& picture, DecodeReport& report) {
  const ReadResult invalid = ReadResult::Refused(kMsgNotValidFileType);
  ByteReader r(file);
  const std::uint16_t signature = r.U16LE();
  r.Skip(8);
  const std::uint32_t pixelOffset = r.U32LE();
  const std::uint32_t headerSize = r.U32LE();
  const std::int64_t width = r.I32LE();
  const std::int64_t storedHeight = r.I32LE();
  r.Skip(2);  // planes
  const unsigned bitsPerPixel = r.U16LE();
  const std::uint32_t compression = r.U32LE();
  // The 64-byte OS/2 2.x header gives compression 3 and 4 other meanings.
  if (!r.Ok() || signature != kBmpSignature || !IsWindowsHeaderSize(headerSize) || headerSize == 64) return invalid;
  const bool topDown = storedHeight < 0;
  const std::int64_t height = topDown ? -storedHeight : storedHeight;
  if (width <= 0 || height <= 0) return invalid;
  report = {static_cast<int>(std::min<std::int64_t>(width, 1 << 30)),
            static_cast<int>(std::min<std::int64_t>(height, 1 << 30))};

  const bool masked = compression == kCompressionBitFields || compression == kCompressionAlphaBitFields;
  const bool direct = bitsPerPixel == 16 || bitsPerPixel == 32;
  if (direct ? !(compression == kCompressionNone || masked)
             : !(IsSupportedDepth(bitsPerPixel) && compression == kCompressionNone))
    return invalid;
  if (auto refusal = target.Refusal(width, height)) return ReadResult::Refused(*refusal);

  // The masks follow the 40-byte header (and are part of the longer ones): red, green,
  // blue, then alpha for the V3 header and up, or with ALPHABITFIELDS.
  Channel red, green, blue, alpha;
  if (masked) {
    ByteReader masks(file, kFileHeaderSize + kWindowsHeaderSize);
    red = Channel::Of(masks.U32LE());
    green = Channel::Of(masks.U32LE());
    blue = Channel::Of(masks.U32LE());
    if (!masks.Ok()) return invalid;
    if (headerSize >= 56 || compression == kCompressionAlphaBitFields) {
      alpha = Channel::Of(masks.U32LE());
      if (!masks.Ok()) return invalid;
    }
    if (red.mask == 0 && green.mask == 0 && blue.mask == 0) return invalid;
  } else if (bitsPerPixel == 16) {
    red = Channel::Of(0x7C00);
    green = Channel::Of(0x03E0);
    blue = Channel::Of(0x001F);
  } else if (bitsPerPixel == 32) {
    red = Channel::Of(0x00FF0000);
    green = Channel::Of(0x0000FF00);
    blue = Channel::Of(0x000000FF);
  }

  const auto w = static_cast<int>(width), h = static_cast<int>(height);
  const std::size_t stride = RowStride(w, static_cast<int>(bitsPerPixel));
  const std::size_t tableStart =
      kFileHeaderSize + headerSize +
      (masked && headerSize == 40 ? (compression == kCompressionAlphaBitFields ? 16 : 12) : 0);
  if (pixelOffset < kFileHeaderSize + headerSize || pixelOffset > file.size()) return invalid;
  if ((file.size() - pixelOffset) / stride < static_cast<std::size_t>(h))
    return ReadResult::Refused(kMsgPictureDataMissing);
  ByteSpan data = file.subspan(pixelOffset);
  // Stored line of picture line y (from the top).
  auto line = [&](int y) { return data.data() + stride * static_cast<std::size_t>(topDown ? y : h - 1 - y); };

  try {
    if (!direct) {
      Picture result = Picture::Make(w, h, static_cast<int>(bitsPerPixel));
      for (std::size_t i = 0; i < result.colourTable.size(); ++i) {
        const std::size_t at = tableStart + i * 4;
        if (at + 4 > pixelOffset) break;
        result.colourTable[i] = RgbQuad{file[at], file[at + 1], file[at + 2], 0};
      }
      for (int y = 0; y < h; ++y) std::copy_n(line(y), stride, result.Line(y));
      const PictureSize wanted = target.Output(w, h);
      if (wanted.width != w || wanted.height != h) result = AreaAveraged(result, wanted.width, wanted.height);
      picture = std::move(result);
      return ReadResult::Accepted();
    }
    const PictureSize wanted = target.Output(w, h);
    LineReducer reducer(w, h, wanted.width, wanted.height);
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(w) * 3);
    for (int y = 0; y < h; ++y) {
      const std::uint8_t* from = line(y);
      for (int x = 0; x < w; ++x) {
        const std::uint32_t pixel = bitsPerPixel == 16 ? static_cast<std::uint32_t>(from[2 * x] | from[2 * x + 1] << 8)
                                                       : static_cast<std::uint32_t>(from[4 * x]) |
                                                             static_cast<std::uint32_t>(from[4 * x + 1]) << 8 |
                                                             static_cast<std::uint32_t>(from[4 * x + 2]) << 16 |
                                                             static_cast<std::uint32_t>(from[4 * x + 3]) << 24;
        const unsigned a = alpha.mask != 0 ? alpha.Value(pixel) : 255u;
        const unsigned colour[3] = {blue.Value(pixel), green.Value(pixel), red.Value(pixel)};
        for (int c = 0; c < 3; ++c)
          bgr[3 * static_cast<std::size_t>(x) + c] =
              static_cast<std::uint8_t>((colour[c] * a + 255 * (255 - a) + 127) / 255);
      }
      reducer.PutLine(bgr.data());
    }
    picture = reducer.Take();
  } catch (const std::bad_alloc&) {
    return ReadResult::Refused(kMsgNotEnoughMemory);
  }
  return ReadResult::Accepted();
}

ReadResult CBMP::ReadBmpFile(ByteSpan file, Picture& picture, BmpHeaderStyle& headerStyle) {
  const ReadResult invalid = ReadResult::Refused(kMsgNotValidFileType);

  ByteReader r(file);
  std::uint16_t signature = r.U16LE();
  r.Skip(8);  // file size and the two reserved fields say nothing we need
  std::uint32_t pixelOffset = r.U32LE();
  std::uint32_t headerSize = r.U32LE();
  if (!r.Ok() || signature != kBmpSignature) return invalid;

  std::int64_t width = 0, height = 0;
  unsigned bitsPerPixel = 0;
  std::uint32_t compression = kCompressionNone;
  BmpHeaderStyle style;
  if (headerSize == kOs2HeaderSize) {
    style = BmpHeaderStyle::kOs2;
    width = r.U16LE();
    height = r.U16LE();
    r.Skip(2);  // planes
    bitsPerPixel = r.U16LE();
  } else if (IsWindowsHeaderSize(headerSize)) {
    style = BmpHeaderStyle::kWindows;
    width = r.I32LE();
    height = r.I32LE();
    r.Skip(2);  // planes
    bitsPerPixel = r.U16LE();
    compression = r.U32LE();
  } else {
    return invalid;
  }
  if (!r.Ok()) return invalid;

  // A negative height marks a top-down file, whose rows the rest of the system would
  // take upside down; such files are refused rather than shown mirrored.
  if (width <= 0 || height <= 0) return invalid;
  if (width > kMaxPictureWidth || height > kMaxPictureHeight) return ReadResult::Refused(kMsgPictureTooLarge);
  if (!IsSupportedDepth(bitsPerPixel) || !CompressionFits(compression, bitsPerPixel)) return invalid;

  const std::size_t tableStart = kFileHeaderSize + headerSize;
  if (pixelOffset < tableStart || pixelOffset > file.size()) return invalid;

  Picture result;
  result.width = static_cast<int>(width);
  result.height = static_cast<int>(height);
  result.bitsPerPixel = static_cast<int>(bitsPerPixel);
  const std::size_t imageSize = result.Stride() * static_cast<std::size_t>(result.height);

  // The table always has 2^bits entries. Writers often store fewer (only the colours
  // used) and put the pixels right after them; the entries that are not there before
  // the pixel data stay black instead of being read out of the pixels.
  const std::size_t entrySize = style == BmpHeaderStyle::kOs2 ? 3 : 4;
  result.colourTable.assign(static_cast<std::size_t>(ColourCountFor(result.bitsPerPixel)), RgbQuad{});
  for (std::size_t i = 0; i < result.colourTable.size(); ++i) {
    std::size_t at = tableStart + i * entrySize;
    if (at + entrySize > pixelOffset) break;
    result.colourTable[i] = RgbQuad{file[at], file[at + 1], file[at + 2], 0};
  }

  ByteSpan data = file.subspan(pixelOffset);
  if (compression == kCompressionNone) {
    if (data.size() < imageSize) return invalid;
    result.pixels.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(imageSize));
  } else {
    result.pixels.assign(imageSize, 0);
    if (!DecodeBmpRle(data, result.width, result.height, result.bitsPerPixel, result.pixels)) return invalid;
  }
  result.compression = kCompressionNone;
  result.imageSize = static_cast<std::uint32_t>(imageSize);

  picture = std::move(result);
  headerStyle = style;
  return ReadResult::Accepted();
}

bool CBMP::DecodeBmpRle(ByteSpan data, int width, int height, int bitsPerPixel, std::span<std::uint8_t> block) {
  const bool fourBits = bitsPerPixel == 4;
  const std::size_t stride = RowStride(width, bitsPerPixel);
  if (width <= 0 || height <= 0 || stride == 0) return false;
  block = block.first(std::min(block.size(), stride * static_cast<std::size_t>(height)));
  std::fill(block.begin(), block.end(), std::uint8_t{0});

  RleCursor cursor(block, stride, fourBits);
  ByteReader r(data);
  // Decoding stops at the end-of-bitmap code, when the data run out, or at the first
  // pixel that would fall outside the block; there is no other limit, so a legal stream
  // (however many short runs it has) loads whole.
  for (;;) {
    std::uint8_t first = r.U8();
    std::uint8_t second = r.U8();
    if (!r.Ok()) break;

    if (first > 0) {
      // Encoded run: first pixels of the value second; in RLE4 the two nibbles of second
      // alternate, high nibble first.
      bool inside = true;
      for (unsigned k = 0; k < first && inside; ++k) {
        std::uint8_t value = !fourBits ? second : (k % 2 == 0 ? second >> 4 : second & 0x0F);
        inside = cursor.Put(value);
      }
      if (!inside) break;
      continue;
    }

    if (second == 0) {  // end of line
      cursor.EndOfLine();
    } else if (second == 1) {  // end of bitmap
      break;
    } else if (second == 2) {  // delta: move right and up
      std::uint8_t dx = r.U8();
      std::uint8_t dy = r.U8();
      if (!r.Ok()) break;
      cursor.Move(dx, dy);
    } else {
      // Absolute run of second pixels, stored as they are and padded to an even number
      // of bytes.
      const unsigned count = second;
      const unsigned bytes = fourBits ? (count + 1) / 2 : count;
      bool inside = true;
      std::uint8_t byte = 0;
      for (unsigned k = 0; k < count && inside; ++k) {
        if (!fourBits || k % 2 == 0) {
          byte = r.U8();
          if (!r.Ok()) break;
        }
        std::uint8_t value = !fourBits ? byte : (k % 2 == 0 ? byte >> 4 : byte & 0x0F);
        inside = cursor.Put(value);
      }
      if (!inside || !r.Ok()) break;
      if (bytes % 2 == 1) r.Skip(1);
    }
  }
  return cursor.Placed();
}

Bytes CBMP::SetupBmpWrite(const Picture& picture, BmpHeaderStyle style) {
  const std::size_t colours = static_cast<std::size_t>(ColourCountFor(picture.bitsPerPixel));
  const std::size_t imageSize = picture.Stride() * static_cast<std::size_t>(picture.height);
  const std::size_t headerSize = style == BmpHeaderStyle::kOs2 ? kOs2HeaderSize : kWindowsHeaderSize;
  const std::size_t tableSize = colours * (style == BmpHeaderStyle::kOs2 ? 3 : 4);
  const std::size_t total = kFileHeaderSize + headerSize + tableSize + imageSize;

  ByteWriter out(total);
  out.U16LE(kBmpSignature);
  out.U32LE(static_cast<std::uint32_t>(total));
  out.U16LE(0);
  out.U16LE(0);
  out.U32LE(static_cast<std::uint32_t>(total - imageSize));  // pixel data offset
  if (style == BmpHeaderStyle::kOs2) {
    out.U32LE(kOs2HeaderSize);
    out.U16LE(static_cast<std::uint16_t>(picture.width));
    out.U16LE(static_cast<std::uint16_t>(picture.height));
    out.U16LE(1);  // planes
    out.U16LE(static_cast<std::uint16_t>(picture.bitsPerPixel));
  } else {
    PutWindowsInfoHeader(out, picture, colours, imageSize);
  }
  PutColourTable(out, picture, colours, style);
  PutPixels(out, picture, imageSize);
  return out.Take();
}

std::error_code CBMP::WriteBmpFile(const std::filesystem::path& path, const Picture& picture, BmpHeaderStyle style) {
  Bytes file = SetupBmpWrite(picture, style);
  return WriteFileAtomically(path, file);
}

bool CBMP::ReadPackedDib(ByteSpan dib, Picture& picture) {
  ByteReader r(dib);
  std::uint32_t headerSize = r.U32LE();
  std::int32_t width = r.I32LE();
  std::int32_t height = r.I32LE();
  r.Skip(2);  // planes
  unsigned bitsPerPixel = r.U16LE();
  std::uint32_t compression = r.U32LE();
  r.Skip(12);  // image size (often 0 for uncompressed bitmaps), resolutions
  std::uint32_t coloursUsed = r.U32LE();
  if (!r.Ok() || !IsWindowsHeaderSize(headerSize) || width <= 0 || height <= 0 || !IsSupportedDepth(bitsPerPixel) ||
      compression != kCompressionNone)
    return false;

  Picture result;
  result.width = width;
  result.height = height;
  result.bitsPerPixel = static_cast<int>(bitsPerPixel);
  const std::size_t colours = static_cast<std::size_t>(ColourCountFor(result.bitsPerPixel));
  // The table holds colours-used entries (all of them when 0); the pixels follow it.
  const std::size_t stored = coloursUsed == 0 && colours > 0 ? colours : coloursUsed;
  const std::size_t tableStart = headerSize;
  if (stored > (dib.size() - std::min<std::size_t>(dib.size(), tableStart)) / 4) return false;
  const std::size_t pixelStart = tableStart + stored * 4;
  const std::size_t imageSize = result.Stride() * static_cast<std::size_t>(height);
  if (pixelStart > dib.size() || dib.size() - pixelStart < imageSize) return false;

  result.colourTable.assign(colours, RgbQuad{});
  for (std::size_t i = 0; i < std::min(colours, stored); ++i) {
    std::size_t at = tableStart + i * 4;
    result.colourTable[i] = RgbQuad{dib[at], dib[at + 1], dib[at + 2], 0};
  }
  result.pixels.assign(dib.begin() + static_cast<std::ptrdiff_t>(pixelStart),
                       dib.begin() + static_cast<std::ptrdiff_t>(pixelStart + imageSize));
  result.imageSize = static_cast<std::uint32_t>(imageSize);
  picture = std::move(result);
  return true;
}

Bytes CBMP::MakePackedDib(const Picture& picture) {
  const std::size_t colours = static_cast<std::size_t>(ColourCountFor(picture.bitsPerPixel));
  const std::size_t imageSize = picture.Stride() * static_cast<std::size_t>(picture.height);
  ByteWriter out(kWindowsHeaderSize + colours * 4 + imageSize);
  PutWindowsInfoHeader(out, picture, colours, imageSize);
  PutColourTable(out, picture, colours, BmpHeaderStyle::kWindows);
  PutPixels(out, picture, imageSize);
  return out.Take();
}

}  // namespace tessaly
