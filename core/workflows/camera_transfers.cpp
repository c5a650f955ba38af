#include "workflows/camera_transfers.h"

#include <algorithm>
#include <new>

#include "album/album_copy.h"
#include "base/file_errors.h"
#include "base/prompt.h"
#include "camera/camera_ops.h"
#include "camera/link.h"
#include "camera/picture_names.h"
#include "camera/port.h"
#include "camera/thumbnail.h"
#include "formats/picture_file.h"
#include "workflows/connection.h"

namespace tessaly {
namespace {

// Picture numbers have four digits; a larger count is a damaged answer, and listing it
// would only fill memory with names.
constexpr std::uint32_t kMaxListedPictures = 9999;

// Feeds the link's progress to an observer for as long as it lives. The link reports the
// bytes of the current transfer; the observer sees the bytes of the whole run, so that
// the thumbnails of a listing fill one bar.
class ProgressFeed {
 public:
  explicit ProgressFeed(TransferObserver& observer) : m_observer(observer) {
    SetLinkProgress([this](std::uint32_t, std::uint32_t value) { return Update(value) ? 1 : 0; });
  }
  ~ProgressFeed() { SetLinkProgress(nullptr); }
  ProgressFeed(const ProgressFeed&) = delete;
  ProgressFeed& operator=(const ProgressFeed&) = delete;

  void StartTransfer() { m_seen = 0; }

 private:
  bool Update(std::uint32_t value) {
    // An upload reports 0 after its last block; a value that goes down adds nothing.
    if (value >= m_seen) m_done += value - m_seen;
    m_seen = value;
    return m_observer.Progress(m_done) && !m_observer.Cancelled();
  }

