// The packet protocol: frames, the retries and time-outs against a line in memory whose
// clock moves only while the link waits, and the link against the camera emulator over a
// real pseudo-terminal.
#include <gtest/gtest.h>

#include <functional>

#include "camera/camera_ops.h"
#include "camera/frame.h"
#include "camera/link.h"
#include "camera/over_emulator.h"
#include "formats/jpg.h"
#include "serial/serlnk32.h"
#include "test_support/fake_line.h"

namespace tessaly {
namespace {

using test::Count;
using test::Exchange;
using test::FakeLineState;
using test::JsonField;
using test::Tokens;

// ---------------------------------------------------------------- frames

TEST(Frame, ParsersRefuseWhatCannotBeTrusted) {
  std::array<std::uint8_t, kCommandFrameSize> command{};
  EncodeCommandFrame(command, MakeLetters("OK"), FrameData{1, 2, 3, 4, 5, 6, 7, 8});
  auto loose = command;
  loose[0] = loose[1] = loose[14] = loose[15] = 0x77;  // the framing bytes are not checked
  EXPECT_TRUE(ParseCommandFrame(loose));
  for (std::size_t offset : {2, 3, 4, 11, 12, 13}) {  // letters, data, checksum
    auto damaged = command;
    damaged[offset] ^= 0x01;
    EXPECT_FALSE(ParseCommandFrame(damaged)) << offset;
  }
  EXPECT_FALSE(ParseCommandFrame(std::span(command).first(15)));

  std::vector<std::uint8_t> frame(140);
  const std::vector<std::uint8_t> full(128, 0xAB);
  ASSERT_TRUE(EncodeDataFrame(frame, 140, 9, full));
  EXPECT_TRUE(ParseDataFrame(frame, 140));
  EXPECT_FALSE(EncodeDataFrame(frame, 140, 1, std::vector<std::uint8_t>(129)));
  EXPECT_FALSE(EncodeDataFrame(frame, 512, 1, full));  // the frame has no room for 512
  EXPECT_FALSE(ParseDataFrame(std::span(frame).first(139), 140));
  EXPECT_FALSE(ParseDataFrame(frame, 12));
  // A byte count beyond the data area is refused even with a matching checksum.
  auto lying = frame;
  lying[7] = 129;
  std::uint16_t sum = FrameChecksum(std::span(lying).subspan(2, 134));
  lying[136] = static_cast<std::uint8_t>(sum >> 8);
  lying[137] = static_cast<std::uint8_t>(sum);
  EXPECT_FALSE(ParseDataFrame(lying, 140));
}

// ---------------------------------------------------------------- retries and time-outs

using CameraScript = std::function<void(const std::vector<std::uint8_t>& written, FakeLineState& line)>;

bool Is(const std::vector<std::uint8_t>& written, std::uint8_t control) {
  return written.size() == 1 && written[0] == control;
}

class LinkTiming : public ::testing::Test {
 protected:
  void SetUp() override {
    m_line = std::make_shared<FakeLineState>();
    m_previousBackend = SetPortBackend(std::make_unique<test::FakeLineBackend>(m_line));
    m_previousClock = SetLinkClock(std::make_unique<test::FakeClock>(m_line));
    LinkReset();
    ASSERT_EQ(PortReset(1), 1);
    ASSERT_NE(PortOpen(kBaseSpeed, 1), 0);
  }
  void TearDown() override {
    PortClose();
    SetPortBackend(std::move(m_previousBackend));
    SetLinkClock(std::move(m_previousClock));
  }
  int Writes(std::size_t size, int byte = -1) const {
    return static_cast<int>(std::count_if(m_line->writes.begin(), m_line->writes.end(), [&](const auto& w) {
      return w.size() == size && (byte < 0 || w[0] == byte);
    }));
  }

