// The link against the camera emulator over a real pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <numeric>

#include <jpeglib.h>

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
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 31 + seed * 7 + i / 251) & 0xFF);
  return bytes;
}

int Count(const Tokens& tokens, const std::string& token) {
  return static_cast<int>(std::count(tokens.begin(), tokens.end(), token));
}

class LinkOverEmulator : public ::testing::Test {
 protected:
  // Starts the emulator with a card of the given files (name, bytes) or with args alone.
  void Start(std::vector<std::string> args, const std::vector<std::vector<std::uint8_t>>& files = {}) {
    if (!files.empty()) {
      for (std::size_t i = 0; i < files.size(); ++i) {
        std::ofstream out(m_card / ("PIC" + std::to_string(i + 1) + ".JPG"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(files[i].data()), static_cast<std::streamsize>(files[i].size()));
      }
      args.insert(args.end(), {"--card", m_card.Path().string()});
    }
    m_emulator = std::make_unique<EmulatorProcess>(args);
    ASSERT_TRUE(m_emulator->Running());
    m_device = std::make_unique<test::ScopedEnv>("TESSALY_COM1", m_emulator->DevicePath());
    TheLinkState() = LinkState{};
    SetLinkProgress(nullptr);
    ASSERT_EQ(PortReset(1), 1);
    ASSERT_NE(PortOpen(kBaseSpeed, 1), 0);
  }

  void TearDown() override {
    if (ThePort().isOpen) PortClose();
    SetLinkProgress(nullptr);
  }

  // A picture or thumbnail read, set up as the camera operations do it.
  int Read(int command, std::uint32_t number, std::span<std::uint8_t> destination, int& code) {
    LinkState& link = TheLinkState();
    link.transferState = TransferState::kReceiving;
    link.expectedBlock = 1;
    link.blockDest = destination;
    link.progressTotal = static_cast<std::uint32_t>(destination.size());
    link.progressDone = link.progressReported = 0;
    FrameData data{};
    PutU32BE(data, 0, number);
    int status = LinkRequest(command, data, Answered::kYes);
    if (status != kLinkDone) return status;
    code = AnswerCode();
    if (code != kAnswerOk) return status;
    return ReceiveBlocks(destination, static_cast<std::uint32_t>(destination.size()), code);
  }

  int Upload(std::span<const std::uint8_t> source, int& code) {
    FrameData data{};
    data[4] = 1;
    int status = LinkRequest(kCmdNW, data, Answered::kYes);
    if (status != kLinkDone) return status;
    code = AnswerCode();
    if (code != kAnswerOk) return status;
    return SendBlocks(source, code);
  }

  std::vector<std::string> Log() {
    if (ThePort().isOpen) PortClose();
    return m_emulator->LogLines();
  }

  test::TempFolder m_card;
  std::unique_ptr<EmulatorProcess> m_emulator;
  std::unique_ptr<test::ScopedEnv> m_device;
};

TEST_F(LinkOverEmulator, GreetingGoesOutByteExactAndIsAnswered) {
  Start({"--generate", "1"});
  FrameData data{};
  data[0] = 1;
  ASSERT_EQ(LinkRequest(kCmdSM, data, Answered::kYes), kLinkDone);
  EXPECT_EQ(AnswerCode(), kAnswerOk);
  auto lines = Log();
  // Our last ACK may be discarded by the purge in PortClose before the camera reads it,
  // as a serial driver discards what it has not sent yet.
  auto tokens = Exchange(lines);
  ASSERT_GE(tokens.size(), 7u);
  EXPECT_EQ(Tokens(tokens.begin(), tokens.begin() + 7),
            (Tokens{"host:ENQ", "camera:ACK", "host:SM", "camera:ACK", "camera:ENQ", "host:ACK", "camera:OK"}));
  auto sm = std::find_if(lines.begin(), lines.end(), [](auto& l) { return JsonField(l, "frame") == "SM"; });
  ASSERT_NE(sm, lines.end());
  EXPECT_EQ(JsonField(*sm, "hex"), "0100534d010000000000000000a10002");
  EXPECT_EQ(JsonField(*sm, "ok"), "true");
}

// A block carries packetSize - 12 bytes; one byte more needs a second block of 1 byte,
// in both directions.
TEST_F(LinkOverEmulator, BlockCountFollowsThePacketSize) {
  const std::size_t room = kDefaultPacketSize - kDataFrameOverhead;
  auto exact = Pattern(room, 1), oneMore = Pattern(room + 1, 2);
  Start({}, {exact, oneMore});

  std::vector<std::uint8_t> got(room);
  int code = 0;
  ASSERT_EQ(Read(kCmdRD, 1, got, code), kLinkDone);
  EXPECT_EQ(code, kAnswerOk);
  EXPECT_EQ(got, exact);
  std::vector<std::uint8_t> got2(room + 1);
  ASSERT_EQ(Read(kCmdRD, 2, got2, code), kLinkDone);
  EXPECT_EQ(got2, oneMore);

  ASSERT_EQ(Upload(exact, code), kLinkDone);
  EXPECT_EQ(code, kAnswerOk);
  ASSERT_EQ(Upload(oneMore, code), kLinkDone);

  std::vector<std::string> blocks;  // "from:block:count"
  for (const auto& line : Log())
    if (JsonField(line, "frame") == "DT")
      blocks.push_back(JsonField(line, "from") + ":" + JsonField(line, "block") + ":" + JsonField(line, "count"));
  EXPECT_EQ(blocks, (Tokens{"camera:1:128", "camera:1:128", "camera:2:1", "host:1:128", "host:1:128", "host:2:1"}));
}

TEST_F(LinkOverEmulator, MisnumberedBlockIsRefusedAndNotStored) {
  auto picture = Pattern(1000, 3);
  Start({"--misnumber-block", "2"}, {picture});
  std::vector<std::uint8_t> got(picture.size());
  int code = 0;
  ASSERT_EQ(Read(kCmdRD, 1, got, code), kLinkDone);
  EXPECT_EQ(code, kAnswerOk);
  EXPECT_EQ(got, picture);
  EXPECT_EQ(TheLinkState().progressDone, picture.size());
  auto tokens = Exchange(Log());
  auto wrong = std::find(tokens.begin(), tokens.end(), "camera:DT3");
  ASSERT_NE(wrong, tokens.end());
  EXPECT_EQ(*(wrong + 1), "host:NAK");
  EXPECT_EQ(Count(tokens, "camera:DT2"), 1);
  EXPECT_EQ(Count(tokens, "camera:DT3"), 2);
}

TEST_F(LinkOverEmulator, CorruptBlockIsRepeatedAndTheDataArriveWhole) {
  auto picture = Pattern(1000, 4);
  Start({"--corrupt-block", "2"}, {picture});
  std::vector<std::uint8_t> got(picture.size());
  int code = 0;
  ASSERT_EQ(Read(kCmdRD, 1, got, code), kLinkDone);
  EXPECT_EQ(code, kAnswerOk);
  EXPECT_EQ(got, picture);
  auto tokens = Exchange(Log());
  auto first = std::find(tokens.begin(), tokens.end(), "camera:DT2");
  ASSERT_NE(first, tokens.end());
  EXPECT_EQ(*(first + 1), "host:NAK");
  EXPECT_EQ(Count(tokens, "camera:DT2"), 2);
  EXPECT_EQ(Count(tokens, "host:NAK"), 1);
}

TEST_F(LinkOverEmulator, CamerasEnqAnsweringOursIsServedFirst) {
  Start({"--generate", "1", "--enq-collision", "2", "--cancel-code", "7"});
  FrameData hello{};
  hello[0] = 1;
  ASSERT_EQ(LinkRequest(kCmdSM, hello, Answered::kYes), kLinkDone);
  FrameData ask{};
  ask[0] = 1;
  BuildCommandFrame(kCmdAN, ask);
  LinkSendByte(kEnq);
  EXPECT_EQ(LinkSendFrame(), kLinkDone);
  EXPECT_EQ(TheLinkState().answerLetters, MakeLetters("CC"));
  EXPECT_EQ(TheLinkState().cameraCancelCode, 7);
  auto tokens = Exchange(Log());
  Tokens tail(tokens.end() - 9, tokens.end());
  EXPECT_EQ(tail, (Tokens{"host:ENQ", "camera:ENQ", "host:ACK", "camera:CC", "host:ACK", "host:ENQ", "camera:ACK",
                          "host:OK", "camera:ACK"}));
  EXPECT_EQ(Count(tokens, "host:AN"), 0);
}

TEST_F(LinkOverEmulator, FiveSilentEnqsFailAndPutTheLineBack) {
  Start({"--generate", "1", "--silent-enqs", "5"});
  ASSERT_NE(PortSetSpeed(115200), 0);
  TheLinkState().packetSize = 512;
  FrameData hello{};
  hello[0] = 1;
  EXPECT_EQ(LinkRequest(kCmdSM, hello, Answered::kYes), kLinkFailure);
  EXPECT_EQ(ThePort().speed, kBaseSpeed);
  EXPECT_EQ(TheLinkState().packetSize, kDefaultPacketSize);
  EXPECT_EQ(TheLinkState().enqRetries, 0);
  // The sixth ENQ is answered, and the line is at 9600 again on our side.
  EXPECT_EQ(LinkRequest(kCmdSM, hello, Answered::kYes), kLinkDone);
  auto lines = Log();
  auto tokens = Exchange(lines);
  EXPECT_EQ(Tokens(tokens.begin(), tokens.begin() + 6),
            (Tokens{"host:ENQ", "host:ENQ", "host:ENQ", "host:ENQ", "host:ENQ", "host:ENQ"}));
  auto sm = std::find_if(lines.begin(), lines.end(), [](auto& l) { return JsonField(l, "frame") == "SM"; });
  ASSERT_NE(sm, lines.end());
  EXPECT_EQ(JsonField(*sm, "host_bps"), "9600");
}

TEST_F(LinkOverEmulator, UserCancelFromTheProgressCallbackGivesStatus4) {
  auto picture = Pattern(3000, 5);
  Start({}, {picture});
  std::uint32_t lastDone = 0;
  SetLinkProgress([&](std::uint32_t total, std::uint32_t done) {
    EXPECT_EQ(total, picture.size());
    lastDone = done;
    return done >= 500 ? 0 : 1;
  });
  std::vector<std::uint8_t> got(picture.size());
  int code = 0;
  EXPECT_EQ(Read(kCmdRD, 1, got, code), kLinkCancelled);
  EXPECT_GE(lastDone, 500u);
  EXPECT_LT(lastDone, picture.size());
  // The camera is told, as the camera operations do it, and answers.
  SetLinkProgress(nullptr);
  TheLinkState().transferState = TransferState::kIdle;
  TheLinkState().cancelRequest = 0;
  BuildCommandFrame(kCmdCC, FrameData{});
  PortPurge();
  LinkSendByte(kEnq);
  ASSERT_EQ(LinkSendFrame(), kLinkDone);
  ASSERT_EQ(LinkAwaitAnswer(kAnswerTimeoutMs), kLinkDone);
  EXPECT_EQ(AnswerCode(), kAnswerOk);
  EXPECT_EQ(Count(Exchange(Log()), "host:CC"), 1);
}

TEST_F(LinkOverEmulator, CameraStoppingATransferGivesItsReason) {
  auto picture = Pattern(1000, 6);
  Start({"--cancel-block", "3", "--cancel-code", "0"}, {picture});
  std::vector<std::uint8_t> got(picture.size());
  int code = 0;
  ASSERT_EQ(Read(kCmdRD, 1, got, code), kLinkDone);
  EXPECT_EQ(code, kAnswerNoPicture);
  EXPECT_EQ(TheLinkState().transferState, TransferState::kIdle);
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + 256, picture.begin()));
  ASSERT_EQ(Upload(picture, code), kLinkDone);
  EXPECT_EQ(code, kAnswerNoPicture);
  auto tokens = Exchange(Log());
  EXPECT_EQ(Count(tokens, "camera:CC"), 2);
  EXPECT_EQ(Count(tokens, "host:OK"), 2);
  EXPECT_EQ(Count(tokens, "host:DE"), 0);
  EXPECT_EQ(Count(tokens, "host:DT3"), 0);
}