  TransferObserver& m_observer;
  std::uint64_t m_done = 0;
  std::uint32_t m_seen = 0;
};

void ShowResult(int result) {
  if (auto message = CameraResultMessage(result)) Prompt().Show(*message);
}

// Connects, showing the message when that fails; true when connected.
bool Connect() {
  int result = CameraConnect();
  if (result == kCamDone) return true;
  ShowResult(result);
  return false;
}

SequenceEnd CountPictures(std::uint32_t& count, int result);

// The count, with the messages of a listing; kDone when count holds a number above 0.
SequenceEnd CountPictures(std::uint32_t& count) {
  int result = CameraGetCount(count);
  return CountPictures(count, result);
}

SequenceEnd LoadThumbnails(ThumbnailSink& sink, TransferObserver& observer) {
  std::uint32_t count = 0;
  SequenceEnd end = CountPictures(count);
  if (end != SequenceEnd::kDone) return end;
  observer.Begin({}, std::uint64_t{count} * kThumbnailBytes);
  ProgressFeed feed(observer);
  CameraSpeedUp();
  std::vector<std::uint8_t> thumbnail(kThumbnailBytes);
  for (std::uint32_t number = 1; number <= count; ++number) {
    if (observer.Cancelled()) {
      end = SequenceEnd::kCancelled;
      break;
    }
    std::string name = MakePictureName(static_cast<int>(number));
    if (!sink.Wanted(number, name)) continue;
    observer.Item(name);
    feed.StartTransfer();
    int result = CameraGetThumbnail(thumbnail, number);
    if (result == kCamDone) {
      sink.Add(number, name, ConvertThumbnail(thumbnail), false);
    } else if (result == kCamNotGood) {
      sink.Add(number, name, PlaceholderPicture(), true);
    } else if (result == kCamCancelled) {
      end = SequenceEnd::kCancelled;
      break;
    } else {
      Prompt().Show(result == kCamDisconnected ? kMsgSerialDisconnected : kMsgFailedToCommunicate);
      end = SequenceEnd::kFailed;
      break;
    }
  }
  CameraSpeedDown();
  observer.End();
  return end;
}

// Failures after which the next picture cannot fare better: the user stopped, the line
// or the port failed, or the card is not the one that was counted.
bool EndsTheRun(int result) {
  switch (result) {
    case kCamCancelled:
    case kCamLinkFailure:
    case kCamNotOpen:
    case kCamDisconnected:
    case kCamCardChanged:
    case kCamCannotOpen: return true;
    default: return false;
  }
}

// Why a run ended, from the result that ended it.
SaveStop StopOfResult(int result) {
  switch (result) {
    case kCamCancelled: return SaveStop::kCancelled;
    case kCamDisconnected: return SaveStop::kDisconnected;
    case kCamCardChanged: return SaveStop::kCardChanged;
    case kCamCannotOpen: return SaveStop::kCannotOpen;
    case kCamLinkFailure:
    case kCamNotOpen: return SaveStop::kNoAnswer;
    default: return SaveStop::kFailed;
  }
}

// The count read by CameraGetCount, with the messages of a listing.
SequenceEnd CountPictures(std::uint32_t& count, int result) {
  if (result == kCamCancelled) return SequenceEnd::kCancelled;
  if (result != kCamDone || count > kMaxListedPictures) {
    Prompt().Show(result == kCamDisconnected ? kMsgSerialDisconnected : kMsgFailedToCommunicate);
    return SequenceEnd::kFailed;
  }
  if (count == 0) {
    Prompt().Show(kMsgNoDataInCamera);
    return SequenceEnd::kEmpty;
  }
  return SequenceEnd::kDone;
}

// A file that could not be written: the message of its rule, then the folder and the
// system's own words for the cause.
void ShowFolderError(const std::filesystem::path& folder, std::error_code error) {
  SaveErrorRule rule = SaveErrorRuleFor(error);
  std::string text(MessageText(rule.message));
  text += "\n" + MessageTextWith(kMsgFolderCannotTakeFiles, folder.string()) + " " + error.message();
  Prompt().Show(text);
}

// prefix + digits + ".JPG": the names a save with this prefix gives.
bool IsPictureName(std::string_view name, std::string_view prefix) {
  if (name.size() < prefix.size() + 8 || name.substr(0, prefix.size()) != prefix) return false;
  std::string_view rest = name.substr(prefix.size());
  std::string_view digits = rest.substr(0, rest.size() - 4);
  return rest.substr(rest.size() - 4) == ".JPG" && digits.size() >= 4 &&
         std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

SequenceEnd ListNames(std::vector<std::string>& names) {
  if (!Connect()) return SequenceEnd::kFailed;
  std::uint32_t count = 0;
  SequenceEnd end = CountPictures(count);
  CameraDisconnect();
  if (end != SequenceEnd::kDone) return end;
  names.clear();
  names.reserve(count);
  for (std::uint32_t number = 1; number <= count; ++number) names.push_back(MakePictureName(static_cast<int>(number)));
  return SequenceEnd::kDone;
}

SequenceEnd ListThumbnails(ThumbnailSink& sink, TransferObserver& observer) {
  if (!Connect()) return SequenceEnd::kFailed;
  SequenceEnd end = LoadThumbnails(sink, observer);
  CameraDisconnect();
  return end;
}

int DownloadPicture(std::uint32_t number, std::string_view name, TransferObserver& observer, Bytes& out) {
  out.clear();
  int result = CameraConnect();
  if (result != kCamDone) {
    ShowResult(result);
    return result;
  }
  std::uint32_t size = 0;
  result = CameraGetFileSize(number, size);
  if (result != kCamDone) {
    if (result != kCamCancelled)
      Prompt().Show(result == kCamCardChanged    ? kMsgMemoryCardChanged
                    : result == kCamDisconnected ? kMsgSerialDisconnected
                                                 : kMsgFailedToCommunicate);
    CameraDisconnect();
    return result;
  }
  try {
    out.assign(size, 0);
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
    CameraDisconnect();
    return kCamNoMemory;
  }
  observer.Begin(name, size);
  {
    ProgressFeed feed(observer);
    // A stop asked for while we connected ends here, before the first block.
    result = observer.Cancelled() ? kCamCancelled : CameraGetPicture(out, number);
  }
  observer.End();
  if (result != kCamDone) {
    out.clear();
    ShowResult(result);
  }
  CameraDisconnect();
  return result;
}

std::filesystem::path DownloadToTemp(std::uint32_t number, std::string_view name, TransferObserver& observer) {
  Bytes data;
  if (DownloadPicture(number, name, observer, data) != kCamDone) return {};
  std::filesystem::path folder = PrivateTempDir();
  if (folder.empty()) {
    Prompt().Show(kMsgFailedToSaveFromAlbum);
    return {};
  }
  std::filesystem::path path = folder / std::string(name);
  if (auto error = WriteFileAtomically(path, data)) {
    ReportFileError(error, path);
    return {};
  }
  return path;
}

SaveTally SavePicturesToFolder(const std::vector<std::uint32_t>& numbers, const SaveOptions& options,
                               TransferObserver& observer) {
  SaveTally tally;
  tally.asked = numbers.empty() ? -1 : static_cast<int>(numbers.size());
  auto stop = [&](SaveStop why, SequenceEnd end) {
    tally.stopped = why;
    tally.end = end;
    if (tally.asked >= 0) tally.notTried = tally.asked - tally.saved - tally.skipped - tally.failed;
    return tally;
  };

  // Minutes of line time must not be spent on pictures that cannot be written.
  if (std::error_code error = CheckFolderTakesFiles(options.folder)) {
    ShowFolderError(options.folder, error);
    return stop(SaveStop::kFolder, SequenceEnd::kFailed);
  }
  RemoveStaleTemporaries(options.folder, [&](std::string_view name) { return IsPictureName(name, options.prefix); });
  // No other program may take the device between two pictures, while the port itself
  // is opened and closed for each of them.
  PortReservation reservation(TheLinkSetup().currentPort);
  if (!reservation.Held()) {
    Prompt().Show(PortOpenErrorMessage(PortOpenErrorFromErrno(reservation.Error())));
    return stop(SaveStop::kCannotOpen, SequenceEnd::kFailed);
  }

  int result = CameraConnect();
  if (result != kCamDone) {
    ShowResult(result);
    return stop(StopOfResult(result), result == kCamCancelled ? SequenceEnd::kCancelled : SequenceEnd::kFailed);
  }
  std::uint32_t count = 0;
  result = CameraGetCount(count);
  SequenceEnd counted = CountPictures(count, result);
  CameraDisconnect();
  if (counted == SequenceEnd::kEmpty) {
    // Pictures asked for by number from a camera that holds none could not be saved.
    tally.failed = numbers.empty() ? 0 : static_cast<int>(numbers.size());
    tally.asked = tally.failed;
    tally.end = SequenceEnd::kEmpty;
    return tally;
  }
  if (counted != SequenceEnd::kDone) return stop(StopOfResult(result), counted);

  std::vector<std::uint32_t> all;
  if (numbers.empty()) {
    for (std::uint32_t number = 1; number <= count; ++number) all.push_back(number);
    tally.asked = static_cast<int>(count);
  }
  const std::vector<std::uint32_t>& wanted = numbers.empty() ? all : numbers;
  observer.Planned(wanted.size());
  for (std::size_t index = 0; index < wanted.size(); ++index) {
    const std::uint32_t number = wanted[index];
    if (observer.Cancelled()) return stop(SaveStop::kCancelled, SequenceEnd::kCancelled);
    std::string name = MakePictureName(static_cast<int>(number), options.prefix);
    std::filesystem::path target = options.folder / name;
    observer.Item(name);
    if (number > count) {
      // There is no such picture; the camera need not be asked.
      Prompt().Show(MessageTextWith(kMsgNoSuchPicture, std::to_string(count)));
      observer.Settled(number, target, 0, PictureOutcome::kFailed);
      ++tally.failed;
      if (!options.carryOn) return stop(SaveStop::kFailed, SequenceEnd::kFailed);
      continue;
    }
    // A target that exists is settled before its picture moves over the line, so that
    // leaving it alone costs no line time.
    ExistingTarget existing = options.existing;
    std::error_code ignored;
    if (existing != ExistingTarget::kReplace &&
        std::filesystem::exists(std::filesystem::symlink_status(target, ignored))) {
      if (!MayReplace(existing)) {
        observer.Skipped(target);
        observer.Settled(number, target, 0, PictureOutcome::kSkipped);
        ++tally.skipped;
        continue;
      }
      existing = ExistingTarget::kReplace;
    }
    // Fetched and written once, or again after a full removable disk has been swapped.
    for (bool again = true; again;) {
      again = false;
      Bytes data;
      result = DownloadPicture(number, name, observer, data);
      if (result == kCamCancelled) return stop(SaveStop::kCancelled, SequenceEnd::kCancelled);
      if (result != kCamDone) {
        observer.Settled(number, target, 0, PictureOutcome::kFailed);
        ++tally.failed;
        if (EndsTheRun(result)) return stop(StopOfResult(result), SequenceEnd::kFailed);
        if (!options.carryOn) return stop(SaveStop::kFailed, SequenceEnd::kFailed);
        break;
      }
      // A file that appeared while the picture came over the line is asked about then.
      const WriteStepResult written = WriteIntoPlace(
          [&](bool replace) {
            return replace ? WriteFileAtomically(target, data) : WriteNewFileAtomically(target, {data});
          },
          existing);
      if (written.outcome == WriteOutcome::kSkipped) {
        observer.Skipped(target);
        observer.Settled(number, target, data.size(), PictureOutcome::kSkipped);
        ++tally.skipped;
        break;
      }
      if (written.outcome == WriteOutcome::kWritten) {
        observer.Settled(number, target, data.size(), PictureOutcome::kSaved);
        ++tally.saved;
        break;
      }
      const SaveErrorRule rule = SaveErrorRuleFor(written.error);
      if (rule.message == kMsgDiskFull && options.askForNewDisk && IsRemovableDrive(options.folder)) {
        // A full memory card or stick can be swapped: Retry fetches the picture again.
        if (Prompt().Show(kMsgDiskFullInsert, PromptButtons::kRetryCancel) == PromptAnswer::kRetry) {
          if (written.replaceAllowed) existing = ExistingTarget::kReplace;
          again = true;
          continue;
        }
        observer.Settled(number, target, data.size(), PictureOutcome::kFailed);
        ++tally.failed;
        return stop(SaveStop::kDiskFull, SequenceEnd::kFailed);
      }
      ShowFolderError(options.folder, written.error);
      observer.Settled(number, target, data.size(), PictureOutcome::kFailed);
      ++tally.failed;
      if (rule.action == SaveErrorAction::kEnd)
        return stop(rule.message == kMsgDiskFull ? SaveStop::kDiskFull : SaveStop::kFailed, SequenceEnd::kFailed);
      // Any other failed write is about this picture's file only: the next may fare better.
    }
  }
  stop(SaveStop::kNone, tally.failed > 0 ? SequenceEnd::kFailed : SequenceEnd::kDone);
  return tally;
}

std::error_code CheckFolderTakesFiles(const std::filesystem::path& folder) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error))
    return error ? error : std::make_error_code(std::errc::not_a_directory);
  return ProbeFolderWritable(folder);
}

SaveErrorRule SaveErrorRuleFor(std::error_code error) {
  switch (ClassifyFileError(error)) {
    case FileErrorKind::kAccessDenied:
    case FileErrorKind::kNotReady: return {kMsgFailedToAccessCard, SaveErrorAction::kNextPicture};
    case FileErrorKind::kWriteProtected: return {kMsgWriteProtected, SaveErrorAction::kNextPicture};
    case FileErrorKind::kDiskFull: return {kMsgDiskFull, SaveErrorAction::kEnd};
    // The chosen folder has gone or its path no longer leads anywhere: the same as a
    // path the system cannot use.
    case FileErrorKind::kMissing:
    case FileErrorKind::kNotAFolder:
    case FileErrorKind::kBadPath: return {kMsgInvalidPath, SaveErrorAction::kNextPicture};
    case FileErrorKind::kExists: return {kMsgFileExistsReplace, SaveErrorAction::kAskReplace};
    case FileErrorKind::kBusy: return {kMsgDeviceBusy, SaveErrorAction::kNextPicture};
    case FileErrorKind::kHardware:
    case FileErrorKind::kOther: break;
  }
  return {kMsgFailedToSaveFromAlbum, SaveErrorAction::kNextPicture};
}

}  // namespace tessaly
