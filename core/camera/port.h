// The port layer: the program's one serial port, opened, set up and closed through the
// serial line library.
//
// The library's calls go through a PortBackend so that tests and the fuzzer can stand in
// for the line, and the link's time-outs and pauses read a LinkClock so that they can be
// tested without waiting. Both default to the real ones (serlnk32, the steady clock).
#pragma once

#include <cstdint>
#include <memory>

#include "base/messages.h"

namespace tessaly {

// The exports of serlnk32 that the program uses.
class PortBackend {
 public:
  virtual ~PortBackend() = default;
  virtual std::int32_t OpenComm(const char* deviceName) = 0;
  virtual std::int32_t CloseComm() = 0;
  virtual std::int32_t SetupConnect(std::int32_t handle, std::int32_t speed) = 0;
  virtual std::int32_t ReadBytes(std::uint8_t* buffer, std::int32_t maxCount, std::int32_t& countRead) = 0;
  // Hands the bytes to the driver; 1 when it took all of them.
  virtual std::int32_t WriteBytes(const std::uint8_t* buffer, std::int32_t count) = 0;
  // Waits at most timeoutMs until every byte handed over has left the driver; 1 when
  // it has.
  virtual std::int32_t DrainComm(std::int32_t timeoutMs) = 0;
  virtual std::int32_t EscapeCommFunction(std::int32_t handle, std::int32_t function) = 0;
  virtual std::int32_t FlushComm(std::int32_t handle, std::int32_t flags) = 0;
  // Waits at most timeoutMs for bytes to read (and, once some are in, for the line time of
  // the rest of minBytes): 1 when bytes are queued, 0 after the time-out, -1 when the
  // line cannot be waited on.
  virtual std::int32_t WaitReadable(std::int32_t timeoutMs, std::int32_t minBytes) = 0;
  // The errno of the last failed open.
  virtual std::int32_t LastOpenError() = 0;
  // Keeps the device from other programs while the port is closed and reopened (see
  // PortReservation); 1 on success. Calls nest; each is ended by one ReleaseComm.
  virtual std::int32_t ReserveComm(const char* deviceName) = 0;
  virtual std::int32_t ReleaseComm() = 0;
};

// Milliseconds for the link's time-outs, and its pauses.
class LinkClock {
 public:
  virtual ~LinkClock() = default;
  virtual std::uint64_t NowMs() = 0;
  virtual void SleepMs(std::uint32_t milliseconds) = 0;
};

std::unique_ptr<PortBackend> MakeSerialLineBackend();
std::unique_ptr<LinkClock> MakeSteadyLinkClock();

PortBackend& PortLine();
LinkClock& LinkTime();
// Install a replacement and return the one in use before (null for the default).
std::unique_ptr<PortBackend> SetPortBackend(std::unique_ptr<PortBackend> backend);
std::unique_ptr<LinkClock> SetLinkClock(std::unique_ptr<LinkClock> clock);

inline constexpr std::uint32_t kBaseSpeed = 9600;
inline constexpr int kPortCount = 4;
inline constexpr std::int32_t kPurgeAll = 15;
inline constexpr std::int32_t kRaiseDtr = 5;
inline constexpr std::int32_t kDropDtr = 6;

struct CommPort {
  std::int32_t handle = -1;          // from MyOpenComm, -1 while none
  std::uint8_t port = 0;             // 1..4
  std::int32_t isOpen = 0;           // 1 while the port is open and set up; every link step checks it
  std::uint32_t speed = kBaseSpeed;  // the line speed last set up
  // Set when the device went away under us (hung up, EIO): the port was closed, and the
  // operation that noticed ended with the disconnect status.
  std::int32_t lineGone = 0;
};

// The one port record.
CommPort& ThePort();

// Returns 0 for a port above 4; else forgets the port (closing it first if it is still
// open) and stores the number. The link above is put back to idle by its own call
// (LinkForgetTransfer).
int PortReset(int port);
// Opens "COM<port>" at the speed with DTR raised; nonzero on success, 0 when the port
// number is above 4, the device cannot be opened or refuses the settings.
int PortOpen(std::uint32_t speed, int port);
// Drops DTR, discards both queues and closes; returns 1.
int PortClose();
// Changes the line speed of the open port; the library's result, or 0 when not open.
int PortSetSpeed(std::uint32_t speed);
// Writes the bytes and waits until they have left the driver, within the write time-out
// (5 ms a byte plus 5 ms for one byte, 3000 ms for more); 1 when they have, else 0, and
// what did not go out is discarded. Every write of the link goes through here, so that
// a purge, a speed change or a close that follows finds nothing of ours on its way.
int PortWrite(const std::uint8_t* bytes, std::int32_t count);
// Discards everything queued in both directions.
void PortPurge();
// The device went away: the port is closed (nothing more is sent) and marked, so that
// every later step fails at once and the user is told of the disconnection.
void PortLineGone();
// True for the errors of a read that mean the device is gone, not a bad byte.
bool IsLineGoneError(std::int32_t error);

// Keeps the device of a port from other programs for as long as it lives, while the
// port itself may be closed and opened again as the camera sequences do: a command of
// tessaly-cli or one save of the camera window holds one for its whole run, so that no
// other program can take the device between two pictures. Reservations nest; the
// device is free again when the last one ends.
class PortReservation {
 public:
  explicit PortReservation(int port);
  ~PortReservation();
  PortReservation(const PortReservation&) = delete;
  PortReservation& operator=(const PortReservation&) = delete;
  // False when the device could not be reserved; Error() says why.
  bool Held() const { return m_held; }
  int Error() const { return m_error; }

 private:
  bool m_held = false;
  int m_error = 0;  // the errno of the failed open
};

// Why the last PortOpen failed, for the messages that callers show.
enum class PortOpenError { kNone, kNoSuchPort, kMissing, kPermission, kBusy, kRefused, kNotSerial, kOther };
PortOpenError PortLastOpenError();
// The message for a failed open: the device's missing, in use, not permitted, or not a
// serial device; else "Failed to communicate.".
MessageId PortOpenErrorMessage(PortOpenError error);
PortOpenError PortOpenErrorFromErrno(int error);

}  // namespace tessaly
