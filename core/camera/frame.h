// The frames of the camera line, shared by the program's link and the camera emulator.
//
// Command frame (requests and answers), 16 bytes: 01 00, two letters, 8 data bytes,
// checksum (big-endian), 00 02. Data frame "DT", exactly the packet size P: 01 00 "DT",
// block number, byte count n, n data bytes padded with zeros to P - 12, checksum, 00 02.
// The checksum is the 16-bit sum of every byte from the letters up to the checksum.
// Receivers check the letters, data and checksum only; the framing bytes are not looked
// at. Numbers on the line are big-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tessaly {

// Control bytes, sent on their own outside frames.
inline constexpr std::uint8_t kEnq = 0x05;  // the sender asks to send a frame
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;

inline constexpr std::size_t kCommandFrameSize = 16;
inline constexpr std::size_t kDataFrameOverhead = 12;  // header 8, checksum 2, end 2
inline constexpr std::uint16_t kDefaultPacketSize = 140;
// The smallest data frame that carries a byte, and the largest the program receives.
inline constexpr std::size_t kMinPacketSize = kDataFrameOverhead + 1;
inline constexpr std::size_t kReceiveBufferSize = 2080;
// The largest frame the program sends: a picture goes to the camera in packets of 524.
inline constexpr std::size_t kTransmitBufferSize = 524;

// The two-letter codes; command index i is the pair at offset 2i.
inline constexpr std::string_view kCommandCodes = "SMSBGDNWRDSPRPANCCDFDAFNFOFRFSGBGPRLRNRMRTSHDEARAWRROK";

enum CommandIndex : int {
  kCmdSM,
  kCmdSB,
  kCmdGD,
  kCmdNW,
  kCmdRD,
  kCmdSP,
  kCmdRP,
  kCmdAN,
  kCmdCC,
  kCmdDF,
  kCmdDA,
  kCmdFN,
  kCmdFO,
  kCmdFR,
  kCmdFS,
  kCmdGB,
  kCmdGP,
  kCmdRL,
  kCmdRN,
  kCmdRM,
  kCmdRT,
  kCmdSH,
  kCmdDE,
  kCmdAR,
  kCmdAW,
  kCmdRR,
  kCmdOK,
  kCommandCount
};

using Letters = std::array<char, 2>;
using FrameData = std::array<std::uint8_t, 8>;

// The letters of a command index; "??" outside the table.
Letters CommandLetters(int index);
constexpr Letters MakeLetters(const char (&text)[3]) { return {text[0], text[1]}; }

std::uint16_t FrameChecksum(std::span<const std::uint8_t> bytes);

void PutU16BE(std::span<std::uint8_t> out, std::size_t offset, std::uint16_t value);
void PutU32BE(std::span<std::uint8_t> out, std::size_t offset, std::uint32_t value);
std::uint16_t GetU16BE(std::span<const std::uint8_t, 8> data, std::size_t offset);
std::uint32_t GetU32BE(std::span<const std::uint8_t, 8> data, std::size_t offset);

// Fills out[0..15] with a command frame.
void EncodeCommandFrame(std::span<std::uint8_t, kCommandFrameSize> out, Letters letters, const FrameData& data);

// Fills out[0..packetSize-1] with a data frame carrying the bytes of data; false (and
// nothing written) when the packet size is out of range, out is too small or the data
// do not fit into packetSize - 12 bytes.
bool EncodeDataFrame(std::span<std::uint8_t> out, std::size_t packetSize, std::uint16_t block,
                     std::span<const std::uint8_t> data);

// The letters at offsets 2 and 3 ("\0\0" when the frame is shorter).
Letters FrameLetters(std::span<const std::uint8_t> frame);

// A command frame whose checksum matches; its letters and data.
struct CommandFrame {
  Letters letters;
  FrameData data;
};
std::optional<CommandFrame> ParseCommandFrame(std::span<const std::uint8_t> frame);

// A data frame of the given packet size whose letters are "DT", whose checksum matches
// and whose byte count fits; its block number and data.
struct DataFrame {
  std::uint16_t block = 0;
  std::span<const std::uint8_t> data;
};
std::optional<DataFrame> ParseDataFrame(std::span<const std::uint8_t> frame, std::size_t packetSize);

}  // namespace tessaly
