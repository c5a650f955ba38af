// A port back end that hands every call to the real serial line, for the tests and
// benchmarks that watch or bend a few of them.
#pragma once

#include <memory>

#include "camera/port.h"

namespace tessaly::test {

class ForwardingBackend : public PortBackend {
 public:
  ForwardingBackend() : m_inner(MakeSerialLineBackend()) {}
  std::int32_t OpenComm(const char* name) override { return m_inner->OpenComm(name); }
  std::int32_t CloseComm() override { return m_inner->CloseComm(); }
  std::int32_t SetupConnect(std::int32_t handle, std::int32_t speed) override {
    return m_inner->SetupConnect(handle, speed);
  }
  std::int32_t ReadBytes(std::uint8_t* buffer, std::int32_t maxCount, std::int32_t& countRead) override {
    return m_inner->ReadBytes(buffer, maxCount, countRead);
  }
  std::int32_t WriteBytes(const std::uint8_t* buffer, std::int32_t count) override {
    return m_inner->WriteBytes(buffer, count);
  }
  std::int32_t DrainComm(std::int32_t timeoutMs) override { return m_inner->DrainComm(timeoutMs); }
  std::int32_t EscapeCommFunction(std::int32_t handle, std::int32_t function) override {
    return m_inner->EscapeCommFunction(handle, function);
  }
  std::int32_t FlushComm(std::int32_t handle, std::int32_t flags) override { return m_inner->FlushComm(handle, flags); }
  std::int32_t WaitReadable(std::int32_t timeoutMs, std::int32_t minBytes) override {
    return m_inner->WaitReadable(timeoutMs, minBytes);
  }
  std::int32_t LastOpenError() override { return m_inner->LastOpenError(); }
  std::int32_t ReserveComm(const char* name) override { return m_inner->ReserveComm(name); }
  std::int32_t ReleaseComm() override { return m_inner->ReleaseComm(); }

 private:
  std::unique_ptr<PortBackend> m_inner;
};

}  // namespace tessaly::test
