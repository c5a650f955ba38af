#include "formats/jpeg_reader.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <new>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "formats/exif.h"
#include "picture/orientation.h"

namespace tessaly {
namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr int kScanLimit = 500;
// A progressive file of the largest size taken keeps its coefficients for the whole
// picture (about 2 bytes a sample); past this the file is refused, as the library has
// no backing store.
constexpr long kLibraryMemoryLimit = 1L << 30;
constexpr int kApp1 = JPEG_APP0 + 1;

// Everything the library calls and every function that calls setjmp holds only plain
// data, since a jump skips destructors.
struct Reader {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr errors;
  jpeg_source_mgr source;
  jpeg_progress_mgr progress;
  std::jmp_buf jump;
  bool warned;
  bool created;
  ByteInput* input;
  JOCTET* buffer;
  bool startOfFile;
};

Reader& Of(j_common_ptr cinfo) { return *static_cast<Reader*>(cinfo->client_data); }

[[noreturn]] void ErrorExit(j_common_ptr cinfo) { std::longjmp(Of(cinfo).jump, 1); }
// A warning (damaged data) ends decoding; what was decoded is kept.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  Of(cinfo).warned = true;
  std::longjmp(Of(cinfo).jump, 1);
}
void OutputMessage(j_common_ptr) {}
void LimitScans(j_common_ptr cinfo) {
  if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kScanLimit)
    ERREXIT(cinfo, JERR_BAD_PROGRESSION);
}

void InitSource(j_decompress_ptr) {}
boolean FillInputBuffer(j_decompress_ptr cinfo) {
  Reader& reader = Of(reinterpret_cast<j_common_ptr>(cinfo));
  std::size_t count = reader.input->Read(reader.buffer, kChunk);
  if (count == 0) {
    if (reader.startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    reader.buffer[0] = 0xFF;
    reader.buffer[1] = JPEG_EOI;
    count = 2;
  }
  reader.source.next_input_byte = reader.buffer;
  reader.source.bytes_in_buffer = count;
  reader.startOfFile = false;
  return TRUE;
}
void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  Reader& reader = Of(reinterpret_cast<j_common_ptr>(cinfo));
  auto remaining = static_cast<std::size_t>(count);
  while (remaining > reader.source.bytes_in_buffer) {
    remaining -= reader.source.bytes_in_buffer;
    reader.source.bytes_in_buffer = 0;
    FillInputBuffer(cinfo);
  }
  reader.source.next_input_byte += remaining;
  reader.source.bytes_in_buffer -= remaining;
}
void TermSource(j_decompress_ptr) {}

// Creates the decompressor and reads the header, with the EXIF and Adobe segments kept.
bool ReadHeader(Reader& reader) {
  if (setjmp(reader.jump)) return false;
  reader.created = true;
  jpeg_create_decompress(&reader.cinfo);
  reader.cinfo.client_data = &reader;
  reader.cinfo.mem->max_memory_to_use = kLibraryMemoryLimit;
  reader.progress.progress_monitor = LimitScans;
  reader.cinfo.progress = &reader.progress;
  reader.buffer = static_cast<JOCTET*>(
      (*reader.cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&reader.cinfo), JPOOL_PERMANENT, kChunk));
  reader.source.init_source = InitSource;
  reader.source.fill_input_buffer = FillInputBuffer;
  reader.source.skip_input_data = SkipInputData;
  reader.source.resync_to_restart = jpeg_resync_to_restart;
  reader.source.term_source = TermSource;
  reader.source.next_input_byte = nullptr;
  reader.source.bytes_in_buffer = 0;
  reader.startOfFile = true;
  reader.cinfo.src = &reader.source;
  jpeg_save_markers(&reader.cinfo, kApp1, 0xFFFF);
  jpeg_read_header(&reader.cinfo, TRUE);
  return true;
}

bool StartDecompress(Reader& reader) {
  if (setjmp(reader.jump)) return false;
  jpeg_start_decompress(&reader.cinfo);
  return true;
}

