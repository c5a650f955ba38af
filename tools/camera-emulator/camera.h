// The camera's side of the protocol: it answers the host's ENQ, checks and acknowledges
// the host's frames, answers every command, and sends and receives block transfers,
// with the faults asked for on the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "camera/frame.h"
#include "tools/camera-emulator/card.h"
#include "tools/camera-emulator/line.h"

namespace tessaly::emulator {

// Faults, each counted so that a test knows exactly when it strikes. 0 means none.
struct Faults {
  int silentEnqs = 0;                        // the host's first N ENQs get no answer
  int enqCollision = 0;                      // the host's N-th ENQ is answered by ENQ and a "CC"
  int corruptBlock = 0;                      // block K of every transfer from the camera is damaged once
  int misnumberBlock = 0;                    // block K of every transfer from the camera first carries K + 1
  int ngThumbnail = 0;                       // "RM" of picture N is answered "NG"
  int cardChangedAfter = -1;                 // picture commands after the first N are answered "MC"
  std::optional<std::uint32_t> reportCount;  // "RN" answers this count
  int cancelBlock = 0;                       // the camera stops a transfer with "CC" at block K
  std::uint16_t cancelCode = 0;              // reason code of the camera's "CC"
  int strayByte = 0;                         // a stray byte goes out before the camera's N-th ENQ
  std::uint32_t sizeExtra = 0;               // "FS" reports this many bytes more than the picture has
  bool refuseStore = false;                  // the final "DE" of an upload is answered "NG"
  int dieAtTransfer = 0;                     // the process ends in the middle of its N-th transfer ("RD"/"RM")
  int hangUpAtTransfer = 0;                  // the line is hung up in the middle of the N-th transfer
};

class Camera {
 public:
  Camera(Line& line, EventLog& log, MemoryCard& card, const Faults& faults, std::uint32_t freeMemory)
      : m_line(line), m_log(log), m_card(card), m_faults(faults), m_freeMemory(freeMemory) {}

  // Serves the host until stopped.
  void Serve();
  // Logs whatever the host sent that was not read yet (when stopping).
  void LogPending();
  // The summary line when we stop: how many of our frames the host never acknowledged.
  void LogSummary();

 private:
  enum class Sent { kAcknowledged, kFailed, kHostEnq };

  void OnHostEnq();
  void ServeHostFrame();
  std::optional<std::size_t> ReceiveHostFrame(std::span<std::uint8_t> frame);
  void OnUploadBlock(std::span<const std::uint8_t> frame, std::size_t length);
  void OnCommand(const CommandFrame& command);
  Sent Answer(const char (&letters)[3], std::uint32_t value = 0, bool withValue = false);
  bool PictureCommandRefused(std::uint32_t number, const CardPicture*& picture);
  void SendBlocks(std::span<const std::uint8_t> data);
  Sent SendFrame(std::span<const std::uint8_t> frame, std::span<const std::uint8_t> firstAttempt = {});
  void SendCancel();

  void Control(std::uint8_t byte);
  void LogByte(const char* from, std::uint8_t byte);
  void LogFrame(const char* from, std::span<const std::uint8_t> frame, bool valid);
  void LogEvent(const std::string& fields);

  Line& m_line;
  EventLog& m_log;
  MemoryCard& m_card;
  Faults m_faults;
  std::uint32_t m_freeMemory;

  std::size_t m_packetSize = kDefaultPacketSize;
  int m_hostEnqs = 0;
  int m_cameraEnqs = 0;
  int m_pictureCommands = 0;
  bool m_uploading = false;
  std::uint16_t m_uploadBlock = 0;
  Bytes m_upload;
  // A host ENQ that arrived while we waited for an ACK and is still to be served.
  bool m_hostEnqPending = false;
  int m_missingAcks = 0;
  int m_transfers = 0;
};

}  // namespace tessaly::emulator
