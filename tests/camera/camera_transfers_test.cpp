// The camera window's sequences (listing, downloading, saving into a folder) against the
// camera emulator, with the messages they show.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "base/prompt.h"
#include "camera/camera_ops.h"
#include "camera/camera_transfers.h"
#include "camera/connection.h"
#include "camera/link.h"
#include "camera/thumbnail.h"
#include "test_support/emulator_process.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

using test::EmulatorProcess;
using test::JsonField;
using Texts = std::vector<std::string>;

constexpr const char* kChanged = "Memory card is probably changed.\nOpen camera album again.";

std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 17 + seed * 59 + i / 257) & 0xFF);
  return bytes;
}

Bytes ReadFile(const std::filesystem::path& path) {
  Bytes bytes;
  EXPECT_FALSE(ReadWholeFile(path, bytes)) << path;
  return bytes;
}

// Picture numbers of the host's "RD" requests.
std::vector<std::uint32_t> PicturesRead(const std::vector<std::string>& lines) {
  std::vector<std::uint32_t> numbers;
  for (const auto& line : lines)
    if (JsonField(line, "from") == "host" && JsonField(line, "frame") == "RD")
      numbers.push_back(static_cast<std::uint32_t>(std::stoul(JsonField(line, "data").substr(0, 8), nullptr, 16)));
  return numbers;
}

class RecordingObserver : public TransferObserver {
 public:
  void Begin(std::string_view name, std::uint64_t total) override {
    begun.emplace_back(name);
    totals.push_back(total);
  }
  void Item(std::string_view name) override { items.emplace_back(name); }
  bool Progress(std::uint64_t done) override {
    last = done;
    return stopAt == 0 || done < stopAt;
  }
  void Skipped(const std::filesystem::path& target) override { skipped.push_back(target.filename().string()); }

  Texts begun, items, skipped;
  std::vector<std::uint64_t> totals;
  std::uint64_t last = 0;
  std::uint64_t stopAt = 0;
};

class CollectingSink : public ThumbnailSink {
 public:
  bool Wanted(std::uint32_t number, const std::string&) override { return number != skip; }
  void Add(std::uint32_t number, const std::string& name, const Picture& thumbnail, bool placeholder) override {
    names.push_back(name);
    numbers.push_back(number);
    placeholders.push_back(placeholder);
    sizes.push_back(std::to_string(thumbnail.width) + "x" + std::to_string(thumbnail.height) + "x" +
                    std::to_string(thumbnail.bitsPerPixel));
  }
  std::uint32_t skip = 0;
  Texts names, sizes;
  std::vector<std::uint32_t> numbers;
  std::vector<bool> placeholders;
};

class TransfersOverEmulator : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> args, const std::vector<std::vector<std::uint8_t>>& files = {}) {
    for (std::size_t i = 0; i < files.size(); ++i) {
      std::ofstream out(m_card / ("P" + std::to_string(10 + i) + ".JPG"), std::ios::binary);
      out.write(reinterpret_cast<const char*>(files[i].data()), static_cast<std::streamsize>(files[i].size()));
    }
    if (!files.empty()) args.insert(args.end(), {"--card", m_card.Path().string()});
    m_emulator = std::make_unique<EmulatorProcess>(args);
    ASSERT_TRUE(m_emulator->Running());
    m_device = std::make_unique<test::ScopedEnv>("TESSALY_COM1", m_emulator->DevicePath());
    TheLinkState() = LinkState{};
    TheCameraState() = CameraState{};
    TheLinkSetup() = LinkSetup{};
    TheLinkSetup().currentSpeed = 115200;
    PortReset(1);
  }
  void TearDown() override { CameraDisconnect(); }

  SaveOptions Options(ExistingTarget existing, bool carryOn) {
    SaveOptions options;
    options.folder = m_out.Path();
    options.existing = existing;
    options.carryOn = carryOn;
    return options;
  }

  test::TempFolder m_card, m_out;
  std::unique_ptr<EmulatorProcess> m_emulator;
  std::unique_ptr<test::ScopedEnv> m_device;
  ScriptedPrompt* m_prompt = nullptr;
  ScopedPrompt m_scope{[this] {
    auto prompt = std::make_unique<ScriptedPrompt>();
    m_prompt = prompt.get();
    return prompt;
  }()};
};

