// The pictures of the emulated memory card: JPEG files in the camera's own layout and
// their 1800-byte thumbnails.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tessaly::emulator {

using Bytes = std::vector<std::uint8_t>;

inline constexpr int kThumbnailWidth = 40;
inline constexpr int kThumbnailHeight = 30;
inline constexpr std::size_t kThumbnailSize = 1800;
using Thumbnail = std::array<std::uint8_t, kThumbnailSize>;

// Offsets of the camera's layout: SOI, an application segment 1 of length 0x070A (its
// 1800 data bytes carry the thumbnail), then at 1806 a comment segment of length 0xF2
// whose data start with 00 "QOR" 00 and the comment text.
inline constexpr std::size_t kCameraCommentOffset = 1806;
inline constexpr std::size_t kCameraHeaderSize = 2050;

// Top row first, three bytes (red, green, blue) a pixel.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

// A recognisable picture for picture number n: a background whose hue follows n, a
// diagonal band whose place follows n, and n written in large digits.
RgbImage PatternPicture(int number, int width, int height);

// The thumbnail of a picture: 40 x 30 box averages, planar YCbCr with 4:2:0 chroma.
Thumbnail ThumbnailOf(const RgbImage& image);

// A JPEG file in the camera's layout holding image, with the thumbnail in the
// application segment and comment (at most 60 characters) in the comment segment.
// Empty when libjpeg fails.
Bytes CameraJpeg(const RgbImage& image, const std::string& comment);

// The thumbnail of a JPEG file: the one stored in the camera's application segment when
// the file has the camera's layout, else computed from the decoded picture; nothing
// when the file cannot be decoded.
std::optional<Thumbnail> ThumbnailOfJpeg(std::span<const std::uint8_t> file);

}  // namespace tessaly::emulator
