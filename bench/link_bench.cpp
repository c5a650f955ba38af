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

#include "bench/realtime_line.h"
#include "camera/link.h"
#include "test_support/emulator_process.h"

namespace tessaly {
namespace {

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_LinkBlockTransferRealtime115200(benchmark::State& state) {
  constexpr std::size_t kPictureSize = 50'000;
  constexpr std::uint32_t kSpeed = 115200;
  bench::RealtimeCard card(kPictureSize);
  if (!card.Running()) {
    state.SkipWithError("the camera emulator did not start");
    return;
  }
  const std::vector<std::uint8_t>& picture = card.picture;
  test::ScopedEnv device("TESSALY_COM1", card.emulator->DevicePath());
  bench::LineCount count;
  auto previous = SetPortBackend(std::make_unique<bench::CountingBackend>(count));
  double ratio = 0, cpu = 0;
  for (auto _ : state) {
    LinkReset();
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
    LinkSetPacketSize(512);
    FrameData packet{};
    PutU16BE(packet, 0, 512);
    LinkRequest(kCmdSP, packet, Answered::kNo);

    std::vector<std::uint8_t> destination(kPictureSize);
    count = bench::LineCount{};
    double cpuStart = CpuSeconds();
    auto start = std::chrono::steady_clock::now();
    LinkExpectBlocks(destination, kPictureSize);
    FrameData number{};
    PutU32BE(number, 0, 1);
    LinkStatus status = LinkRequest(kCmdRD, number, Answered::kYes);
    int code = AnswerCode();
    if (status == kLinkDone && code == kAnswerOk) status = ReceiveBlocks(destination, kPictureSize, code);
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpu = (CpuSeconds() - cpuStart) / elapsed * 100.0;
    ratio = elapsed / (static_cast<double>(count.bytes) * 10.0 / kSpeed);
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
  state.counters["line_bytes"] = static_cast<double>(count.bytes);
}
BENCHMARK(BM_LinkBlockTransferRealtime115200)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessaly
