#include "retouch/clipboard_data.h"

#include <algorithm>

#include "base/byte_reader.h"
#include "formats/byte_writer.h"

namespace tessaly {
namespace {

constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kFileHeaderSize = 14;

}  // namespace

PictureRect CopyArea(int pictureWidth, int pictureHeight, const PictureRect& selection, int originX, int originY) {
  const PictureRect s = selection.Normalized();
  PictureRect area{0, 0, pictureWidth, pictureHeight};
  if (s.Width() > 0) {
    area.left = s.left - originX;
    area.right = s.right - originX;
  }
  if (s.Height() > 0) {
    area.top = s.top - originY;
    area.bottom = s.bottom - originY;
  }
  return area.ClippedTo(pictureWidth, pictureHeight);
}

Picture ExtractArea(const Picture& picture, const PictureRect& area) {
  const PictureRect a = area.Normalized();
  if (a.Empty()) return {};
  if (picture.pixels.empty()) return Picture::Make(a.Width(), a.Height(), 24, 255);
  const PictureRect inside = a.ClippedTo(picture.width, picture.height);
  if (inside != a || picture.bitsPerPixel != 24 ||
      picture.pixels.size() < picture.Stride() * static_cast<std::size_t>(picture.height))
    return {};
  Picture out = Picture::Make(a.Width(), a.Height(), 24, 0);
  const std::size_t bytes = 3 * static_cast<std::size_t>(a.Width());
  for (int y = 0; y < a.Height(); ++y)
    std::copy_n(picture.Line(a.top + y) + 3 * static_cast<std::size_t>(a.left), bytes, out.Line(y));
  return out;
}

std::vector<std::uint8_t> MakeAreaDib(const Picture& area) {
  const std::size_t imageSize = area.Stride() * static_cast<std::size_t>(area.height);
  ByteWriter out(kInfoHeaderSize + imageSize);
  out.U32LE(kInfoHeaderSize);
  out.U32LE(static_cast<std::uint32_t>(area.width));
  out.U32LE(static_cast<std::uint32_t>(area.height));
  out.U16LE(1);
  out.U16LE(24);
  out.U32LE(0);
  out.U32LE(static_cast<std::uint32_t>(imageSize));
  out.Zeros(16);
  out.Append(std::span(area.pixels).first(std::min(imageSize, area.pixels.size())));
  if (area.pixels.size() < imageSize) out.Zeros(imageSize - area.pixels.size());
  return out.Take();
}

std::vector<std::uint8_t> MakeNativeData(const Picture& area, std::uint32_t firstValue, std::uint32_t secondValue) {
  const std::size_t imageSize = area.Stride() * static_cast<std::size_t>(area.height);
  ByteWriter out(20 + imageSize);
  out.U32LE(static_cast<std::uint32_t>(area.width));
  out.U32LE(static_cast<std::uint32_t>(area.height));
  out.U32LE(static_cast<std::uint32_t>(imageSize));
  out.U32LE(firstValue);
  out.U32LE(secondValue);
  out.Append(std::span(area.pixels).first(std::min(imageSize, area.pixels.size())));
  if (area.pixels.size() < imageSize) out.Zeros(imageSize - area.pixels.size());
  return out.Take();
}

NativeDataStatus ReadNativeData(std::span<const std::uint8_t> data, NativeItemData& out) {
  ByteReader reader(data);
  const std::uint32_t width = reader.U32LE();
  const std::uint32_t height = reader.U32LE();
  const std::uint32_t byteCount = reader.U32LE();
  const std::uint32_t firstValue = reader.U32LE();
  const std::uint32_t secondValue = reader.U32LE();
  if (!reader.Ok() || width == 0 || height == 0) return NativeDataStatus::kMalformed;
  if (width > static_cast<std::uint32_t>(kMaxPictureWidth) || height > static_cast<std::uint32_t>(kMaxPictureHeight))
    return NativeDataStatus::kTooLarge;
  const std::size_t imageSize = RowStride(static_cast<int>(width), 24) * height;
  if (byteCount != imageSize || !reader.Has(imageSize)) return NativeDataStatus::kMalformed;
  Picture picture;
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  picture.bitsPerPixel = 24;
  picture.imageSize = byteCount;
  const auto rows = data.subspan(reader.Position(), imageSize);
  picture.pixels.assign(rows.begin(), rows.end());
  out.picture = std::move(picture);
  out.firstValue = firstValue;
  out.secondValue = secondValue;
  return NativeDataStatus::kOk;
}

std::vector<std::uint8_t> BmpFileFromDib(std::span<const std::uint8_t> dib) {
  ByteReader reader(dib);
  const std::uint32_t headerSize = reader.U32LE();
  reader.Skip(10);
  const std::uint16_t bitCount = reader.U16LE();
  reader.Skip(16);
  const std::uint32_t coloursUsed = reader.U32LE();
  if (!reader.Ok()) return {};
  std::uint32_t colours = 0;
  if (bitCount <= 8) colours = coloursUsed != 0 ? coloursUsed : 1u << bitCount;
  const std::uint64_t offset = std::uint64_t{kFileHeaderSize} + headerSize + 4ull * colours;
  ByteWriter out(kFileHeaderSize + dib.size());
  out.U8('B');
  out.U8('M');
  out.U32LE(static_cast<std::uint32_t>(kFileHeaderSize + dib.size()));
  out.U32LE(0);
  out.U32LE(static_cast<std::uint32_t>(offset));
  out.Append(dib);
  return out.Take();
}

Picture PictureFromRgb(int width, int height, std::span<const std::uint8_t> rgb) {
  if (width < 1 || height < 1 || rgb.size() / 3 / static_cast<std::size_t>(width) < static_cast<std::size_t>(height))
    return {};
  Picture picture = Picture::Make(width, height, 24, 0);
  const std::uint8_t* in = rgb.data();
  for (int y = 0; y < height; ++y) {
    std::uint8_t* out = picture.Line(y);
    for (int x = 0; x < width; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  return picture;
}

std::vector<std::uint8_t> RgbFromPicture(const Picture& picture) {
  if (picture.bitsPerPixel != 24 || picture.width < 1 || picture.height < 1 ||
      picture.pixels.size() < picture.Stride() * static_cast<std::size_t>(picture.height))
    return {};
  std::vector<std::uint8_t> rgb(3 * static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
  std::uint8_t* out = rgb.data();
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* in = picture.Line(y);
    for (int x = 0; x < picture.width; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  return rgb;
}

}  // namespace tessaly
