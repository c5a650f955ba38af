#include "tools/camera-emulator/pictures.h"

#include <jpeglib.h>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <algorithm>
#include <cmath>

namespace tessaly::emulator {
namespace {

// libjpeg reports a fatal error by jumping back to the caller's setjmp.
struct JumpingErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

void JumpOnError(j_common_ptr info) {
  auto* manager = reinterpret_cast<JumpingErrorManager*>(info->err);
  std::longjmp(manager->jump, 1);
}

void IgnoreMessage(j_common_ptr) {}

// 3 x 5 dot digits, one row a byte, the three low bits left to right.
constexpr std::uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

std::uint8_t Clamp(double value) { return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

void HueToRgb(double hue, double& r, double& g, double& b) {
  double h = std::fmod(hue, 360.0) / 60.0;
  double x = 1.0 - std::fabs(std::fmod(h, 2.0) - 1.0);
  int sector = static_cast<int>(h);
  double table[6][3] = {{1, x, 0}, {x, 1, 0}, {0, 1, x}, {0, x, 1}, {x, 0, 1}, {1, 0, x}};
  r = table[sector % 6][0];
  g = table[sector % 6][1];
  b = table[sector % 6][2];
}

// The decoding half of ThumbnailOfJpeg; returns false when libjpeg fails. Holds nothing
// with a destructor inside the setjmp frame.
bool DecodeRgb(std::span<const std::uint8_t> file, RgbImage& out) {
  jpeg_decompress_struct info;
  JumpingErrorManager errors;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JumpOnError;
  errors.base.output_message = IgnoreMessage;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  // A thumbnail needs only a small picture: let the decoder scale down first.
  info.scale_num = 1;
  info.scale_denom = info.image_width >= 8 * kThumbnailWidth && info.image_height >= 8 * kThumbnailHeight ? 8 : 1;
  jpeg_start_decompress(&info);
  if (info.output_width == 0 || info.output_height == 0 || info.output_components != 3 || info.output_width > 20000 ||
      info.output_height > 20000)
    std::longjmp(errors.jump, 1);
  out.width = static_cast<int>(info.output_width);
  out.height = static_cast<int>(info.output_height);
  out.pixels.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) * 3, 0);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.pixels.data() + static_cast<std::size_t>(info.output_scanline) * out.width * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

// The library's stream for image; false when libjpeg fails.
bool EncodeRgb(const RgbImage& image, unsigned char*& buffer, unsigned long& size) {
  jpeg_compress_struct info;
  JumpingErrorManager errors;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = JumpOnError;
  errors.base.output_message = IgnoreMessage;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(image.width);
  info.image_height = static_cast<JDIMENSION>(image.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 80, TRUE);
  // The camera writes its own segments in front of the picture; no JFIF marker.
  info.write_JFIF_header = FALSE;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    auto row =
        const_cast<JSAMPROW>(image.pixels.data() + static_cast<std::size_t>(info.next_scanline) * image.width * 3);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

RgbImage PatternPicture(int number, int width, int height) {
  RgbImage image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
  double r0, g0, b0;
  HueToRgb(number * 47.0, r0, g0, b0);
  int band = (number * 29) % (width + height);
  std::string digits = std::to_string(number);
  int scale = std::max(2, std::min(width / (4 * static_cast<int>(digits.size()) + 1), height / 7));
  int textWidth = (4 * static_cast<int>(digits.size()) - 1) * scale;
  int left = (width - textWidth) / 2;
  int top = (height - 5 * scale) / 2;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double shade = 0.35 + 0.65 * (1.0 - static_cast<double>(y) / height);
      double r = 255 * r0 * shade, g = 255 * g0 * shade, b = 255 * b0 * shade;
      if (std::abs(x + y - band) < 12) r = g = b = 20;
      int cx = x - left, cy = y - top;
      if (cx >= 0 && cy >= 0 && cx < textWidth && cy < 5 * scale) {
        int cell = cx / scale / 4;
        int column = cx / scale % 4;
        int rowBits = kDigits[digits[static_cast<std::size_t>(cell)] - '0'][cy / scale];
        if (column < 3 && (rowBits >> (2 - column) & 1)) r = g = b = 250;
      }
      auto* pixel = &image.pixels[(static_cast<std::size_t>(y) * width + x) * 3];
      pixel[0] = Clamp(r);
      pixel[1] = Clamp(g);
      pixel[2] = Clamp(b);
    }
  }
  return image;
}

Thumbnail ThumbnailOf(const RgbImage& image) {
  // Box averages of the picture in red, green, blue at 40 x 30.
  std::array<double, kThumbnailWidth * kThumbnailHeight * 3> small{};
  for (int ty = 0; ty < kThumbnailHeight; ++ty) {
    int y0 = ty * image.height / kThumbnailHeight, y1 = std::max(y0 + 1, (ty + 1) * image.height / kThumbnailHeight);
    for (int tx = 0; tx < kThumbnailWidth; ++tx) {
      int x0 = tx * image.width / kThumbnailWidth, x1 = std::max(x0 + 1, (tx + 1) * image.width / kThumbnailWidth);
      double sum[3] = {0, 0, 0};
      int count = 0;
      for (int y = y0; y < y1 && y < image.height; ++y)
        for (int x = x0; x < x1 && x < image.width; ++x, ++count)
          for (int c = 0; c < 3; ++c) sum[c] += image.pixels[(static_cast<std::size_t>(y) * image.width + x) * 3 + c];
      for (int c = 0; c < 3; ++c) small[(ty * kThumbnailWidth + tx) * 3 + c] = count ? sum[c] / count : 0;
    }
  }
  Thumbnail thumbnail{};
  for (int i = 0; i < kThumbnailWidth * kThumbnailHeight; ++i) {
    const double* p = &small[static_cast<std::size_t>(i) * 3];
    thumbnail[static_cast<std::size_t>(i)] = Clamp(0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]);
  }
  constexpr int kChromaWidth = kThumbnailWidth / 2;
  constexpr std::size_t kCbOffset = kThumbnailWidth * kThumbnailHeight;
  constexpr std::size_t kCrOffset = kCbOffset + kCbOffset / 4;
  for (int k = 0; k < static_cast<int>(kCbOffset / 4); ++k) {
    int row = 2 * (k / kChromaWidth), column = 2 * (k % kChromaWidth);
    double r = 0, g = 0, b = 0;
    for (int dy = 0; dy < 2; ++dy)
      for (int dx = 0; dx < 2; ++dx) {
        const double* p = &small[static_cast<std::size_t>((row + dy) * kThumbnailWidth + column + dx) * 3];
        r += p[0] / 4;
        g += p[1] / 4;
        b += p[2] / 4;
      }
    thumbnail[kCbOffset + static_cast<std::size_t>(k)] = Clamp(128 - 0.168736 * r - 0.331264 * g + 0.5 * b);
    thumbnail[kCrOffset + static_cast<std::size_t>(k)] = Clamp(128 + 0.5 * r - 0.418688 * g - 0.081312 * b);
  }
  return thumbnail;
}

