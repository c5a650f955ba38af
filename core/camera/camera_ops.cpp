#include "camera/camera_ops.h"

#include <algorithm>

#include "camera/link.h"
#include "camera/link_setup.h"
#include "camera/port.h"
#include "camera/thumbnail.h"

namespace tessaly {
namespace {

CameraState g_camera;

// A request whose answer carries a 32-bit number in its first four data bytes.
LinkStatus NumberRequest(int command, const FrameData& data, int& code, std::uint32_t& value) {
  LinkStatus status = LinkRequest(command, data, Answered::kYes);
  if (status != kLinkDone) return status;
  code = AnswerCode();
  if (code == kAnswerOk) value = GetU32BE(LinkAnswerData(), 0);
  return status;
}

// "RD" or "RM" and the blocks that follow an "OK". The transfer state is set before the
// request goes out, so that the progress callback already runs while we wait for the
// answer.
LinkStatus ReadBlocks(int command, std::span<std::uint8_t> destination, std::uint32_t number, std::uint32_t size,
                      int& code) {
  destination = destination.first(std::min<std::size_t>(destination.size(), size));
  LinkExpectBlocks(destination, size);
  FrameData data{};
  PutU32BE(data, 0, number);
  LinkStatus status = LinkRequest(command, data, Answered::kYes);
  if (status != kLinkDone) return status;
  code = AnswerCode();
  if (code != kAnswerOk) {
    // No blocks follow a refusal.
    LinkEndTransfer();
    return status;
  }
  status = ReceiveBlocks(destination, size, code);
  // The camera may end with "DE" before it sent all it announced; a picture cut short
  // must not pass for a whole one.
  if (status == kLinkDone && code == kAnswerOk && LinkProgressDone() != size) code = kAnswerNotGood;
  return status;
}

// After a transfer the user stopped: the camera is told, and both sides go back to
// packets of 140 and 9600 bit/s.
void StopTransfer(bool packetRaised) {
  // A stop request that is still standing must not cut the clean-up short.
  LinkCleanup cleanup;
  CamCancel();
  LinkPause(kCancelPauseMs);
  if (packetRaised) CamSetPacketSize(kDefaultPacketSize);
  int code = 0;
  CamSetSpeed(kBaseSpeed, code);
}

// The end of every bulk operation; the results are not looked at, since the operation's
// own result is already known.
void LowerLine() {
  LinkCleanup cleanup;
  CamSetPacketSize(kDefaultPacketSize);
  int code = 0;
  CamSetSpeed(kBaseSpeed, code);
}

}  // namespace

CameraState& TheCameraState() { return g_camera; }

int SpeedCode(std::uint32_t bitsPerSecond) {
  for (std::size_t code = 0; code < kSpeedOfCode.size(); ++code)
    if (kSpeedOfCode[code] == bitsPerSecond) return static_cast<int>(code);
  return 1;
}

bool IsCameraSpeed(std::uint32_t bitsPerSecond) {
  return std::find(kSpeedOfCode.begin(), kSpeedOfCode.end(), bitsPerSecond) != kSpeedOfCode.end();
}

LinkStatus CamHello(int& code) {
  FrameData data{};
  data[0] = 1;
  LinkStatus status = LinkRequest(kCmdSM, data, Answered::kYes);
  if (status == kLinkDone) code = AnswerCode();
  return status;
}

LinkStatus CamSetSpeed(std::uint32_t speed, int& code) {
  int speedCode = SpeedCode(speed);
  FrameData data{};
  data[0] = static_cast<std::uint8_t>('0' + speedCode);
  LinkStatus status = LinkRequest(kCmdSB, data, Answered::kYes);
  if (status != kLinkDone) return status;
  code = AnswerCode();
  if (code == kAnswerOk) {
    // The camera switches once its answer is out; give it time before we follow. Our
    // side takes the speed the camera was told, even for a speed it has no code for.
    LinkPause(kSpeedChangePauseMs);
    PortSetSpeed(kSpeedOfCode[static_cast<std::size_t>(speedCode)]);
  }
  return kLinkDone;
}

LinkStatus CamSetPacketSize(std::uint16_t size) {
  // Our side switches at once: the camera does not answer "SP".
  LinkSetPacketSize(size);
  FrameData data{};
  PutU16BE(data, 0, size);
  return LinkRequest(kCmdSP, data, Answered::kNo);
}

LinkStatus CamFreeSpace(int& code, std::uint32_t& freeBytes) {
  FrameData data{};
  data[0] = 1;
  return NumberRequest(kCmdAN, data, code, freeBytes);
}

LinkStatus CamCount(std::uint16_t selector, int& code, std::uint32_t& count) {
  FrameData data{};
  PutU16BE(data, 0, selector);
  return NumberRequest(kCmdRN, data, code, count);
}

LinkStatus CamFileSize(std::uint32_t number, int& code, std::uint32_t& size) {
  FrameData data{};
  PutU32BE(data, 0, number);
  return NumberRequest(kCmdFS, data, code, size);
}

LinkStatus CamReadPicture(std::span<std::uint8_t> destination, std::uint32_t number, std::uint32_t size, int& code) {
  return ReadBlocks(kCmdRD, destination, number, size, code);
}

LinkStatus CamReadThumbnail(std::span<std::uint8_t> destination, std::uint32_t number, int& code) {
  return ReadBlocks(kCmdRM, destination, number, static_cast<std::uint32_t>(kThumbnailBytes), code);
}

LinkStatus CamNewPicture(std::span<const std::uint8_t> source, int& code) {
  FrameData data{};
  data[4] = 1;
  LinkStatus status = LinkRequest(kCmdNW, data, Answered::kYes);
  if (status != kLinkDone) return status;
  code = AnswerCode();
  if (code != kAnswerOk) return status;
  status = SendBlocks(source, code);
  // The camera answers our "DE" once it has the picture; anything but "OK" means that
  // it did not keep it (a card that filled up meanwhile), which must not be reported
  // as a picture sent.
  if (status == kLinkDone && code == kAnswerOk) code = AnswerCode();
  return status;
}

// How long a cancel waits for an ENQ the camera may have sent just before it: the byte
// takes 1 ms at 9600 bit/s, the camera sends it at once after our ACK.
constexpr std::int32_t kStrayEnqWaitMs = 20;

LinkStatus CamCancel() {
  LinkEndTransfer();
  BuildCommandFrame(kCmdCC, FrameData{});
  PortPurge();
  // The camera's ENQ for its next block may already be on its way, sent just after our
  // last ACK: wait for it a moment and drop it, so that it is not taken for the answer to
  // our own ENQ.
  std::uint8_t stray = 0;
  std::int32_t count = 0;
  if (PortLine().WaitReadable(kStrayEnqWaitMs, 1) > 0) PortLine().ReadBytes(&stray, 1, count);
  LinkSendByte(kEnq);
  LinkStatus status = LinkSendFrame();
  if (status == kLinkDone) status = LinkAwaitAnswer(kAnswerTimeoutMs);
  return status;
}

int CameraConnect() {
  if (ThePort().isOpen) return kCamDone;
  const int port = TheLinkSetup().currentPort;
  if (!PortReset(port)) return kCamCannotOpen;
  LinkForgetTransfer();
  if (!PortOpen(kBaseSpeed, port)) return kCamCannotOpen;
  int code = 0;
  LinkStatus status = CamHello(code);
  int result = status != kLinkDone ? CameraResultOf(status) : (code == kAnswerOk ? kCamDone : code);
  if (result != kCamDone) PortClose();
  return result;
}

int CameraDisconnect() {
  if (ThePort().isOpen) PortClose();
  return 1;
}

int CameraGetCount(std::uint32_t& count) {
  int code = 0;
  std::uint32_t value = 0;
  LinkStatus status = CamCount(kCountForListing, code, value);
  if (status != kLinkDone) return CameraResultOf(status);
  if (code != kAnswerOk) return code;
  g_camera.pictureCount = value;
  count = value;
  return kCamDone;
}

int CameraGetFileSize(std::uint32_t number, std::uint32_t& size) {
  if (number > g_camera.pictureCount) return kCamNotFound;
  int code = 0;
  std::uint32_t value = 0;
  LinkStatus status = CamFileSize(number, code, value);
  if (status != kLinkDone) return CameraResultOf(status);
  if (code != kAnswerOk) return code;
  // A picture of no bytes, or one larger than any the camera can hold, is a damaged
  // answer; nothing would come of reading it.
  if (value == 0 || value > kMaxCameraFileSize) return kCamNotGood;
  g_camera.lastFileSize = value;
  size = value;
  return kCamDone;
}

int CameraGetThumbnail(std::span<std::uint8_t> destination, std::uint32_t number) {
  if (number > g_camera.pictureCount) return kCamNotFound;
  if (destination.size() < kThumbnailBytes) return kCamNotGood;
  int code = 0;
  LinkStatus status = CamReadThumbnail(destination, number, code);
  if (status == kLinkCancelled) {
    StopTransfer(false);
    return kCamCancelled;
  }
  if (status != kLinkDone) return CameraResultOf(status);
  if (code == kAnswerOk) return kCamDone;
  if (code == kAnswerNotGood) {
    // The list still moves on by one thumbnail's worth, from wherever the transfer got.
    const auto total = static_cast<std::uint32_t>(kThumbnailBytes);
    for (std::uint32_t done = LinkProgressDone() / 128 * 128 + 128; done < total + 128; done += 128)
      CallLinkProgress(total, std::min(done, total));
  }
  return code;
}

int CameraGetPicture(std::span<std::uint8_t> destination, std::uint32_t number) {
  if (number > g_camera.pictureCount) return kCamNotFound;
  if (destination.size() < g_camera.lastFileSize) return kCamNotGood;
  int code = 0;
  LinkStatus status = CamSetSpeed(TheLinkSetup().currentSpeed, code);
  if (status == kLinkDone) status = CamSetPacketSize(kReadPacketSize);
  if (status == kLinkDone) status = CamReadPicture(destination, number, g_camera.lastFileSize, code);
  // A stop while the line was being raised leaves the camera at the high speed as well.
  if (status == kLinkCancelled) {
    StopTransfer(true);
    return kCamCancelled;
  }
  // After a link failure our side is already back at 9600 and 140.
  if (status != kLinkDone) return CameraResultOf(status);
  LowerLine();
  return code == kAnswerOk ? kCamDone : code;
}

int CameraSpeedUp() {
  int code = 0;
  LinkStatus status = CamSetSpeed(TheLinkSetup().currentSpeed, code);
  return status != kLinkDone ? CameraResultOf(status) : kCamDone;
}

int CameraSpeedDown() {
  // The way back to 9600 is part of every clean-up, also after a stop was requested.
  LinkCleanup cleanup;
  int code = 0;
  LinkStatus status = CamSetSpeed(kBaseSpeed, code);
  return status != kLinkDone ? CameraResultOf(status) : kCamDone;
}

int CameraPutPicture(std::span<const std::uint8_t> source) {
  int code = 0;
  std::uint32_t freeBytes = 0;
  LinkStatus status = CamFreeSpace(code, freeBytes);
  if (status != kLinkDone) return CameraResultOf(status);
  if (code != kAnswerOk) return code;
  if (source.size() > freeBytes) return kCamCardFull;

  std::uint32_t count = 0;
  status = CamCount(kCountForSending, code, count);
  if (status != kLinkDone) return CameraResultOf(status);
  if (code != kAnswerOk) return code;
  g_camera.pictureCount = count;
  if (count > kMaxCameraPictures) return kCamCardFull;

  status = CamSetSpeed(TheLinkSetup().currentSpeed, code);
  if (status == kLinkDone) status = CamSetPacketSize(kWritePacketSize);
  if (status == kLinkDone) status = CamNewPicture(source, code);
  if (status == kLinkCancelled) {
    StopTransfer(true);
    return kCamCancelled;
  }
  if (status != kLinkDone) return CameraResultOf(status);
  if (code != kAnswerOk) {
    LowerLine();
    return code;
  }
  // The camera writes the picture to its card before it takes the next command.
  LinkPause(kStorePauseMs);
  ++g_camera.pictureCount;
  LowerLine();
  return kCamDone;
}

int CameraResultOf(LinkStatus status) {
  switch (status) {
    case LinkStatus::kDone: return kCamDone;
    case LinkStatus::kCancelled: return kCamCancelled;
    case LinkStatus::kFailure: return kCamLinkFailure;
    case LinkStatus::kNotOpen: return kCamNotOpen;
    case LinkStatus::kDisconnected: return kCamDisconnected;
  }
  return kCamLinkFailure;
}

std::optional<MessageId> CameraResultMessage(int result) {
  switch (result) {
    case kCamDone:
    case kCamCancelled: return std::nullopt;
    case kCamCardChanged: return kMsgMemoryCardChanged;
    case kCamCardFull: return kMsgMemoryCardFull;
    case kCamDisconnected: return kMsgSerialDisconnected;
    // The port could not be opened: say why (missing, in use, not permitted) where the
    // system can tell.
    case kCamCannotOpen: return PortOpenErrorMessage(PortLastOpenError());
    default: return kMsgFailedToCommunicate;
  }
}

}  // namespace tessaly
