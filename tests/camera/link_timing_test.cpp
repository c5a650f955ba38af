// The link's retries and time-outs against a line in memory and a clock that moves only
// when the link waits.
#include <gtest/gtest.h>

#include "camera/link.h"
#include "serial/serlnk32.h"
#include "test_support/fake_line.h"

namespace tessaly {
namespace {

using test::FakeLineState;

std::vector<std::uint8_t> CommandBytes(const char (&letters)[3], FrameData data = {}) {
  std::vector<std::uint8_t> frame(kCommandFrameSize);
  EncodeCommandFrame(std::span(frame).first<kCommandFrameSize>(), MakeLetters(letters), data);
  return frame;
}

class LinkTiming : public ::testing::Test {
 protected:
  void SetUp() override {
    m_line = std::make_shared<FakeLineState>();
    m_previousBackend = SetPortBackend(std::make_unique<test::FakeLineBackend>(m_line));
    m_previousClock = SetLinkClock(std::make_unique<test::FakeClock>(m_line));
    TheLinkState() = LinkState{};
    SetLinkProgress(nullptr);
    ASSERT_EQ(PortReset(1), 1);
    ASSERT_NE(PortOpen(kBaseSpeed, 1), 0);
  }
  void TearDown() override {
    PortClose();
    SetPortBackend(std::move(m_previousBackend));
    SetLinkClock(std::move(m_previousClock));
  }
  int WritesOf(std::uint8_t byte) const {
    int count = 0;
    for (const auto& write : m_line->writes) count += write.size() == 1 && write[0] == byte;
    return count;
  }

