// The camera operations against the camera emulator over a real pseudo-terminal.
#include <gtest/gtest.h>

#include <functional>

#include "camera/camera_ops.h"
#include "camera/over_emulator.h"

namespace tessaly {
namespace {

using test::HostFrames;
using test::JsonField;
using test::Pattern;
using test::Tokens;

// Records the link's progress reports, and stops the transfer once stopAt is reached.
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

class CameraOverEmulator : public test::OverEmulator {
 protected:
  void ConnectAndCount(std::uint32_t expected) {
    ASSERT_EQ(CameraConnect(), kCamDone);
    std::uint32_t count = 0;
    ASSERT_EQ(CameraGetCount(count), kCamDone);
    ASSERT_EQ(count, expected);
  }
};

TEST_F(CameraOverEmulator, PictureAboveTheCountGives11AndSendsNothing) {
  Start({"--generate", "3"});
  ConnectAndCount(3);
  std::vector<std::uint8_t> buffer(100000);
  std::uint32_t size = 0;
  EXPECT_EQ(CameraGetFileSize(4, size), kCamNotFound);
  EXPECT_EQ(CameraGetPicture(buffer, 4), kCamNotFound);
  EXPECT_EQ(CameraGetThumbnail(buffer, 4), kCamNotFound);
  EXPECT_EQ(HostFrames(Log()), (Tokens{"SM", "RN"}));
}

TEST_F(CameraOverEmulator, ConnectingWhileOpenGives20WithoutAGreeting) {
  Start({"--generate", "1"});
  ASSERT_EQ(CameraConnect(), kCamDone);
  EXPECT_TRUE(ThePort().isOpen);
  EXPECT_EQ(CameraConnect(), kCamDone);
  EXPECT_EQ(HostFrames(Log()), (Tokens{"SM"}));
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
  EXPECT_EQ(HostFrames(Log(), "SB", true), (Tokens{"3100000000000000", "3500000000000000", "3100000000000000"}));
}

TEST_F(CameraOverEmulator, PutOneByteMoreThanTheFreeMemoryGives16AfterOnlyAN) {
  Start({"--generate", "1", "--free-memory", "1000"});
  ASSERT_EQ(CameraConnect(), kCamDone);
  EXPECT_EQ(CameraPutPicture(Pattern(1001, 1)), kCamCardFull);
  EXPECT_EQ(CameraPutPicture(Pattern(1000, 2)), kCamDone);
  EXPECT_EQ(TheCameraState().pictureCount, 2u);
  auto lines = Log();
  EXPECT_EQ(HostFrames(lines), (Tokens{"SM", "AN", "AN", "RN", "SB", "SP", "NW", "DE", "SP", "SB"}));
  // "RN" with selector 0 before sending; blocks of 512 bytes in packets of 524.
  EXPECT_EQ(HostFrames(lines, "RN", true), (Tokens{"0000000000000000"}));
  Tokens blocks;
  for (const auto& line : lines)
    if (JsonField(line, "from") == "host" && JsonField(line, "frame") == "DT")
      blocks.push_back(JsonField(line, "count"));
  EXPECT_EQ(blocks, (Tokens{"512", "488"}));
}

TEST_F(CameraOverEmulator, PicturesTheCameraCannotTakeAreNotReportedAsSent) {
  struct Case {
    const char* description;
    std::vector<std::string> args;
    int result;
    Tokens commands;
  };
  const Case cases[] = {
      {"more than 999 pictures", {"--report-count", "1000"}, kCamCardFull, {"SM", "AN", "RN"}},
      {"not stored", {"--refuse-store"}, kCamNotGood, {"SM", "AN", "RN", "SB", "SP", "NW", "DE", "SP", "SB"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    auto args = c.args;
    args.insert(args.end(), {"--generate", "1"});
    Start(args);
    ASSERT_EQ(CameraConnect(), kCamDone);
    EXPECT_EQ(CameraPutPicture(Pattern(700, 4)), c.result);
    EXPECT_EQ(ThePort().speed, 9600u);
    EXPECT_EQ(LinkPacketSize(), kDefaultPacketSize);
    EXPECT_EQ(HostFrames(Log()), c.commands);
  }
}

TEST_F(CameraOverEmulator, NgThumbnailGives13AndStillAdvancesTheProgressBy1800) {
  Start({"--generate", "3", "--ng-thumbnail", "2"});
  ConnectAndCount(3);
  ProgressLog progress;
  progress.Install();
  std::vector<std::uint8_t> thumbnail(1800);
  EXPECT_EQ(CameraGetThumbnail(thumbnail, 2), kCamNotGood);
  EXPECT_EQ(progress.done.size(), 15u);  // 128, 256, ..., 1792, 1800
  EXPECT_EQ(progress.done.back(), 1800u);
  EXPECT_TRUE(std::is_sorted(progress.done.begin(), progress.done.end()));
  progress.done.clear();
  EXPECT_EQ(CameraGetThumbnail(thumbnail, 3), kCamDone);
  EXPECT_EQ(progress.done.back(), 1800u);
}

TEST_F(CameraOverEmulator, DownloadsAreByteIdenticalToTheCard) {
  // Sizes around the 500-byte blocks of a picture read.
  std::vector<Bytes> files = {Pattern(1, 1), Pattern(500, 2), Pattern(501, 3), Pattern(20000, 4)};
  Start({}, files);
  TheLinkSetup().currentSpeed = 115200;
  ConnectAndCount(4);
  for (std::uint32_t number = 1; number <= 4; ++number) {
    std::uint32_t size = 0;
    ASSERT_EQ(CameraGetFileSize(number, size), kCamDone);
    std::vector<std::uint8_t> picture(size);
    ASSERT_EQ(CameraGetPicture(picture, number), kCamDone);
    EXPECT_EQ(picture, files[number - 1]) << number;
    EXPECT_EQ(ThePort().speed, 9600u);
    EXPECT_EQ(LinkPacketSize(), kDefaultPacketSize);
  }
}

// A cancel in the middle of a transfer tells the camera with "CC" and lowers the line;
// the camera answers, and the line works on.
TEST_F(CameraOverEmulator, CancelTellsTheCameraAndLowersTheLine) {
  struct Case {
    const char* description;
    std::function<int(std::vector<std::uint8_t>&)> transfer;
    std::uint32_t stopAt;
    Tokens lastCommands;
  };
  const Case cases[] = {
      {"picture",
       [](auto& buffer) { return CameraGetPicture(buffer, 1); },
       2000,
       {"SB", "SP", "RD", "CC", "SP", "SB", "RN"}},
      {"thumbnail", [](auto& buffer) { return CameraGetThumbnail(buffer, 1); }, 500, {"RM", "CC", "SB", "RN"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    // A stop is asked for from the progress callback, which runs while the line is idle
    // between frames; an emulator that answers at once can have every block queued before
    // a busy machine schedules us, leaving no idle moment. Bytes at the line's own pace
    // leave one after every block.
    Start({"--generate", "1", "--realtime"});
    TheLinkSetup().currentSpeed = 115200;
    ConnectAndCount(1);
    std::uint32_t size = 0;
    ASSERT_EQ(CameraGetFileSize(1, size), kCamDone);
    ASSERT_EQ(CameraSpeedUp(), kCamDone);
    ProgressLog progress;
    progress.stopAt = c.stopAt;
    progress.Install();
    std::vector<std::uint8_t> buffer(size);
    EXPECT_EQ(c.transfer(buffer), kCamCancelled);
    EXPECT_LT(progress.done.back(), buffer.size());
    EXPECT_EQ(ThePort().speed, 9600u);
    EXPECT_EQ(LinkPacketSize(), kDefaultPacketSize);
    EXPECT_EQ(LinkTransferState(), TransferState::kIdle);
    SetLinkProgress(nullptr);
    std::uint32_t count = 0;
    EXPECT_EQ(CameraGetCount(count), kCamDone);
    auto lines = Log();
    Tokens commands = HostFrames(lines);
    ASSERT_GE(commands.size(), c.lastCommands.size());
    EXPECT_EQ(Tokens(commands.end() - static_cast<std::ptrdiff_t>(c.lastCommands.size()), commands.end()),
              c.lastCommands);
    auto cc = std::find_if(lines.begin(), lines.end(), [](auto& l) { return JsonField(l, "frame") == "CC"; });
    EXPECT_NE(std::find_if(cc, lines.end(), [](auto& l) { return JsonField(l, "frame") == "OK"; }), lines.end());
    EXPECT_EQ(HostFrames(lines, "SB", true).back(), "3100000000000000");
  }
}

TEST_F(CameraOverEmulator, ASilentCameraFailsTheConnectionAndTheLineIsClosed) {
  Start({"--generate", "1", "--silent-enqs", "1000"});
  EXPECT_EQ(CameraConnect(), kCamLinkFailure);
  EXPECT_FALSE(ThePort().isOpen);
}

TEST_F(CameraOverEmulator, AChangedCardAnswersTheNextPictureCommandWith14) {
  Start({"--generate", "2", "--card-changed-after", "0"});
  ConnectAndCount(2);
  std::uint32_t size = 0;
  EXPECT_EQ(CameraGetFileSize(1, size), kCamCardChanged);
  std::vector<std::uint8_t> thumbnail(1800);
  EXPECT_EQ(CameraGetThumbnail(thumbnail, 1), kCamCardChanged);
}

TEST(CameraResults, CommonMessageRule) {
  EXPECT_EQ(CameraResultMessage(kCamDone), std::nullopt);
  EXPECT_EQ(CameraResultMessage(kCamCancelled), std::nullopt);
  EXPECT_EQ(CameraResultMessage(kCamCardChanged), kMsgMemoryCardChanged);
  EXPECT_EQ(CameraResultMessage(kCamCardFull), kMsgMemoryCardFull);
  for (int result : {kCamLinkFailure, kCamNotOpen, kCamNotFound, kCamNoPicture, kCamNotGood, kCamNoBlock})
    EXPECT_EQ(CameraResultMessage(result), kMsgFailedToCommunicate) << result;
}

}  // namespace
}  // namespace tessaly
