#include "workflows/send_to_camera.h"

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

// The message for a result, as each window words it.
std::optional<MessageId> ResultMessage(int result, SendFrom from) {
  if (from == SendFrom::kAlbum) return CameraResultMessage(result);
  if (result == kCamDone || result == kCamCancelled) return std::nullopt;
  if (result == kCamCardFull) return kMsgMemoryCardFull;
  return kMsgFailedToCommunicate;
}

// The bytes the camera takes: the album sends the header block before the stream, the
// retouch window the stream alone. False after the message when the picture cannot be
// converted or encoded.
bool PrepareForCamera(Picture& picture, const std::string& comment, SendFrom from, Bytes& data) {
  if (picture.bitsPerPixel != 24 && !ConvertTo24(picture)) {
    // The album reads the failed conversion as a file it cannot use; the retouch window
    // gives the conversion's own message.
    Prompt().Show(from == SendFrom::kAlbum ? kMsgNotValidFileType : kMsgFailedToPutClipboard);
    return false;
  }
  if (ComputeCameraFit(picture.width, picture.height).needed) FitToCamera(picture);
  PictureFile encoder;
  encoder.comment = comment;
  CameraJpeg jpeg;
  if (!encoder.EncodeForCamera(picture, jpeg)) return false;
  if (from == SendFrom::kRetouchWindow) {
    data = std::move(jpeg.stream);
    return true;
  }
  data.reserve(jpeg.header.size() + jpeg.stream.size());
  data.assign(jpeg.header.begin(), jpeg.header.end());
  data.insert(data.end(), jpeg.stream.begin(), jpeg.stream.end());
  return true;
}

// One album file: 20 when the camera has it. A picture over the limit of editing is
// reduced to it while it is read, and then fitted to the camera as any other.
int SendFile(const std::filesystem::path& path, TransferObserver& observer) {
  PictureFile file;
  try {
    if (!OpenPictureFileToFit(file, path, kMaxPictureWidth, kMaxPictureHeight)) return kCamNotGood;
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
    return kCamNoMemory;
  }
  return SendPictureToCamera(std::move(file.picture), file.comment, path.filename().string(), SendFrom::kAlbum,
                             observer);
}

}  // namespace

int SendPictureToCamera(Picture picture, const std::string& comment, std::string_view name, SendFrom from,
                        TransferObserver& observer) {
  Bytes data;
  try {
    if (!PrepareForCamera(picture, comment, from, data)) return kCamNotGood;
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
    return kCamNoMemory;
  }
  picture = Picture{};
  int result = CameraConnect();
  if (result != kCamDone) {
    // Whatever the greeting brought, the line is closed again: nothing can be sent.
    CameraDisconnect();
    if (auto message = ResultMessage(result, from)) Prompt().Show(*message);
    return result;
  }
  observer.Begin(name, data.size());
  observer.Progress(0);
  {
    UploadProgress progress(observer);
    result = observer.Cancelled() ? kCamCancelled : CameraPutPicture(data);
  }
  // The link reports no progress for the last block of an upload.
  if (result == kCamDone) observer.Progress(data.size());
  observer.End();
  CameraDisconnect();
  if (auto message = ResultMessage(result, from)) Prompt().Show(*message);
  return result;
}

SendTally SendPicturesToCamera(const std::vector<std::filesystem::path>& files, TransferObserver& observer) {
  SendTally tally;
  for (const auto& path : files) {
    if (observer.Cancelled()) {
      tally.end = SequenceEnd::kCancelled;
      break;
    }
    observer.Item(path.filename().string());
    int result = SendFile(path, observer);
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