TEST_F(LinkOverEmulator, CameraCancelWithAReasonGives17) {
  auto picture = Pattern(1000, 7);
  Start({"--cancel-block", "2", "--cancel-code", "3"}, {picture});
  std::vector<std::uint8_t> got(picture.size());
  int code = 0;
  ASSERT_EQ(Read(kCmdRD, 1, got, code), kLinkDone);
  EXPECT_EQ(code, kAnswerNoBlock);
  EXPECT_EQ(TheLinkState().cameraCancelCode, 3);
}

TEST_F(LinkOverEmulator, BlockThatWouldOverrunTheDestinationIsALinkFailure) {
  auto picture = Pattern(600, 8);
  Start({}, {picture});
  std::vector<std::uint8_t> buffer(600, 0xEE);
  auto destination = std::span(buffer).first(300);
  int code = 0;
  ASSERT_NE(PortSetSpeed(19200), 0);
  EXPECT_EQ(Read(kCmdRD, 1, destination, code), kLinkFailure);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 256, picture.begin()));
  EXPECT_TRUE(std::all_of(buffer.begin() + 256, buffer.end(), [](std::uint8_t b) { return b == 0xEE; }));
  EXPECT_EQ(ThePort().speed, kBaseSpeed);
  EXPECT_EQ(TheLinkState().transferState, TransferState::kIdle);
}

TEST_F(LinkOverEmulator, StrayByteBeforeTheAnswerIsSkipped) {
  Start({"--generate", "1", "--stray-byte", "1"});
  FrameData hello{};
  hello[0] = 1;
  ASSERT_EQ(LinkRequest(kCmdSM, hello, Answered::kYes), kLinkDone);
  EXPECT_EQ(AnswerCode(), kAnswerOk);
  auto tokens = Exchange(Log());
  EXPECT_EQ(Count(tokens, "camera:byte255"), 1);
  EXPECT_EQ(Count(tokens, "camera:OK"), 1);
}

// The bulk set-up of a picture read: a faster line and larger packets, then the blocks.
TEST_F(LinkOverEmulator, SpeedAndPacketSizeChangesCarryABulkRead) {
  auto picture = Pattern(5000, 9);
  Start({}, {picture});
  FrameData speed{};
  speed[0] = '6';
  ASSERT_EQ(LinkRequest(kCmdSB, speed, Answered::kYes), kLinkDone);
  ASSERT_EQ(AnswerCode(), kAnswerOk);
  LinkPause(50);
  ASSERT_NE(PortSetSpeed(115200), 0);
  TheLinkState().packetSize = 512;
  FrameData packet{};
  PutU16BE(packet, 0, 512);
  ASSERT_EQ(LinkRequest(kCmdSP, packet, Answered::kNo), kLinkDone);
  std::vector<std::uint8_t> got(picture.size());
  int code = 0;
  ASSERT_EQ(Read(kCmdRD, 1, got, code), kLinkDone);
  EXPECT_EQ(got, picture);
  int blocks = 0;
  for (const auto& line : Log()) {
    if (JsonField(line, "frame") != "DT") continue;
    ++blocks;
    EXPECT_EQ(JsonField(line, "bytes"), "512");
    EXPECT_EQ(JsonField(line, "bps"), "115200");
  }
  EXPECT_EQ(blocks, 10);
}

