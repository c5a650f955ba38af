#include "tools/camera-emulator/line.h"

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "serial/line_speed.h"

namespace tessaly::emulator {

volatile std::sig_atomic_t g_stopRequested = 0;

unsigned Line::HostSpeed() const { return serial::GetLineSpeed(m_fd); }

Line::Clock::duration Line::ByteTime() const {
  // Start bit, 8 data bits, stop bit.
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::nanoseconds(10'000'000'000LL / std::max(m_speed, 1u)));
}

void Line::Arrived(std::size_t count) {
  if (!m_realtime) return;
  m_lineFree = std::max(m_lineFree, Clock::now()) + ByteTime() * static_cast<int>(count);
}

void Line::HangUp() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

bool Line::Fill(int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  while (!g_stopRequested) {
    int slice = 100;
    if (timeoutMs >= 0) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      slice = static_cast<int>(std::min<long long>(left, slice));
    }
    if (m_fd < 0) {
      // Hung up: nothing will come again.
      ::poll(nullptr, 0, slice);
      continue;
    }
    pollfd waiting{m_fd, POLLIN, 0};
    int ready = ::poll(&waiting, 1, slice);
    if (ready <= 0) continue;
    std::uint8_t buffer[4096];
    ssize_t n = ::read(m_fd, buffer, sizeof buffer);
    if (n > 0) {
      m_pending.insert(m_pending.end(), buffer, buffer + n);
      Arrived(static_cast<std::size_t>(n));
      return true;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      // The host's end is closed for the moment; look again a little later.
      ::usleep(10'000);
    }
  }
  return false;
}

std::optional<std::uint8_t> Line::ReadByte(int timeoutMs) {
  if (m_pending.empty() && !Fill(timeoutMs)) return std::nullopt;
  std::uint8_t byte = m_pending.front();
  m_pending.pop_front();
  return byte;
}

std::size_t Line::Read(std::uint8_t* out, std::size_t count, int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::size_t got = 0;
  while (got < count) {
    if (m_pending.empty()) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0 || !Fill(static_cast<int>(left))) break;
    }
    while (got < count && !m_pending.empty()) {
      out[got++] = m_pending.front();
      m_pending.pop_front();
    }
  }
  return got;
}

std::size_t Line::ReadPending(std::uint8_t* out, std::size_t count) {
  std::uint8_t buffer[4096];
  ssize_t n;
  while (m_fd >= 0 && (n = ::read(m_fd, buffer, sizeof buffer)) > 0)
    m_pending.insert(m_pending.end(), buffer, buffer + n);
  std::size_t got = 0;
  while (got < count && !m_pending.empty()) {
    out[got++] = m_pending.front();
    m_pending.pop_front();
  }
  return got;
}

void Line::Write(std::span<const std::uint8_t> bytes) {
  std::size_t sent = 0;
  auto start = std::max(m_lineFree, Clock::now());
  while (sent < bytes.size() && !g_stopRequested && m_fd >= 0) {
    std::size_t due = bytes.size();
    if (m_realtime) {
      // Byte i is delivered when its tenth bit has been on the line; sleep to absolute
      // times so that late wake-ups do not add up.
      auto now = Clock::now();
      due = now < start ? 0 : std::min<std::size_t>(bytes.size(), static_cast<std::size_t>((now - start) / ByteTime()));
      if (due <= sent) {
        auto next = start + ByteTime() * static_cast<int>(sent + 1);
        auto since = std::chrono::duration_cast<std::chrono::nanoseconds>(next.time_since_epoch());
        timespec until{static_cast<time_t>(since.count() / 1'000'000'000),
                       static_cast<long>(since.count() % 1'000'000'000)};
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
        continue;
      }
    }
    ssize_t n = ::write(m_fd, bytes.data() + sent, due - sent);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) break;
    pollfd waiting{m_fd, POLLOUT, 0};
    if (::poll(&waiting, 1, 1000) <= 0) break;  // nobody reads: the bytes are lost, as on a cable
  }
  if (m_realtime) m_lineFree = start + ByteTime() * static_cast<int>(bytes.size());
}

EventLog::~EventLog() {
  if (m_file) std::fclose(m_file);
}

bool EventLog::Open(const std::string& path) {
  m_file = std::fopen(path.c_str(), "w");
  return m_file != nullptr;
}

void EventLog::Write(const std::string& fields) {
  if (!m_file) return;
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_start).count();
  std::fprintf(m_file, "{\"t\":%.3f,%s}\n", ms, fields.c_str());
  std::fflush(m_file);
}

std::string Hex(std::span<const std::uint8_t> bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}

}  // namespace tessaly::emulator
