#include "formats/jpg.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>

// jpeglib.h uses FILE and size_t without including their headers.
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include "base/byte_reader.h"
#include "base/prompt.h"
#include "formats/jpg_glue.h"

namespace tessaly {
namespace {

// The library is fed from memory and writes into memory in chunks of this size.
constexpr std::size_t kChunk = 4096;

// A progressive file may hold any number of scans, and each one is a pass over the whole
// picture; past this many, the file is taken for damaged rather than spending minutes on it.
constexpr int kScanLimit = 500;

// A progressive (or other multi-scan) file is read whole into coefficient buffers when
// decompression starts, before its size can be refused. The largest picture the system
// takes needs about 8 MB of them; a file that declares a far larger picture fails there
// instead of claiming gigabytes (the library has no backing store to fall back on).
constexpr long kLibraryMemoryLimit = 64L << 20;

constexpr std::array<std::uint8_t, 5> kCommentTag = {0x00, 'Q', 'O', 'R', 0x00};
constexpr std::size_t kOwnTagOffset = 6;
constexpr std::size_t kCameraSegmentOffset = 1806;
constexpr std::size_t kCameraTagOffset = 1810;

// ---------------------------------------------------------------- library glue
//
// The library reports errors by calling error_exit, which must not return. The glue
// jumps back to the setjmp of the stage that called into the library. Every function
// that calls setjmp, and every function the library calls, holds nothing with a
// destructor, since a jump skips destructors.

enum class Outcome { kDone, kWarning, kError, kTooLarge };

struct ErrorManager {
  jpeg_error_mgr library;  // first, so that the library's pointer is ours
  std::jmp_buf jump;
  Outcome outcome;
  int lastMessage;  // the library's code of the last error or warning
};

ErrorManager& Errors(j_common_ptr cinfo) { return *reinterpret_cast<ErrorManager*>(cinfo->err); }

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  ErrorManager& errors = Errors(cinfo);
  errors.outcome = Outcome::kError;
  errors.lastMessage = errors.library.msg_code;
  std::longjmp(errors.jump, 1);
}

// Warnings (level -1) end the run as errors do, so that damaged data never passes
// unnoticed; trace messages (levels 0 and up) are ignored.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  ErrorManager& errors = Errors(cinfo);
  ++errors.library.num_warnings;
  errors.outcome = Outcome::kWarning;
  errors.lastMessage = errors.library.msg_code;
  std::longjmp(errors.jump, 1);
}

// Messages are recorded in the error manager, never printed.
void OutputMessage(j_common_ptr) {}

void InstallErrorManager(ErrorManager& errors) {
  jpeg_std_error(&errors.library);
  errors.library.error_exit = ErrorExit;
  errors.library.emit_message = EmitMessage;
  errors.library.output_message = OutputMessage;
  errors.outcome = Outcome::kDone;
  errors.lastMessage = 0;
}

void LimitScans(j_common_ptr cinfo) {
  if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kScanLimit)
    ERREXIT(cinfo, JERR_BAD_PROGRESSION);
}

// ---------------------------------------------------------------- JpegMemorySource

struct JpegMemorySource {
  jpeg_source_mgr library;  // first, so that the library's pointer is ours
  const JOCTET* data;
  std::size_t size;
  std::size_t position;
  bool startOfFile;
  JOCTET* buffer;  // kChunk bytes from the library's permanent pool
};

JpegMemorySource& Source(j_decompress_ptr cinfo) { return *reinterpret_cast<JpegMemorySource*>(cinfo->src); }

void InitSource(j_decompress_ptr cinfo) {
  JpegMemorySource& source = Source(cinfo);
  source.position = 0;
  source.startOfFile = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  JpegMemorySource& source = Source(cinfo);
  std::size_t count = std::min(kChunk, source.size - source.position);
  if (count == 0) {
    if (source.startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // The data ended early. The warning ends decoding; should a warning ever be let
    // through, an end-of-image marker finishes the picture cleanly.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source.buffer[0] = 0xFF;
    source.buffer[1] = JPEG_EOI;
    count = 2;
  } else {
    std::memcpy(source.buffer, source.data + source.position, count);
    source.position += count;
  }
  source.library.next_input_byte = source.buffer;
  source.library.bytes_in_buffer = count;
  source.startOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  JpegMemorySource& source = Source(cinfo);
  auto remaining = static_cast<std::size_t>(count);
  while (remaining > source.library.bytes_in_buffer) {
    remaining -= source.library.bytes_in_buffer;
    FillInputBuffer(cinfo);
  }
  source.library.next_input_byte += remaining;
  source.library.bytes_in_buffer -= remaining;
}

void TermSource(j_decompress_ptr) {}

void UseMemorySource(j_decompress_ptr cinfo, ByteSpan fileImage) {
  auto* source = static_cast<JpegMemorySource*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegMemorySource)));
  source->buffer =
      static_cast<JOCTET*>((*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kChunk));
  source->data = fileImage.data();
  source->size = fileImage.size();
  source->position = 0;
  source->startOfFile = true;
  source->library.init_source = InitSource;
  source->library.fill_input_buffer = FillInputBuffer;
  source->library.skip_input_data = SkipInputData;
  source->library.resync_to_restart = jpeg_resync_to_restart;
  source->library.term_source = TermSource;
  source->library.next_input_byte = nullptr;
  source->library.bytes_in_buffer = 0;
  cinfo->src = &source->library;
}

