// The camera operations against the camera emulator pacing the line in real time at
// 115200 bit/s: listing 30 thumbnails, and downloading one 50,000-byte picture.
//
// Reported: line_ratio, the time taken over the time the bytes that crossed the line
// need at 10 bits a byte, each at the speed set when it crossed (goal: at most 1.05);
// pause_ms, the time spent in the pauses the camera needs (10 ms before answering the
// end of every transfer, 50 ms after each speed change); and line_ratio_net, the ratio
// with those pauses left out.
// The listing is timed from the first thumbnail to the last, at the raised speed; the
// download is the whole operation: the speed and packet size raised, the picture read,
// both lowered again, including the pauses the camera needs around a speed change.
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench/realtime_line.h"
#include "camera/camera_ops.h"
#include "camera/link.h"
#include "test_support/emulator_process.h"
#include "workflows/connection.h"

namespace tessaly {
namespace {

constexpr std::uint32_t kSpeed = 115200;

// The steady clock, adding up the time the link pauses.
class PauseCountingClock final : public LinkClock {
 public:
  explicit PauseCountingClock(double& pausedSeconds) : m_inner(MakeSteadyLinkClock()), m_paused(pausedSeconds) {}
  std::uint64_t NowMs() override { return m_inner->NowMs(); }
  void SleepMs(std::uint32_t milliseconds) override {
    auto start = std::chrono::steady_clock::now();
    m_inner->SleepMs(milliseconds);
    m_paused += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }

 private:
  std::unique_ptr<LinkClock> m_inner;
  double& m_paused;
};

struct Session {
  bench::LineCount count;
  double pausedSeconds = 0;
  std::unique_ptr<PortBackend> previous;
  std::unique_ptr<LinkClock> previousClock;

  void Restart() {
    count = bench::LineCount{};
    pausedSeconds = 0;
  }
  void Report(benchmark::State& state, double elapsed) {
    state.SetIterationTime(elapsed);
    state.counters["line_ratio"] = elapsed / count.lineSeconds;
    state.counters["line_ratio_net"] = (elapsed - pausedSeconds) / count.lineSeconds;
    state.counters["pause_ms"] = pausedSeconds * 1000.0;
    state.counters["line_bytes"] = static_cast<double>(count.bytes);
  }

  explicit Session(const std::string& device) : m_device("TESSALY_COM1", device) {
    previous = SetPortBackend(std::make_unique<bench::CountingBackend>(count));
    previousClock = SetLinkClock(std::make_unique<PauseCountingClock>(pausedSeconds));
    LinkReset();
    TheCameraState() = CameraState{};
    TheLinkSetup() = LinkSetup{};
    TheLinkSetup().currentSpeed = kSpeed;
    PortReset(1);
  }
  ~Session() {
    CameraDisconnect();
    SetPortBackend(std::move(previous));
    SetLinkClock(std::move(previousClock));
  }

 private:
  test::ScopedEnv m_device;
};

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_CameraListThirtyThumbnailsRealtime115200(benchmark::State& state) {
  constexpr std::uint32_t kPictures = 30;
  test::EmulatorProcess emulator({"--realtime", "--generate", std::to_string(kPictures)});
  if (!emulator.Running()) {
    state.SkipWithError("the camera emulator did not start");
    return;
  }
  Session session(emulator.DevicePath());
  std::vector<std::uint8_t> thumbnail(1800);
  for (auto _ : state) {
    std::uint32_t count = 0;
    if (CameraConnect() != kCamDone || CameraGetCount(count) != kCamDone || count != kPictures ||
        CameraSpeedUp() != kCamDone) {
      state.SkipWithError("could not talk to the emulator");
      break;
    }
    session.Restart();
    auto start = std::chrono::steady_clock::now();
    bool ok = true;
    for (std::uint32_t number = 1; number <= count; ++number)
      ok = ok && CameraGetThumbnail(thumbnail, number) == kCamDone;
    session.Report(state, Seconds(start));
    CameraSpeedDown();
    CameraDisconnect();
    if (!ok) {
      state.SkipWithError("a thumbnail failed");
      break;
    }
  }
}
BENCHMARK(BM_CameraListThirtyThumbnailsRealtime115200)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_CameraDownloadPictureRealtime115200(benchmark::State& state) {
  constexpr std::size_t kPictureSize = 50'000;
  bench::RealtimeCard card(kPictureSize);
  if (!card.Running()) {
    state.SkipWithError("the camera emulator did not start");
    return;
  }
  const std::vector<std::uint8_t>& picture = card.picture;
  Session session(card.emulator->DevicePath());
  for (auto _ : state) {
    std::uint32_t count = 0, size = 0;
    if (CameraConnect() != kCamDone || CameraGetCount(count) != kCamDone || CameraGetFileSize(1, size) != kCamDone) {
      state.SkipWithError("could not talk to the emulator");
      break;
    }
    std::vector<std::uint8_t> destination(size);
    session.Restart();
    auto start = std::chrono::steady_clock::now();
    int result = CameraGetPicture(destination, 1);
    session.Report(state, Seconds(start));
    CameraDisconnect();
    if (result != kCamDone || destination != picture) {
      state.SkipWithError("the download failed");
      break;
    }
  }
}
BENCHMARK(BM_CameraDownloadPictureRealtime115200)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessaly
