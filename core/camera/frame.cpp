#include "camera/frame.h"

#include <algorithm>

namespace tessaly {

Letters CommandLetters(int index) {
  if (index < 0 || index >= kCommandCount) return {'?', '?'};
  auto offset = static_cast<std::size_t>(index) * 2;
  return {kCommandCodes[offset], kCommandCodes[offset + 1]};
}

std::uint16_t FrameChecksum(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return static_cast<std::uint16_t>(sum);
}

void PutU16BE(std::span<std::uint8_t> out, std::size_t offset, std::uint16_t value) {
  out[offset] = static_cast<std::uint8_t>(value >> 8);
  out[offset + 1] = static_cast<std::uint8_t>(value);
}

void PutU32BE(std::span<std::uint8_t> out, std::size_t offset, std::uint32_t value) {
  PutU16BE(out, offset, static_cast<std::uint16_t>(value >> 16));
  PutU16BE(out, offset + 2, static_cast<std::uint16_t>(value));
}

std::uint16_t GetU16BE(std::span<const std::uint8_t, 8> data, std::size_t offset) {
  if (offset > 6) return 0;
  return static_cast<std::uint16_t>(data[offset] << 8 | data[offset + 1]);
}

std::uint32_t GetU32BE(std::span<const std::uint8_t, 8> data, std::size_t offset) {
  if (offset > 4) return 0;
  return static_cast<std::uint32_t>(GetU16BE(data, offset)) << 16 | GetU16BE(data, offset + 2);
}

void EncodeCommandFrame(std::span<std::uint8_t, kCommandFrameSize> out, Letters letters, const FrameData& data) {
  out[0] = 0x01;
  out[1] = 0x00;
  out[2] = static_cast<std::uint8_t>(letters[0]);
  out[3] = static_cast<std::uint8_t>(letters[1]);
  std::copy(data.begin(), data.end(), out.begin() + 4);
  PutU16BE(out, 12, FrameChecksum(std::span<const std::uint8_t>(out).subspan(2, 10)));
  out[14] = 0x00;
  out[15] = 0x02;
}

bool EncodeDataFrame(std::span<std::uint8_t> out, std::size_t packetSize, std::uint16_t block,
                     std::span<const std::uint8_t> data) {
  if (packetSize < kMinPacketSize || packetSize > 0xFFFF || out.size() < packetSize ||
      data.size() > packetSize - kDataFrameOverhead)
    return false;
  auto frame = out.first(packetSize);
  frame[0] = 0x01;
  frame[1] = 0x00;
  frame[2] = 'D';
  frame[3] = 'T';
  PutU16BE(frame, 4, block);
  PutU16BE(frame, 6, static_cast<std::uint16_t>(data.size()));
  std::copy(data.begin(), data.end(), frame.begin() + 8);
  std::fill(frame.begin() + 8 + static_cast<std::ptrdiff_t>(data.size()), frame.end() - 4, std::uint8_t{0});
  PutU16BE(frame, packetSize - 4, FrameChecksum(std::span<const std::uint8_t>(frame).subspan(2, packetSize - 6)));
  frame[packetSize - 2] = 0x00;
  frame[packetSize - 1] = 0x02;
  return true;
}

Letters FrameLetters(std::span<const std::uint8_t> frame) {
  if (frame.size() < 4) return {'\0', '\0'};
  return {static_cast<char>(frame[2]), static_cast<char>(frame[3])};
}

std::optional<CommandFrame> ParseCommandFrame(std::span<const std::uint8_t> frame) {
  if (frame.size() < kCommandFrameSize) return std::nullopt;
  std::uint16_t stated = static_cast<std::uint16_t>(frame[12] << 8 | frame[13]);
  if (FrameChecksum(frame.subspan(2, 10)) != stated) return std::nullopt;
  CommandFrame parsed{FrameLetters(frame), {}};
  std::copy_n(frame.begin() + 4, parsed.data.size(), parsed.data.begin());
  return parsed;
}

std::optional<DataFrame> ParseDataFrame(std::span<const std::uint8_t> frame, std::size_t packetSize) {
  if (packetSize < kMinPacketSize || frame.size() < packetSize) return std::nullopt;
  if (frame[2] != 'D' || frame[3] != 'T') return std::nullopt;
  std::uint16_t stated = static_cast<std::uint16_t>(frame[packetSize - 4] << 8 | frame[packetSize - 3]);
  if (FrameChecksum(frame.subspan(2, packetSize - 6)) != stated) return std::nullopt;
  std::size_t count = static_cast<std::size_t>(frame[6] << 8 | frame[7]);
  if (count > packetSize - kDataFrameOverhead) return std::nullopt;
  return DataFrame{static_cast<std::uint16_t>(frame[4] << 8 | frame[5]), frame.subspan(8, count)};
}

}  // namespace tessaly