  std::shared_ptr<FakeLineState> m_line;
  std::unique_ptr<PortBackend> m_previousBackend;
  std::unique_ptr<LinkClock> m_previousClock;
};

struct RetryCase {
  const char* description;
  CameraScript camera;
  int enqs, frames;
  std::uint64_t fromMs, toMs;  // the time the request took
};

TEST_F(LinkTiming, RetryBudgetsEndInAFailureWithTheLineBackAtItsBase) {
  const RetryCase cases[] = {
      {"silence: the ENQ and four retries, 500 ms each", nullptr, 5, 0, 2500, 2510},
      {"NAK to every ENQ counts like silence, without waiting",
       [](const auto& w, FakeLineState& line) {
         if (Is(w, kEnq)) line.Send({kNak});
       },
       5, 0, 0, 0},
      {"a frame never acknowledged goes out three times, 4000 ms apart (plus their line time)",
       [](const auto& w, FakeLineState& line) {
         if (Is(w, kEnq)) line.Send({kAck});
       },
       3, 3, 12000, 12020},
  };
  for (const RetryCase& c : cases) {
    SCOPED_TRACE(c.description);
    *m_line = FakeLineState{};
    m_line->camera = c.camera;
    LinkReset();
    ASSERT_NE(PortSetSpeed(57600), 0);
    LinkSetPacketSize(524);
    EXPECT_EQ(LinkRequest(kCmdSM, FrameData{}, Answered::kYes), kLinkFailure);
    EXPECT_EQ(Writes(1, kEnq), c.enqs);
    EXPECT_EQ(Writes(kCommandFrameSize), c.frames);
    EXPECT_GE(m_line->now, c.fromMs);
    EXPECT_LE(m_line->now, c.toMs);
    EXPECT_EQ(ThePort().speed, kBaseSpeed);
    EXPECT_EQ(LinkPacketSize(), kDefaultPacketSize);
    EXPECT_EQ(LinkEnqRetries(), 0);
    EXPECT_EQ(LinkSendRetries(), 0);
  }
}

TEST_F(LinkTiming, RetryBudgetIsSharedUntilAFrameIsReceived) {
  // Every second ENQ is ignored; each success leaves a retry used.
  int enqs = 0;
  m_line->camera = [&](const std::vector<std::uint8_t>& written, FakeLineState& line) {
    if ((Is(written, kEnq) && ++enqs % 2 == 0) || written.size() > 1) line.Send({kAck});
  };
  for (int i = 0; i < 4; ++i) ASSERT_EQ(LinkRequest(kCmdSP, FrameData{}, Answered::kNo), kLinkDone) << i;
  EXPECT_EQ(LinkEnqRetries(), 4);
  EXPECT_EQ(LinkRequest(kCmdSP, FrameData{}, Answered::kNo), kLinkFailure);
}

// A frame the driver would not take is a link failure like any other: the line goes
// back to its base speed and packet size, and the next exchange starts with fresh budgets.
TEST_F(LinkTiming, AFrameTheDriverRefusesRecoversTheLine) {
  m_line->camera = [](const std::vector<std::uint8_t>& written, FakeLineState& line) {
    if (Is(written, kEnq)) line.Send({kAck});
  };
  m_line->refuseWritesOver = 1;
  ASSERT_NE(PortSetSpeed(57600), 0);
  LinkSetPacketSize(524);
  EXPECT_EQ(LinkRequest(kCmdSM, FrameData{}, Answered::kYes), kLinkFailure);
  EXPECT_EQ(ThePort().speed, kBaseSpeed);
  EXPECT_EQ(LinkPacketSize(), kDefaultPacketSize);
  EXPECT_EQ(LinkTransferState(), TransferState::kIdle);
  EXPECT_EQ(Writes(kCommandFrameSize), 0);
}

TEST_F(LinkTiming, ReceiveReportsLineErrorsTimeOutsAndAClosedPort) {
  std::array<std::uint8_t, 1> byte{};
  m_line->readResults = {SERLNK32_CE_FRAME};
  EXPECT_EQ(LinkReceive(byte, 1, 500), kReceiveLineError);
  EXPECT_EQ(LinkReceive(byte, 1, 500), kReceiveTimedOut);
  // A line error and then silence while an answer is awaited: NAK, and no answer to read.
  m_line->readResults = {SERLNK32_CE_OVERRUN};
  EXPECT_EQ(LinkAwaitAnswer(kAnswerTimeoutMs), kLinkDone);
  EXPECT_EQ(Writes(1, kNak), 1);
  EXPECT_EQ(AnswerCode(), kAnswerNotGood);
  PortClose();
  EXPECT_EQ(LinkReceive(byte, 1, 500), kReceiveNotOpen);
  EXPECT_EQ(LinkAwaitAnswer(kAnswerTimeoutMs), kLinkNotOpen);
  ASSERT_NE(PortOpen(kBaseSpeed, 1), 0);
}

TEST_F(LinkTiming, ReceiveTimeOutRunsFromTheStartOfTheCall) {
  // Bytes trickle in one every 100 ms: the 16-byte frame is not complete within 1000 ms.
  struct Trickle final : LinkClock {
    std::shared_ptr<FakeLineState> line;
    std::uint64_t NowMs() override {
      line->now += 100;
      line->Send({0x01});
      return line->now;
    }
    void SleepMs(std::uint32_t ms) override { line->now += ms; }
  };
  auto trickle = std::make_unique<Trickle>();
  trickle->line = m_line;
  SetLinkClock(std::move(trickle));
  std::array<std::uint8_t, kReceiveBufferSize> buffer{};
  EXPECT_EQ(LinkReceive(buffer, kCommandFrameSize, 1000), kReceiveTimedOut);
}

TEST_F(LinkTiming, DamagedAnswersAreRefusedAndTheRepeatAwaited) {
  std::vector<std::uint8_t> good(kCommandFrameSize);
  EncodeCommandFrame(std::span(good).first<kCommandFrameSize>(), MakeLetters("OK"), FrameData{});
  auto bad = good;
  bad[5] ^= 1;
  std::vector<std::uint8_t> block(kDefaultPacketSize);
  ASSERT_TRUE(EncodeDataFrame(block, kDefaultPacketSize, 0, std::vector<std::uint8_t>{1, 2, 3}));
  // Each row: what the camera sends after our ACK, the first time and then every time.
  struct Case {
    const char* description;
    std::vector<std::uint8_t> first, then;
    LinkStatus status;
    int naks;
  };
  const Case cases[] = {
      {"a corrupt answer, then a good one", bad, good, kLinkDone, 1},
      {"nothing but corrupt answers", bad, bad, kLinkFailure, -1},
      {"a data frame outside a transfer, then silence", block, {}, kLinkFailure, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    m_line->writes.clear();
    m_line->incoming.clear();
    int offered = 0;
    m_line->camera = [&](const std::vector<std::uint8_t>& written, FakeLineState& line) {
      if (Is(written, kAck)) line.SendRange(offered++ == 0 ? c.first : c.then);
      if (Is(written, kNak) && !c.then.empty()) line.Send({kEnq});
    };
    m_line->Send({kEnq});
    EXPECT_EQ(LinkAwaitAnswer(kAnswerTimeoutMs), c.status);
    if (c.naks >= 0) {
      EXPECT_EQ(Writes(1, kNak), c.naks);
    }
    if (c.status == kLinkDone) {
      EXPECT_EQ(AnswerCode(), kAnswerOk);
    }
  }
  m_line->camera = nullptr;
}

// The driver's transmit queue: whatever follows the link's last byte at once (a purge,
// a close, a speed change, the recovery after a failure) must not catch that byte on its
// way. The camera answers "RN", and our ACK of its answer is the last byte; the camera
// must get it intact.
TEST_F(LinkTiming, WhatFollowsAWriteAtOnceNeverLosesIt) {
  std::vector<std::uint8_t> answer(kCommandFrameSize);
  EncodeCommandFrame(std::span(answer).first<kCommandFrameSize>(), MakeLetters("OK"), FrameData{0, 0, 0, 4});
  const struct {
    const char* description;
    std::function<void()> then;
  } cases[] = {
      {"purge", [] { PortPurge(); }},
      {"close", [] { PortClose(); }},
      {"speed change", [] { PortSetSpeed(kBaseSpeed); }},
      {"recovery after a failure", [] { LinkFail(kLinkFailure); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    if (!ThePort().isOpen) {
      ASSERT_NE(PortOpen(kBaseSpeed, 1), 0);
    }
    ASSERT_NE(PortSetSpeed(115200), 0);
    m_line->delivered.clear();
    bool answered = false;
    m_line->camera = [&](const std::vector<std::uint8_t>& written, FakeLineState& line) {
      if (Is(written, kEnq)) line.Send({kAck});
      if (written.size() == kCommandFrameSize) line.Send({kAck, kEnq});
      if (Is(written, kAck) && !answered) {
        answered = true;
        line.SendRange(answer);
      }
    };
    ASSERT_EQ(LinkRequest(kCmdRN, FrameData{}, Answered::kYes), kLinkDone);
    ASSERT_EQ(AnswerCode(), kAnswerOk);
    c.then();
    ASSERT_FALSE(m_line->delivered.empty());
    EXPECT_EQ(m_line->delivered.back(), std::vector<std::uint8_t>{kAck});
    EXPECT_EQ(m_line->delivered.size(), 4u);  // ENQ, the frame, ACK to the camera's ENQ, ACK to its answer
  }
  m_line->camera = nullptr;
}

// The progress is reported while the link waits for a frame. A camera whose "DE" is
// already there when the link looks for it leaves no wait after the last block: the end
// of the transfer still reaches the progress.
TEST_F(LinkTiming, ATransferEndingWithNoWaitStillReportsItsLastBlock) {
  std::vector<std::uint8_t> block(kDefaultPacketSize), end(kCommandFrameSize);
  ASSERT_TRUE(EncodeDataFrame(block, kDefaultPacketSize, 1, std::vector<std::uint8_t>{1, 2, 3}));
  EncodeCommandFrame(std::span(end).first<kCommandFrameSize>(), MakeLetters("DE"), FrameData{});
  // Each frame follows the host's ACK at once: it is there by the time the link's write
  // of that ACK has drained.
  int acks = 0;
  m_line->camera = [&](const std::vector<std::uint8_t>& written, FakeLineState& line) {
    if (Is(written, kAck)) {
      if (acks == 0) line.SendRange(block);
      if (acks == 1) line.Send({kEnq});
      if (acks == 2) line.SendRange(end);
      ++acks;
    }
    if (Is(written, kEnq) || written.size() == kCommandFrameSize) line.Send({kAck});
  };
  std::vector<std::uint32_t> reported;
  SetLinkProgress([&](std::uint32_t, std::uint32_t done) {
    reported.push_back(done);
    return 1;
  });
  std::vector<std::uint8_t> destination(3);
  int code = kAnswerOk;
  m_line->Send({kEnq});
  EXPECT_EQ(ReceiveBlocks(destination, 3, code), kLinkDone);
  SetLinkProgress(nullptr);
  m_line->camera = nullptr;
  EXPECT_EQ(code, kAnswerOk);
  EXPECT_EQ(destination, (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(reported, std::vector<std::uint32_t>{3});
}

// A device that went away answers reads with EIO: every wait ends at once with the
// disconnect status, the port is closed, and later steps fail without waiting.
TEST_F(LinkTiming, AVanishedDeviceEndsEveryWaitAtOnce) {
  const struct {
    const char* description;
    std::int32_t error;
    std::function<LinkStatus()> step;
  } cases[] = {
      {"the greeting (EIO)", EIO, [] { return LinkRequest(kCmdSM, FrameData{}, Answered::kYes); }},
      {"an answer (ENXIO)", ENXIO, [] { return LinkAwaitAnswer(kAnswerTimeoutMs); }},
      {"a block (EIO)", EIO,
       [] {
         std::vector<std::uint8_t> room(100);
         int code = 0;
         return ReceiveBlocks(room, 100, code);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    if (!ThePort().isOpen) {
      ASSERT_NE(PortOpen(kBaseSpeed, 1), 0);
    }
    EXPECT_EQ(ThePort().lineGone, 0);
    m_line->readResults.assign(10, c.error);
    std::uint64_t start = m_line->now;
    EXPECT_EQ(c.step(), kLinkDisconnected);
    EXPECT_LT(m_line->now - start, 5u);
    EXPECT_FALSE(ThePort().isOpen);
    EXPECT_EQ(ThePort().lineGone, 1);
    EXPECT_EQ(LinkTransferState(), TransferState::kIdle);
    EXPECT_EQ(CameraResultMessage(kCamDisconnected), kMsgSerialDisconnected);
    m_line->readResults.clear();
  }
  ASSERT_NE(PortOpen(kBaseSpeed, 1), 0);
  EXPECT_EQ(ThePort().lineGone, 0);
}

// A stop request (a signal) ends a wait within one slice, the greeting included; under
// LinkCleanup the same wait runs to its time-out, so that "CC" and the way back to 9600
// are not cut short.
TEST_F(LinkTiming, AStopRequestEndsWaitsExceptDuringTheCleanUp) {
  struct StopAfter final : LinkClock {
    std::shared_ptr<FakeLineState> line;
    std::uint64_t at = 0;
    std::uint64_t NowMs() override {
      if (line->now >= at) RequestLinkStop();
      return line->now;
    }
    void SleepMs(std::uint32_t ms) override { line->now += ms; }
  };
  auto clock = std::make_unique<StopAfter>();
  clock->line = m_line;
  clock->at = 200;
  SetLinkClock(std::move(clock));
  ClearLinkStop();
  // A silent camera: the greeting would take 2500 ms of retries.
  EXPECT_EQ(LinkRequest(kCmdSM, FrameData{}, Answered::kYes), kLinkCancelled);
  EXPECT_LE(m_line->now, 200 + kStopLatencyMs + 1);
  EXPECT_EQ(LinkCancelPending(), false);
  {
    LinkCleanup cleanup;
    std::uint64_t start = m_line->now;
    EXPECT_EQ(LinkRequest(kCmdSM, FrameData{}, Answered::kYes), kLinkFailure);
    EXPECT_GE(m_line->now - start, 2500u);
  }
  EXPECT_EQ(LinkRequest(kCmdSM, FrameData{}, Answered::kYes), kLinkCancelled);
  ClearLinkStop();
}

TEST_F(LinkTiming, PortNumbersAboveFourTouchNoDevice) {
  int opens = m_line->opens;
  EXPECT_EQ(PortOpen(kBaseSpeed, 5), 0);
  EXPECT_EQ(PortReset(5), 0);
  EXPECT_EQ(m_line->opens, opens);
  EXPECT_EQ(PortLastOpenError(), PortOpenError::kNoSuchPort);
}

TEST(PortOpenErrors, EachCauseHasItsMessage) {
  struct Row {
    int error;
    PortOpenError cause;
    MessageId message;
  };
  for (auto [error, cause, message] : {
           Row{ENOENT, PortOpenError::kMissing, kMsgSerialMissing},
           Row{ENXIO, PortOpenError::kMissing, kMsgSerialMissing},
           Row{EACCES, PortOpenError::kPermission, kMsgSerialPermission},
           Row{EPERM, PortOpenError::kPermission, kMsgSerialPermission},
           Row{EBUSY, PortOpenError::kBusy, kMsgSerialBusy},
           Row{EIO, PortOpenError::kOther, kMsgFailedToCommunicate},
       }) {
    EXPECT_EQ(PortOpenErrorFromErrno(error), cause) << error;
    EXPECT_EQ(PortOpenErrorMessage(cause), message) << error;
  }
  EXPECT_EQ(PortOpenErrorMessage(PortOpenError::kRefused), kMsgFailedToCommunicate);
}

// ---------------------------------------------------------------- against the emulator

class LinkOverEmulator : public test::OverEmulator {
 protected:
  void Open(std::vector<std::string> args, const std::vector<Bytes>& files = {}) {
    Start(std::move(args), files);
    ASSERT_NE(PortOpen(kBaseSpeed, 1), 0);
  }
  // A picture or thumbnail read, set up as the camera operations do it.
  LinkStatus Read(int command, std::uint32_t number, std::span<std::uint8_t> destination, int& code) {
    LinkExpectBlocks(destination, static_cast<std::uint32_t>(destination.size()));
    FrameData data{};
    PutU32BE(data, 0, number);
    LinkStatus status = LinkRequest(command, data, Answered::kYes);
    if (status != kLinkDone) return status;
    code = AnswerCode();
    if (code != kAnswerOk) return status;
    return ReceiveBlocks(destination, static_cast<std::uint32_t>(destination.size()), code);
  }
  LinkStatus Upload(std::span<const std::uint8_t> source, int& code) {
    FrameData data{};
    data[4] = 1;
    LinkStatus status = LinkRequest(kCmdNW, data, Answered::kYes);
    if (status != kLinkDone) return status;
    code = AnswerCode();
    if (code != kAnswerOk) return status;
    return SendBlocks(source, code);
  }
  LinkStatus Hello() {
    FrameData data{};
    data[0] = 1;
    return LinkRequest(kCmdSM, data, Answered::kYes);
  }
};

std::string HexOfFrame(const std::vector<std::string>& lines, const std::string& from, const std::string& letters) {
  for (const auto& line : lines)
    if (JsonField(line, "from") == from && JsonField(line, "frame") == letters) return JsonField(line, "hex");
  return {};
}

// A stray byte before the camera's answer is passed over.
TEST_F(LinkOverEmulator, FramesGoOutByteExact) {
  Open({"--stray-byte", "1"});
  ASSERT_EQ(Hello(), kLinkDone);
  EXPECT_EQ(AnswerCode(), kAnswerOk);
  int code = 0;
  ASSERT_EQ(Upload(std::vector<std::uint8_t>{0x10, 0x20, 0x30}, code), kLinkDone);
  EXPECT_EQ(code, kAnswerOk);
  auto lines = Log();
  auto tokens = Exchange(lines);
  ASSERT_GE(tokens.size(), 8u);
  // The close right after our last ACK does not lose it.
  EXPECT_EQ(tokens.back(), "host:ACK");
  EXPECT_EQ(Tokens(tokens.begin(), tokens.begin() + 8),
            (Tokens{"host:ENQ", "camera:ACK", "host:SM", "camera:ACK", "camera:byte255", "camera:ENQ", "host:ACK",
                    "camera:OK"}));
  // Checksum of "SM" with data byte 0 = 1: 0x53 + 0x4D + 1 = 0x00A1.
  EXPECT_EQ(HexOfFrame(lines, "host", "SM"), "0100534d010000000000000000a10002");
  // Three bytes as block 1 at packet size 140: 125 zero bytes of padding, then the
  // checksum 0x44 + 0x54 + 0x00 + 0x01 + 0x00 + 0x03 + 0x60 = 0x00FC at offsets 136-137.
  EXPECT_EQ(HexOfFrame(lines, "host", "DT"), "0100445400010003102030" + std::string(250, '0') + "00fc0002");
}

// A block carries packetSize - 12 bytes; one byte more needs a second block of 1 byte,
// in both directions.
TEST_F(LinkOverEmulator, BlockCountFollowsThePacketSize) {
  const std::size_t room = kDefaultPacketSize - kDataFrameOverhead;
  auto exact = test::Pattern(room, 1), oneMore = test::Pattern(room + 1, 2);
  Open({}, {exact, oneMore});
  std::vector<std::uint8_t> got(room), got2(room + 1);
  int code = 0;
  ASSERT_EQ(Read(kCmdRD, 1, got, code), kLinkDone);
  EXPECT_EQ(got, exact);
  ASSERT_EQ(Read(kCmdRD, 2, got2, code), kLinkDone);
  EXPECT_EQ(got2, oneMore);
  ASSERT_EQ(Upload(exact, code), kLinkDone);
  ASSERT_EQ(Upload(oneMore, code), kLinkDone);
  EXPECT_EQ(code, kAnswerOk);
  Tokens blocks;  // "from:block:count"
  for (const auto& line : Log())
    if (JsonField(line, "frame") == "DT")
      blocks.push_back(JsonField(line, "from") + ":" + JsonField(line, "block") + ":" + JsonField(line, "count"));
  EXPECT_EQ(blocks, (Tokens{"camera:1:128", "camera:1:128", "camera:2:1", "host:1:128", "host:1:128", "host:2:1"}));
}

// A damaged block is answered with NAK, not stored, and arrives whole when repeated.
TEST_F(LinkOverEmulator, DamagedBlocksAreRefusedAndRepeated) {
  auto picture = test::Pattern(1000, 3);
  // The fault at block 2, the block refused, a block number and how often it came.
  for (auto [fault, refused, block, times] : {std::tuple{"--misnumber-block", "camera:DT3", "camera:DT2", 1},
                                              {"--corrupt-block", "camera:DT2", "camera:DT2", 2}}) {
    SCOPED_TRACE(fault);
    Open({fault, "2"}, {picture});
    std::vector<std::uint8_t> got(picture.size());
    int code = 0;
    ASSERT_EQ(Read(kCmdRD, 1, got, code), kLinkDone);
    EXPECT_EQ(code, kAnswerOk);
    EXPECT_EQ(got, picture);
    EXPECT_EQ(LinkProgressDone(), picture.size());
    auto tokens = Exchange(Log());
    auto at = std::find(tokens.begin(), tokens.end(), refused);
    ASSERT_NE(at, tokens.end());
    EXPECT_EQ(*(at + 1), "host:NAK");
    EXPECT_EQ(Count(tokens, "host:NAK"), 1);
    EXPECT_EQ(Count(tokens, block), times);
  }
}

TEST_F(LinkOverEmulator, CamerasEnqAnsweringOursIsServedFirst) {
  Open({"--generate", "1", "--enq-collision", "2", "--cancel-code", "7"});
  ASSERT_EQ(Hello(), kLinkDone);
  FrameData ask{};
  ask[0] = 1;
  BuildCommandFrame(kCmdAN, ask);
  LinkSendByte(kEnq);
  EXPECT_EQ(LinkSendFrame(), kLinkDone);
  EXPECT_EQ(LinkAnswerLetters(), MakeLetters("CC"));
  EXPECT_EQ(LinkCameraCancelCode(), 7);
  auto tokens = Exchange(Log());
  EXPECT_EQ(Tokens(tokens.end() - 9, tokens.end()),
            (Tokens{"host:ENQ", "camera:ENQ", "host:ACK", "camera:CC", "host:ACK", "host:ENQ", "camera:ACK", "host:OK",
                    "camera:ACK"}));
  EXPECT_EQ(Count(tokens, "host:AN"), 0);
}

TEST_F(LinkOverEmulator, FiveSilentEnqsFailAndPutTheLineBack) {
  Open({"--generate", "1", "--silent-enqs", "5"});
  ASSERT_NE(PortSetSpeed(115200), 0);
  LinkSetPacketSize(512);
  EXPECT_EQ(Hello(), kLinkFailure);
  EXPECT_EQ(ThePort().speed, kBaseSpeed);
  EXPECT_EQ(LinkPacketSize(), kDefaultPacketSize);
  // The sixth ENQ is answered, and the line is at 9600 again on our side.
  EXPECT_EQ(Hello(), kLinkDone);
  auto lines = Log();
  auto tokens = Exchange(lines);
  EXPECT_EQ(Tokens(tokens.begin(), tokens.begin() + 6), Tokens(6, "host:ENQ"));
  auto sm = std::find_if(lines.begin(), lines.end(), [](auto& l) { return JsonField(l, "frame") == "SM"; });
  ASSERT_NE(sm, lines.end());
  EXPECT_EQ(JsonField(*sm, "host_bps"), "9600");
}

TEST_F(LinkOverEmulator, UserCancelFromTheProgressCallbackGivesStatus4) {
  auto picture = test::Pattern(3000, 5);
  // At the line's own pace: the stop is asked while the line is idle between frames, and
  // an emulator that answers at once can have every block queued before a busy machine
  // runs the test, leaving no such moment.
  Open({"--realtime"}, {picture});
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
}

TEST_F(LinkOverEmulator, CameraStoppingATransferGivesItsReason) {
  auto picture = test::Pattern(1000, 6);
  // Reason 0 gives "no picture" (reading and sending); any other reason "no block".
  for (auto [block, reason, answer] : {std::tuple{"3", "0", kAnswerNoPicture}, {"2", "3", kAnswerNoBlock}}) {
    SCOPED_TRACE(reason);
    Open({"--cancel-block", block, "--cancel-code", reason}, {picture});
    std::vector<std::uint8_t> got(picture.size());
    int code = 0;
    ASSERT_EQ(Read(kCmdRD, 1, got, code), kLinkDone);
    EXPECT_EQ(code, answer);
    EXPECT_EQ(LinkCameraCancelCode(), std::atoi(reason));
    EXPECT_EQ(LinkTransferState(), TransferState::kIdle);
    const std::size_t before = (std::atoi(block) - 1) * 128u;
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(before), picture.begin()));
    ASSERT_EQ(Upload(picture, code), kLinkDone);
    EXPECT_EQ(code, answer);
    auto tokens = Exchange(Log());
    EXPECT_EQ(Count(tokens, "camera:CC"), 2);
    EXPECT_EQ(Count(tokens, "host:OK"), 2);
    EXPECT_EQ(Count(tokens, "host:DE"), 0);
    EXPECT_EQ(Count(tokens, std::string("host:DT") + block), 0);
  }
}

// Received blocks are never copied past the end of their destination.
TEST_F(LinkOverEmulator, BlockThatWouldOverrunTheDestinationIsALinkFailure) {
  auto picture = test::Pattern(600, 8);
  Open({}, {picture});
  std::vector<std::uint8_t> buffer(600, 0xEE);
  int code = 0;
  ASSERT_NE(PortSetSpeed(19200), 0);
  EXPECT_EQ(Read(kCmdRD, 1, std::span(buffer).first(300), code), kLinkFailure);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 256, picture.begin()));
  EXPECT_TRUE(std::all_of(buffer.begin() + 256, buffer.end(), [](std::uint8_t b) { return b == 0xEE; }));
  EXPECT_EQ(ThePort().speed, kBaseSpeed);
  EXPECT_EQ(LinkTransferState(), TransferState::kIdle);
}

// The emulator's own pictures are in the camera's layout, with their thumbnails.
TEST_F(LinkOverEmulator, GeneratedPicturesHaveTheCameraLayout) {
  Open({"--generate", "2"});
  FrameData number{};
  PutU32BE(number, 0, 2);
  ASSERT_EQ(LinkRequest(kCmdFS, number, Answered::kYes), kLinkDone);
  std::vector<std::uint8_t> picture(GetU32BE(LinkAnswerData(), 0));
  ASSERT_GT(picture.size(), 2050u);
  int code = 0;
  ASSERT_EQ(Read(kCmdRD, 2, picture, code), kLinkDone);
  EXPECT_EQ(Bytes(picture.begin(), picture.begin() + 6), (Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x07, 0x0A}));
  EXPECT_EQ(Bytes(picture.begin() + 1806, picture.begin() + 1815),
            (Bytes{0xFF, 0xFE, 0x00, 0xF2, 0x00, 'Q', 'O', 'R', 0x00}));
  std::vector<std::uint8_t> thumbnail(1800);
  ASSERT_EQ(Read(kCmdRM, 2, thumbnail, code), kLinkDone);
  EXPECT_TRUE(std::equal(thumbnail.begin(), thumbnail.end(), picture.begin() + 6));
  CJPG jpg;
  ASSERT_TRUE(jpg.DecodeJpeg(picture));
  EXPECT_EQ(jpg.Width(), 320);
  EXPECT_EQ(jpg.Height(), 240);
}

}  // namespace
}  // namespace tessaly
