#include "camera/port.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "serial/line_errors.h"
#include "serial/serlnk32.h"

namespace tessaly {
namespace {

class SerialLineBackend final : public PortBackend {
 public:
  std::int32_t OpenComm(const char* deviceName) override { return MyOpenComm(deviceName); }
  std::int32_t CloseComm() override { return MyCloseComm(0); }
  std::int32_t SetupConnect(std::int32_t handle, std::int32_t speed) override { return MySetupConnect(handle, speed); }
  std::int32_t ReadBytes(std::uint8_t* buffer, std::int32_t maxCount, std::int32_t& countRead) override {
    return MyReadBytes(buffer, maxCount, &countRead);
  }
  std::int32_t WriteBytes(const std::uint8_t* buffer, std::int32_t count) override {
    return MyWriteBytes(buffer, count);
  }
  std::int32_t DrainComm(std::int32_t timeoutMs) override { return MyDrainComm(timeoutMs); }
  std::int32_t EscapeCommFunction(std::int32_t handle, std::int32_t function) override {
    return MyEscapeCommFunction(handle, function);
  }
  std::int32_t FlushComm(std::int32_t handle, std::int32_t flags) override { return MyFlushComm(handle, flags); }
  std::int32_t WaitReadable(std::int32_t timeoutMs, std::int32_t minBytes) override {
    return MyWaitReadable(timeoutMs, minBytes);
  }
  std::int32_t LastOpenError() override { return MyLastOpenError(); }
  std::int32_t ReserveComm(const char* deviceName) override { return MyReserveComm(deviceName); }
  std::int32_t ReleaseComm() override { return MyReleaseComm(); }
};

class SteadyLinkClock final : public LinkClock {
 public:
  std::uint64_t NowMs() override {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
  }
  void SleepMs(std::uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

std::unique_ptr<PortBackend>& BackendSlot() {
  static std::unique_ptr<PortBackend> backend = MakeSerialLineBackend();
  return backend;
}

std::unique_ptr<LinkClock>& ClockSlot() {
  static std::unique_ptr<LinkClock> clock = MakeSteadyLinkClock();
  return clock;
}

CommPort g_commPort;
PortOpenError g_lastOpenError = PortOpenError::kNone;

}  // namespace

std::unique_ptr<PortBackend> MakeSerialLineBackend() { return std::make_unique<SerialLineBackend>(); }
std::unique_ptr<LinkClock> MakeSteadyLinkClock() { return std::make_unique<SteadyLinkClock>(); }

PortBackend& PortLine() { return *BackendSlot(); }
LinkClock& LinkTime() { return *ClockSlot(); }

std::unique_ptr<PortBackend> SetPortBackend(std::unique_ptr<PortBackend> backend) {
  auto previous = std::move(BackendSlot());
  BackendSlot() = backend ? std::move(backend) : MakeSerialLineBackend();
  return previous;
}

std::unique_ptr<LinkClock> SetLinkClock(std::unique_ptr<LinkClock> clock) {
  auto previous = std::move(ClockSlot());
  ClockSlot() = clock ? std::move(clock) : MakeSteadyLinkClock();
  return previous;
}

CommPort& ThePort() { return g_commPort; }

int PortReset(int port) {
  if (port < 0 || port > kPortCount) return 0;
  // A port still open would stay open in the library, and every later open would find
  // it busy.
  if (g_commPort.isOpen) PortClose();
  g_commPort = CommPort{};
  g_commPort.port = static_cast<std::uint8_t>(port);
  return 1;
}

int PortOpen(std::uint32_t speed, int port) {
  if (port < 0 || port > kPortCount) {
    g_lastOpenError = PortOpenError::kNoSuchPort;
    return 0;
  }
  char name[16];
  std::snprintf(name, sizeof name, "%s%d", "COM", port);
  g_commPort.handle = PortLine().OpenComm(name);
  if (g_commPort.handle == -1) {
    g_lastOpenError = PortOpenErrorFromErrno(PortLine().LastOpenError());
    return 0;
  }
  PortLine().FlushComm(g_commPort.handle, kPurgeAll);
  if (PortLine().SetupConnect(g_commPort.handle, static_cast<std::int32_t>(speed)) == 0) {
    g_commPort.isOpen = 0;
    PortLine().CloseComm();
    g_commPort.handle = -1;
    g_lastOpenError = PortOpenError::kRefused;
    return 0;
  }
  g_commPort.isOpen = 1;
  g_commPort.lineGone = 0;
  g_commPort.port = static_cast<std::uint8_t>(port);
  g_commPort.speed = speed;
  g_lastOpenError = PortOpenError::kNone;
  // Many cameras power their line driver from DTR; a pseudo-terminal has no DTR, which
  // is why the result does not matter.
  PortLine().EscapeCommFunction(g_commPort.handle, kRaiseDtr);
  return 1;
}

int PortClose() {
  g_commPort.isOpen = 0;
  PortLine().EscapeCommFunction(g_commPort.handle, kDropDtr);
  PortLine().FlushComm(g_commPort.handle, kPurgeAll);
  PortLine().CloseComm();
  g_commPort.handle = -1;
  return 1;
}

int PortSetSpeed(std::uint32_t speed) {
  if (!g_commPort.isOpen) return 0;
  int result = PortLine().SetupConnect(g_commPort.handle, static_cast<std::int32_t>(speed));
  if (result != 0) g_commPort.speed = speed;
  return result;
}

int PortWrite(const std::uint8_t* bytes, std::int32_t count) {
  if (PortLine().WriteBytes(bytes, count) != 0 &&
      PortLine().DrainComm(static_cast<std::int32_t>(serial::WriteTimeoutMs(count))) != 0)
    return 1;
  // The unsent rest must not reach the camera later, in the middle of whatever follows.
  PortLine().FlushComm(g_commPort.handle, SERLNK32_PURGE_TXABORT | SERLNK32_PURGE_TXCLEAR);
  return 0;
}

void PortPurge() { PortLine().FlushComm(g_commPort.handle, kPurgeAll); }

void PortLineGone() {
  if (g_commPort.isOpen) {
    g_commPort.isOpen = 0;
    // Nothing can be sent to a device that is gone: no DTR, no purge, just let it go.
    PortLine().CloseComm();
    g_commPort.handle = -1;
  }
  g_commPort.lineGone = 1;
}

bool IsLineGoneError(std::int32_t error) { return error == EIO || error == ENXIO || error == ENODEV || error == EBADF; }

PortReservation::PortReservation(int port) {
  if (port < 1 || port > kPortCount) {
    m_error = ENOENT;
    return;
  }
  char name[16];
  std::snprintf(name, sizeof name, "%s%d", "COM", port);
  m_held = PortLine().ReserveComm(name) != 0;
  if (!m_held) m_error = PortLine().LastOpenError();
}

PortReservation::~PortReservation() {
  if (m_held) PortLine().ReleaseComm();
}

PortOpenError PortLastOpenError() { return g_lastOpenError; }

PortOpenError PortOpenErrorFromErrno(int error) {
  switch (error) {
    case 0: return PortOpenError::kNone;
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR: return PortOpenError::kMissing;
    case EACCES:
    case EPERM:
    case EROFS: return PortOpenError::kPermission;
    case EBUSY:
    case EWOULDBLOCK: return PortOpenError::kBusy;
    case ENOTTY: return PortOpenError::kNotSerial;
    default: return PortOpenError::kOther;
  }
}

MessageId PortOpenErrorMessage(PortOpenError error) {
  switch (error) {
    case PortOpenError::kNoSuchPort:
    case PortOpenError::kMissing: return kMsgSerialMissing;
    case PortOpenError::kPermission: return kMsgSerialPermission;
    case PortOpenError::kBusy: return kMsgSerialBusy;
    case PortOpenError::kNotSerial: return kMsgNotSerialDevice;
    default: return kMsgFailedToCommunicate;
  }
}

}  // namespace tessaly
