#include "camera/link.h"

#include <algorithm>
#include <atomic>
#include <optional>

namespace tessaly {
namespace {

struct LinkState {
  std::uint16_t packetSize = kDefaultPacketSize;
  TransferState transferState = TransferState::kIdle;
  std::uint8_t cancelRequest = 0;     // set when the progress callback asked to stop
  std::uint16_t expectedBlock = 0;    // the next block number to accept from the camera
  std::span<std::uint8_t> blockDest;  // the room left for received blocks
  std::uint16_t uploadBlock = 0;
  std::span<const std::uint8_t> uploadSource;
  std::uint32_t uploadRemaining = 0;
  std::uint32_t progressTotal = 0;
  std::uint32_t progressDone = 0;
  std::uint32_t progressReported = 0;
  std::uint8_t enqRetries = 0;
  std::uint8_t sendRetries = 0;
  Letters answerLetters{};  // the last command frame received
  FrameData answerData{};
  std::uint16_t cameraCancelCode = 0;  // reason code of the camera's last "CC"
  std::array<std::uint8_t, kTransmitBufferSize> transmit{};
  std::uint16_t transmitLength = 0;
  std::array<std::uint8_t, kReceiveBufferSize> receive{};
  std::uint16_t receiveLength = 0;  // bytes in receive after the last LinkReceive
};

LinkState g_link;
LinkProgress g_progress;
std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a stop is requested from signal handlers");
int g_cleanupDepth = 0;

bool StopPending() { return g_cleanupDepth == 0 && g_stopRequested.load(std::memory_order_relaxed); }

// The device went away: the link goes back to idle and nothing more is sent.
LinkStatus LineGone() {
  g_link.transferState = TransferState::kIdle;
  g_link.enqRetries = 0;
  g_link.sendRetries = 0;
  g_link.packetSize = kDefaultPacketSize;
  g_link.cancelRequest = 0;
  PortLineGone();
  return kLinkDisconnected;
}

// A corrupt answer is refused with NAK and the camera repeats it; this many refusals in
// a row end the wait as a link failure, so a line that only ever delivers garbage cannot
// keep the program waiting for ever.
constexpr int kRefusedFrameLimit = 4;

constexpr Letters kLettersDT = MakeLetters("DT");
constexpr Letters kLettersCC = MakeLetters("CC");
constexpr Letters kLettersDE = MakeLetters("DE");

void ReportProgress() {
  if (g_link.transferState == TransferState::kIdle || g_link.progressDone == g_link.progressReported) return;
  g_link.progressReported = g_link.progressDone;
  if (g_progress && g_progress(g_link.progressTotal, g_link.progressDone) == 0 &&
      g_link.transferState != TransferState::kIdle)
    g_link.cancelRequest = 1;
}

// Stores an accepted data block; false when it would run past the room left.
bool StoreBlock(std::span<const std::uint8_t> data) {
  if (data.size() > g_link.blockDest.size()) return false;
  std::copy(data.begin(), data.end(), g_link.blockDest.begin());
  g_link.blockDest = g_link.blockDest.subspan(data.size());
  ++g_link.expectedBlock;
  g_link.progressDone += static_cast<std::uint32_t>(data.size());
  return true;
}

// The camera ended a transfer ("DE") or stopped it ("CC"): it waits for our "OK".
void AnswerEndOfTransfer() {
  g_link.expectedBlock = 0;
  g_link.transferState = TransferState::kIdle;
  LinkPause(kAnswerPauseMs);
  BuildCommandFrame(kCmdOK, FrameData{});
  LinkSendByte(kEnq);
  // The transfer is over either way; a lost "OK" has already reset the line through
  // LinkFail and shows in the next exchange.
  LinkSendFrame();
}

enum class FrameOutcome { kAccepted, kRefused, kEnded };

// What the end of a wait for the camera's ACK, ENQ or frame means for the exchange; the
// one place where a receive result becomes a link status. A closed port is a link
// failure; a gone device ends everything; a cancel (a stop requested, or the progress
// callback asking to stop) ends the step (a frame is dropped without an answer, and the
// operation that started the transfer tells the camera with "CC"); a line error is
// answered with NAK. Nothing when the step goes on with what came, or decides about
// silence itself: each exchange has its own way with a time-out.
std::optional<LinkStatus> EndOfWait(ReceiveResult received) {
  if (received == kReceiveNotOpen) return LinkFail(kLinkNotOpen);
  if (received == kReceiveDisconnected) return LineGone();
  if (received == kReceiveCancelled || g_link.cancelRequest) {
    g_link.cancelRequest = 0;
    return kLinkCancelled;
  }
  if (received == kReceiveLineError) {
    LinkSendByte(kNak);
    return kLinkDone;
  }
  return std::nullopt;
}

// LinkReceiveFrame, telling also whether a frame was accepted or refused with NAK.
LinkStatus ReceiveFrame(FrameOutcome& outcome) {
  outcome = FrameOutcome::kEnded;
  ReceiveResult received = LinkReceive(g_link.receive, kCommandFrameSize, kFrameTimeoutMs);
  if (auto ended = EndOfWait(received)) return *ended;
  if (received == kReceiveTimedOut) return LinkFail(kLinkFailure);

  std::span<const std::uint8_t> frame(g_link.receive.data(), g_link.receiveLength);
  if (FrameLetters(frame) == kLettersDT) {
    // Blocks are taken only while a transfer from the camera is running, and only in
    // their order.
    auto block =
        g_link.transferState == TransferState::kReceiving ? ParseDataFrame(frame, g_link.packetSize) : std::nullopt;
    if (!block || block->block != g_link.expectedBlock) {
      LinkSendByte(kNak);
      outcome = FrameOutcome::kRefused;
      return kLinkDone;
    }
    if (!StoreBlock(block->data)) return LinkFail(kLinkFailure);
    LinkSendByte(kAck);
  } else {
    auto command = ParseCommandFrame(frame);
    if (!command) {
      LinkSendByte(kNak);
      outcome = FrameOutcome::kRefused;
      return kLinkDone;
    }
    LinkSendByte(kAck);
    g_link.answerLetters = command->letters;
    g_link.answerData = command->data;
    if (command->letters == kLettersCC) {
      g_link.cameraCancelCode = GetU16BE(command->data, 0);
      AnswerEndOfTransfer();
    } else if (command->letters == kLettersDE) {
      // The last block and the "DE" may have come with no wait between them, and the
      // progress is otherwise reported only while waiting: the bar reaches its end here.
      // There is nothing left to stop, so the callback's answer no longer matters.
      if (g_progress && g_link.progressDone != g_link.progressReported) {
        g_link.progressReported = g_link.progressDone;
        g_progress(g_link.progressTotal, g_link.progressDone);
      }
      AnswerEndOfTransfer();
    }
  }
  g_link.enqRetries = 0;
  g_link.sendRetries = 0;
  outcome = FrameOutcome::kAccepted;
  return kLinkDone;
}

}  // namespace

void LinkReset() { g_link = LinkState{}; }

void LinkForgetTransfer() {
  g_link.transferState = TransferState::kIdle;
  g_link.expectedBlock = 0;
  g_link.packetSize = kDefaultPacketSize;
}

std::uint16_t LinkPacketSize() { return g_link.packetSize; }
void LinkSetPacketSize(std::uint16_t size) { g_link.packetSize = size; }
TransferState LinkTransferState() { return g_link.transferState; }

void LinkExpectBlocks(std::span<std::uint8_t> destination, std::uint32_t total) {
  g_link.blockDest = destination;
  g_link.progressTotal = total;
  g_link.transferState = TransferState::kReceiving;
  g_link.expectedBlock = 1;
  g_link.progressDone = g_link.progressReported = 0;
}

void LinkEndTransfer() {
  g_link.transferState = TransferState::kIdle;
  g_link.cancelRequest = 0;
}

std::uint32_t LinkProgressDone() { return g_link.progressDone; }
Letters LinkAnswerLetters() { return g_link.answerLetters; }
const FrameData& LinkAnswerData() { return g_link.answerData; }
std::uint16_t LinkCameraCancelCode() { return g_link.cameraCancelCode; }
std::uint8_t LinkEnqRetries() { return g_link.enqRetries; }
std::uint8_t LinkSendRetries() { return g_link.sendRetries; }
bool LinkCancelPending() { return g_link.cancelRequest != 0; }

void SetLinkProgress(LinkProgress progress) { g_progress = std::move(progress); }

int CallLinkProgress(std::uint32_t total, std::uint32_t done) { return g_progress ? g_progress(total, done) : 1; }

void RequestLinkStop() { g_stopRequested.store(true, std::memory_order_relaxed); }
void ClearLinkStop() { g_stopRequested.store(false, std::memory_order_relaxed); }
bool LinkStopRequested() { return g_stopRequested.load(std::memory_order_relaxed); }

LinkCleanup::LinkCleanup() { ++g_cleanupDepth; }
LinkCleanup::~LinkCleanup() { --g_cleanupDepth; }

void LinkSendByte(std::uint8_t byte) { PortWrite(&byte, 1); }

void LinkPause(std::uint32_t milliseconds) { LinkTime().SleepMs(milliseconds); }

ReceiveResult LinkReceive(std::span<std::uint8_t> buffer, std::size_t expected, std::uint32_t timeoutMs) {
  const std::uint64_t start = LinkTime().NowMs();
  g_link.receiveLength = 0;
  if (!ThePort().isOpen) return kReceiveNotOpen;
  expected = std::min(expected, buffer.size());
  std::size_t got = 0;
  bool lineError = false;
  while (got < expected) {
    std::int32_t count = 0;
    std::int32_t result = PortLine().ReadBytes(buffer.data() + got, static_cast<std::int32_t>(expected - got), count);
    // A device that went away (the adapter unplugged, the other end of a terminal
    // closed) answers every read with an error: nothing will come, so stop at once.
    if (IsLineGoneError(result)) return kReceiveDisconnected;
    if (result != 0) lineError = true;
    if (count > 0) {
      got += std::min(static_cast<std::size_t>(count), expected - got);
      g_link.receiveLength = static_cast<std::uint16_t>(got);
      if (got > 3 && expected != 1) {
        bool data = buffer[2] == 'D' && buffer[3] == 'T';
        expected = std::min<std::size_t>(data ? g_link.packetSize : kCommandFrameSize, buffer.size());
      }
      continue;
    }
    if (StopPending()) {
      // Looked at only when nothing is queued, so that a byte the camera has already sent
      // (its ENQ for the next block) is never left behind to be taken for the answer to
      // our own ENQ. A stop is a cancel as the progress callback asks for it: a frame
      // that has begun is taken whole (the camera would otherwise go on sending into our
      // "CC"), and a transfer's frame that is due is awaited; any other wait ends at once.
      if (g_link.transferState != TransferState::kIdle) g_link.cancelRequest = 1;
      if (got == 0 && (expected == 1 || g_link.transferState == TransferState::kIdle)) {
        g_link.cancelRequest = 1;
        return kReceiveCancelled;
      }
    }
    // Nothing queued. A frame longer than a byte is on its way and takes a while to cross
    // the line: the progress callback, which lets the windows repaint, runs now rather
    // than between the camera's ENQ and our answer, so the camera never waits for it.
    if (expected > 1) ReportProgress();
    std::uint64_t elapsed = LinkTime().NowMs() - start;
    if (elapsed > timeoutMs) return lineError ? kReceiveLineError : kReceiveTimedOut;
    // Nothing queued: wait in the operating system until bytes come, never longer than
    // the time-out left, instead of spinning on the non-blocking read. The wait is cut
    // into slices so that a stop request is seen soon.
    auto left = static_cast<std::int32_t>(std::min<std::uint64_t>(timeoutMs - elapsed + 1, kStopLatencyMs));
    if (PortLine().WaitReadable(left, static_cast<std::int32_t>(expected - got)) < 0) return kReceiveDisconnected;
  }
  return kReceiveComplete;
}

void BuildCommandFrame(int commandIndex, const FrameData& data) {
  EncodeCommandFrame(std::span(g_link.transmit).first<kCommandFrameSize>(), CommandLetters(commandIndex), data);
  g_link.transmitLength = kCommandFrameSize;
}

bool BuildDataFrame(std::uint16_t block, std::span<const std::uint8_t> source) {
  if (!EncodeDataFrame(g_link.transmit, g_link.packetSize, block, source)) return false;
  g_link.transmitLength = g_link.packetSize;
  return true;
}

LinkStatus LinkSendFrame() {
  std::array<std::uint8_t, 1> byte{};
  for (;;) {
    ReceiveResult received = LinkReceive(byte, 1, kEnqAnswerTimeoutMs);
    if (auto ended = EndOfWait(received)) return *ended;
    if (received == kReceiveComplete) {
      PortPurge();
      if (byte[0] == kAck) {
        if (PortWrite(g_link.transmit.data(), g_link.transmitLength) == 0) return LinkFail(kLinkFailure);
        received = LinkReceive(byte, 1, kFrameAckTimeoutMs);
        if (auto ended = EndOfWait(received)) return *ended;
        if (received == kReceiveComplete && byte[0] == kAck) return kLinkDone;
        if (g_link.sendRetries < kSendRetryLimit) {
          ++g_link.sendRetries;
          LinkSendByte(kEnq);
          continue;
        }
        return LinkFail(kLinkFailure);
      }
      if (byte[0] == kEnq) {
        // The camera wants to send at the same moment: its frame goes first, and ours
        // is not sent.
        LinkSendByte(kAck);
        return LinkReceiveFrame();
      }
    }
    // Silence, NAK or any other byte: ask again while the budget lasts.
    if (g_link.enqRetries < kEnqRetryLimit) {
      ++g_link.enqRetries;
      LinkSendByte(kEnq);
      continue;
    }
    return LinkFail(kLinkFailure);
  }
}

LinkStatus LinkAwaitAnswer(std::uint32_t timeoutMs) {
  // A wait that ends without a new answer must not leave the previous answer to be read
  // as this one's: with no letters the answer reads as "NG".
  g_link.answerLetters = Letters{};
  g_link.answerData = FrameData{};
  std::array<std::uint8_t, 1> byte{};
  std::uint64_t start = LinkTime().NowMs();
  int refused = 0;
  for (;;) {
    std::uint64_t elapsed = LinkTime().NowMs() - start;
    auto left = elapsed >= timeoutMs ? 0u : static_cast<std::uint32_t>(timeoutMs - elapsed);
    ReceiveResult received = LinkReceive(byte, 1, left);
    if (received == kReceiveTimedOut) return LinkFail(kLinkFailure);
    if (auto ended = EndOfWait(received)) return *ended;
    // Noise on the line before the camera's ENQ is skipped; the camera's ENQ may be right
    // behind it, so the queue is not purged for it.
    if (byte[0] != kEnq) continue;
    PortPurge();
    LinkSendByte(kAck);
    FrameOutcome outcome;
    LinkStatus status = ReceiveFrame(outcome);
    if (status != kLinkDone || outcome != FrameOutcome::kRefused) return status;
    // The camera repeats a refused frame: wait for the repeat, with a fresh time-out.
    if (++refused >= kRefusedFrameLimit) return LinkFail(kLinkFailure);
    start = LinkTime().NowMs();
  }
}

LinkStatus LinkReceiveFrame() {
  FrameOutcome outcome;
  return ReceiveFrame(outcome);
}

LinkStatus LinkFail(LinkStatus status) {
  g_link.transferState = TransferState::kIdle;
  if (ThePort().isOpen) PortSetSpeed(kBaseSpeed);
  g_link.enqRetries = 0;
  g_link.sendRetries = 0;
  g_link.packetSize = kDefaultPacketSize;
  PortPurge();
  return status;
}

int AnswerCode() {
  struct Entry {
    Letters letters;
    int code;
  };
  static constexpr Entry kAnswers[] = {
      {MakeLetters("OK"), kAnswerOk},          {MakeLetters("NF"), kAnswerNotFound},
      {MakeLetters("NP"), kAnswerNoPicture},   {MakeLetters("NG"), kAnswerNotGood},
      {MakeLetters("MC"), kAnswerCardChanged}, {MakeLetters("NB"), kAnswerNoBlock},
  };
  for (const auto& answer : kAnswers)
    if (answer.letters == g_link.answerLetters) return answer.code;
  return kAnswerNotGood;
}

LinkStatus LinkRequest(int commandIndex, const FrameData& data, Answered answered) {
  BuildCommandFrame(commandIndex, data);
  LinkSendByte(kEnq);
  LinkStatus status = LinkSendFrame();
  if (status == kLinkDone && answered == Answered::kYes) status = LinkAwaitAnswer(kAnswerTimeoutMs);
  return status;
}

LinkStatus ReceiveBlocks(std::span<std::uint8_t> destination, std::uint32_t total, int& code) {
  g_link.transferState = TransferState::kReceiving;
  g_link.expectedBlock = 1;
  g_link.blockDest = destination;
  g_link.progressTotal = total;
  g_link.progressDone = 0;
  g_link.progressReported = 0;
  while (g_link.transferState == TransferState::kReceiving) {
    LinkStatus status = LinkAwaitAnswer(kAnswerTimeoutMs);
    if (status != kLinkDone) return status;
  }
  if (g_link.answerLetters == kLettersCC) code = g_link.cameraCancelCode == 0 ? kAnswerNoPicture : kAnswerNoBlock;
  return kLinkDone;
}

LinkStatus SendBlocks(std::span<const std::uint8_t> source, int& code) {
  g_link.transferState = TransferState::kSending;
  g_link.uploadBlock = 1;
  g_link.progressTotal = g_link.uploadRemaining = static_cast<std::uint32_t>(source.size());
  g_link.uploadSource = source;
  g_link.progressDone = 0;
  g_link.progressReported = 0;
  while (g_link.uploadRemaining != 0 && g_link.transferState != TransferState::kIdle) {
    if (g_link.packetSize < kMinPacketSize || g_link.packetSize > kTransmitBufferSize) return LinkFail(kLinkFailure);
    std::size_t n = std::min<std::size_t>(g_link.uploadRemaining, g_link.packetSize - kDataFrameOverhead);
    BuildDataFrame(g_link.uploadBlock, g_link.uploadSource.first(n));
    g_link.uploadSource = g_link.uploadSource.subspan(n);
    g_link.uploadRemaining -= static_cast<std::uint32_t>(n);
    if (g_link.uploadRemaining == 0)
      g_link.progressDone = 0;
    else
      g_link.progressDone += static_cast<std::uint32_t>(n);
    LinkSendByte(kEnq);
    LinkStatus status = LinkSendFrame();
    if (status != kLinkDone) return status;
    ++g_link.uploadBlock;
  }
  // The camera answered one of our ENQs with its own and stopped the transfer with "CC"
  // (this is checked after the last block too, so that no "DE" follows a cancel).
  if (g_link.transferState == TransferState::kIdle) {
    code = g_link.cameraCancelCode == 0 ? kAnswerNoPicture : kAnswerNoBlock;
    return kLinkDone;
  }
  g_link.transferState = TransferState::kIdle;
  BuildCommandFrame(kCmdDE, FrameData{});
  LinkSendByte(kEnq);
  LinkStatus status = LinkSendFrame();
  if (status != kLinkDone) return status;
  return LinkAwaitAnswer(kAnswerTimeoutMs);
}

}  // namespace tessaly
