// serlnk32 over termios.
//
// The library keeps one port record: the open device's descriptor, the line speed it
// was set to (used to wait for the rest of a frame) and the driver's line-error counts
// at the last read, so that every error is reported once.
#include "serial/serlnk32.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "serial/line_errors.h"
#include "serial/line_speed.h"
#include "serial/port_map.h"

namespace {

using tessaly::serial::LineErrorCounts;
using Clock = std::chrono::steady_clock;

struct PortRecord {
  int fd = -1;
  unsigned speed = 0;
  bool countsAvailable = false;
  LineErrorCounts counts;
  int lastOpenError = 0;
};

PortRecord g_port;

// A device kept for the program between its opens: the descriptor holds the lock and the
// exclusive flag while the port itself is closed, and the port's opens share it.
struct Reservation {
  int fd = -1;
  int depth = 0;
  std::string device;
};
Reservation g_reservation;

// Opens the device exclusively, as MyOpenComm does: the descriptor, or -1 with errno.
int OpenExclusive(const std::string& device) {
  int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (!::isatty(fd)) {
    ::close(fd);
    errno = ENOTTY;
    return -1;
  }
  // Not shared with other programs: TIOCEXCL refuses later opens of the device, and the
  // lock keeps out programs that opened it before us and honour the usual lock.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno == EWOULDBLOCK ? EBUSY : errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  if (::ioctl(fd, TIOCEXCL) != 0) {
    int error = errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

// The driver's error counters; false where the driver keeps none (pseudo-terminals,
// many USB adapters).
bool ReadErrorCounts(int fd, LineErrorCounts& counts) {
  serial_icounter_struct icount{};
  if (::ioctl(fd, TIOCGICOUNT, &icount) != 0) return false;
  counts.frame = static_cast<std::uint32_t>(icount.frame);
  counts.overrun = static_cast<std::uint32_t>(icount.overrun);
  counts.parity = static_cast<std::uint32_t>(icount.parity);
  counts.breaks = static_cast<std::uint32_t>(icount.brk);
  counts.bufferOverrun = static_cast<std::uint32_t>(icount.buf_overrun);
  return true;
}

int QueuedBytes(int fd) {
  int queued = 0;
  if (::ioctl(fd, FIONREAD, &queued) != 0) return -1;
  return queued;
}

// Bytes handed to the driver that have not gone out yet; 0 where the driver cannot tell.
int UnsentBytes(int fd) {
  int queued = 0;
  if (::ioctl(fd, TIOCOUTQ, &queued) != 0) return 0;
  if (queued > 0) return queued;
  // A UART's shift register and FIFO are not in that count; its line status tells when
  // the last stop bit has left. Drivers without it (pseudo-terminals, most USB
  // adapters) have nothing beyond the count.
  unsigned status = 0;
  if (::ioctl(fd, TIOCSERGETLSR, &status) == 0 && (status & TIOCSER_TEMT) == 0) return 1;
  return 0;
}

// Waits until every byte handed to the driver has gone out, or until the deadline: a
// purge or a speed change that follows must find nothing of ours still on its way.
// Sleeps about as long as the queued bytes need at the line speed, so that a drained
// queue costs one ioctl and a full one no busy wait.
bool DrainUntil(int fd, Clock::time_point deadline) {
  for (;;) {
    int unsent = UnsentBytes(fd);
    if (unsent == 0) return true;
    auto now = Clock::now();
    if (now >= deadline) return false;
    unsigned speed = g_port.speed > 0 ? g_port.speed : 9600;
    auto lineTime = std::chrono::microseconds(static_cast<std::int64_t>(unsent) * 10'000'000 / speed);
    auto step = std::clamp<Clock::duration>(lineTime, std::chrono::microseconds(100), std::chrono::milliseconds(20));
    std::this_thread::sleep_until(std::min(deadline, now + step));
  }
}

int OpenFailure(int error) {
  g_port.lastOpenError = error;
  return -1;
}

int ReserveFailure(int error) {
  g_port.lastOpenError = error;
  return 0;
}

}  // namespace

extern "C" {

SERLNK32_API int32_t MyOpenComm(const char* deviceName) {
  if (deviceName == nullptr) return OpenFailure(EINVAL);
  // One port per process: a second open would lose the first port's descriptor.
  if (g_port.fd >= 0) return OpenFailure(EBUSY);
  auto device = tessaly::serial::ResolvePortDevice(deviceName);
  if (!device) return OpenFailure(ENOENT);

  int fd = -1;
  if (g_reservation.fd >= 0 && g_reservation.device == *device) {
    // Our own reservation keeps others out, and would keep us out too: share it.
    fd = ::fcntl(g_reservation.fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return OpenFailure(errno);
  } else {
    fd = OpenExclusive(*device);
    if (fd < 0) return OpenFailure(errno);
  }
  g_port.fd = fd;
  g_port.speed = tessaly::serial::GetLineSpeed(fd);
  g_port.countsAvailable = ReadErrorCounts(fd, g_port.counts);
  g_port.lastOpenError = 0;
  return fd;
}

SERLNK32_API int32_t MyCloseComm(int32_t) {
  if (g_port.fd < 0) return 0;
  int fd = g_port.fd;
  int lastOpenError = g_port.lastOpenError;
  g_port = PortRecord{};
  g_port.lastOpenError = lastOpenError;
  // The exclusive flag belongs to the device, not to this descriptor: clear it so that
  // the next open succeeds while another descriptor keeps the device alive; a device we
  // keep reserved stays exclusive.
  if (g_reservation.fd < 0) ::ioctl(fd, TIOCNXCL);
  return ::close(fd) == 0 ? 1 : 0;
}

SERLNK32_API int32_t MySetupConnect(int32_t handle, int32_t speed) {
  if (g_port.fd < 0 || handle != g_port.fd || speed <= 0) return 0;
  termios settings{};
  if (::tcgetattr(handle, &settings) != 0) return 0;
  // Binary: no translation of any byte, no echo, no signals; 8 data bits, no parity,
  // one stop bit; no flow control in either direction; modem lines ignored for reading.
  ::cfmakeraw(&settings);
  settings.c_cflag &= ~(CSTOPB | CRTSCTS);
  settings.c_cflag |= CLOCAL | CREAD;
  settings.c_iflag &= ~(IXON | IXOFF | IXANY);
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
  // Bytes still on their way would be garbled by the new speed; our writes drain before
  // they return, so this only waits for a writer that bypassed them.
  DrainUntil(handle, Clock::now() + std::chrono::milliseconds(tessaly::serial::WriteTimeoutMs(UnsentBytes(handle))));
  if (::tcsetattr(handle, TCSANOW, &settings) != 0) return 0;
  if (!tessaly::serial::SetLineSpeed(handle, static_cast<unsigned>(speed))) return 0;
  g_port.speed = static_cast<unsigned>(speed);
  return 1;
}

SERLNK32_API int32_t MyReadBytes(void* buffer, int32_t maxCount, int32_t* countRead) {
  if (countRead == nullptr) return EINVAL;
  *countRead = 0;
  if (g_port.fd < 0) return EBADF;
  if (buffer == nullptr && maxCount > 0) return EINVAL;

  if (g_port.countsAvailable) {
    LineErrorCounts now;
    if (ReadErrorCounts(g_port.fd, now)) {
      std::int32_t flags = tessaly::serial::LineErrorFlags(g_port.counts, now);
      g_port.counts = now;
      if (flags != 0) return flags;
    }
  }
  int queued = QueuedBytes(g_port.fd);
  if (queued < 0) return errno;
  int wanted = std::min(std::max(maxCount, 0), queued);
  if (wanted == 0) return 0;
  ssize_t n = ::read(g_port.fd, buffer, static_cast<std::size_t>(wanted));
  if (n < 0) return errno == EAGAIN || errno == EINTR ? 0 : errno;
  *countRead = static_cast<int32_t>(n);
  return 0;
}

SERLNK32_API int32_t MyWriteBytes(const void* buffer, int32_t count) {
  if (g_port.fd < 0 || count < 0 || (buffer == nullptr && count > 0)) return 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(tessaly::serial::WriteTimeoutMs(count));
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  std::size_t left = static_cast<std::size_t>(count);
  while (left > 0) {
    ssize_t n = ::write(g_port.fd, bytes, left);
    if (n > 0) {
      bytes += n;
      left -= static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) break;
    auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (remaining <= 0) break;
    pollfd waiting{g_port.fd, POLLOUT, 0};
    int ready = ::poll(&waiting, 1, static_cast<int>(remaining));
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0 && (waiting.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) break;
  }
  // The write is complete only when its bytes have left the driver, as with the write
  // time-outs this library's interface comes from: the purge or speed change that
  // often follows at once must not catch them in the transmit queue.
  if (left == 0 && DrainUntil(g_port.fd, deadline)) return 1;
  // What a stalled reader did not take must not reach the camera later, in the middle
  // of whatever the program sends next.
  ::tcflush(g_port.fd, TCOFLUSH);
  return 0;
}

SERLNK32_API int32_t MyEscapeCommFunction(int32_t handle, int32_t function) {
  if (g_port.fd < 0 || handle != g_port.fd) return EBADF;
  int lines = 0;
  int result = 0;
  switch (function) {
    case SERLNK32_SETXOFF: result = ::tcflow(handle, TCOOFF); break;
    case SERLNK32_SETXON: result = ::tcflow(handle, TCOON); break;
    case SERLNK32_SETRTS:
      lines = TIOCM_RTS;
      result = ::ioctl(handle, TIOCMBIS, &lines);
      break;
    case SERLNK32_CLRRTS:
      lines = TIOCM_RTS;
      result = ::ioctl(handle, TIOCMBIC, &lines);
      break;
    case SERLNK32_SETDTR:
      lines = TIOCM_DTR;
      result = ::ioctl(handle, TIOCMBIS, &lines);
      break;
    case SERLNK32_CLRDTR:
      lines = TIOCM_DTR;
      result = ::ioctl(handle, TIOCMBIC, &lines);
      break;
    case SERLNK32_SETBREAK: result = ::ioctl(handle, TIOCSBRK); break;
    case SERLNK32_CLRBREAK: result = ::ioctl(handle, TIOCCBRK); break;
    default: return EINVAL;
  }
  return result == 0 ? 0 : errno;
}

SERLNK32_API int32_t MyFlushComm(int32_t handle, int32_t flags) {
  if (g_port.fd < 0 || handle != g_port.fd) return 0;
  // Only what has arrived and was not read is discarded. The transmit side holds nothing
  // to discard: every completed write has drained, and a failed one discarded its own
  // rest. tcflush(TCOFLUSH) would do harm besides: on a pseudo-terminal it empties the
  // other end's input, and on a USB adapter it can drop bytes the driver already took.
  if ((flags & (SERLNK32_PURGE_RXABORT | SERLNK32_PURGE_RXCLEAR)) != 0) ::tcflush(handle, TCIFLUSH);
  return 0;
}

SERLNK32_API int32_t MyDrainComm(int32_t timeoutMs) {
  if (g_port.fd < 0) return 0;
  return DrainUntil(g_port.fd, Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0))) ? 1 : 0;
}

SERLNK32_API int32_t MyBuildCommDCB(int32_t, int32_t) { return 1; }

SERLNK32_API void GenerateCallback(int32_t selector) {
  std::fprintf(stderr, "UTSamp32: %s\n", selector == 1 ? "Inside MyCallback1" : "Inside MyCallback2");
}

SERLNK32_API int32_t MyLastOpenError(void) { return g_port.lastOpenError; }

SERLNK32_API int32_t MyReserveComm(const char* deviceName) {
  if (deviceName == nullptr) return ReserveFailure(EINVAL);
  auto device = tessaly::serial::ResolvePortDevice(deviceName);
  if (!device) return ReserveFailure(ENOENT);
  if (g_reservation.fd >= 0) {
    if (g_reservation.device != *device) return ReserveFailure(EBUSY);
    ++g_reservation.depth;
    return 1;
  }
  int fd = -1;
  if (g_port.fd >= 0) {
    // The port is open on some device already; only its own device can be reserved.
    char path[4096];
    std::string link = "/proc/self/fd/" + std::to_string(g_port.fd);
    ssize_t n = ::readlink(link.c_str(), path, sizeof path - 1);
    if (n <= 0 || std::string(path, static_cast<std::size_t>(n)) != *device) return ReserveFailure(EBUSY);
    fd = ::fcntl(g_port.fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return ReserveFailure(errno);
  } else {
    fd = OpenExclusive(*device);
    if (fd < 0) return ReserveFailure(errno);
  }
  g_reservation.fd = fd;
  g_reservation.depth = 1;
  g_reservation.device = *device;
  g_port.lastOpenError = 0;
  return 1;
}

SERLNK32_API int32_t MyReleaseComm(void) {
  if (g_reservation.fd < 0) return 0;
  if (--g_reservation.depth > 0) return 1;
  int fd = g_reservation.fd;
  g_reservation = Reservation{};
  // While the port is still open its descriptor keeps the device; it clears the flag
  // when it closes.
  if (g_port.fd < 0) ::ioctl(fd, TIOCNXCL);
  ::close(fd);
  return 1;
}

SERLNK32_API int32_t MyWaitReadable(int32_t timeoutMs, int32_t minBytes) {
  if (g_port.fd < 0) return -1;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  int queued = QueuedBytes(g_port.fd);
  if (queued < 0) return -1;
  if (queued == 0) {
    pollfd waiting{g_port.fd, POLLIN, 0};
    int ready = ::poll(&waiting, 1, std::max(timeoutMs, 0));
    if (ready == 0) return 0;
    if (ready < 0) return errno == EINTR ? 0 : -1;
    if ((waiting.revents & POLLIN) == 0) return -1;
    queued = QueuedBytes(g_port.fd);
    if (queued <= 0) return queued < 0 ? -1 : 0;
  }
  // The start of a frame is in: the rest cannot come faster than the line carries it
  // (10 bits a byte), so sleep that long instead of waking for every byte.
  if (queued < minBytes && g_port.speed > 0) {
    auto missing = static_cast<std::int64_t>(minBytes - queued);
    auto lineTime = std::chrono::microseconds(missing * 10'000'000 / g_port.speed);
    auto until = std::min(deadline, Clock::now() + lineTime);
    std::this_thread::sleep_until(until);
  }
  return 1;
}

SERLNK32_API int32_t MyResolvePortName(const char* portName, char* buffer, int32_t bufferSize) {
  if (portName == nullptr) return -1;
  auto device = tessaly::serial::ResolvePortDevice(portName);
  if (!device || buffer == nullptr || bufferSize <= 0 || device->size() >= static_cast<std::size_t>(bufferSize))
    return -1;
  std::memcpy(buffer, device->c_str(), device->size() + 1);
  return static_cast<int32_t>(device->size());
}

}  // extern "C"
