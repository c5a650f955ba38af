// The camera window's sequences, as far as they need no window: listing the pictures
// (names or thumbnails), downloading a picture, and saving pictures into a folder, each
// with the messages the user sees when something fails.
//
// Each sequence connects to the camera and disconnects again by itself, so that the
// port is open only while it runs. The window's "Processing Status" dialog and the
// command line's progress bar follow the transfers through a TransferObserver; the
// list view and the command line take the thumbnails through a ThumbnailSink.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/file_io.h"
#include "base/messages.h"
#include "base/write_step.h"
#include "picture/picture.h"

namespace tessaly {

// What became of one picture of a save.
enum class PictureOutcome { kSaved, kSkipped, kFailed };

// Follows the transfers of a sequence.
class TransferObserver {
 public:
  virtual ~TransferObserver() = default;
  // A run of transfers begins whose bytes add up to total (the progress bar's range);
  // name is the picture's name for a single picture, empty for a list.
  virtual void Begin(std::string_view name, std::uint64_t total) { (void)name, (void)total; }
  // The picture whose data come next (the dialog's name field).
  virtual void Item(std::string_view name) { (void)name; }
  // The bytes done since Begin, across every transfer of the run; false stops the
  // transfer in progress, as the Cancel button does.
  virtual bool Progress(std::uint64_t done) { return (void)done, true; }
  // True once the user asked to stop; the sequences look at it between pictures too.
  virtual bool Cancelled() { return false; }
  // The run is over (the dialog closes).
  virtual void End() {}
  // A target file that exists was left alone and its picture not downloaded.
  virtual void Skipped(const std::filesystem::path& target) { (void)target; }
  // A save knows how many pictures it is going to try (before the first Item).
  virtual void Planned(std::size_t count) { (void)count; }
  // A picture of a save is settled; size is the bytes read from the camera (0 when none
  // were). Every picture that Planned counted is settled once, unless the run stops.
  virtual void Settled(std::uint32_t number, const std::filesystem::path& target, std::uint64_t size,
                       PictureOutcome outcome) {
    (void)number, (void)target, (void)size, (void)outcome;
  }
};

// How a sequence ended.
enum class SequenceEnd {
  kDone,
  kEmpty,      // the camera holds no pictures ("No data in camera." was shown)
  kCancelled,  // the user stopped (no message)
  kFailed,     // the message has been shown
};

// Takes the thumbnails of a listing.
class ThumbnailSink {
 public:
  virtual ~ThumbnailSink() = default;
  // Asked before the thumbnail of a picture is read; false skips it, and nothing about
  // it goes over the line.
  virtual bool Wanted(std::uint32_t number, const std::string& name) { return (void)number, (void)name, true; }
  // An 80 x 60 thumbnail: the camera's, converted to 24 bits, or the placeholder picture
  // (16 colours) when the camera could not give it.
  virtual void Add(std::uint32_t number, const std::string& name, const Picture& thumbnail, bool placeholder) = 0;
};

// The names of the pictures (AUT_0001.JPG ...); only the count is read from the camera.
SequenceEnd ListNames(std::vector<std::string>& names);
// Every thumbnail, at the chosen speed, in picture order.
SequenceEnd ListThumbnails(ThumbnailSink& sink, TransferObserver& observer);

// Not a camera result: the picture did not fit into memory ("Not enough memory.").
inline constexpr int kCamNoMemory = 1;

// Downloads one picture into memory: connect, its size, its bytes, disconnect. Returns
// the operation's result code (20 when the bytes are in out) after showing the message
// for a failure.
int DownloadPicture(std::uint32_t number, std::string_view name, TransferObserver& observer, Bytes& out);
// Downloads one picture into the program's private temporary folder under name, for
// opening, copying and dragging; the file's path, or an empty path after a failure.
std::filesystem::path DownloadToTemp(std::uint32_t number, std::string_view name, TransferObserver& observer);

struct SaveOptions {
  std::filesystem::path folder;
  std::string prefix = "AUT_";  // the target names are prefix + number + ".JPG"
  // What to do when a picture's target file exists: settled before the picture is
  // downloaded, so that a picture left alone costs no line time.
  ExistingTarget existing = ExistingTarget::kAsk;
  // The window ends the save at the first picture that could not be downloaded; a
  // script goes on with the next one, and stops only when the line fails, the card was
  // changed, the user cancelled or the disk is full.
  bool carryOn = false;
  // The window asks for a new disk when a removable one is full ("Disk is full.\nInsert
  // a new disk.", Retry or Cancel); a script just stops.
  bool askForNewDisk = false;
};

// Why a save ended before every picture asked for was tried.
enum class SaveStop {
  kNone,          // every picture was tried
  kCancelled,     // the user stopped
  kDiskFull,      // the target's file system is full
  kNoAnswer,      // the camera did not answer (time-out, retries used up)
  kDisconnected,  // the serial device went away
  kCardChanged,   // the card is not the one that was counted
  kCannotOpen,    // the serial device could not be opened or reserved
  kFolder,        // the target folder cannot take files (nothing was asked of the camera)
  kFailed,        // a picture failed and the save ends at the first failure (the window)
};

struct SaveTally {
  int saved = 0;
  int skipped = 0;
  int failed = 0;
  int notTried = 0;
  // The pictures asked for: saved + skipped + failed + notTried. -1 when "all" were
  // asked for and the camera's count could not be read.
  int asked = 0;
  SaveStop stopped = SaveStop::kNone;
  SequenceEnd end = SequenceEnd::kDone;
};

// Saves pictures (all of them when numbers is empty) into the folder. Before anything
// goes over the line the folder is checked for taking files (the failure names the
// folder and the cause), temporary files that an earlier killed save of ours left there
// are removed, and the port's device is reserved for the whole run; then the camera is
// asked for its count, and each picture is downloaded and written whole or not at all
// under its target name.
SaveTally SavePicturesToFolder(const std::vector<std::uint32_t>& numbers, const SaveOptions& options,
                               TransferObserver& observer);

// The folder check of a save: empty when files can be created in the folder, else the
// error (ENOTDIR for something that is no folder).
std::error_code CheckFolderTakesFiles(const std::filesystem::path& folder);

// What a save does after a file could not be written.
enum class SaveErrorAction { kNextPicture, kEnd, kAskReplace };
struct SaveErrorRule {
  MessageId message;
  SaveErrorAction action;
};
// The message and the next step for the error of a failed write: access denied ("Failed
// to access memory card."), a read-only file system (write protected), a full disk, a
// bad path ("Invalid path."), a file that exists (the question), a busy device, and
// anything else ("Failed to save data from album.").
SaveErrorRule SaveErrorRuleFor(std::error_code error);

}  // namespace tessaly
