#include "formats/png.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "picture/pixel_index.h"

namespace tessaly {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Deflate never does better than about 1032 to 1 (a run of 258 bytes in one code of at
// least two bits); a file whose compressed data are fewer cannot hold its picture.
constexpr std::uint64_t kBestDeflateRatio = 1032;
// The most a chunk of metadata may take, compressed text uncompressed included.
constexpr std::size_t kChunkMallocMax = 8u << 20;

struct Chunks {
  std::uint64_t idatBytes = 0;
  std::uint32_t width = 0, height = 0;
  int bitDepth = 0, colourType = 0;
};

std::uint32_t Be32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

// Walks the chunk headers (never their data) to add up the compressed picture data;
// a chunk that runs past the end of the file counts with what is there.
bool ScanChunks(ByteInput& input, Chunks& chunks) {
  std::uint8_t head[8];
  std::uint64_t at = kSignature.size();
  bool sawHeader = false;
  while (input.Seek(at) && input.Read(head, 8) == 8) {
    const std::uint32_t length = Be32(head);
    const std::uint64_t dataStart = at + 8;
    const std::uint64_t present = std::min<std::uint64_t>(length, input.Size() - std::min(input.Size(), dataStart));
    if (std::memcmp(head + 4, "IHDR", 4) == 0 && length >= 13) {
      std::uint8_t ihdr[10];
      if (input.Read(ihdr, 10) != 10) return false;
      chunks.width = Be32(ihdr);
      chunks.height = Be32(ihdr + 4);
      chunks.bitDepth = ihdr[8];
      chunks.colourType = ihdr[9];
      sawHeader = true;
    } else if (std::memcmp(head + 4, "IDAT", 4) == 0) {
      chunks.idatBytes += present;
    } else if (std::memcmp(head + 4, "IEND", 4) == 0) {
      break;
    }
    at = dataStart + static_cast<std::uint64_t>(length) + 4;
  }
  return sawHeader;
}

int ChannelsOf(int colourType) {
  switch (colourType) {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;  // palette
  }
}

struct PngRead {
  png_structp png;
  png_infop info;
  ByteInput* input;
  bool failed;
};

void ReadData(png_structp png, png_bytep to, png_size_t count) {
  auto* job = static_cast<PngRead*>(png_get_io_ptr(png));
  if (job->input->Read(to, count) != count) png_error(png, "file ends early");
}
// libpng allocates a chunk's declared length before it reads the chunk, and that length
// comes from the file: a text chunk after the picture data that claims two gigabytes
// would be allocated whole. Every allocation of libpng's is held to the larger of its own
// chunk limit and a row of the declared width at 64 bits a pixel, the most it needs; a
// refused chunk is skipped with a warning, a refused row ends the read.
struct AllocationLimit {
  std::size_t bytes;
};
png_voidp LimitedMalloc(png_structp png, png_alloc_size_t size) {
  const auto* limit = static_cast<const AllocationLimit*>(png_get_mem_ptr(png));
  if (limit != nullptr && size > limit->bytes) return nullptr;
  return std::malloc(size);
}
void LimitedFree(png_structp, png_voidp block) { std::free(block); }

void Error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void Warning(png_structp, png_const_charp) {}

// The rows after the header, into the reducer as blue, green, red over white. A picture
// with interlacing is collected whole first. Returns false after an error before any
// line reached the reducer; an error later keeps what was read.
bool ReadRows(PngRead& job, LineReducer& reducer, std::uint8_t* rgba, std::uint8_t* whole, int width, int height,
              int passes, std::uint8_t* bgr) {
  // Changed between the setjmp and a jump back, so kept in memory.
  volatile int linesIn = 0;
  if (setjmp(png_jmpbuf(job.png))) return linesIn > 0;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  auto composite = [&](const std::uint8_t* from) {
    for (int x = 0; x < width; ++x) {
      const unsigned alpha = from[4 * x + 3];
      for (int c = 0; c < 3; ++c)
        bgr[3 * x + (2 - c)] = static_cast<std::uint8_t>((from[4 * x + c] * alpha + 255 * (255 - alpha) + 127) / 255);
    }
    reducer.PutLine(bgr);
    linesIn = linesIn + 1;
  };
  if (passes == 1) {
    for (int y = 0; y < height; ++y) {
      png_read_row(job.png, rgba, nullptr);
      composite(rgba);
    }
  } else {
    for (int pass = 0; pass < passes; ++pass)
      for (int y = 0; y < height; ++y) png_read_row(job.png, whole + static_cast<std::size_t>(y) * rowBytes, nullptr);
    for (int y = 0; y < height; ++y) composite(whole + static_cast<std::size_t>(y) * rowBytes);
  }
  // Into the info, so that text chunks after the picture data are kept with the others.
  png_read_end(job.png, job.info);
  return true;
}

// Sets libpng up to deliver 8-bit red, green, blue, alpha rows. False after an error,
// or when libpng's header is another than the one the chunks were scanned for (a file
// with two headers), since the rows are sized by that one.
bool StartRead(PngRead& job, int& passes, const Chunks& chunks) {
  if (setjmp(png_jmpbuf(job.png))) return false;
  png_set_read_fn(job.png, &job, ReadData);
  // Limits of libpng's own: chunks of metadata are not worth more than this.
  png_set_chunk_malloc_max(job.png, kChunkMallocMax);
  png_set_user_limits(job.png, 1u << 30, 1u << 30);
  png_read_info(job.png, job.info);
  const int colourType = png_get_color_type(job.png, job.info);
  png_set_expand(job.png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
  png_set_scale_16(job.png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(job.png);
  png_set_add_alpha(job.png, 0xFF, PNG_FILLER_AFTER);
  passes = png_set_interlace_handling(job.png);
  png_read_update_info(job.png, job.info);
  return png_get_image_width(job.png, job.info) == chunks.width &&
         png_get_image_height(job.png, job.info) == chunks.height &&
         png_get_rowbytes(job.png, job.info) == static_cast<png_size_t>(chunks.width) * 4;
}

// The text chunks libpng has collected so far. libpng ends each keyword and text with
// a zero byte, whatever the chunk held.
void CollectText(png_structp png, png_infop info, std::vector<PngText>& text) {
  png_textp entries = nullptr;
  const int count = png_get_text(png, info, &entries, nullptr);
  for (int i = 0; i < count && entries != nullptr; ++i) {
    const png_text& entry = entries[i];
    text.push_back({entry.key ? entry.key : "", entry.text ? entry.text : ""});
  }
}

ReadResult ReadPng(ByteInput& input, const DecodeTarget& target, Picture& picture, DecodeReport& report,
                   std::vector<PngText>* text) {
  const ReadResult invalid = ReadResult::Refused(kMsgNotValidFileType);
  std::array<std::uint8_t, 8> signature{};
  if (!input.Seek(0) || input.Read(signature.data(), 8) != 8 || signature != kSignature) return invalid;
  Chunks chunks;
  if (!ScanChunks(input, chunks)) return invalid;
  report = {static_cast<int>(std::min<std::uint32_t>(chunks.width, 1 << 30)),
            static_cast<int>(std::min<std::uint32_t>(chunks.height, 1 << 30))};
  if (auto refusal = target.Refusal(chunks.width, chunks.height)) return ReadResult::Refused(*refusal);
  const std::uint64_t rowBytes =
      (static_cast<std::uint64_t>(chunks.width) * static_cast<std::uint64_t>(ChannelsOf(chunks.colourType)) *
           static_cast<std::uint64_t>(std::clamp(chunks.bitDepth, 1, 16)) +
       7) /
          8 +
      1;
  if (chunks.idatBytes * kBestDeflateRatio < rowBytes * chunks.height)
    return ReadResult::Refused(kMsgPictureDataMissing);
  if (!input.Seek(0)) return invalid;

  PngRead job{};
  job.input = &input;
  AllocationLimit limit{
      std::max<std::size_t>(kChunkMallocMax + 65536, static_cast<std::size_t>(chunks.width) * 8 + 4096)};
  job.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &job, Error, Warning, &limit, LimitedMalloc, LimitedFree);
  if (job.png == nullptr) return ReadResult::Refused(kMsgNotEnoughMemory);
  job.info = png_create_info_struct(job.png);
  int passes = 1;
  bool ok = job.info != nullptr && StartRead(job, passes, chunks);
  Picture decoded;
  if (ok) {
    const int width = static_cast<int>(chunks.width), height = static_cast<int>(chunks.height);
    const PictureSize wanted = target.Output(width, height);
    try {
      std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * 4);
      std::vector<std::uint8_t> bgr(static_cast<std::size_t>(width) * 3);
      std::vector<std::uint8_t> whole;
      if (passes > 1) whole.assign(static_cast<std::size_t>(width) * 4 * static_cast<std::size_t>(height), 0);
      LineReducer reducer(width, height, wanted.width, wanted.height);
      ok = ReadRows(job, reducer, rgba.data(), whole.data(), width, height, passes, bgr.data());
      if (ok) decoded = reducer.Take();
      if (ok && text != nullptr) CollectText(job.png, job.info, *text);
    } catch (const std::bad_alloc&) {
      png_destroy_read_struct(&job.png, &job.info, nullptr);
      return ReadResult::Refused(kMsgNotEnoughMemory);
    }
  }
  png_destroy_read_struct(&job.png, &job.info, nullptr);
  if (!ok) {
    if (text != nullptr) text->clear();
    return invalid;
  }
  picture = std::move(decoded);
  return ReadResult::Accepted();
}

}  // namespace

ReadResult ReadPngPicture(ByteInput& input, const DecodeTarget& target, Picture& picture, DecodeReport& report) {
  return ReadPng(input, target, picture, report, nullptr);
}

ReadResult ReadPngPicture(ByteInput& input, const DecodeTarget& target, Picture& picture, DecodeReport& report,
                          std::vector<PngText>& text) {
  text.clear();
  ReadResult result = ReadPng(input, target, picture, report, &text);
  if (!result) text.clear();
  return result;
}

namespace {

struct PngWrite {
  Bytes* out;
};

void WriteData(png_structp png, png_bytep data, png_size_t count) {
  auto* job = static_cast<PngWrite*>(png_get_io_ptr(png));
  bool grown = true;
  try {
    job->out->insert(job->out->end(), data, data + count);
  } catch (const std::bad_alloc&) {
    grown = false;
  }
  if (!grown) png_error(png, "out of memory");
}
void Flush(png_structp) {}

bool Encode(png_structp png, png_infop info, const Picture& picture, std::span<const png_text> text, PngWrite& job,
            std::uint8_t* line) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, &job, WriteData, Flush);
  const bool indexed = picture.bitsPerPixel <= 8;
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height),
               indexed ? picture.bitsPerPixel : 8, indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::array<png_color, 256> palette{};
  if (indexed) {
    const std::size_t count = std::min<std::size_t>(picture.colourTable.size(), std::size_t{1} << picture.bitsPerPixel);
    for (std::size_t i = 0; i < count; ++i)
      palette[i] = {picture.colourTable[i].red, picture.colourTable[i].green, picture.colourTable[i].blue};
    png_set_PLTE(png, info, palette.data(), static_cast<int>(std::max<std::size_t>(count, 1)));
  }
  if (!text.empty()) png_set_text(png, info, text.data(), static_cast<int>(text.size()));
  png_write_info(png, info);
  // The picture's rows are blue, green, red, and the indices of 1- and 4-bit rows are
  // packed as PNG packs them (leftmost pixel in the high bits).
  if (!indexed) png_set_bgr(png);
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = picture.Line(y);
    std::memcpy(line, row,
                (static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.bitsPerPixel) + 7) / 8);
    png_write_row(png, line);
  }
  png_write_end(png, info);
  return true;
}

}  // namespace