TEST_F(LinkOverEmulator, AnswersForMissingPicturesAndRefusedThumbnails) {
  Start({"--generate", "2", "--ng-thumbnail", "2"});
  std::vector<std::uint8_t> thumbnail(1800);
  int code = 0;
  ASSERT_EQ(Read(kCmdRM, 1, thumbnail, code), kLinkDone);
  EXPECT_EQ(code, kAnswerOk);
  EXPECT_EQ(TheLinkState().progressDone, 1800u);
  ASSERT_EQ(Read(kCmdRM, 2, thumbnail, code), kLinkDone);
  EXPECT_EQ(code, kAnswerNotGood);
  ASSERT_EQ(Read(kCmdRD, 3, thumbnail, code), kLinkDone);
  EXPECT_EQ(code, kAnswerNotFound);
}

// The emulator's side of things that later camera operations rely on.

std::uint32_t AnswerValue() { return GetU32BE(TheLinkState().answerData, 0); }

// Width and height of a JPEG file, or 0 x 0 when libjpeg cannot read its header.
std::pair<int, int> JpegSize(const std::vector<std::uint8_t>& file) {
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  std::pair<int, int> size{0, 0};
  if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK)
    size = {static_cast<int>(info.image_width), static_cast<int>(info.image_height)};
  jpeg_destroy_decompress(&info);
  return size;
}

