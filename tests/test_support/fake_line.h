// Test helper: a serial line in memory with a clock that only moves when the link waits,
// so that every time-out can be tested exactly and at once.
//
// The camera is a function that sees each write of the link once the line has carried
// it and queues the bytes the camera sends back; waits with nothing queued move the
// clock by their whole time-out. Like a real driver's transmit queue, a write only hands
// its bytes over: they are in flight for 10 bit times each at the current speed, a
// purge of the transmit queue drops those still in flight, and a speed change garbles
// them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "camera/port.h"
#include "serial/serlnk32.h"

namespace tessaly::test {

struct FakeLineState {
  std::uint64_t now = 0;            // milliseconds
  std::uint32_t nowFractionUs = 0;  // and the microseconds past them
  std::uint32_t speed = 9600;
  std::deque<std::uint8_t> incoming;                 // what the camera has sent, not yet read
  std::deque<std::int32_t> readResults;              // results to return from the next reads (line errors)
  std::vector<std::vector<std::uint8_t>> writes;     // every write of the link, in order
  std::vector<std::vector<std::uint8_t>> delivered;  // what reached the camera, in order
  struct InFlight {
    std::vector<std::uint8_t> bytes;
    std::uint64_t arrivesUs;
  };
  std::deque<InFlight> inFlight;  // written, not yet carried by the line
  std::function<void(const std::vector<std::uint8_t>& written, FakeLineState& line)> camera;
  int opens = 0;
  int reservations = 0;               // held now
  std::int32_t refuseWritesOver = 0;  // a write of more bytes than this fails (0: none does)

  void Send(std::initializer_list<std::uint8_t> bytes) { incoming.insert(incoming.end(), bytes); }
  std::uint64_t NowUs() const { return now * 1000 + nowFractionUs; }
  void AdvanceUs(std::uint64_t us) {
    std::uint64_t total = NowUs() + us;
    now = total / 1000;
    nowFractionUs = static_cast<std::uint32_t>(total % 1000);
  }
  // Hands what the line has carried by now to the camera.
  void Deliver() {
    while (!inFlight.empty() && inFlight.front().arrivesUs <= NowUs()) {
      std::vector<std::uint8_t> bytes = std::move(inFlight.front().bytes);
      inFlight.pop_front();
      delivered.push_back(bytes);
      if (camera) camera(bytes, *this);
    }
  }
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
  std::int32_t SetupConnect(std::int32_t, std::int32_t speed) override {
    m_state->Deliver();
    // What is still on its way goes out partly at the old speed, partly at the new: the
    // camera reads garbage.
    for (auto& flight : m_state->inFlight)
      for (auto& byte : flight.bytes) byte ^= 0xA5;
    if (speed > 0) m_state->speed = static_cast<std::uint32_t>(speed);
    return 1;
  }
  std::int32_t ReadBytes(std::uint8_t* buffer, std::int32_t maxCount, std::int32_t& countRead) override {
    m_state->Deliver();
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
    if (m_state->refuseWritesOver > 0 && count > m_state->refuseWritesOver) return 0;
    std::vector<std::uint8_t> written(buffer, buffer + count);
    m_state->writes.push_back(written);
    std::uint64_t start = m_state->inFlight.empty() ? m_state->NowUs() : m_state->inFlight.back().arrivesUs;
    std::uint64_t lineUs = static_cast<std::uint64_t>(count) * 10'000'000 / m_state->speed;
    m_state->inFlight.push_back({std::move(written), std::max(start, m_state->NowUs()) + lineUs});
    return 1;
  }
  std::int32_t DrainComm(std::int32_t) override {
    if (!m_state->inFlight.empty() && m_state->inFlight.back().arrivesUs > m_state->NowUs())
      m_state->AdvanceUs(m_state->inFlight.back().arrivesUs - m_state->NowUs());
    m_state->Deliver();
    return 1;
  }
  std::int32_t EscapeCommFunction(std::int32_t, std::int32_t) override { return 0; }
  std::int32_t FlushComm(std::int32_t, std::int32_t flags) override {
    m_state->Deliver();
    if ((flags & (SERLNK32_PURGE_TXABORT | SERLNK32_PURGE_TXCLEAR)) != 0) m_state->inFlight.clear();
    if ((flags & (SERLNK32_PURGE_RXABORT | SERLNK32_PURGE_RXCLEAR)) != 0) m_state->incoming.clear();
    return 0;
  }
  std::int32_t WaitReadable(std::int32_t timeoutMs, std::int32_t) override {
    const std::uint64_t end = m_state->NowUs() + static_cast<std::uint64_t>(timeoutMs > 0 ? timeoutMs : 1) * 1000;
    for (;;) {
      m_state->Deliver();
      if (!m_state->incoming.empty()) return 1;
      // The camera answers what is still on its way once it has arrived.
      if (m_state->inFlight.empty() || m_state->inFlight.front().arrivesUs > end) break;
      m_state->AdvanceUs(m_state->inFlight.front().arrivesUs - m_state->NowUs());
    }
    m_state->AdvanceUs(end - m_state->NowUs());
    m_state->Deliver();
    return 0;
  }
  std::int32_t LastOpenError() override { return 0; }
  std::int32_t ReserveComm(const char*) override {
    ++m_state->reservations;
    return 1;
  }
  std::int32_t ReleaseComm() override {
    --m_state->reservations;
    return 1;
  }

 private:
  std::shared_ptr<FakeLineState> m_state;
};

class FakeClock final : public LinkClock {
 public:
  explicit FakeClock(std::shared_ptr<FakeLineState> state) : m_state(std::move(state)) {}
  std::uint64_t NowMs() override { return m_state->now; }
  void SleepMs(std::uint32_t milliseconds) override {
    m_state->AdvanceUs(std::uint64_t{milliseconds} * 1000);
    m_state->Deliver();
  }

 private:
  std::shared_ptr<FakeLineState> m_state;
};

}  // namespace tessaly::test
