// The camera's end of the pseudo-terminal, optionally paced at the line speed, and the
// JSON event log.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <optional>
#include <span>
#include <string>

namespace tessaly::emulator {

// Set by SIGTERM and SIGINT: every wait ends soon after.
extern volatile std::sig_atomic_t g_stopRequested;

class Line {
 public:
  Line(int masterFd, bool realtime) : m_fd(masterFd), m_realtime(realtime) {}

  void SetSpeed(unsigned bitsPerSecond) { m_speed = bitsPerSecond; }
  unsigned Speed() const { return m_speed; }
  // The speed the host's end is set to.
  unsigned HostSpeed() const;

  // The next byte from the host within timeoutMs (negative: until stopped).
  std::optional<std::uint8_t> ReadByte(int timeoutMs);
  // Up to count bytes into out, all within timeoutMs; returns how many came.
  std::size_t Read(std::uint8_t* out, std::size_t count, int timeoutMs);
  // Whatever the host has sent and was not read yet, without waiting.
  std::size_t ReadPending(std::uint8_t* out, std::size_t count);
  // Sends bytes; with pacing each byte is delivered when the line would have carried it.
  void Write(std::span<const std::uint8_t> bytes);
  // Closes our end of the pseudo-terminal: the host's end is hung up for good.
  void HangUp();

 private:
  using Clock = std::chrono::steady_clock;
  bool Fill(int timeoutMs);
  // With pacing: a byte from the host is there only once the line carried it.
  void Arrived(std::size_t count);
  Clock::duration ByteTime() const;

  int m_fd;
  bool m_realtime;
  unsigned m_speed = 9600;
  std::deque<std::uint8_t> m_pending;
  Clock::time_point m_lineFree{};
};

// One JSON object a line, flushed at once so that a test can read it while we run.
class EventLog {
 public:
  ~EventLog();
  bool Open(const std::string& path);
  // fields is the inside of the object, without braces: "\"from\":\"host\",...".
  void Write(const std::string& fields);

 private:
  std::FILE* m_file = nullptr;
  std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

std::string Hex(std::span<const std::uint8_t> bytes);

}  // namespace tessaly::emulator
