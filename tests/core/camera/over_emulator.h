// The camera emulator on a pseudo-terminal as port 1, for the tests that talk to it: a
// card of the given files (or the emulator's own pictures), the link and camera state
// reset, messages recorded, and the emulator's log read back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "camera/camera_ops.h"
#include "camera/link.h"
#include "test_support/emulator_process.h"
#include "test_support/recorded_prompt.h"
#include "test_support/temp_folder.h"
#include "workflows/connection.h"

namespace tessaly::test {

// The link as a fresh start of the program finds it, on port 1.
inline void ForgetCameraLink() {
  LinkReset();
  TheCameraState() = CameraState{};
  TheLinkSetup() = LinkSetup{};
  SetLinkProgress(nullptr);
  PortReset(1);
}

using Tokens = std::vector<std::string>;

// Bytes that differ from file to file (seed) and from block to block.
inline Bytes Pattern(std::size_t size, unsigned seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 13 + seed * 101 + i / 509) & 0xFF);
  return bytes;
}

inline int Count(const Tokens& tokens, const std::string& token) {
  return static_cast<int>(std::count(tokens.begin(), tokens.end(), token));
}

// The host's frames with these letters (all but the blocks when none are given), as the
// letters or as their eight data bytes in hex.
inline Tokens HostFrames(const std::vector<std::string>& lines, const std::string& letters = "", bool data = false) {
  Tokens frames;
  for (const auto& line : lines) {
    const std::string frame = JsonField(line, "frame");
    if (JsonField(line, "from") != "host" || frame.empty() || (letters.empty() ? frame == "DT" : frame != letters))
      continue;
    frames.push_back(data ? JsonField(line, "data") : frame);
  }
  return frames;
}

class OverEmulator : public ::testing::Test {
 protected:
  // Starts the emulator with args and, when files are given, a card of them in order.
  void Start(std::vector<std::string> args, const std::vector<Bytes>& files = {}) {
    // The previous emulator, if any, goes first, and with it its device's variable.
    m_device.reset();
    m_emulator.reset();
    for (std::size_t i = 0; i < files.size(); ++i)
      ASSERT_FALSE(WriteFileAtomically(m_card / ("P" + std::to_string(10 + i) + ".JPG"), files[i]));
    if (!files.empty()) args.insert(args.end(), {"--card", m_card.Path().string()});
    m_emulator = std::make_unique<EmulatorProcess>(args);
    ASSERT_TRUE(m_emulator->Running());
    m_device = std::make_unique<ScopedEnv>("TESSALY_COM1", m_emulator->DevicePath());
    ForgetCameraLink();
  }
  void TearDown() override {
    CameraDisconnect();
    SetLinkProgress(nullptr);
  }
  // The log, read once the line is closed and the emulator has stopped.
  std::vector<std::string> Log() {
    CameraDisconnect();
    return m_emulator->LogLines();
  }

  TempFolder m_card;
  std::unique_ptr<EmulatorProcess> m_emulator;
  std::unique_ptr<ScopedEnv> m_device;
  RecordedPrompt m_prompt;
};

}  // namespace tessaly::test
