// Test helper: a serial line in memory with a clock that only moves when the link waits,
// so that every time-out can be tested exactly and at once.
//
// The camera is a function that sees each write of the link and queues the bytes the
// camera sends back; waits with nothing queued move the clock by their whole time-out.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "camera/port.h"

namespace tessaly::test {

struct FakeLineState {
  std::uint64_t now = 0;
  std::deque<std::uint8_t> incoming;        // what the camera has sent, not yet read
  std::deque<std::int32_t> readResults;     // results to return from the next reads (line errors)
  std::vector<std::vector<std::uint8_t>> writes;  // every write of the link, in order
  std::function<void(const std::vector<std::uint8_t>& written, FakeLineState& line)> camera;
  int opens = 0;

  void Send(std::initializer_list<std::uint8_t> bytes) { incoming.insert(incoming.end(), bytes); }
  template <typename Range>
  void SendRange(const Range& bytes) {
    incoming.insert(incoming.end(), bytes.begin(), bytes.end());
  }
};

class FakeLineBackend final : public PortBackend {
 public:
  explicit FakeLineBackend(std::shared_ptr<FakeLineState> state) : m_state(std::move(state)) {}
  std::int32_t OpenComm(const char*) override {
    ++m_state->opens;
    return 3;
  }
  std::int32_t CloseComm() override { return 1; }
  std::int32_t SetupConnect(std::int32_t, std::int32_t) override { return 1; }
  std::int32_t ReadBytes(std::uint8_t* buffer, std::int32_t maxCount, std::int32_t& countRead) override {
    countRead = 0;
    if (!m_state->readResults.empty()) {
      std::int32_t result = m_state->readResults.front();
      m_state->readResults.pop_front();
      if (result != 0) return result;
    }
    while (countRead < maxCount && !m_state->incoming.empty()) {
      buffer[countRead++] = m_state->incoming.front();
      m_state->incoming.pop_front();
    }
    return 0;
  }
  std::int32_t WriteBytes(const std::uint8_t* buffer, std::int32_t count) override {
    std::vector<std::uint8_t> written(buffer, buffer + count);
    m_state->writes.push_back(written);
    if (m_state->camera) m_state->camera(written, *m_state);
    return 1;
  }
  std::int32_t EscapeCommFunction(std::int32_t, std::int32_t) override { return 0; }
  std::int32_t FlushComm(std::int32_t, std::int32_t) override {
    m_state->incoming.clear();
    return 0;
  }
  std::int32_t WaitReadable(std::int32_t timeoutMs, std::int32_t) override {
    if (!m_state->incoming.empty()) return 1;
    m_state->now += static_cast<std::uint64_t>(timeoutMs > 0 ? timeoutMs : 1);
    return 0;
  }
  std::int32_t LastOpenError() override { return 0; }

 private:
  std::shared_ptr<FakeLineState> m_state;
};

class FakeClock final : public LinkClock {
 public:
  explicit FakeClock(std::shared_ptr<FakeLineState> state) : m_state(std::move(state)) {}
  std::uint64_t NowMs() override { return m_state->now; }
  void SleepMs(std::uint32_t milliseconds) override { m_state->now += milliseconds; }

 private:
  std::shared_ptr<FakeLineState> m_state;
};

}  // namespace tessaly::test