  std::shared_ptr<FakeLineState> m_line;
  std::unique_ptr<PortBackend> m_previousBackend;
  std::unique_ptr<LinkClock> m_previousClock;
};

TEST_F(LinkTiming, SilenceUsesUpFourEnqRetriesOf500Ms) {
  ASSERT_NE(PortSetSpeed(57600), 0);
  TheLinkState().packetSize = 524;
  EXPECT_EQ(LinkRequest(kCmdSM, FrameData{}, Answered::kYes), kLinkFailure);
  EXPECT_EQ(WritesOf(kEnq), 5);
  EXPECT_GE(m_line->now, 5u * 500u);
  EXPECT_LT(m_line->now, 5u * 502u);
  EXPECT_EQ(ThePort().speed, kBaseSpeed);
  EXPECT_EQ(TheLinkState().packetSize, kDefaultPacketSize);
}

TEST_F(LinkTiming, UnacknowledgedFrameIsRepeatedTwiceAfter4000Ms) {
  // The camera answers every ENQ and never acknowledges a frame.
  m_line->camera = [](const std::vector<std::uint8_t>& written, FakeLineState& line) {
    if (written.size() == 1 && written[0] == kEnq) line.Send({kAck});
  };
  EXPECT_EQ(LinkRequest(kCmdSM, FrameData{}, Answered::kYes), kLinkFailure);
  int frames = 0;
  for (const auto& write : m_line->writes) frames += write.size() == kCommandFrameSize;
  EXPECT_EQ(frames, 3);
  EXPECT_GE(m_line->now, 3u * 4000u);
  EXPECT_EQ(TheLinkState().sendRetries, 0);
}

TEST_F(LinkTiming, NakOrNoiseAnsweringEnqCountsLikeSilence) {
  m_line->camera = [](const std::vector<std::uint8_t>& written, FakeLineState& line) {
    if (written.size() == 1 && written[0] == kEnq) line.Send({kNak});
  };
  EXPECT_EQ(LinkRequest(kCmdSM, FrameData{}, Answered::kNo), kLinkFailure);
  EXPECT_EQ(WritesOf(kEnq), 5);
  EXPECT_EQ(m_line->now, 0u);  // every refusal came at once
}

TEST_F(LinkTiming, RetryBudgetIsSharedUntilAFrameIsReceived) {
  // Every second ENQ is ignored; each success leaves a retry used.
  int enqs = 0;
  m_line->camera = [&](const std::vector<std::uint8_t>& written, FakeLineState& line) {
    if (written.size() == 1 && written[0] == kEnq && ++enqs % 2 == 0) line.Send({kAck});
    if (written.size() > 1) line.Send({kAck});
  };
  for (int i = 0; i < 4; ++i) ASSERT_EQ(LinkRequest(kCmdSP, FrameData{}, Answered::kNo), kLinkDone) << i;
  EXPECT_EQ(TheLinkState().enqRetries, 4);
  EXPECT_EQ(LinkRequest(kCmdSP, FrameData{}, Answered::kNo), kLinkFailure);
}

TEST_F(LinkTiming, LineErrorThenTimeoutAnswersNak) {
  m_line->readResults = {SERLNK32_CE_FRAME};
  std::array<std::uint8_t, 1> byte{};
  EXPECT_EQ(LinkReceive(byte, 1, 500), kReceiveLineError);
  EXPECT_EQ(LinkReceive(byte, 1, 500), kReceiveTimedOut);
  m_line->readResults = {SERLNK32_CE_OVERRUN};
  EXPECT_EQ(LinkAwaitAnswer(kAnswerTimeoutMs), kLinkDone);
  EXPECT_EQ(WritesOf(kNak), 1);
  EXPECT_EQ(AnswerCode(), kAnswerNotGood);  // no answer came: nothing to read as "OK"
}

TEST_F(LinkTiming, ReceiveOfAClosedPortReturns8) {
  PortClose();
  std::array<std::uint8_t, 1> byte{};
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

TEST_F(LinkTiming, CorruptAnswerIsRefusedAndTheRepeatAwaited) {
  auto good = CommandBytes("OK");
  auto bad = good;
  bad[5] ^= 1;
  int offered = 0;
  m_line->camera = [&](const std::vector<std::uint8_t>& written, FakeLineState& line) {
    if (written.size() == 1 && written[0] == kAck) line.SendRange(offered++ == 0 ? bad : good);
    if (written.size() == 1 && written[0] == kNak) line.Send({kEnq});
  };
  m_line->Send({kEnq});
  EXPECT_EQ(LinkAwaitAnswer(kAnswerTimeoutMs), kLinkDone);
  EXPECT_EQ(AnswerCode(), kAnswerOk);
  EXPECT_EQ(WritesOf(kNak), 1);

  // A camera that only ever sends garbage does not keep us waiting for ever.
  m_line->camera = [&](const std::vector<std::uint8_t>& written, FakeLineState& line) {
    if (written.size() == 1 && written[0] == kAck) line.SendRange(bad);
    if (written.size() == 1 && written[0] == kNak) line.Send({kEnq});
  };
  m_line->Send({kEnq});
  EXPECT_EQ(LinkAwaitAnswer(kAnswerTimeoutMs), kLinkFailure);
}

TEST_F(LinkTiming, DataFrameOutsideATransferIsRefused) {
  std::vector<std::uint8_t> frame(kDefaultPacketSize);
  const std::uint8_t data[] = {1, 2, 3};
  ASSERT_TRUE(EncodeDataFrame(frame, kDefaultPacketSize, 0, data));
  m_line->camera = [&](const std::vector<std::uint8_t>& written, FakeLineState& line) {
    if (written.size() == 1 && written[0] == kAck) line.SendRange(frame);
  };
  m_line->Send({kEnq});
  EXPECT_EQ(LinkAwaitAnswer(100), kLinkFailure);  // refused, and no repeat came
  EXPECT_EQ(WritesOf(kNak), 1);
}

TEST_F(LinkTiming, FailedWriteOfTheFrameIsALinkFailureWithoutRecovery) {
  m_line->camera = [](const std::vector<std::uint8_t>& written, FakeLineState& line) {
    if (written.size() == 1 && written[0] == kEnq) line.Send({kAck});
  };
  m_line->writeFails = true;
  TheLinkState().packetSize = 512;
  EXPECT_EQ(LinkRequest(kCmdSM, FrameData{}, Answered::kYes), kLinkFailure);
  EXPECT_EQ(TheLinkState().packetSize, 512);
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
    SCOPED_TRACE(error);
    EXPECT_EQ(PortOpenErrorFromErrno(error), cause);
    EXPECT_EQ(PortOpenErrorMessage(cause), message);
  }
  EXPECT_EQ(PortOpenErrorMessage(PortOpenError::kRefused), kMsgFailedToCommunicate);
}

}  // namespace
}  // namespace tessaly