TEST_F(TransfersOverEmulator, ThumbnailListingUsesThePlaceholderForAnNgAnswer) {
  Start({"--generate", "4", "--ng-thumbnail", "3"});
  RecordingObserver observer;
  CollectingSink sink;
  sink.skip = 2;
  EXPECT_EQ(ListThumbnails(sink, observer), SequenceEnd::kDone);
  EXPECT_EQ(sink.names, (Texts{"AUT_0001.JPG", "AUT_0003.JPG", "AUT_0004.JPG"}));
  EXPECT_EQ(sink.placeholders, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(sink.sizes, (Texts{"80x60x24", "80x60x4", "80x60x24"}));
  // One bar for the whole list: 4 x 1800 bytes; the skipped picture adds nothing.
  EXPECT_EQ(observer.totals, (std::vector<std::uint64_t>{7200}));
  EXPECT_EQ(observer.last, 5400u);
  EXPECT_TRUE(m_prompt->Texts().empty());
  auto lines = m_emulator->LogLines();
  EXPECT_FALSE(std::any_of(lines.begin(), lines.end(), [](auto& l) {
    return JsonField(l, "frame") == "RM" && JsonField(l, "data").substr(0, 8) == "00000002";
  }));
}

TEST_F(TransfersOverEmulator, AnEmptyCameraSaysSo) {
  Start({"--generate", "0"});
  std::vector<std::string> names;
  EXPECT_EQ(ListNames(names), SequenceEnd::kEmpty);
  EXPECT_TRUE(names.empty());
  RecordingObserver observer;
  CollectingSink sink;
  EXPECT_EQ(ListThumbnails(sink, observer), SequenceEnd::kEmpty);
  EXPECT_EQ(m_prompt->Texts(), (Texts{"No data in camera.", "No data in camera."}));
}

TEST_F(TransfersOverEmulator, NamesComeFromTheCountAlone) {
  Start({"--generate", "12"});
  std::vector<std::string> names;
  ASSERT_EQ(ListNames(names), SequenceEnd::kDone);
  ASSERT_EQ(names.size(), 12u);
  EXPECT_EQ(names.back(), "AUT_0012.JPG");
  auto lines = m_emulator->LogLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](auto& l) { return JsonField(l, "from") == "host" && !JsonField(l, "frame").empty(); }), 2);
}

TEST_F(TransfersOverEmulator, SavingWithAPrefixWritesTheCameraBytesUnderTheNewNames) {
  std::vector<std::vector<std::uint8_t>> files;
  for (unsigned i = 0; i < 12; ++i) files.push_back(Pattern(300 + i * 97, i));
  Start({}, files);
  RecordingObserver observer;
  SaveOptions options = Options(ExistingTarget::kSkip, true);
  options.prefix = "ABCD";
  SaveTally tally = SavePicturesToFolder({12, 1}, options, observer);
  EXPECT_EQ(tally.saved, 2);
  EXPECT_EQ(tally.end, SequenceEnd::kDone);
  EXPECT_EQ(ReadFile(m_out / "ABCD0012.JPG"), files[11]);
  EXPECT_EQ(ReadFile(m_out / "ABCD0001.JPG"), files[0]);
  EXPECT_EQ(observer.begun, (Texts{"ABCD0012.JPG", "ABCD0001.JPG"}));
}

TEST_F(TransfersOverEmulator, AnExistingTargetIsSkippedBeforeItsPictureIsRead) {
  std::vector<std::vector<std::uint8_t>> files = {Pattern(800, 1), Pattern(900, 2), Pattern(1000, 3)};
  Start({}, files);
  std::ofstream(m_out / "AUT_0002.JPG") << "mine";
  RecordingObserver observer;
  SaveTally tally = SavePicturesToFolder({}, Options(ExistingTarget::kSkip, true), observer);
  EXPECT_EQ(tally.saved, 2);
  EXPECT_EQ(tally.skipped, 1);
  EXPECT_EQ(observer.skipped, (Texts{"AUT_0002.JPG"}));
  EXPECT_EQ(ReadFile(m_out / "AUT_0002.JPG"), Bytes({'m', 'i', 'n', 'e'}));
  EXPECT_EQ(PicturesRead(m_emulator->LogLines()), (std::vector<std::uint32_t>{1, 3}));
}

