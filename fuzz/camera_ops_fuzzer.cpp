// The camera operations and the listing sequence fed with arbitrary bytes as the
// camera's: counts, sizes, thumbnails and pictures from the line.
//
// Input: a scenario byte, a 16-bit parameter (picture number, picture size, upload
// length), then chunks of camera bytes, each a 16-bit length and that many bytes. The
// first chunk is on the line at the start; each later one arrives in answer to one write
// of the host. The line lives in memory and its clock moves only while the link waits,
// so every time-out passes at once.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "base/byte_reader.h"
#include "camera/camera_ops.h"
#include "camera/link.h"
#include "fuzz/line_script.h"
#include "test_support/recorded_prompt.h"
#include "workflows/camera_transfers.h"
#include "workflows/connection.h"

namespace {

using namespace tessaly;

// Pictures larger than this are not read, so that one input cannot take seconds.
constexpr std::uint32_t kLargestRead = 1 << 16;

class CountingSink final : public ThumbnailSink {
 public:
  void Add(std::uint32_t, const std::string&, const Picture& thumbnail, bool) override {
    if (thumbnail.pixels.size() != RowStride(thumbnail.width, thumbnail.bitsPerPixel) * thumbnail.height)
      __builtin_trap();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto fakeLine = fuzz::InstallFakeLine();
  static test::RecordedPrompt prompt;
  auto& line = *fakeLine;
  ByteReader reader(std::span(data, size));
  std::uint8_t scenario = reader.U8();
  std::uint16_t parameter = reader.U16BE();
  if (!reader.Ok()) return 0;

  line = test::FakeLineState{};
  fuzz::PlayChunks(line, reader, 2);

  LinkReset();
  TheCameraState() = CameraState{};
  TheLinkSetup() = LinkSetup{};
  TheLinkSetup().currentSpeed = kSpeedOfCode[scenario / 8 % kSpeedOfCode.size()];
  prompt->Clear();
  PortReset(1);

  TransferObserver observer;
  switch (scenario % 5) {
    case 0: {
      CountingSink sink;
      ListThumbnails(sink, observer);
      break;
    }
    case 1: {
      std::vector<std::string> names;
      ListNames(names);
      break;
    }
    case 2:
      if (CameraConnect() == kCamDone) {
        std::uint32_t count = 0, fileSize = 0;
        CameraGetCount(count);
        if (CameraGetFileSize(parameter, fileSize) == kCamDone && fileSize <= kLargestRead) {
          std::vector<std::uint8_t> picture(fileSize);
          CameraGetPicture(picture, parameter);
        }
      }
      break;
    case 3:
      if (CameraConnect() == kCamDone) {
        TheCameraState().pictureCount = 0xFFFFFFFF;
        std::vector<std::uint8_t> thumbnail(1800);
        CameraGetThumbnail(thumbnail, parameter);
      }
      break;
    default:
      if (CameraConnect() == kCamDone) {
        std::vector<std::uint8_t> picture(parameter % 4096, 0x5A);
        CameraPutPicture(picture);
      }
      break;
  }
  CameraDisconnect();
  line.camera = nullptr;
  return 0;
}
