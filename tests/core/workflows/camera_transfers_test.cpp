// The camera window's sequences (listing, downloading, saving into a folder) against the
// camera emulator, with the messages they show. The command line's own choices (skipping
// existing files, carrying on after a failed picture) are covered by its tests.
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

#include "camera/over_emulator.h"
#include "workflows/camera_transfers.h"

namespace tessaly {
namespace {

using test::JsonField;
using test::Pattern;
using Texts = std::vector<std::string>;

Bytes ReadFile(const std::filesystem::path& path) {
  Bytes bytes;
  EXPECT_FALSE(ReadWholeFile(path, bytes)) << path;
  return bytes;
}

class RecordingObserver : public TransferObserver {
 public:
  void Begin(std::string_view, std::uint64_t total) override { totals.push_back(total); }
  bool Progress(std::uint64_t done) override {
    last = done;
    return stopAt == 0 || done < stopAt;
  }
  std::vector<std::uint64_t> totals;
  std::uint64_t last = 0;
  std::uint64_t stopAt = 0;
};

class CollectingSink : public ThumbnailSink {
 public:
  bool Wanted(std::uint32_t number, const std::string&) override { return number != skip; }
  void Add(std::uint32_t, const std::string& name, const Picture& thumbnail, bool placeholder) override {
    names.push_back(name);
    kinds.push_back(std::to_string(thumbnail.width) + "x" + std::to_string(thumbnail.height) + "x" +
                    std::to_string(thumbnail.bitsPerPixel) + (placeholder ? " placeholder" : ""));
  }
  std::uint32_t skip = 0;
  Texts names, kinds;
};

class TransfersOverEmulator : public test::OverEmulator {
 protected:
  SaveTally Save(const std::vector<std::uint32_t>& numbers, ExistingTarget existing, bool carryOn) {
    SaveOptions options;
    options.folder = m_out.Path();
    options.existing = existing;
    options.carryOn = carryOn;
    TheLinkSetup().currentSpeed = 115200;
    return SavePicturesToFolder(numbers, options, m_observer);
  }
  test::TempFolder m_out;
  RecordingObserver m_observer;
};

TEST_F(TransfersOverEmulator, ThumbnailListingUsesThePlaceholderForAnNgAnswer) {
  Start({"--generate", "4", "--ng-thumbnail", "3"});
  CollectingSink sink;
  sink.skip = 2;
  EXPECT_EQ(ListThumbnails(sink, m_observer), SequenceEnd::kDone);
  EXPECT_EQ(sink.names, (Texts{"AUT_0001.JPG", "AUT_0003.JPG", "AUT_0004.JPG"}));
  EXPECT_EQ(sink.kinds, (Texts{"80x60x24", "80x60x4 placeholder", "80x60x24"}));
  // One bar for the whole list: 4 x 1800 bytes; the picture not wanted adds nothing and
  // goes over the line neither.
  EXPECT_EQ(m_observer.totals, (std::vector<std::uint64_t>{7200}));
  EXPECT_EQ(m_observer.last, 5400u);
  EXPECT_TRUE(m_prompt.Texts().empty());
  for (const auto& data : test::HostFrames(Log(), "RM", true)) EXPECT_NE(data.substr(0, 8), "00000002");
}

TEST_F(TransfersOverEmulator, AnEmptyCameraSaysSo) {
  Start({"--generate", "0"});
  std::vector<std::string> names;
  EXPECT_EQ(ListNames(names), SequenceEnd::kEmpty);
  EXPECT_TRUE(names.empty());
  CollectingSink sink;
  EXPECT_EQ(ListThumbnails(sink, m_observer), SequenceEnd::kEmpty);
  EXPECT_EQ(m_prompt.Texts(), (Texts{"No data in camera.", "No data in camera."}));
}

TEST_F(TransfersOverEmulator, TheWindowAsksBeforeReplacingAndNoKeepsTheOldFile) {
  std::vector<Bytes> files = {Pattern(800, 1), Pattern(900, 2)};
  Start({}, files);
  std::ofstream(m_out / "AUT_0001.JPG") << "old";
  std::ofstream(m_out / "AUT_0002.JPG") << "old";
  m_prompt->Answer(PromptAnswer::kNo);
  m_prompt->Answer(PromptAnswer::kYes);
  SaveTally tally = Save({}, ExistingTarget::kAsk, false);
  EXPECT_EQ(tally.skipped, 1);
  EXPECT_EQ(tally.saved, 1);
  EXPECT_EQ(ReadFile(m_out / "AUT_0001.JPG"), Bytes({'o', 'l', 'd'}));
  EXPECT_EQ(ReadFile(m_out / "AUT_0002.JPG"), files[1]);
  EXPECT_EQ(m_prompt.Texts(), Texts(2, "This file already exists.\nReplace existing file?"));
}

TEST_F(TransfersOverEmulator, TheWindowEndsTheSaveAtTheFirstFailedPicture) {
  Start({"--size-extra", "3"}, {Pattern(600, 1), Pattern(700, 2)});
  SaveTally tally = Save({}, ExistingTarget::kAsk, false);
  EXPECT_EQ(tally.failed, 1);
  EXPECT_EQ(tally.saved, 0);
  EXPECT_EQ(m_prompt.Texts(), (Texts{"Failed to communicate."}));
  EXPECT_TRUE(std::filesystem::is_empty(m_out.Path()));
}

// Every picture asked for is counted once, and a save that ends early says why.
TEST_F(TransfersOverEmulator, TheTallyAddsUpAndNamesWhyTheSaveStopped) {
  struct Case {
    const char* description;
    std::vector<std::string> faults;
    std::vector<std::uint32_t> numbers;
    int saved, failed, notTried, asked;
    SaveStop stopped;
  };
  const Case cases[] = {
      {"all saved", {}, {}, 3, 0, 0, 3, SaveStop::kNone},
      {"the card changed after picture 1", {"--card-changed-after", "2"}, {}, 1, 1, 1, 3, SaveStop::kCardChanged},
      {"the line gone in picture 2", {"--die-at-transfer", "2"}, {3, 2, 1}, 1, 1, 1, 3, SaveStop::kDisconnected},
      {"a number beyond the count, then the rest", {}, {7, 1}, 1, 1, 0, 2, SaveStop::kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    std::filesystem::remove_all(m_out.Path());
    std::filesystem::create_directory(m_out.Path());
    Start(c.faults, {Pattern(600, 1), Pattern(700, 2), Pattern(800, 3)});
    SaveTally tally = Save(c.numbers, ExistingTarget::kSkip, true);
    EXPECT_EQ(tally.saved, c.saved);
    EXPECT_EQ(tally.failed, c.failed);
    EXPECT_EQ(tally.notTried, c.notTried);
    EXPECT_EQ(tally.asked, c.asked);
    EXPECT_EQ(tally.saved + tally.skipped + tally.failed + tally.notTried, tally.asked);
    EXPECT_EQ(tally.stopped, c.stopped);
    EXPECT_FALSE(ThePort().isOpen);
  }
}

// A folder that cannot take files is found out before anything goes over the line, and
// the message names it.
TEST_F(TransfersOverEmulator, AFolderThatTakesNoFilesFailsBeforeTheLineIsUsed) {
  Start({}, {Pattern(600, 1)});
  ASSERT_FALSE(WriteFileAtomically(m_out / "plain", Pattern(10, 1)));
  SaveOptions options;
  options.folder = m_out / "plain";
  SaveTally tally = SavePicturesToFolder({}, options, m_observer);
  EXPECT_EQ(tally.stopped, SaveStop::kFolder);
  EXPECT_EQ(tally.end, SequenceEnd::kFailed);
  ASSERT_EQ(m_prompt.Texts().size(), 1u);
  EXPECT_NE(m_prompt.Texts()[0].find(options.folder.string()), std::string::npos);
  EXPECT_TRUE(test::HostFrames(Log()).empty());
}

TEST_F(TransfersOverEmulator, ACancelledDownloadWritesNothingAndShowsNothing) {
  // At the line's own pace, so that the stop finds the line idle between blocks (see the
  // cancel over the emulator in the camera's tests).
  Start({"--realtime"}, {Pattern(5000, 1), Pattern(700, 2)});
  m_observer.stopAt = 1000;
  SaveTally tally = Save({}, ExistingTarget::kSkip, true);
  EXPECT_EQ(tally.end, SequenceEnd::kCancelled);
  EXPECT_EQ(tally.saved, 0);
  EXPECT_TRUE(m_prompt.Texts().empty());
  EXPECT_TRUE(std::filesystem::is_empty(m_out.Path()));
  EXPECT_FALSE(ThePort().isOpen);
}

TEST_F(TransfersOverEmulator, ADownloadToTheTemporaryFolderHoldsThePicture) {
  Bytes file = Pattern(2345, 7);
  Start({}, {file});
  test::TempFolder runtime;
  test::ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.Path().string());
  std::uint32_t count = 0;
  ASSERT_EQ(CameraConnect(), kCamDone);
  ASSERT_EQ(CameraGetCount(count), kCamDone);
  CameraDisconnect();
  auto path = DownloadToTemp(1, "AUT_0001.JPG", m_observer);
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(ReadFile(path), file);
}

TEST(SaveErrorRules, EachWriteErrorHasItsMessageAndNextStep) {
  struct Row {
    const char* description;
    std::errc error;
    MessageId message;
    SaveErrorAction action;
  };
  const Row rows[] = {
      {"no permission", std::errc::permission_denied, kMsgFailedToAccessCard, SaveErrorAction::kNextPicture},
      {"read-only file system", std::errc::read_only_file_system, kMsgWriteProtected, SaveErrorAction::kNextPicture},
      {"disk full", std::errc::no_space_on_device, kMsgDiskFull, SaveErrorAction::kEnd},
      {"folder gone", std::errc::no_such_file_or_directory, kMsgInvalidPath, SaveErrorAction::kNextPicture},
      {"name too long", std::errc::filename_too_long, kMsgInvalidPath, SaveErrorAction::kNextPicture},
      {"file exists", std::errc::file_exists, kMsgFileExistsReplace, SaveErrorAction::kAskReplace},
      {"device busy", std::errc::device_or_resource_busy, kMsgDeviceBusy, SaveErrorAction::kNextPicture},
      {"input/output error", std::errc::io_error, kMsgFailedToSaveFromAlbum, SaveErrorAction::kNextPicture},
  };
  for (const auto& row : rows) {
    SaveErrorRule rule = SaveErrorRuleFor(std::make_error_code(row.error));
    EXPECT_EQ(rule.message, row.message) << row.description;
    EXPECT_EQ(rule.action, row.action) << row.description;
  }
}

// The four failures every writer of files meets, as the camera window's save answers
// them: only a full disk ends the save, since the next picture cannot fare better.
TEST(SaveErrorRules, CommonFailures) {
  struct Row {
    const char* description;
    int error;
    SaveErrorRule rule;
  };
  const Row rows[] = {
      {"disk full", ENOSPC, {kMsgDiskFull, SaveErrorAction::kEnd}},
      {"read-only", EROFS, {kMsgWriteProtected, SaveErrorAction::kNextPicture}},
      {"missing folder", ENOTDIR, {kMsgInvalidPath, SaveErrorAction::kNextPicture}},
      {"removed device", ENXIO, {kMsgFailedToAccessCard, SaveErrorAction::kNextPicture}},
      {"no medium", ENOMEDIUM, {kMsgFailedToAccessCard, SaveErrorAction::kNextPicture}},
      {"drive locked", ENOLCK, {kMsgDeviceBusy, SaveErrorAction::kNextPicture}},
      {"unreachable network folder", EHOSTUNREACH, {kMsgInvalidPath, SaveErrorAction::kNextPicture}},
  };
  for (const auto& row : rows) {
    SaveErrorRule rule = SaveErrorRuleFor({row.error, std::generic_category()});
    EXPECT_EQ(rule.message, row.rule.message) << row.description;
    EXPECT_EQ(rule.action, row.rule.action) << row.description;
  }
}

}  // namespace
}  // namespace tessaly
