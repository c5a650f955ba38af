// The link's bulk read against the camera emulator pacing the line in real time.
//
// A 50,000-byte picture is read at 115200 bit/s in blocks of 500 data bytes (packet size
// 512), as a picture download does. Reported: line_ratio, the time taken over the time
// every byte that crossed the line needs at 10 bits a byte (goal: at most 1.05), and
// cpu_percent, this process's processor time over the time taken, in % of one core
// (goal: at most 5).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <fstream>

#include "camera/link.h"
#include "test_support/emulator_process.h"

namespace tessaly {
namespace {

// Counts every byte the link writes or reads, on top of the real line.
class CountingBackend final : public PortBackend {
 public:
  explicit CountingBackend(std::uint64_t& bytes) : m_inner(MakeSerialLineBackend()), m_bytes(bytes) {}
  std::int32_t OpenComm(const char* name) override { return m_inner->OpenComm(name); }
  std::int32_t CloseComm() override { return m_inner->CloseComm(); }
  std::int32_t SetupConnect(std::int32_t handle, std::int32_t speed) override {
    return m_inner->SetupConnect(handle, speed);
  }
  std::int32_t ReadBytes(std::uint8_t* buffer, std::int32_t maxCount, std::int32_t& countRead) override {
    std::int32_t result = m_inner->ReadBytes(buffer, maxCount, countRead);
    m_bytes += static_cast<std::uint64_t>(countRead);
    return result;
  }
  std::int32_t WriteBytes(const std::uint8_t* buffer, std::int32_t count) override {
    std::int32_t result = m_inner->WriteBytes(buffer, count);
    if (result) m_bytes += static_cast<std::uint64_t>(count);
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
  std::uint64_t& m_bytes;
};

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_LinkBlockTransferRealtime115200(benchmark::State& state) {
  constexpr std::size_t kPictureSize = 50'000;
  constexpr std::uint32_t kSpeed = 115200;
  test::TempFolder card;
  std::vector<std::uint8_t> picture(kPictureSize);
  for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<std::uint8_t>(i * 7 + i / 300);
  std::ofstream(card / "PICTURE.JPG", std::ios::binary)
      .write(reinterpret_cast<const char*>(picture.data()), static_cast<std::streamsize>(picture.size()));
  test::EmulatorProcess emulator({"--realtime", "--card", card.Path().string()});
  if (!emulator.Running()) {
    state.SkipWithError("the camera emulator did not start");
    return;
  }
  test::ScopedEnv device("TESSALY_COM1", emulator.DevicePath());
  std::uint64_t bytes = 0;
  auto previous = SetPortBackend(std::make_unique<CountingBackend>(bytes));
  double ratio = 0, cpu = 0;
  for (auto _ : state) {
    TheLinkState() = LinkState{};
    PortReset(1);
    if (!PortOpen(kBaseSpeed, 1)) {
      state.SkipWithError("cannot open the emulator's line");
      break;
    }
    FrameData speed{};
    speed[0] = '6';
    LinkRequest(kCmdSB, speed, Answered::kYes);
    LinkPause(50);
    PortSetSpeed(kSpeed);
    TheLinkState().packetSize = 512;
    FrameData packet{};
    PutU16BE(packet, 0, 512);
    LinkRequest(kCmdSP, packet, Answered::kNo);

    std::vector<std::uint8_t> destination(kPictureSize);
    bytes = 0;
    double cpuStart = CpuSeconds();
    auto start = std::chrono::steady_clock::now();
    LinkState& link = TheLinkState();
    link.transferState = TransferState::kReceiving;
    link.expectedBlock = 1;
    FrameData number{};
    PutU32BE(number, 0, 1);
    int status = LinkRequest(kCmdRD, number, Answered::kYes);
    int code = AnswerCode();
    if (status == kLinkDone && code == kAnswerOk) status = ReceiveBlocks(destination, kPictureSize, code);
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpu = (CpuSeconds() - cpuStart) / elapsed * 100.0;
    ratio = elapsed / (static_cast<double>(bytes) * 10.0 / kSpeed);
    state.SetIterationTime(elapsed);
    if (status != kLinkDone || code != kAnswerOk || destination != picture) {
      state.SkipWithError("the transfer failed");
      break;
    }
    PortClose();
  }
  if (ThePort().isOpen) PortClose();
  SetPortBackend(std::move(previous));
  state.counters["line_ratio"] = ratio;
  state.counters["cpu_percent"] = cpu;
  state.counters["line_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_LinkBlockTransferRealtime115200)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessaly
