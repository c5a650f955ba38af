#include "camera/send_to_camera.h"

#include <algorithm>
#include <new>

#include "base/prompt.h"
#include "camera/camera_ops.h"
#include "camera/link.h"
#include "formats/picture_file.h"
#include "retouch/convert.h"
#include "retouch/geometry.h"

namespace tessaly {
namespace {

// Feeds the link's progress of an upload to the observer while it lives.
class UploadProgress {
 public:
  explicit UploadProgress(TransferObserver& observer) {
    // The link reports 0 after the last block; the bar does not go back for it.
    SetLinkProgress([&observer, shown = std::uint32_t{0}](std::uint32_t, std::uint32_t done) mutable {
      shown = std::max(shown, done);
      return observer.Progress(shown) && !observer.Cancelled() ? 1 : 0;
    });
  }
  ~UploadProgress() { SetLinkProgress(nullptr); }
  UploadProgress(const UploadProgress&) = delete;
  UploadProgress& operator=(const UploadProgress&) = delete;
};

// The file as the camera takes it: the 512-byte header block and the JPEG stream in one
// buffer. False after the message when the file cannot be loaded or encoded.
bool PrepareForCamera(const std::filesystem::path& path, Bytes& data) {
  PictureFile file;
  if (!OpenPictureFile(file, path)) return false;
  if (file.picture.bitsPerPixel != 24 && !ConvertTo24(file.picture)) {
    Prompt().Show(kMsgNotValidFileType);
    return false;
  }
  FitToCamera(file.picture);
  CameraJpeg jpeg;
  if (!file.EncodeForCamera(file.picture, jpeg)) return false;
  data.reserve(jpeg.header.size() + jpeg.stream.size());
  data.assign(jpeg.header.begin(), jpeg.header.end());
  data.insert(data.end(), jpeg.stream.begin(), jpeg.stream.end());
  return true;
}

// One file: 20 when the camera has it.
int SendOne(const std::filesystem::path& path, TransferObserver& observer) {
  Bytes data;
  try {
    if (!PrepareForCamera(path, data)) return kCamNotGood;
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
    return kCamNoMemory;
  }
  int result = CameraConnect();
  if (result != kCamDone) {
    // Whatever the greeting brought, the line is closed again: nothing can be sent.
    if (auto message = CameraResultMessage(result)) Prompt().Show(*message);
    return result;
  }
  observer.Begin(path.filename().string(), data.size());
  {
    UploadProgress progress(observer);
    result = observer.Cancelled() ? kCamCancelled : CameraPutPicture(data);
  }
  // The link reports no progress for the last block of an upload.
  if (result == kCamDone) observer.Progress(data.size());
  observer.End();
  CameraDisconnect();
  if (auto message = CameraResultMessage(result)) Prompt().Show(*message);
  return result;
}

}  // namespace

SendTally SendPicturesToCamera(const std::vector<std::filesystem::path>& files, TransferObserver& observer) {
  SendTally tally;
  for (const auto& path : files) {
    if (observer.Cancelled()) {
      tally.end = SequenceEnd::kCancelled;
      break;
    }
    observer.Item(path.filename().string());
    int result = SendOne(path, observer);
    if (result == kCamDone) {
      ++tally.sent;
      continue;
    }
    if (result == kCamCancelled) {
      tally.end = SequenceEnd::kCancelled;
      break;
    }
    ++tally.failed;
    tally.end = SequenceEnd::kFailed;
    break;
  }
  return tally;
}

}  // namespace tessaly
