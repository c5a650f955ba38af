#include "camera/frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessaly {
namespace {

TEST(Frame, GreetingRequestIsByteExact) {
  std::array<std::uint8_t, kCommandFrameSize> frame{};
  FrameData data{};
  data[0] = 1;
  EncodeCommandFrame(frame, CommandLetters(kCmdSM), data);
  EXPECT_EQ(frame, (std::array<std::uint8_t, 16>{0x01, 0x00, 0x53, 0x4D, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x00, 0xA1,
                                                 0x00, 0x02}));
}

TEST(Frame, DataFrameIsPaddedAndChecksummed) {
  std::vector<std::uint8_t> frame(140, 0xCC);
  const std::uint8_t data[] = {0x10, 0x20, 0x30};
  ASSERT_TRUE(EncodeDataFrame(frame, 140, 1, data));
  EXPECT_EQ(std::vector<std::uint8_t>(frame.begin(), frame.begin() + 11),
            (std::vector<std::uint8_t>{0x01, 0x00, 'D', 'T', 0x00, 0x01, 0x00, 0x03, 0x10, 0x20, 0x30}));
  EXPECT_TRUE(std::all_of(frame.begin() + 11, frame.begin() + 136, [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(frame[136], 0x00);
  EXPECT_EQ(frame[137], 0xFC);
  EXPECT_EQ(frame[138], 0x00);
  EXPECT_EQ(frame[139], 0x02);
  auto parsed = ParseDataFrame(frame, 140);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->block, 1);
  EXPECT_EQ(std::vector<std::uint8_t>(parsed->data.begin(), parsed->data.end()),
            std::vector<std::uint8_t>(std::begin(data), std::end(data)));
}

TEST(Frame, CommandTableGivesTheLettersOfEachIndex) {
  struct Row {
    int index;
    const char* letters;
  };
  for (auto [index, letters] : {Row{kCmdSM, "SM"}, Row{kCmdSB, "SB"}, Row{kCmdNW, "NW"}, Row{kCmdRD, "RD"},
                                Row{kCmdSP, "SP"}, Row{kCmdAN, "AN"}, Row{kCmdCC, "CC"}, Row{kCmdFS, "FS"},
                                Row{kCmdRN, "RN"}, Row{kCmdRM, "RM"}, Row{kCmdDE, "DE"}, Row{kCmdOK, "OK"},
                                Row{-1, "??"}, Row{kCommandCount, "??"}}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(CommandLetters(index), (Letters{letters[0], letters[1]}));
  }
}

TEST(Frame, ReceiversCheckLettersDataAndChecksumOnly) {
  std::array<std::uint8_t, kCommandFrameSize> frame{};
  FrameData data{1, 2, 3, 4, 5, 6, 7, 8};
  EncodeCommandFrame(frame, MakeLetters("OK"), data);
  auto loose = frame;
  loose[0] = loose[1] = loose[14] = loose[15] = 0x77;  // framing bytes are not checked
  EXPECT_TRUE(ParseCommandFrame(loose));
  for (std::size_t offset : {2, 3, 4, 11, 12, 13}) {
    auto damaged = frame;
    damaged[offset] ^= 0x01;
    EXPECT_FALSE(ParseCommandFrame(damaged)) << offset;
  }
  EXPECT_FALSE(ParseCommandFrame(std::span(frame).first(15)));
  auto parsed = ParseCommandFrame(frame);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(GetU32BE(parsed->data, 0), 0x01020304u);
  EXPECT_EQ(GetU16BE(parsed->data, 4), 0x0506);
}

TEST(Frame, DataFramesThatCannotBeTrustedAreRefused) {
  std::vector<std::uint8_t> frame(140);
  std::vector<std::uint8_t> full(128, 0xAB);
  ASSERT_TRUE(EncodeDataFrame(frame, 140, 9, full));
  EXPECT_TRUE(ParseDataFrame(frame, 140));
  std::vector<std::uint8_t> tooMany(129);
  EXPECT_FALSE(EncodeDataFrame(frame, 140, 1, tooMany));
  EXPECT_FALSE(EncodeDataFrame(frame, 512, 1, full));  // out of room
  EXPECT_FALSE(ParseDataFrame(std::span(frame).first(139), 140));
  EXPECT_FALSE(ParseDataFrame(frame, 12));
  // A byte count beyond the data area is refused even with a matching checksum.
  auto lying = frame;
  lying[7] = 129;
  std::uint16_t sum = FrameChecksum(std::span(lying).subspan(2, 134));
  lying[136] = static_cast<std::uint8_t>(sum >> 8);
  lying[137] = static_cast<std::uint8_t>(sum);
  EXPECT_FALSE(ParseDataFrame(lying, 140));
}

}  // namespace
}  // namespace tessaly