// ---------------------------------------------------------------- JpegMemoryDestination

// The output block and its byte counter live outside the library run, so that they
// survive a jump. The block is not cleared first: only what the library wrote is kept.
struct OutputBlock {
  std::unique_ptr<std::uint8_t[]> block;
  std::size_t capacity;
  std::size_t length;
};

struct JpegMemoryDestination {
  jpeg_destination_mgr library;  // first, so that the library's pointer is ours
  OutputBlock* output;
  JOCTET* buffer;  // kChunk bytes from the library's image pool
};

JpegMemoryDestination& Destination(j_compress_ptr cinfo) {
  return *reinterpret_cast<JpegMemoryDestination*>(cinfo->dest);
}

// Appends to the output block, growing it when the compressed data need more room than
// was set aside. False when the memory for that cannot be had.
bool Append(OutputBlock& output, const JOCTET* bytes, std::size_t count) noexcept {
  if (count > output.capacity - output.length) {
    try {
      const std::size_t capacity = std::max(output.capacity * 2, output.length + count);
      auto bigger = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
      std::memcpy(bigger.get(), output.block.get(), output.length);
      output.block = std::move(bigger);
      output.capacity = capacity;
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  std::memcpy(output.block.get() + output.length, bytes, count);
  output.length += count;
  return true;
}

void InitDestination(j_compress_ptr cinfo) {
  JpegMemoryDestination& destination = Destination(cinfo);
  destination.buffer =
      static_cast<JOCTET*>((*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kChunk));
  destination.output->length = 0;
  destination.library.next_output_byte = destination.buffer;
  destination.library.free_in_buffer = kChunk;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  JpegMemoryDestination& destination = Destination(cinfo);
  if (!Append(*destination.output, destination.buffer, kChunk)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  destination.library.next_output_byte = destination.buffer;
  destination.library.free_in_buffer = kChunk;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  JpegMemoryDestination& destination = Destination(cinfo);
  if (!Append(*destination.output, destination.buffer, kChunk - destination.library.free_in_buffer))
    ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
}

void UseMemoryDestination(j_compress_ptr cinfo, OutputBlock& output) {
  auto* destination = static_cast<JpegMemoryDestination*>((*cinfo->mem->alloc_small)(
      reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegMemoryDestination)));
  destination->output = &output;
  destination->buffer = nullptr;
  destination->library.init_destination = InitDestination;
  destination->library.empty_output_buffer = EmptyOutputBuffer;
  destination->library.term_destination = TermDestination;
  cinfo->dest = &destination->library;
}

// ---------------------------------------------------------------- decoding

struct DecodeJob {
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  jpeg_progress_mgr scanLimit;
  ByteSpan fileImage;
  bool created;
  // The picture block, allocated between the stages.
  std::uint8_t* pixels;
  std::size_t stride;
  StatusProgress* progress;
};

// Reads the header, checks the colour space and the size, and starts decompression;
// after kDone the output size is known.
Outcome StartDecompress(DecodeJob& job) {
  if (setjmp(job.errors.jump)) return job.errors.outcome;
  // Set first: a creation that fails half-way leaves a structure that the library
  // can still abort and destroy.
  job.created = true;
  jpeg_create_decompress(&job.cinfo);
  job.cinfo.mem->max_memory_to_use = kLibraryMemoryLimit;
  job.scanLimit.progress_monitor = LimitScans;
  job.cinfo.progress = &job.scanLimit;
  UseMemorySource(&job.cinfo, job.fileImage);
  jpeg_read_header(&job.cinfo, TRUE);
  if (job.cinfo.jpeg_color_space != JCS_YCbCr && job.cinfo.jpeg_color_space != JCS_GRAYSCALE)
    ERREXIT(&job.cinfo, JERR_BAD_J_COLORSPACE);
  // The library converts YCbCr, and repeats grayscale samples, straight into the
  // picture's blue-green-red order, with the same arithmetic as for red-green-blue.
  job.cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&job.cinfo);
  // Nothing larger enters the system; refusing here spares decoding (and allocating) a
  // picture that would be refused afterwards.
  if (job.cinfo.output_width > static_cast<JDIMENSION>(kMaxPictureWidth) ||
      job.cinfo.output_height > static_cast<JDIMENSION>(kMaxPictureHeight))
    return Outcome::kTooLarge;
  return Outcome::kDone;
}

// Reads every scanline into its row of the picture (the top scanline is the last stored
// row) and finishes.
Outcome ReadScanlines(DecodeJob& job) {
  if (setjmp(job.errors.jump)) return job.errors.outcome;
  const JDIMENSION height = job.cinfo.output_height;
  job.progress->SetRange(static_cast<int>(height));
  job.progress->SetStep(1);
  while (job.cinfo.output_scanline < height) {
    job.progress->StepIt();
    JSAMPROW row = job.pixels + static_cast<std::size_t>(height - 1 - job.cinfo.output_scanline) * job.stride;
    // Only a suspending source can deliver no line; this one never suspends.
    if (jpeg_read_scanlines(&job.cinfo, &row, 1) != 1) ERREXIT(&job.cinfo, JERR_INPUT_EMPTY);
  }
  jpeg_finish_decompress(&job.cinfo);
  return Outcome::kDone;
}

// ---------------------------------------------------------------- encoding

struct EncodeJob {
  jpeg_compress_struct cinfo;
  ErrorManager errors;
  OutputBlock output;
  bool created;
  int width;
  int height;
  const std::uint8_t* pixels;
  std::size_t stride;
  StatusProgress* progress;
};

Outcome Compress(EncodeJob& job) {
  if (setjmp(job.errors.jump)) return job.errors.outcome;
  job.created = true;
  jpeg_create_compress(&job.cinfo);
  UseMemoryDestination(&job.cinfo, job.output);
  job.cinfo.image_width = static_cast<JDIMENSION>(job.width);
  job.cinfo.image_height = static_cast<JDIMENSION>(job.height);
  job.cinfo.input_components = 3;
  // The picture's rows go to the library as they are stored (blue, green, red); the
  // library converts them with the same arithmetic as red-green-blue rows.
  job.cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&job.cinfo);
  jpeg_set_quality(&job.cinfo, kJpegQuality, TRUE);
  job.cinfo.comp_info[0].h_samp_factor = 2;
  job.cinfo.comp_info[0].v_samp_factor = 1;
  for (int c = 1; c < 3; ++c) {
    job.cinfo.comp_info[c].h_samp_factor = 1;
    job.cinfo.comp_info[c].v_samp_factor = 1;
  }
  jpeg_start_compress(&job.cinfo, TRUE);
  job.progress->SetRange(job.height);
  job.progress->SetStep(1);
  while (job.cinfo.next_scanline < job.cinfo.image_height) {
    job.progress->StepIt();
    // The library only reads the rows it is given.
    JSAMPROW row = const_cast<JSAMPROW>(
        job.pixels + static_cast<std::size_t>(job.height - 1 - static_cast<int>(job.cinfo.next_scanline)) * job.stride);
    jpeg_write_scanlines(&job.cinfo, &row, 1);
  }
  jpeg_finish_compress(&job.cinfo);
  return Outcome::kDone;
}

