// The camera's commands and the operations the windows and tessaly-cli call.
//
// Each command function is one request over the link; each operation strings a few of
// them together and returns one small result code. A window brackets its work with
// CameraConnect and CameraDisconnect; bulk operations raise the line speed (and the
// packet size) only for their own length, so that between operations the line is at
// 9600 bit/s with packets of 140 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "base/messages.h"
#include "camera/link.h"

namespace tessaly {

// Result codes of the operations.
inline constexpr int kCamCancelled = 4;     // the user stopped (no message)
inline constexpr int kCamLinkFailure = 5;   // time-out, retries used up, a write failed
inline constexpr int kCamNotOpen = 8;       // the port is not open
inline constexpr int kCamDisconnected = 9;  // the device went away during the operation; the port is closed
inline constexpr int kCamAnswerOk = 10;     // "OK" (only between the command functions and the operations)
inline constexpr int kCamNotFound = 11;     // "NF", or a picture number above the count
inline constexpr int kCamNoPicture = 12;    // "NP", or the camera stopped a transfer with reason 0
inline constexpr int kCamNotGood = 13;      // "NG" or an unknown answer
inline constexpr int kCamCardChanged = 14;  // "MC"
inline constexpr int kCamCardFull = 16;     // no room for the picture, or more than 999 pictures
inline constexpr int kCamNoBlock = 17;      // "NB", or the camera stopped a transfer with a reason
inline constexpr int kCamDone = 20;
inline constexpr int kCamCannotOpen = 22;  // the port could not be opened

// The digit sent with "SB" is '0' + the speed code; the same codes index the speed table
// of the connection setup.
inline constexpr std::array<std::uint32_t, 7> kSpeedOfCode = {4800, 9600, 19200, 28800, 38400, 57600, 115200};
// The code of a speed; 1 (9600) for a speed not in the table.
int SpeedCode(std::uint32_t bitsPerSecond);
// True for the seven speeds of the table.
bool IsCameraSpeed(std::uint32_t bitsPerSecond);

// Packet sizes: 140 between operations; a picture is read in packets of 512 (500 data
// bytes) and sent in packets of 524 (512 data bytes).
inline constexpr std::uint16_t kReadPacketSize = 512;
inline constexpr std::uint16_t kWritePacketSize = 524;

// Pauses in milliseconds the camera needs.
inline constexpr std::uint32_t kSpeedChangePauseMs = 50;  // between its "OK" to "SB" and our switch
inline constexpr std::uint32_t kCancelPauseMs = 10;       // after telling it to stop
inline constexpr std::uint32_t kStorePauseMs = 700;       // after a picture was sent, while it stores it

// "RN" selectors: 1 when listing, 0 before sending a picture.
inline constexpr std::uint16_t kCountForListing = 1;
inline constexpr std::uint16_t kCountForSending = 0;
// The camera numbers its pictures with four digits.
inline constexpr std::uint32_t kMaxCameraPictures = 999;

// The largest picture file a camera's answer to "FS" is believed for. The camera's
// pictures are JPEG files of at most 640 x 480 pixels, a few hundred kilobytes at most;
// a larger size is a damaged answer, and believing it would make the program allocate
// gigabytes.
inline constexpr std::uint32_t kMaxCameraFileSize = 16u << 20;

// What the operations remember between calls.
struct CameraState {
  std::uint32_t pictureCount = 0;  // the number the camera last reported; reads check against it
  std::uint32_t lastFileSize = 0;  // the size "FS" last reported; the size of the next picture read
};
CameraState& TheCameraState();

// Command functions: each returns the link status and, for an answered command that went
// through, the result code of the answer.
LinkStatus CamHello(int& code);
LinkStatus CamSetSpeed(std::uint32_t speed, int& code);
LinkStatus CamSetPacketSize(std::uint16_t size);
LinkStatus CamFreeSpace(int& code, std::uint32_t& freeBytes);
LinkStatus CamCount(std::uint16_t selector, int& code, std::uint32_t& count);
LinkStatus CamFileSize(std::uint32_t number, int& code, std::uint32_t& size);
// Reads picture number into destination, which the camera fills with at most size bytes.
LinkStatus CamReadPicture(std::span<std::uint8_t> destination, std::uint32_t number, std::uint32_t size, int& code);
LinkStatus CamReadThumbnail(std::span<std::uint8_t> destination, std::uint32_t number, int& code);
LinkStatus CamNewPicture(std::span<const std::uint8_t> source, int& code);
LinkStatus CamCancel();

// The operation's result for a link status that ended it: the same number (4, 5, 8, 9),
// and 20 for done.
int CameraResultOf(LinkStatus status);

// Operations: each returns a result code.
int CameraConnect();
int CameraDisconnect();
int CameraGetCount(std::uint32_t& count);
int CameraGetFileSize(std::uint32_t number, std::uint32_t& size);
// The 1800 bytes of the thumbnail of picture number, at the speed already set.
int CameraGetThumbnail(std::span<std::uint8_t> destination, std::uint32_t number);
// The lastFileSize bytes of picture number; destination must hold them.
int CameraGetPicture(std::span<std::uint8_t> destination, std::uint32_t number);
int CameraSpeedUp();
int CameraSpeedDown();
int CameraPutPicture(std::span<const std::uint8_t> source);

// The common message rule: none for success (20) and a cancel (4); "Memory card is
// probably changed..." for 14; "Memory card is full." for 16; "The serial device was
// disconnected." for 9; "Failed to communicate." for anything else.
std::optional<MessageId> CameraResultMessage(int result);

}  // namespace tessaly