Bytes EncodePng(const Picture& picture, std::span<const PngText> text) {
  Bytes out;
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.pixels.size() < picture.Stride() * static_cast<std::size_t>(picture.height))
    return out;
  // Allocated before libpng's structures, so that running out of memory here leaks none.
  std::vector<std::uint8_t> line(picture.Stride());
  // libpng copies the texts when they are set; these only point into the caller's.
  std::vector<png_text> chunks(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    chunks[i].compression = PNG_TEXT_COMPRESSION_NONE;
    chunks[i].key = const_cast<char*>(text[i].key.c_str());
    chunks[i].text = const_cast<char*>(text[i].text.c_str());
    chunks[i].text_length = text[i].text.size();
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Error, Warning);
  if (png == nullptr) return out;
  png_infop info = png_create_info_struct(png);
  PngWrite job{&out};
  const bool ok = info != nullptr && Encode(png, info, picture, chunks, job, line.data());
  png_destroy_write_struct(&png, &info);
  if (!ok) out.clear();
  return out;
}

std::error_code WritePngFile(const std::filesystem::path& path, const Picture& picture) {
  const Bytes file = EncodePng(picture);
  if (file.empty()) return std::make_error_code(std::errc::not_enough_memory);
  return WriteFileAtomically(path, file);
}

}  // namespace tessaly