// ---------------------------------------------------------------- reading files

enum class FileRead { kDone, kTooShort, kFailed };

// Reads the whole file into data with one request after finding its length.
FileRead ReadFileImage(const std::filesystem::path& path, Bytes& data) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FileRead::kFailed;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return FileRead::kFailed;
  if (info.st_size < 2) return FileRead::kTooShort;
  data.resize(static_cast<std::size_t>(info.st_size));  // may throw std::bad_alloc
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::read(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return FileRead::kFailed;
    done += static_cast<std::size_t>(n);
  }
  return FileRead::kDone;
}

// How many bytes of text go into the comment: at most 60, up to a zero, and never half
// of a multi-byte UTF-8 character.
std::size_t CommentLength(std::string_view text) {
  std::size_t length = std::min({text.size(), kJpegCommentLimit, text.find('\0')});
  if (length < text.size() && length == kJpegCommentLimit) {
    auto continuation = [&](std::size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; };
    std::size_t start = length;
    while (start > 0 && length - start < 4 && continuation(start)) --start;
    if (start < length && (static_cast<unsigned char>(text[start]) & 0xC0) == 0xC0) length = start;
  }
  return length;
}

}  // namespace

// ---------------------------------------------------------------- comment

std::string ReadJpegComment(ByteSpan fileImage) {
  ByteReader reader(fileImage);
  auto matches = [&](std::size_t offset, std::initializer_list<std::uint8_t> bytes) {
    ByteSpan at = reader.At(offset, bytes.size());
    return at.size() == bytes.size() && std::equal(bytes.begin(), bytes.end(), at.begin());
  };
  std::size_t tagOffset;
  if (matches(2, {0xFF, 0xE1, 0x07, 0x0A}) && matches(kCameraSegmentOffset, {0xFF, 0xFE, 0x00, 0xF2}))
    tagOffset = kCameraTagOffset;
  else if (matches(3, {0xFE, 0x01, 0xFE}))
    tagOffset = kOwnTagOffset;
  else
    return {};
  ByteSpan tag = reader.At(tagOffset, kCommentTag.size());
  if (tag.size() != kCommentTag.size() || !std::equal(tag.begin(), tag.end(), kCommentTag.begin())) return {};
  const std::size_t textOffset = tagOffset + kCommentTag.size();
  ByteSpan text = reader.At(textOffset, std::min(kJpegCommentLimit, fileImage.size() - textOffset));
  auto end = std::find(text.begin(), text.end(), std::uint8_t{0});
  return std::string(text.begin(), end);
}

