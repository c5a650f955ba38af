// The camera operations against the camera emulator over a real pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "base/prompt.h"
#include "camera/camera_ops.h"
#include "camera/camera_transfers.h"
#include "camera/connection.h"
#include "camera/link.h"
#include "test_support/emulator_process.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

using test::EmulatorProcess;
using test::Exchange;
using test::JsonField;
using Tokens = std::vector<std::string>;

std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 13 + seed * 101 + i / 509) & 0xFF);
  return bytes;
}

// The command frames the host sent, in order ("SM", "RN", ...), without the blocks.
Tokens HostCommands(const std::vector<std::string>& lines) {
  Tokens commands;
  for (const auto& line : lines)
    if (JsonField(line, "from") == "host" && !JsonField(line, "frame").empty() && JsonField(line, "frame") != "DT")
      commands.push_back(JsonField(line, "frame"));
  return commands;
}

// The data bytes (hex) of the host's frames with these letters.
Tokens HostData(const std::vector<std::string>& lines, const std::string& letters) {
  Tokens data;
  for (const auto& line : lines)
    if (JsonField(line, "from") == "host" && JsonField(line, "frame") == letters) data.push_back(JsonField(line, "data"));
  return data;
}

bool HasEvent(const std::vector<std::string>& lines, const std::string& key, const std::string& value) {
  return std::any_of(lines.begin(), lines.end(), [&](const auto& line) { return JsonField(line, key) == value; });
}

// Records the link's progress reports.
struct ProgressLog {
  std::vector<std::uint32_t> done;
  std::uint32_t stopAt = 0;  // 0: never stop
  void Install() {
    SetLinkProgress([this](std::uint32_t, std::uint32_t value) {
      done.push_back(value);
      return stopAt != 0 && value >= stopAt ? 0 : 1;
    });
  }
};

class CameraOverEmulator : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> args, const std::vector<std::vector<std::uint8_t>>& files = {}) {
    for (std::size_t i = 0; i < files.size(); ++i) {
      std::ofstream out(m_card / ("PIC" + std::to_string(100 + i) + ".JPG"), std::ios::binary);
      out.write(reinterpret_cast<const char*>(files[i].data()), static_cast<std::streamsize>(files[i].size()));
    }
    if (!files.empty()) args.insert(args.end(), {"--card", m_card.Path().string()});
    m_emulator = std::make_unique<EmulatorProcess>(args);
    ASSERT_TRUE(m_emulator->Running());
    m_device = std::make_unique<test::ScopedEnv>("TESSALY_COM1", m_emulator->DevicePath());
    TheLinkState() = LinkState{};
    TheCameraState() = CameraState{};
    TheLinkSetup() = LinkSetup{};
    SetLinkProgress(nullptr);
    PortReset(1);
  }

  void TearDown() override {
    CameraDisconnect();
    SetLinkProgress(nullptr);
  }

  void ConnectAndCount(std::uint32_t expected) {
    ASSERT_EQ(CameraConnect(), kCamDone);
    std::uint32_t count = 0;
    ASSERT_EQ(CameraGetCount(count), kCamDone);
    ASSERT_EQ(count, expected);
  }

  std::vector<std::string> Log() {
    CameraDisconnect();
    return m_emulator->LogLines();
  }

  test::TempFolder m_card;
  std::unique_ptr<EmulatorProcess> m_emulator;
  std::unique_ptr<test::ScopedEnv> m_device;
};

TEST_F(CameraOverEmulator, PictureAboveTheCountGives11AndSendsNothing) {
  Start({"--generate", "3"});
  ConnectAndCount(3);
  std::vector<std::uint8_t> buffer(100000);
  std::uint32_t size = 0;
  EXPECT_EQ(CameraGetFileSize(4, size), kCamNotFound);
  EXPECT_EQ(CameraGetPicture(buffer, 4), kCamNotFound);
  EXPECT_EQ(CameraGetThumbnail(buffer, 4), kCamNotFound);
  EXPECT_EQ(HostCommands(Log()), (Tokens{"SM", "RN"}));
}

TEST_F(CameraOverEmulator, ConnectingWhileOpenGives20WithoutAGreeting) {
  Start({"--generate", "1"});
  ASSERT_EQ(CameraConnect(), kCamDone);
  EXPECT_TRUE(ThePort().isOpen);
  EXPECT_EQ(CameraConnect(), kCamDone);
  EXPECT_EQ(HostCommands(Log()), (Tokens{"SM"}));
}

TEST_F(CameraOverEmulator, SpeedingUpAt9600SendsTheDigit1AndStaysAt9600) {
  Start({"--generate", "1"});
  ASSERT_EQ(CameraConnect(), kCamDone);
  EXPECT_EQ(CameraSpeedUp(), kCamDone);
  EXPECT_EQ(ThePort().speed, 9600u);
  TheLinkSetup().currentSpeed = 57600;
  EXPECT_EQ(CameraSpeedUp(), kCamDone);
  EXPECT_EQ(ThePort().speed, 57600u);
  EXPECT_EQ(CameraSpeedDown(), kCamDone);
  EXPECT_EQ(ThePort().speed, 9600u);
  // "SB" carries the ASCII digit of the speed code in data byte 0.
  EXPECT_EQ(HostData(Log(), "SB"), (Tokens{"3100000000000000", "3500000000000000", "3100000000000000"}));
}