TEST_F(LinkOverEmulator, GeneratedPicturesHaveTheCameraLayoutAndTheirThumbnails) {
  Start({"--generate", "2"});
  ASSERT_EQ(LinkRequest(kCmdRN, FrameData{0, 1}, Answered::kYes), kLinkDone);
  EXPECT_EQ(AnswerValue(), 2u);
  FrameData number{};
  PutU32BE(number, 0, 2);
  ASSERT_EQ(LinkRequest(kCmdFS, number, Answered::kYes), kLinkDone);
  std::vector<std::uint8_t> picture(AnswerValue());
  ASSERT_GT(picture.size(), 2050u);
  int code = 0;
  ASSERT_EQ(Read(kCmdRD, 2, picture, code), kLinkDone);
  EXPECT_EQ(std::vector<std::uint8_t>(picture.begin(), picture.begin() + 6),
            (std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xE1, 0x07, 0x0A}));
  EXPECT_EQ(std::vector<std::uint8_t>(picture.begin() + 1806, picture.begin() + 1815),
            (std::vector<std::uint8_t>{0xFF, 0xFE, 0x00, 0xF2, 0x00, 'Q', 'O', 'R', 0x00}));
  EXPECT_EQ(JpegSize(picture), (std::pair{320, 240}));

  std::vector<std::uint8_t> thumbnail(1800);
  ASSERT_EQ(Read(kCmdRM, 2, thumbnail, code), kLinkDone);
  EXPECT_TRUE(std::equal(thumbnail.begin(), thumbnail.end(), picture.begin() + 6));
  // Pictures differ from one another, and a thumbnail is not flat.
  std::vector<std::uint8_t> first(1800);
  ASSERT_EQ(Read(kCmdRM, 1, first, code), kLinkDone);
  EXPECT_NE(first, thumbnail);
  auto [low, high] = std::minmax_element(thumbnail.begin(), thumbnail.begin() + 1200);
  EXPECT_GT(*high - *low, 100);
}

TEST_F(LinkOverEmulator, PictureSentToTheCameraIsAddedToTheCard) {
  auto existing = Pattern(700, 10);
  Start({}, {existing});
  auto sent = Pattern(2000, 11);
  int code = 0;
  ASSERT_EQ(LinkRequest(kCmdAN, FrameData{1}, Answered::kYes), kLinkDone);
  EXPECT_EQ(AnswerValue(), 4'000'000u);
  ASSERT_EQ(Upload(sent, code), kLinkDone);
  EXPECT_EQ(code, kAnswerOk);
  EXPECT_EQ(TheLinkState().answerLetters, MakeLetters("OK"));
  ASSERT_EQ(LinkRequest(kCmdRN, FrameData{}, Answered::kYes), kLinkDone);
  EXPECT_EQ(AnswerValue(), 2u);
  std::vector<std::uint8_t> back(sent.size());
  ASSERT_EQ(Read(kCmdRD, 2, back, code), kLinkDone);
  EXPECT_EQ(back, sent);
  ASSERT_EQ(LinkRequest(kCmdAN, FrameData{1}, Answered::kYes), kLinkDone);
  EXPECT_EQ(AnswerValue(), 4'000'000u - 2000u);
  Log();
  std::ifstream stored(m_card / "AUT_0002.JPG", std::ios::binary);
  std::vector<std::uint8_t> onDisk((std::istreambuf_iterator<char>(stored)), std::istreambuf_iterator<char>());
  EXPECT_EQ(onDisk, sent);
}

TEST_F(LinkOverEmulator, CountedFaultsOfTheCard) {
  Start({"--generate", "1", "--card-changed-after", "1", "--report-count", "1000", "--free-memory", "99"});
  ASSERT_EQ(LinkRequest(kCmdRN, FrameData{}, Answered::kYes), kLinkDone);
  EXPECT_EQ(AnswerValue(), 1000u);
  ASSERT_EQ(LinkRequest(kCmdAN, FrameData{1}, Answered::kYes), kLinkDone);
  EXPECT_EQ(AnswerValue(), 99u);
  FrameData number{};
  PutU32BE(number, 0, 1);
  ASSERT_EQ(LinkRequest(kCmdFS, number, Answered::kYes), kLinkDone);
  EXPECT_EQ(AnswerCode(), kAnswerOk);
  ASSERT_EQ(LinkRequest(kCmdFS, number, Answered::kYes), kLinkDone);
  EXPECT_EQ(AnswerCode(), kAnswerCardChanged);
  FrameData badSpeed{};
  badSpeed[0] = '9';
  ASSERT_EQ(LinkRequest(kCmdSB, badSpeed, Answered::kYes), kLinkDone);
  EXPECT_EQ(AnswerCode(), kAnswerNotGood);
}

}  // namespace
}  // namespace tessaly
