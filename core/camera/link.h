// The camera's packet protocol: the handshake before every frame, retries and
// time-outs, the recovery after a failure, and block transfers in both directions.
//
// Every frame is preceded by ENQ from its sender and goes out only after the other side
// answered ACK; every frame received is answered ACK (accepted) or NAK (refused, the
// sender repeats it). The host starts every exchange; the camera speaks on its own only
// by answering the host's ENQ with its own ENQ. Plain functions over one process-wide
// link state, private to the link, as the camera operations built on top of them expect.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "camera/frame.h"
#include "camera/port.h"

namespace tessaly {

// Link status: the first result of every exchange. The numbers are those of the
// operations' results for the same outcomes (see CameraResultOf).
enum class LinkStatus : int {
  kDone = 0,
  kCancelled = 4,
  kFailure = 5,
  kNotOpen = 8,
  kDisconnected = 9,  // the device went away (hung up, EIO); the port is closed
};
inline constexpr LinkStatus kLinkDone = LinkStatus::kDone;
inline constexpr LinkStatus kLinkCancelled = LinkStatus::kCancelled;
inline constexpr LinkStatus kLinkFailure = LinkStatus::kFailure;
inline constexpr LinkStatus kLinkNotOpen = LinkStatus::kNotOpen;
inline constexpr LinkStatus kLinkDisconnected = LinkStatus::kDisconnected;

// Results of LinkReceive: how one wait for bytes ended. Only the link acts on them; an
// exchange turns them into a LinkStatus in one place.
enum class ReceiveResult : int {
  kComplete = 0,
  kTimedOut = 2,
  kNotOpen = 8,
  kLineError = 9,      // timed out after the driver reported a line error
  kDisconnected = 10,  // the device went away; the port is closed
  kCancelled = 11,     // a stop was requested (RequestLinkStop)
};
inline constexpr ReceiveResult kReceiveComplete = ReceiveResult::kComplete;
inline constexpr ReceiveResult kReceiveTimedOut = ReceiveResult::kTimedOut;
inline constexpr ReceiveResult kReceiveNotOpen = ReceiveResult::kNotOpen;
inline constexpr ReceiveResult kReceiveLineError = ReceiveResult::kLineError;
inline constexpr ReceiveResult kReceiveDisconnected = ReceiveResult::kDisconnected;
inline constexpr ReceiveResult kReceiveCancelled = ReceiveResult::kCancelled;

// Result codes of the camera's answer letters.
inline constexpr int kAnswerOk = 10;
inline constexpr int kAnswerNotFound = 11;     // "NF"
inline constexpr int kAnswerNoPicture = 12;    // "NP", or the camera stopped a transfer with reason 0
inline constexpr int kAnswerNotGood = 13;      // "NG" and anything unknown
inline constexpr int kAnswerCardChanged = 14;  // "MC"
inline constexpr int kAnswerNoBlock = 17;      // "NB", or the camera stopped a transfer with a reason

// Time-outs in milliseconds.
inline constexpr std::uint32_t kEnqAnswerTimeoutMs = 500;  // for the ACK to our ENQ
inline constexpr std::uint32_t kFrameAckTimeoutMs = 4000;  // for the ACK to our frame
inline constexpr std::uint32_t kFrameTimeoutMs = 4000;     // for a frame after our ACK
inline constexpr std::uint32_t kAnswerTimeoutMs = 3000;    // for the camera's ENQ before an answer or block
inline constexpr std::uint8_t kEnqRetryLimit = 4;
inline constexpr std::uint8_t kSendRetryLimit = 2;
inline constexpr std::uint32_t kAnswerPauseMs = 10;  // before answering the camera's "DE" or "CC"

enum class TransferState : std::uint8_t { kIdle = 0, kSending = 1, kReceiving = 3 };

// The link's state is its own; the camera operations and the tests see it through
// these few calls.
//
// The link as a fresh start of the program finds it (the progress callback is kept).
void LinkReset();
// No transfer under way and packets of 140 again, as after opening the port.
void LinkForgetTransfer();
std::uint16_t LinkPacketSize();
// Our side's packet size, changed at once (the camera is told with "SP").
void LinkSetPacketSize(std::uint16_t size);
TransferState LinkTransferState();
// Blocks from the camera are expected next, into destination; total is what the progress
// counts up to. Set before the request goes out, so that the progress callback already
// runs while the answer is awaited.
void LinkExpectBlocks(std::span<std::uint8_t> destination, std::uint32_t total);
// The transfer is over on our side (refused, or stopped by us); a pending stop is dropped.
void LinkEndTransfer();
// The bytes of the running (or last) transfer so far.
std::uint32_t LinkProgressDone();
// The last command frame the camera sent: its letters, its data and, for a "CC", its
// reason code.
Letters LinkAnswerLetters();
const FrameData& LinkAnswerData();
std::uint16_t LinkCameraCancelCode();
// The handshake's retry counts and whether the progress callback asked to stop.
std::uint8_t LinkEnqRetries();
std::uint8_t LinkSendRetries();
bool LinkCancelPending();

// Called between polls of the line during transfers with the total and the bytes done;
// returns nonzero to go on, 0 to stop (the transfer then ends with status 4).
using LinkProgress = std::function<int(std::uint32_t total, std::uint32_t done)>;
void SetLinkProgress(LinkProgress progress);
// Calls the progress callback directly, for progress that passes without a transfer;
// 1 when none is set.
int CallLinkProgress(std::uint32_t total, std::uint32_t done);

// A stop asked for from outside the link's callbacks (a signal handler, another thread):
// every wait of the link ends within kStopLatencyMs as a cancel, the greeting and the
// waits for answers included, until ClearLinkStop. Safe to call from a signal handler.
void RequestLinkStop();
void ClearLinkStop();
bool LinkStopRequested();
inline constexpr std::uint32_t kStopLatencyMs = 100;
// While one lives, stop requests do not end waits: the clean-up after a cancel (telling
// the camera "CC", back to 9600) runs to its end.
class LinkCleanup {
 public:
  LinkCleanup();
  ~LinkCleanup();
  LinkCleanup(const LinkCleanup&) = delete;
  LinkCleanup& operator=(const LinkCleanup&) = delete;
};

// One control byte; whether it was written is not looked at.
void LinkSendByte(std::uint8_t byte);
// Collects one control byte (expected 1) or one frame (expected 16; a "DT" frame then
// grows to the packet size) into buffer within timeoutMs, counted from the call.
ReceiveResult LinkReceive(std::span<std::uint8_t> buffer, std::size_t expected, std::uint32_t timeoutMs);

void BuildCommandFrame(int commandIndex, const FrameData& data);
// False when the bytes do not fit into one block of the current packet size.
bool BuildDataFrame(std::uint16_t block, std::span<const std::uint8_t> source);

// Sends the frame in the transmit buffer; call right after writing ENQ.
LinkStatus LinkSendFrame();
// Waits for the camera to offer a frame and receives it.
LinkStatus LinkAwaitAnswer(std::uint32_t timeoutMs);
// Receives, checks, acknowledges and acts on one frame; call after answering ENQ with ACK.
LinkStatus LinkReceiveFrame();
// Recovery after a failure: idle, 9600 on our side, packet size 140, queues purged.
LinkStatus LinkFail(LinkStatus status);
// The result code of the last answer letters.
int AnswerCode();
// A pause that the camera needs between two exchanges.
void LinkPause(std::uint32_t milliseconds);

// One request: the frame, ENQ, the handshake, and for an answered command the answer.
enum class Answered { kNo, kYes };
LinkStatus LinkRequest(int commandIndex, const FrameData& data, Answered answered);

// The block transfers after the camera answered "OK" to "RD"/"RM" or "NW". The status is
// returned; when the camera stopped the transfer with "CC", code becomes 12 (reason 0)
// or 17, else it is left as it was. Received data go into destination and never beyond
// it: a block that would not fit ends the transfer as a link failure.
LinkStatus ReceiveBlocks(std::span<std::uint8_t> destination, std::uint32_t total, int& code);
LinkStatus SendBlocks(std::span<const std::uint8_t> source, int& code);

}  // namespace tessaly
