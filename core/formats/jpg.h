// JPEG files: decoding a JPEG file image into a 24-bit picture and encoding one, through
// the JPEG library's classic interface, with the comment segment that carries a
// picture's comment.
//
// Every JPEG file the system writes begins with a 512-byte block: start of image, then a
// comment segment whose declared length (510) runs two bytes past the block and so takes
// in the start-of-image marker that begins the library's stream. The file therefore has
// one start-of-image marker, and the library's next segment begins at offset 514.
//
//   offset 0   FF D8            start of image
//   offset 2   FF FE 01 FE      comment marker, segment length 510
//   offset 6   00 'Q' 'O' 'R' 00  the tag
//   offset 11  the comment, at most 60 bytes, and a terminating zero; zeros to offset 511
//
// The camera writes its pictures with an application segment of length 1802 after the
// start of image and a comment segment (length 242) at offset 1806 whose data, at offset
// 1810, begin with the same tag.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "base/file_io.h"
#include "picture/picture.h"
#include "picture/progress.h"

namespace tessaly {

inline constexpr std::size_t kJpegHeaderLength = 512;
inline constexpr std::size_t kJpegCommentLimit = 60;
inline constexpr int kJpegQuality = 80;

// The comment of a JPEG file image in either layout, at most 60 bytes; empty when the
// file has none.
std::string ReadJpegComment(ByteSpan fileImage);

class CJPG {
 public:
  CJPG() = default;
  CJPG(const CJPG&) = delete;
  CJPG& operator=(const CJPG&) = delete;

  // Reads the whole file and decodes it. False after a failure, whose message has been
  // shown: "This is not a valid file type." for a file shorter than 2 bytes, "Failed to
  // read file." when it cannot be read whole, and those of DecodeJpeg.
  bool ReadJpegFile(const std::filesystem::path& path);

  // Decodes a JPEG file image into Width(), Height() and the pixels (24-bit picture
  // layout). False after a failure, whose message has been shown: "This is not a valid
  // file type." for anything the library cannot decode (or a colour space other than
  // YCbCr and grayscale), "The picture size is too large." for a picture over
  // 1280 x 1024, "Not enough memory.". A library warning after decoding began keeps the
  // picture as far as it was decoded (rows not reached are black).
  bool DecodeJpeg(ByteSpan fileImage);
  // Decodes the file image held in Data() (see SetData).
  bool DecodeJpeg() { return DecodeJpeg(m_data); }

  // The comment of the file image held in Data().
  std::string ReadJpegComment() const { return tessaly::ReadJpegComment(m_data); }

  // Builds the 512-byte header block with the first 60 bytes of text.
  void SetJpegComment(std::string_view text);

  // Compresses a 24-bit picture (bottom-up rows padded to 4 bytes, blue-green-red) at
  // quality 80 with 2 x 1 luminance sampling. On success Data() holds the library's
  // stream; after a failure it is empty ("Not enough memory." has been shown when memory
  // ran out). Pixels that do not cover the picture are refused.
  bool EncodeJpeg(int width, int height, ByteSpan pixels);

  // Writes the header block and then Data() to the file, through a temporary file that
  // replaces the target only when complete. Writes nothing when there are no data.
  std::error_code WriteJpegFile(const std::filesystem::path& path) const;

  // The JPEG file image: read from a file, or the library's stream from EncodeJpeg.
  const Bytes& Data() const { return m_data; }
  std::size_t DataLength() const { return m_data.size(); }
  void SetData(Bytes data) { m_data = std::move(data); }
  void FreeData() { m_data = {}; }
  Bytes TakeData() { return std::exchange(m_data, {}); }

  // The header block as written in front of encoded data.
  ByteSpan Header() const { return ByteSpan(m_header.data(), m_headerLength); }
  // Header block and encoded data together: the bytes of the file WriteJpegFile writes.
  Bytes FileImage() const;

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  // Hands the decoded picture over (24 bits, no colour table) and returns to the empty
  // state's size of 1 x 1.
  Picture TakePicture();

 private:
  Bytes m_data;
  std::size_t m_headerLength = kJpegHeaderLength;
  // Room for the block in front of encoded data; the first 512 bytes are used.
  std::array<std::uint8_t, 2048> m_header{};
  int m_width = 1;
  int m_height = 1;
  std::vector<std::uint8_t> m_pixels;
  StatusProgress m_progress;
};

}  // namespace tessaly
