// The fuzz targets of the link and the camera operations: the line in memory of the
// tests, with the rest of a fuzzer's input played as the camera's bytes.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "base/byte_reader.h"
#include "test_support/fake_line.h"

namespace tessaly::fuzz {

// Installs the line in memory and its clock, and returns the line.
inline std::shared_ptr<test::FakeLineState> InstallFakeLine() {
  auto line = std::make_shared<test::FakeLineState>();
  SetPortBackend(std::make_unique<test::FakeLineBackend>(line));
  SetLinkClock(std::make_unique<test::FakeClock>(line));
  return line;
}

// Plays the rest of a fuzzer's input as the camera: chunks of a big-endian length
// (lengthBytes wide) and that many bytes. The first chunk is on the line at once; each
// later one arrives in answer to one write of the host, so that the bytes meet the link
// in every state of its handshake.
inline void PlayChunks(test::FakeLineState& line, ByteReader& reader, int lengthBytes) {
  std::vector<std::vector<std::uint8_t>> chunks;
  while (reader.Remaining() > 0) {
    std::size_t length = lengthBytes == 1 ? reader.U8() : reader.U16BE();
    auto bytes = reader.Bytes(std::min<std::size_t>(length, reader.Remaining()));
    chunks.emplace_back(bytes.begin(), bytes.end());
  }
  std::size_t next = 0;
  if (next < chunks.size()) line.SendRange(chunks[next++]);
  line.camera = [chunks = std::move(chunks), next](const std::vector<std::uint8_t>&,
                                                   test::FakeLineState& state) mutable {
    if (next < chunks.size()) state.SendRange(chunks[next++]);
  };
}

}  // namespace tessaly::fuzz