void SetUp(Reader& reader, ByteInput& input) {
  reader.cinfo = {};
  reader.cinfo.err = jpeg_std_error(&reader.errors);
  reader.errors.error_exit = ErrorExit;
  reader.errors.emit_message = EmitMessage;
  reader.errors.output_message = OutputMessage;
  reader.warned = false;
  reader.created = false;
  reader.input = &input;
}

void TearDown(Reader& reader) {
  if (!reader.created) return;
  jpeg_abort_decompress(&reader.cinfo);
  jpeg_destroy_decompress(&reader.cinfo);
  reader.created = false;
}

int OrientationOf(const jpeg_decompress_struct& cinfo) {
  for (jpeg_saved_marker_ptr marker = cinfo.marker_list; marker != nullptr; marker = marker->next)
    if (marker->marker == kApp1) {
      const int orientation = ExifOrientation(ByteSpan(marker->data, marker->data_length));
      if (orientation != 1) return orientation;
    }
  return 1;
}

// Bytes a sequential Huffman-coded file needs at least for its declared size: every
// 8 x 8 block of every component takes a DC code and an end-of-block code, one bit each
// at the very least.
std::uint64_t LeastBytes(const jpeg_decompress_struct& cinfo) {
  std::uint64_t blocks = 0;
  for (int c = 0; c < cinfo.num_components; ++c) {
    const jpeg_component_info& component = cinfo.comp_info[c];
    const std::uint64_t w = (static_cast<std::uint64_t>(cinfo.image_width) * component.h_samp_factor +
                             static_cast<std::uint64_t>(cinfo.max_h_samp_factor) - 1) /
                            static_cast<std::uint64_t>(cinfo.max_h_samp_factor);
    const std::uint64_t h = (static_cast<std::uint64_t>(cinfo.image_height) * component.v_samp_factor +
                             static_cast<std::uint64_t>(cinfo.max_v_samp_factor) - 1) /
                            static_cast<std::uint64_t>(cinfo.max_v_samp_factor);
    blocks += ((w + 7) / 8) * ((h + 7) / 8);
  }
  return blocks / 4;
}

// The largest DCT scaling (1/8, 1/4, 1/2 or none) that still leaves at least the
// wanted size, so that the area averaging does the rest.
void ChooseScale(jpeg_decompress_struct& cinfo, PictureSize wanted) {
  for (int denominator : {8, 4, 2}) {
    const auto scaled = [&](JDIMENSION side) {
      return (side + static_cast<JDIMENSION>(denominator) - 1) / static_cast<JDIMENSION>(denominator);
    };
    if (scaled(cinfo.image_width) >= static_cast<JDIMENSION>(wanted.width) &&
        scaled(cinfo.image_height) >= static_cast<JDIMENSION>(wanted.height)) {
      cinfo.scale_num = 1;
      cinfo.scale_denom = static_cast<unsigned>(denominator);
      return;
    }
  }
}

// CMYK samples as the library gives them (Adobe's files store them inverted, so that
// 255 is no ink) into blue, green, red.
void CmykToBgr(const std::uint8_t* cmyk, std::uint8_t* bgr, int width, bool inverted) {
  for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
    for (int c = 0; c < 3; ++c) {
      const unsigned paper = inverted ? cmyk[c] : 255u - cmyk[c];
      bgr[2 - c] = static_cast<std::uint8_t>((paper * k + 127) / 255);
    }
  }
}

// Reads every line into the reducer; a warning (data ending early) stops it, keeping
// what was read. False on an error.
bool ReadLines(Reader& reader, LineReducer& reducer, std::uint8_t* line, std::uint8_t* bgr, bool cmyk, bool inverted) {
  if (setjmp(reader.jump)) return reader.warned;
  const int width = static_cast<int>(reader.cinfo.output_width);
  while (reader.cinfo.output_scanline < reader.cinfo.output_height) {
    JSAMPROW row = line;
    if (jpeg_read_scanlines(&reader.cinfo, &row, 1) != 1) ERREXIT(&reader.cinfo, JERR_INPUT_EMPTY);
    if (cmyk) {
      CmykToBgr(line, bgr, width, inverted);
      reducer.PutLine(bgr);
    } else {
      reducer.PutLine(line);
    }
  }
  jpeg_finish_decompress(&reader.cinfo);
  return true;
}

}  // namespace