TEST_F(TransfersOverEmulator, TheWindowAsksBeforeReplacingAndNoKeepsTheOldFile) {
  std::vector<std::vector<std::uint8_t>> files = {Pattern(800, 1), Pattern(900, 2)};
  Start({}, files);
  std::ofstream(m_out / "AUT_0001.JPG") << "old";
  std::ofstream(m_out / "AUT_0002.JPG") << "old";
  m_prompt->Answer(PromptAnswer::kNo);
  m_prompt->Answer(PromptAnswer::kYes);
  RecordingObserver observer;
  SaveTally tally = SavePicturesToFolder({}, Options(ExistingTarget::kAsk, false), observer);
  EXPECT_EQ(tally.skipped, 1);
  EXPECT_EQ(tally.saved, 1);
  EXPECT_EQ(ReadFile(m_out / "AUT_0001.JPG"), Bytes({'o', 'l', 'd'}));
  EXPECT_EQ(ReadFile(m_out / "AUT_0002.JPG"), files[1]);
  EXPECT_EQ(m_prompt->Texts(), (Texts{"This file already exists.\nReplace existing file?",
                                      "This file already exists.\nReplace existing file?"}));
}

TEST_F(TransfersOverEmulator, AScriptCarriesOnAfterAPictureFailureButNotAfterACardChange) {
  std::vector<std::vector<std::uint8_t>> files = {Pattern(600, 1), Pattern(700, 2), Pattern(800, 3)};
  Start({"--card-changed-after", "2"}, files);
  RecordingObserver observer;
  // Picture 9 does not exist: reported, and the save goes on; picture 1 takes the two
  // picture commands the card allows; picture 2 meets the changed card and ends the run.
  SaveTally tally = SavePicturesToFolder({9, 1, 2, 3}, Options(ExistingTarget::kSkip, true), observer);
  EXPECT_EQ(tally.saved, 1);
  EXPECT_EQ(tally.failed, 2);
  EXPECT_EQ(tally.end, SequenceEnd::kFailed);
  EXPECT_EQ(m_prompt->Texts(), (Texts{"Failed to communicate.", kChanged}));
  EXPECT_TRUE(std::filesystem::exists(m_out / "AUT_0001.JPG"));
  EXPECT_FALSE(std::filesystem::exists(m_out / "AUT_0002.JPG"));
  EXPECT_EQ(PicturesRead(m_emulator->LogLines()), (std::vector<std::uint32_t>{1}));
}

TEST_F(TransfersOverEmulator, TheWindowEndsTheSaveAtTheFirstFailedPicture) {
  std::vector<std::vector<std::uint8_t>> files = {Pattern(600, 1), Pattern(700, 2)};
  Start({"--size-extra", "3"}, files);
  RecordingObserver observer;
  SaveTally tally = SavePicturesToFolder({}, Options(ExistingTarget::kAsk, false), observer);
  EXPECT_EQ(tally.failed, 1);
  EXPECT_EQ(tally.saved, 0);
  EXPECT_EQ(m_prompt->Texts(), (Texts{"Failed to communicate."}));
  EXPECT_TRUE(std::filesystem::is_empty(m_out.Path()));
}

TEST_F(TransfersOverEmulator, ACancelledDownloadWritesNothingAndShowsNothing) {
  std::vector<std::vector<std::uint8_t>> files = {Pattern(5000, 1), Pattern(700, 2)};
  Start({}, files);
  RecordingObserver observer;
  observer.stopAt = 1000;
  SaveTally tally = SavePicturesToFolder({}, Options(ExistingTarget::kSkip, true), observer);
  EXPECT_EQ(tally.end, SequenceEnd::kCancelled);
  EXPECT_EQ(tally.saved, 0);
  EXPECT_TRUE(m_prompt->Texts().empty());
  EXPECT_TRUE(std::filesystem::is_empty(m_out.Path()));
  EXPECT_FALSE(ThePort().isOpen);
}

TEST_F(TransfersOverEmulator, ADownloadToTheTemporaryFolderHoldsThePicture) {
  std::vector<std::vector<std::uint8_t>> files = {Pattern(2345, 7)};
  Start({}, files);
  test::TempFolder runtime;
  test::ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.Path().string());
  std::uint32_t count = 0;
  ASSERT_EQ(CameraConnect(), kCamDone);
  ASSERT_EQ(CameraGetCount(count), kCamDone);
  CameraDisconnect();
  RecordingObserver observer;
  auto path = DownloadToTemp(1, "AUT_0001.JPG", observer);
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(ReadFile(path), files[0]);
}

TEST_F(TransfersOverEmulator, ASilentCameraEndsEverythingWithOneMessage) {
  Start({"--generate", "3", "--silent-enqs", "1000"});
  RecordingObserver observer;
  SaveTally tally = SavePicturesToFolder({}, Options(ExistingTarget::kSkip, true), observer);
  EXPECT_EQ(tally.end, SequenceEnd::kFailed);
  EXPECT_EQ(m_prompt->Texts(), (Texts{"Failed to communicate."}));
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

}  // namespace
}  // namespace tessaly
