// For the benchmarks that compare a transfer's time with the time its bytes need on the
// line: the real serial line with a count of every byte that crosses it, and the camera
// emulator pacing the line in real time over a card of one picture.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/file_io.h"
#include "camera/port.h"
#include "test_support/emulator_process.h"
#include "test_support/forwarding_backend.h"

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

class CountingBackend final : public test::ForwardingBackend {
 public:
  explicit CountingBackend(LineCount& count) : m_count(count) {}
  std::int32_t ReadBytes(std::uint8_t* buffer, std::int32_t maxCount, std::int32_t& countRead) override {
    std::int32_t result = ForwardingBackend::ReadBytes(buffer, maxCount, countRead);
    m_count.Add(countRead);
    return result;
  }
  std::int32_t WriteBytes(const std::uint8_t* buffer, std::int32_t count) override {
    std::int32_t result = ForwardingBackend::WriteBytes(buffer, count);
    if (result) m_count.Add(count);
    return result;
  }

 private:
  LineCount& m_count;
};

// The emulator with --realtime over a card that holds one picture of the given size.
struct RealtimeCard {
  explicit RealtimeCard(std::size_t size) : picture(size) {
    for (std::size_t i = 0; i < size; ++i) picture[i] = static_cast<std::uint8_t>(i * 7 + i / 300);
    if (!WriteFileAtomically(folder / "PICTURE.JPG", picture))
      emulator = std::make_unique<test::EmulatorProcess>(
          std::vector<std::string>{"--realtime", "--card", folder.Path().string()});
  }
  bool Running() const { return emulator && emulator->Running(); }

  test::TempFolder folder;  // first, so that it outlives the emulator
  std::vector<std::uint8_t> picture;
  std::unique_ptr<test::EmulatorProcess> emulator;
};

}  // namespace tessaly::bench