// ---------------------------------------------------------------- CJPG

bool CJPG::ReadJpegFile(const std::filesystem::path& path) {
  FreeData();
  FileRead result;
  try {
    result = ReadFileImage(path, m_data);
  } catch (const std::bad_alloc&) {
    FreeData();
    Prompt().Show(kMsgNotEnoughMemory);
    return false;
  }
  switch (result) {
    case FileRead::kTooShort:
      FreeData();
      Prompt().Show(kMsgNotValidFileType);
      return false;
    case FileRead::kFailed:
      FreeData();
      Prompt().Show(kMsgFailedToReadFile);
      return false;
    case FileRead::kDone: break;
  }
  return DecodeJpeg(m_data);
}

bool CJPG::DecodeJpeg(ByteSpan fileImage) {
  m_pixels = {};
  m_width = m_height = 1;
  if (fileImage.size() < 2 || fileImage[0] != 0xFF || fileImage[1] != 0xD8) {
    Prompt().Show(kMsgNotValidFileType);
    return false;
  }
  m_progress.Begin(kMsgDecompressing);

  DecodeJob job{};
  job.fileImage = fileImage;
  job.progress = &m_progress;
  job.cinfo.err = &job.errors.library;
  InstallErrorManager(job.errors);

  std::vector<std::uint8_t> pixels;
  Outcome outcome = StartDecompress(job);
  bool allocated = false;
  if (outcome == Outcome::kDone) {
    const int width = static_cast<int>(job.cinfo.output_width);
    const int height = static_cast<int>(job.cinfo.output_height);
    try {
      // Rows the decoder does not reach stay black.
      pixels.assign(RowStride(width, 24) * static_cast<std::size_t>(height), 0);
      allocated = true;
    } catch (const std::bad_alloc&) {
      outcome = Outcome::kError;
      job.errors.lastMessage = JERR_OUT_OF_MEMORY;
    }
    if (allocated) {
      job.pixels = pixels.data();
      job.stride = RowStride(width, 24);
      outcome = ReadScanlines(job);
      m_width = width;
      m_height = height;
    }
  }
  if (job.created) {
    // After a warning the decompressor is aborted before it is destroyed, as the library
    // expects of a run that ended early.
    if (outcome != Outcome::kDone) jpeg_abort_decompress(&job.cinfo);
    jpeg_destroy_decompress(&job.cinfo);
  }
  m_progress.End();

  const bool keepPicture = outcome == Outcome::kDone || (outcome == Outcome::kWarning && allocated);
  if (keepPicture) {
    m_pixels = std::move(pixels);
    return true;
  }
  m_width = m_height = 1;
  if (outcome == Outcome::kTooLarge)
    Prompt().Show(kMsgPictureTooLarge);
  else if (outcome == Outcome::kError && job.errors.lastMessage == JERR_OUT_OF_MEMORY)
    Prompt().Show(kMsgNotEnoughMemory);
  else
    Prompt().Show(kMsgNotValidFileType);
  return false;
}