TEST_F(CameraOverEmulator, PutOneByteMoreThanTheFreeMemoryGives16AfterOnlyAN) {
  Start({"--generate", "1", "--free-memory", "1000"});
  ASSERT_EQ(CameraConnect(), kCamDone);
  EXPECT_EQ(CameraPutPicture(Pattern(1001, 1)), kCamCardFull);
  auto picture = Pattern(1000, 2);
  EXPECT_EQ(CameraPutPicture(picture), kCamDone);
  EXPECT_EQ(TheCameraState().pictureCount, 2u);
  auto lines = Log();
  EXPECT_EQ(HostCommands(lines), (Tokens{"SM", "AN", "AN", "RN", "SB", "SP", "NW", "DE", "SP", "SB"}));
  // RN with selector 0 before sending; blocks of 512 bytes in packets of 524.
  EXPECT_EQ(HostData(lines, "RN"), (Tokens{"0000000000000000"}));
  EXPECT_TRUE(HasEvent(lines, "bytes", "1000"));
  std::vector<std::string> blocks;
  for (const auto& line : lines)
    if (JsonField(line, "from") == "host" && JsonField(line, "frame") == "DT") blocks.push_back(JsonField(line, "count"));
  EXPECT_EQ(blocks, (Tokens{"512", "488"}));
}

TEST_F(CameraOverEmulator, ACameraHoldingMoreThan999PicturesTakesNoMore) {
  Start({"--generate", "1", "--report-count", "1000"});
  ASSERT_EQ(CameraConnect(), kCamDone);
  EXPECT_EQ(CameraPutPicture(Pattern(10, 3)), kCamCardFull);
  EXPECT_EQ(HostCommands(Log()), (Tokens{"SM", "AN", "RN"}));
}

TEST_F(CameraOverEmulator, APictureTheCameraDidNotKeepIsNotReportedAsSent) {
  Start({"--generate", "1", "--refuse-store"});
  ASSERT_EQ(CameraConnect(), kCamDone);
  EXPECT_EQ(CameraPutPicture(Pattern(700, 4)), kCamNotGood);
  EXPECT_EQ(TheCameraState().pictureCount, 1u);
  EXPECT_EQ(ThePort().speed, 9600u);
  EXPECT_EQ(TheLinkState().packetSize, kDefaultPacketSize);
}

TEST_F(CameraOverEmulator, NgThumbnailGives13AndStillAdvancesTheProgressBy1800) {
  Start({"--generate", "3", "--ng-thumbnail", "2"});
  ConnectAndCount(3);
  ProgressLog progress;
  progress.Install();
  std::vector<std::uint8_t> thumbnail(1800);
  EXPECT_EQ(CameraGetThumbnail(thumbnail, 2), kCamNotGood);
  ASSERT_FALSE(progress.done.empty());
  EXPECT_EQ(progress.done.back(), 1800u);
  EXPECT_TRUE(std::is_sorted(progress.done.begin(), progress.done.end()));
  EXPECT_EQ(progress.done.size(), 15u);  // 128, 256, ..., 1792, 1800
  progress.done.clear();
  EXPECT_EQ(CameraGetThumbnail(thumbnail, 3), kCamDone);
  EXPECT_EQ(progress.done.back(), 1800u);
}

TEST_F(CameraOverEmulator, DownloadsAreByteIdenticalToTheCard) {
  // Sizes around the 500-byte blocks of a picture read.
  std::vector<std::vector<std::uint8_t>> files = {Pattern(1, 1), Pattern(500, 2), Pattern(501, 3), Pattern(20000, 4)};
  Start({}, files);
  ConnectAndCount(4);
  for (std::uint32_t number = 1; number <= 4; ++number) {
    std::uint32_t size = 0;
    ASSERT_EQ(CameraGetFileSize(number, size), kCamDone);
    std::vector<std::uint8_t> picture(size);
    ASSERT_EQ(CameraGetPicture(picture, number), kCamDone);
    EXPECT_EQ(picture, files[number - 1]) << number;
    EXPECT_EQ(ThePort().speed, 9600u);
    EXPECT_EQ(TheLinkState().packetSize, kDefaultPacketSize);
  }
}

TEST_F(CameraOverEmulator, APictureCutShortIsAFailure) {
  auto file = Pattern(1200, 5);
  Start({"--size-extra", "10"}, {file});
  ConnectAndCount(1);
  std::uint32_t size = 0;
  ASSERT_EQ(CameraGetFileSize(1, size), kCamDone);
  ASSERT_EQ(size, 1210u);
  std::vector<std::uint8_t> picture(size);
  EXPECT_EQ(CameraGetPicture(picture, 1), kCamNotGood);
  EXPECT_EQ(ThePort().speed, 9600u);
}

