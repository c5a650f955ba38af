// Building JPEG streams with the library directly, for tests that need files of a kind
// Tessaly never writes (CMYK, grayscale, progressive, other sampling).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <jpeglib.h>

#include "formats/jpg.h"
#include "picture/picture.h"

namespace tessaly::test {

struct LibraryJpeg {
  int width = 16;
  int height = 16;
  J_COLOR_SPACE input = JCS_RGB;  // layout of the rows passed in
  int components = 3;
  J_COLOR_SPACE stored = JCS_YCbCr;  // colour space written into the file
  int quality = 80;
  bool progressive = false;
  int lumaH = 2, lumaV = 1;  // luminance sampling (YCbCr only)
};

// Compresses top-down rows of width x components bytes.
inline std::vector<std::uint8_t> CompressWithLibrary(const LibraryJpeg& wanted, const std::vector<std::uint8_t>& rows) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = static_cast<JDIMENSION>(wanted.width);
  cinfo.image_height = static_cast<JDIMENSION>(wanted.height);
  cinfo.input_components = wanted.components;
  cinfo.in_color_space = wanted.input;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, wanted.stored);
  jpeg_set_quality(&cinfo, wanted.quality, TRUE);
  if (wanted.stored == JCS_YCbCr) {
    cinfo.comp_info[0].h_samp_factor = wanted.lumaH;
    cinfo.comp_info[0].v_samp_factor = wanted.lumaV;
    for (int c = 1; c < 3; ++c) cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
  }
  if (wanted.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  const std::size_t rowBytes = static_cast<std::size_t>(wanted.width) * static_cast<std::size_t>(wanted.components);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rows.data() + cinfo.next_scanline * rowBytes);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<std::uint8_t> result(out, out + size);
  jpeg_destroy_compress(&cinfo);
  std::free(out);
  return result;
}

// Decodes to top-down RGB (or grayscale) rows with every library default.
inline std::vector<std::uint8_t> DecompressWithLibrary(const std::vector<std::uint8_t>& file, int* width = nullptr,
                                                       int* height = nullptr) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  const std::size_t rowBytes = cinfo.output_width * static_cast<std::size_t>(cinfo.output_components);
  std::vector<std::uint8_t> rows(rowBytes * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = rows.data() + cinfo.output_scanline * rowBytes;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  if (width) *width = static_cast<int>(cinfo.output_width);
  if (height) *height = static_cast<int>(cinfo.output_height);
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return rows;
}

// A picture with smooth gradients and a little noise, like a photograph.
inline Picture PhotoLike(int width, int height, unsigned seed = 1) {
  Picture picture = Picture::Make(width, height, 24);
  std::mt19937 random(seed);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture.Line(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1));
      row[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1));
      row[3 * x + 2] = static_cast<std::uint8_t>(128 + random() % 32);
    }
  }
  return picture;
}

// Top-down red-green-blue rows of a picture, as the library takes them.
inline std::vector<std::uint8_t> TopDownRgb(const Picture& picture) {
  std::vector<std::uint8_t> rows;
  rows.reserve(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 3);
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = picture.Line(y);
    for (int x = 0; x < picture.width; ++x) {
      rows.push_back(row[3 * x + 2]);
      rows.push_back(row[3 * x + 1]);
      rows.push_back(row[3 * x]);
    }
  }
  return rows;
}

// The coder's stream for a picture, as Tessaly writes it after its header block.
inline std::vector<std::uint8_t> Stream(const Picture& picture) {
  CJPG jpg;
  jpg.EncodeJpeg(picture.width, picture.height, picture.pixels);
  return jpg.Data();
}

// A file laid out as the camera writes it: an application segment (of 1802 bytes, so
// that the comment segment of 242 bytes lands at offset 1806), the comment segment with
// the tag, then the rest of a JPEG stream. With another length the file is still sound,
// but its comment is not where the camera puts it.
inline std::vector<std::uint8_t> CameraFile(const std::vector<std::uint8_t>& stream, std::string_view comment,
                                            std::uint16_t applicationLength = 0x070A) {
  std::vector<std::uint8_t> file = {0xFF,
                                    0xD8,
                                    0xFF,
                                    0xE1,
                                    static_cast<std::uint8_t>(applicationLength >> 8),
                                    static_cast<std::uint8_t>(applicationLength)};
  file.resize(4u + applicationLength, 0);
  file.insert(file.end(), {0xFF, 0xFE, 0x00, 0xF2, 0x00, 'Q', 'O', 'R', 0x00});
  file.insert(file.end(), comment.begin(), comment.end());
  file.resize(4u + applicationLength + 2 + 242, 0);
  file.insert(file.end(), stream.begin() + 2, stream.end());
  return file;
}

}  // namespace tessaly::test