void CJPG::SetJpegComment(std::string_view text) {
  m_header.fill(0);
  const std::uint8_t start[] = {0xFF, 0xD8, 0xFF, 0xFE, 0x01, 0xFE};
  std::copy(std::begin(start), std::end(start), m_header.begin());
  std::copy(kCommentTag.begin(), kCommentTag.end(), m_header.begin() + kOwnTagOffset);
  const std::size_t length = CommentLength(text);
  std::copy_n(text.begin(), length, m_header.begin() + kOwnTagOffset + kCommentTag.size());
  // The terminating zero and the filler up to offset 511 are the zeros already there.
  m_headerLength = kJpegHeaderLength;
}

bool CJPG::EncodeJpeg(int width, int height, ByteSpan pixels) {
  FreeData();
  if (width <= 0 || height <= 0 || pixels.size() / RowStride(width, 24) < static_cast<std::size_t>(height))
    return false;
  m_width = width;
  m_height = height;
  m_progress.Begin(kMsgCompressing);

  EncodeJob job{};
  job.width = width;
  job.height = height;
  job.pixels = pixels.data();
  job.stride = RowStride(width, 24);
  job.progress = &m_progress;
  job.cinfo.err = &job.errors.library;
  InstallErrorManager(job.errors);

  Outcome outcome = Outcome::kError;
  try {
    // Room for typical pictures (a tenth of the raw size at this quality) many times
    // over; the destination grows the block for the rare picture that needs more.
    job.output.capacity = static_cast<std::size_t>(static_cast<double>(width) * height * 3 * 0.4) + kChunk;
    job.output.block = std::make_unique_for_overwrite<std::uint8_t[]>(job.output.capacity);
  } catch (const std::bad_alloc&) {
    job.errors.lastMessage = JERR_OUT_OF_MEMORY;
  }
  if (job.output.block) outcome = Compress(job);
  if (job.created) {
    if (outcome != Outcome::kDone) jpeg_abort_compress(&job.cinfo);
    jpeg_destroy_compress(&job.cinfo);
  }
  m_progress.End();

  if (outcome == Outcome::kDone) {
    try {
      m_data.assign(job.output.block.get(), job.output.block.get() + job.output.length);
      return true;
    } catch (const std::bad_alloc&) {
      job.errors.lastMessage = JERR_OUT_OF_MEMORY;
    }
  }
  // A stream that a warning cut short is not a JPEG file; nothing is kept.
  if (job.errors.lastMessage == JERR_OUT_OF_MEMORY) Prompt().Show(kMsgNotEnoughMemory);
  return false;
}

std::error_code CJPG::WriteJpegFile(const std::filesystem::path& path) const {
  // A file holding only the header block would be no picture at all.
  if (m_data.empty()) return std::make_error_code(std::errc::no_message_available);
  return WriteFileAtomically(path, {Header(), ByteSpan(m_data)});
}

Bytes CJPG::FileImage() const {
  Bytes image(Header().begin(), Header().end());
  image.insert(image.end(), m_data.begin(), m_data.end());
  return image;
}

Picture CJPG::TakePicture() {
  Picture picture;
  picture.width = m_width;
  picture.height = m_height;
  picture.bitsPerPixel = 24;
  picture.pixels = std::move(m_pixels);
  picture.imageSize = static_cast<std::uint32_t>(picture.pixels.size());
  m_pixels = {};
  m_width = m_height = 1;
  return picture;
}

// ---------------------------------------------------------------- the dispatch's calls

bool LoadJpegPicture(ByteSpan file, Picture& picture, std::string& comment) {
  CJPG jpg;
  if (!jpg.DecodeJpeg(file)) return false;
  picture = jpg.TakePicture();
  comment = ReadJpegComment(file);
  return true;
}

bool EncodeJpegPicture(const Picture& picture, std::string_view comment, Bytes& header, Bytes& stream) {
  if (picture.bitsPerPixel != 24) return false;
  CJPG jpg;
  if (!jpg.EncodeJpeg(picture.width, picture.height, picture.pixels)) return false;
  jpg.SetJpegComment(comment);
  header.assign(jpg.Header().begin(), jpg.Header().end());
  stream = jpg.TakeData();
  return true;
}

}  // namespace tessaly