std::optional<JpegFacts> ReadJpegFacts(ByteInput& input) {
  if (!input.Seek(0)) return std::nullopt;
  Reader reader;
  SetUp(reader, input);
  std::optional<JpegFacts> facts;
  if (ReadHeader(reader)) {
    facts = JpegFacts{static_cast<int>(std::min<JDIMENSION>(reader.cinfo.image_width, 1 << 30)),
                      static_cast<int>(std::min<JDIMENSION>(reader.cinfo.image_height, 1 << 30)),
                      reader.cinfo.jpeg_color_space == JCS_YCbCr, reader.cinfo.jpeg_color_space == JCS_GRAYSCALE,
                      OrientationOf(reader.cinfo)};
  }
  TearDown(reader);
  return facts;
}

ReadResult ReadJpegPicture(ByteInput& input, const DecodeTarget& target, Picture& picture, DecodeReport& report) {
  const ReadResult invalid = ReadResult::Refused(kMsgNotValidFileType);
  std::uint8_t start[2] = {};
  if (!input.Seek(0) || input.Read(start, 2) != 2 || start[0] != 0xFF || start[1] != 0xD8 || !input.Seek(0))
    return invalid;

  Reader reader;
  SetUp(reader, input);
  if (!ReadHeader(reader)) {
    TearDown(reader);
    return invalid;
  }
  jpeg_decompress_struct& cinfo = reader.cinfo;
  const int orientation = OrientationOf(cinfo);
  const PictureSize upright =
      OrientedSize(static_cast<int>(std::min<JDIMENSION>(cinfo.image_width, 1 << 30)),
                   static_cast<int>(std::min<JDIMENSION>(cinfo.image_height, 1 << 30)), orientation);
  report = {upright.width, upright.height};
  if (auto refusal = target.Refusal(upright.width, upright.height)) {
    TearDown(reader);
    return ReadResult::Refused(*refusal);
  }
  if (!cinfo.progressive_mode && !cinfo.arith_code && input.Size() < LeastBytes(cinfo)) {
    TearDown(reader);
    return ReadResult::Refused(kMsgPictureDataMissing);
  }

  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  const bool inverted = cmyk && cinfo.saw_Adobe_marker;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  const PictureSize wantedUpright = target.Output(upright.width, upright.height);
  const PictureSize wanted = OrientedSize(wantedUpright.width, wantedUpright.height, orientation);
  if (target.Reduces()) ChooseScale(cinfo, wanted);

  bool started = StartDecompress(reader);
  Picture decoded;
  bool read = false;
  if (started) {
    const int width = static_cast<int>(cinfo.output_width);
    const int height = static_cast<int>(cinfo.output_height);
    try {
      std::vector<std::uint8_t> line(static_cast<std::size_t>(width) *
                                     static_cast<std::size_t>(cinfo.output_components));
      std::vector<std::uint8_t> bgr(cmyk ? static_cast<std::size_t>(width) * 3 : 0);
      LineReducer reducer(width, height, std::min(wanted.width, width), std::min(wanted.height, height));
      read = ReadLines(reader, reducer, line.data(), bgr.data(), cmyk, inverted);
      if (read && reducer.LinesDone() == 0) read = false;
      if (read) decoded = reducer.Take();
    } catch (const std::bad_alloc&) {
      TearDown(reader);
      return ReadResult::Refused(kMsgNotEnoughMemory);
    }
  }
  TearDown(reader);
  if (!read) return invalid;
  decoded = Oriented(std::move(decoded), orientation);
  picture = std::move(decoded);
  return ReadResult::Accepted();
}

}  // namespace tessaly
