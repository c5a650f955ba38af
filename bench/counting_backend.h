// The real serial line with a count of every byte that crosses it, for the benchmarks
// that compare a transfer's time with the time its bytes need on the line.
#pragma once

#include <cstdint>
#include <memory>

#include "camera/port.h"

namespace tessaly::bench {

struct LineCount {
  std::uint64_t bytes = 0;
  double lineSeconds = 0;  // the bytes' line time at 10 bits a byte, each at the speed then set

  void Add(std::int32_t count) {
    if (count <= 0) return;
    bytes += static_cast<std::uint64_t>(count);
    lineSeconds += count * 10.0 / static_cast<double>(ThePort().speed);
  }
};

class CountingBackend final : public PortBackend {
 public:
  explicit CountingBackend(LineCount& count) : m_inner(MakeSerialLineBackend()), m_count(count) {}
  std::int32_t OpenComm(const char* name) override { return m_inner->OpenComm(name); }
  std::int32_t CloseComm() override { return m_inner->CloseComm(); }
  std::int32_t SetupConnect(std::int32_t handle, std::int32_t speed) override {
    return m_inner->SetupConnect(handle, speed);
  }
  std::int32_t ReadBytes(std::uint8_t* buffer, std::int32_t maxCount, std::int32_t& countRead) override {
    std::int32_t result = m_inner->ReadBytes(buffer, maxCount, countRead);
    m_count.Add(countRead);
    return result;
  }
  std::int32_t WriteBytes(const std::uint8_t* buffer, std::int32_t count) override {
    std::int32_t result = m_inner->WriteBytes(buffer, count);
    if (result) m_count.Add(count);
    return result;
  }
  std::int32_t EscapeCommFunction(std::int32_t handle, std::int32_t function) override {
    return m_inner->EscapeCommFunction(handle, function);
  }
  std::int32_t FlushComm(std::int32_t handle, std::int32_t flags) override { return m_inner->FlushComm(handle, flags); }
  std::int32_t WaitReadable(std::int32_t timeoutMs, std::int32_t minBytes) override {
    return m_inner->WaitReadable(timeoutMs, minBytes);
  }
  std::int32_t LastOpenError() override { return m_inner->LastOpenError(); }

 private:
  std::unique_ptr<PortBackend> m_inner;
  LineCount& m_count;
};

}  // namespace tessaly::bench
