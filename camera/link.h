// The camera's packet protocol: the handshake before every frame, retries and
// time-outs, the recovery after a failure, and block transfers in both directions.
//
// Every frame is preceded by ENQ from its sender and goes out only after the other side
// answered ACK; every frame received is answered ACK (accepted) or NAK (refused, the
// sender repeats it). The host starts every exchange; the camera speaks on its own only
// by answering the host's ENQ with its own ENQ. Plain functions over one process-wide
// LinkState, as the camera operations built on top of them expect.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "camera/frame.h"
#include "camera/port.h"

namespace tessaly {

// Link status: the first result of every exchange.
inline constexpr int kLinkDone = 0;
inline constexpr int kLinkCancelled = 4;
inline constexpr int kLinkFailure = 5;
inline constexpr int kLinkNotOpen = 8;
inline constexpr int kLinkDisconnected = 9;  // the device went away (hung up, EIO); the port is closed

// Results of LinkReceive.
inline constexpr int kReceiveComplete = 0;
inline constexpr int kReceiveTimedOut = 2;
inline constexpr int kReceiveNotOpen = 8;
inline constexpr int kReceiveLineError = 9;  // timed out after the driver reported a line error
inline constexpr int kReceiveDisconnected = 10;  // the device went away; the port is closed
inline constexpr int kReceiveCancelled = 11;     // a stop was requested (RequestLinkStop)

// Result codes of the camera's answer letters.
inline constexpr int kAnswerOk = 10;
inline constexpr int kAnswerNotFound = 11;  // "NF"
inline constexpr int kAnswerNoPicture = 12;  // "NP", or the camera stopped a transfer with reason 0
inline constexpr int kAnswerNotGood = 13;  // "NG" and anything unknown
inline constexpr int kAnswerCardChanged = 14;  // "MC"
inline constexpr int kAnswerNoBlock = 17;  // "NB", or the camera stopped a transfer with a reason

// Time-outs in milliseconds.
inline constexpr std::uint32_t kEnqAnswerTimeoutMs = 500;   // for the ACK to our ENQ
inline constexpr std::uint32_t kFrameAckTimeoutMs = 4000;   // for the ACK to our frame
inline constexpr std::uint32_t kFrameTimeoutMs = 4000;      // for a frame after our ACK
inline constexpr std::uint32_t kAnswerTimeoutMs = 3000;     // for the camera's ENQ before an answer or block
inline constexpr std::uint8_t kEnqRetryLimit = 4;
inline constexpr std::uint8_t kSendRetryLimit = 2;
inline constexpr std::uint32_t kAnswerPauseMs = 10;         // before answering the camera's "DE" or "CC"

enum class TransferState : std::uint8_t { kIdle = 0, kSending = 1, kReceiving = 3 };

struct LinkState {
  std::uint16_t packetSize = kDefaultPacketSize;
  TransferState transferState = TransferState::kIdle;
  std::uint8_t cancelRequest = 0;  // set when the progress callback asked to stop
  std::uint16_t expectedBlock = 0;  // the next block number to accept from the camera
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

LinkState& TheLinkState();

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
int LinkReceive(std::span<std::uint8_t> buffer, std::size_t expected, std::uint32_t timeoutMs);

void BuildCommandFrame(int commandIndex, const FrameData& data);
// False when the bytes do not fit into one block of the current packet size.
bool BuildDataFrame(std::uint16_t block, std::span<const std::uint8_t> source);

// Sends the frame in the transmit buffer; call right after writing ENQ.
int LinkSendFrame();
// Waits for the camera to offer a frame and receives it.
int LinkAwaitAnswer(std::uint32_t timeoutMs);
// Receives, checks, acknowledges and acts on one frame; call after answering ENQ with ACK.
int LinkReceiveFrame();
// Recovery after a failure: idle, 9600 on our side, packet size 140, queues purged.
int LinkFail(int status);
// The result code of the last answer letters.
int AnswerCode();
// A pause that the camera needs between two exchanges.
void LinkPause(std::uint32_t milliseconds);

// One request: the frame, ENQ, the handshake, and for an answered command the answer.
enum class Answered { kNo, kYes };
int LinkRequest(int commandIndex, const FrameData& data, Answered answered);

// The block transfers after the camera answered "OK" to "RD"/"RM" or "NW". The status is
// returned; when the camera stopped the transfer with "CC", code becomes 12 (reason 0)
// or 17, else it is left as it was. Received data go into destination and never beyond
// it: a block that would not fit ends the transfer as a link failure.
int ReceiveBlocks(std::span<std::uint8_t> destination, std::uint32_t total, int& code);
int SendBlocks(std::span<const std::uint8_t> source, int& code);

}  // namespace tessaly
