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
  std::int32_t handle = -1;  // from MyOpenComm, -1 while none
  std::uint8_t port = 0;     // 1..4
  std::int32_t isOpen = 0;   // 1 while the port is open and set up; every link step checks it
  std::uint32_t speed = kBaseSpeed;  // the line speed last set up
};

// The one port record.
CommPort& ThePort();

// Returns 0 for a port above 4; else forgets the port (closing it first if it is still
// open), stores the number, and puts the link back to idle with packet size 140.
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

// Why the last PortOpen failed, for the messages that callers show.
enum class PortOpenError { kNone, kNoSuchPort, kMissing, kPermission, kBusy, kRefused, kOther };
PortOpenError PortLastOpenError();
// The message for a failed open: the device's missing, in use, or not permitted; else
// "Failed to communicate.".
MessageId PortOpenErrorMessage(PortOpenError error);
PortOpenError PortOpenErrorFromErrno(int error);

}  // namespace tessaly
