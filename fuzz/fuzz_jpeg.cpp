// libFuzzer target for the JPEG reader: DecodeJpeg on arbitrary bytes, and the comment
// reader on the same bytes. A decoded picture must be consistent with its size.
//
// The JPEG library is the system's and carries no coverage instrumentation, so on its
// own the fuzzer could not tell one library path from another. Before decoding, the
// target therefore reads the header with the library's tracing turned on and marks every
// trace, warning and error code it sees as a coverage feature of its own.
#include <array>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

#include <jpeglib.h>

#include "base/prompt.h"
#include "formats/jpg.h"

namespace {

// Messages are expected and many; they are dropped.
class SilentPrompt : public tessaly::UserPrompt {
 public:
  using UserPrompt::Show;
  tessaly::PromptAnswer Show(std::string_view, tessaly::PromptButtons) override { return tessaly::PromptAnswer::kOk; }
};

// One function per value: each is an edge of its own for the coverage counters.
volatile unsigned g_sink;
template <unsigned I>
void Mark() {
  g_sink = I;
}
template <std::size_t... I>
constexpr auto MakeMarks(std::index_sequence<I...>) {
  return std::array<void (*)(), sizeof...(I)>{&Mark<I>...};
}
constexpr auto kMarks = MakeMarks(std::make_index_sequence<256>());
void Feature(unsigned value) { kMarks[value % kMarks.size()](); }

struct TraceErrors {
  jpeg_error_mgr library;
  std::jmp_buf jump;
};

[[noreturn]] void TraceExit(j_common_ptr cinfo) {
  Feature(static_cast<unsigned>(cinfo->err->msg_code));
  std::longjmp(reinterpret_cast<TraceErrors*>(cinfo->err)->jump, 1);
}
void TraceMessage(j_common_ptr cinfo, int level) {
  Feature(static_cast<unsigned>(cinfo->err->msg_code) + (level < 0 ? 128u : 0u));
  if (level < 0) std::longjmp(reinterpret_cast<TraceErrors*>(cinfo->err)->jump, 1);
}
void Quiet(j_common_ptr) {}

// Reads the header the way the decoder does, marking what the library reports.
void TraceHeader(const std::uint8_t* data, std::size_t size) {
  jpeg_decompress_struct cinfo{};
  TraceErrors errors{};
  cinfo.err = jpeg_std_error(&errors.library);
  errors.library.error_exit = TraceExit;
  errors.library.emit_message = TraceMessage;
  errors.library.output_message = Quiet;
  errors.library.trace_level = 3;
  if (setjmp(errors.jump) == 0) {
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    Feature(200u + static_cast<unsigned>(cinfo.jpeg_color_space));
    Feature(210u + static_cast<unsigned>(cinfo.num_components));
    Feature(cinfo.progressive_mode ? 221u : 222u);
    Feature(cinfo.arith_code ? 223u : 224u);
  }
  jpeg_destroy_decompress(&cinfo);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool installed = [] {
    tessaly::SetPrompt(std::make_unique<SilentPrompt>());
    return true;
  }();
  (void)installed;
  const tessaly::ByteSpan bytes(data, size);
  if (size > 0) TraceHeader(data, size);

  tessaly::CJPG jpg;
  if (jpg.DecodeJpeg(bytes)) {
    const tessaly::Picture picture = jpg.TakePicture();
    if (picture.width < 1 || picture.height < 1 || picture.width > tessaly::kMaxPictureWidth ||
        picture.height > tessaly::kMaxPictureHeight ||
        picture.pixels.size() != picture.Stride() * static_cast<std::size_t>(picture.height))
      std::abort();
  }
  const std::string comment = tessaly::ReadJpegComment(bytes);
  if (comment.size() > tessaly::kJpegCommentLimit) std::abort();
  return 0;
}