Bytes CameraJpeg(const RgbImage& image, const std::string& comment) {
  unsigned char* stream = nullptr;
  unsigned long streamSize = 0;
  bool encoded = EncodeRgb(image, stream, streamSize);
  Bytes file;
  if (encoded && streamSize > 2) {
    Thumbnail thumbnail = ThumbnailOf(image);
    file = {0xFF, 0xD8, 0xFF, 0xE1, 0x07, 0x0A};
    file.insert(file.end(), thumbnail.begin(), thumbnail.end());
    Bytes commentSegment(4 + 0xF0, 0);
    commentSegment[0] = 0xFF;
    commentSegment[1] = 0xFE;
    commentSegment[2] = 0x00;
    commentSegment[3] = 0xF2;
    const char tag[] = {0, 'Q', 'O', 'R', 0};
    std::memcpy(&commentSegment[4], tag, sizeof tag);
    std::memcpy(&commentSegment[9], comment.data(), std::min<std::size_t>(comment.size(), 60));
    file.insert(file.end(), commentSegment.begin(), commentSegment.end());
    // The library's stream without its own start-of-image marker.
    file.insert(file.end(), stream + 2, stream + streamSize);
  }
  std::free(stream);
  return file;
}

std::optional<Thumbnail> ThumbnailOfJpeg(std::span<const std::uint8_t> file) {
  static constexpr std::uint8_t kCameraStart[] = {0xFF, 0xD8, 0xFF, 0xE1, 0x07, 0x0A};
  if (file.size() >= kCameraCommentOffset &&
      std::equal(std::begin(kCameraStart), std::end(kCameraStart), file.begin())) {
    Thumbnail stored;
    std::copy_n(file.begin() + 6, kThumbnailSize, stored.begin());
    return stored;
  }
  RgbImage image;
  if (!DecodeRgb(file, image)) return std::nullopt;
  return ThumbnailOf(image);
}

}  // namespace tessaly::emulator