TEST_F(CameraOverEmulator, CancelInTheMiddleOfAPictureTellsTheCameraAndLowersTheLine) {
  auto file = Pattern(6000, 6);
  Start({}, {file});
  TheLinkSetup().currentSpeed = 115200;
  ConnectAndCount(1);
  std::uint32_t size = 0;
  ASSERT_EQ(CameraGetFileSize(1, size), kCamDone);
  ProgressLog progress;
  progress.stopAt = 2000;
  progress.Install();
  std::vector<std::uint8_t> picture(size);
  EXPECT_EQ(CameraGetPicture(picture, 1), kCamCancelled);
  EXPECT_LT(progress.done.back(), 6000u);
  EXPECT_EQ(ThePort().speed, 9600u);
  EXPECT_EQ(TheLinkState().packetSize, kDefaultPacketSize);
  EXPECT_EQ(TheLinkState().transferState, TransferState::kIdle);
  // The line still works.
  SetLinkProgress(nullptr);
  std::uint32_t count = 0;
  EXPECT_EQ(CameraGetCount(count), kCamDone);
  auto lines = Log();
  EXPECT_EQ(HostCommands(lines), (Tokens{"SM", "RN", "FS", "SB", "SP", "RD", "CC", "SP", "SB", "RN"}));
  // The camera answered our "CC" and went back to 9600 with us.
  auto cc = std::find_if(lines.begin(), lines.end(), [](auto& l) { return JsonField(l, "frame") == "CC"; });
  auto ok = std::find_if(cc, lines.end(), [](auto& l) { return JsonField(l, "frame") == "OK"; });
  EXPECT_NE(ok, lines.end());
  EXPECT_EQ(HostData(lines, "SB").back(), "3100000000000000");
}

TEST_F(CameraOverEmulator, CancelDuringAThumbnailEndsWith4AtTheBaseSpeed) {
  Start({"--generate", "2"});
  TheLinkSetup().currentSpeed = 38400;
  ConnectAndCount(2);
  ASSERT_EQ(CameraSpeedUp(), kCamDone);
  ProgressLog progress;
  progress.stopAt = 500;
  progress.Install();
  std::vector<std::uint8_t> thumbnail(1800);
  EXPECT_EQ(CameraGetThumbnail(thumbnail, 1), kCamCancelled);
  EXPECT_EQ(ThePort().speed, 9600u);
  auto commands = HostCommands(Log());
  EXPECT_EQ(Tokens(commands.end() - 3, commands.end()), (Tokens{"RM", "CC", "SB"}));
}

TEST_F(CameraOverEmulator, ASilentCameraFailsTheConnectionAndTheLineIsClosed) {
  Start({"--generate", "1", "--silent-enqs", "1000"});
  EXPECT_EQ(CameraConnect(), kCamLinkFailure);
  EXPECT_FALSE(ThePort().isOpen);
  EXPECT_EQ(CameraResultMessage(kCamLinkFailure), kMsgFailedToCommunicate);
}

TEST_F(CameraOverEmulator, AChangedCardAnswersTheNextPictureCommandWith14) {
  Start({"--generate", "2", "--card-changed-after", "0"});
  ConnectAndCount(2);
  std::uint32_t size = 0;
  EXPECT_EQ(CameraGetFileSize(1, size), kCamCardChanged);
  std::vector<std::uint8_t> thumbnail(1800);
  EXPECT_EQ(CameraGetThumbnail(thumbnail, 1), kCamCardChanged);
  EXPECT_EQ(CameraResultMessage(kCamCardChanged), kMsgMemoryCardChanged);
}

TEST(CameraResults, CommonMessageRule) {
  EXPECT_EQ(CameraResultMessage(kCamDone), std::nullopt);
  EXPECT_EQ(CameraResultMessage(kCamCancelled), std::nullopt);
  EXPECT_EQ(CameraResultMessage(kCamCardChanged), kMsgMemoryCardChanged);
  EXPECT_EQ(CameraResultMessage(kCamCardFull), kMsgMemoryCardFull);
  for (int result : {kCamLinkFailure, kCamNotOpen, kCamNotFound, kCamNoPicture, kCamNotGood, kCamNoBlock})
    EXPECT_EQ(CameraResultMessage(result), kMsgFailedToCommunicate) << result;
}

TEST(CameraResults, SpeedCodes) {
  EXPECT_EQ(SpeedCode(4800), 0);
  EXPECT_EQ(SpeedCode(9600), 1);
  EXPECT_EQ(SpeedCode(28800), 3);
  EXPECT_EQ(SpeedCode(115200), 6);
  EXPECT_EQ(SpeedCode(14400), 1);
  EXPECT_FALSE(IsCameraSpeed(14400));
}

}  // namespace
}  // namespace tessaly
