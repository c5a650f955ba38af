#include "formats/tiff.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/tiff_builder.h"
#include "test_support/pictures.h"

namespace tessaly {
namespace {

using test::kByte;
using test::kLong;
using test::kShort;
using test::TiffBuilder;

struct Loaded {
  ReadResult result = ReadResult::Accepted();
  tessaly::Picture picture;
};

Loaded Load(ByteSpan file) {
  Loaded loaded;
  loaded.result = CTIFF::ReadTiffFile(file, loaded.picture);
  return loaded;
}

std::uint32_t Le(const Bytes& b, std::size_t at, int width) {
  std::uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = v << 8 | b.at(at + static_cast<std::size_t>(i));
  return v;
}

// An entry of the directory of a file this system wrote (little-endian).
struct WrittenEntry {
  std::uint16_t tag;
  std::uint32_t count, value;
};

std::vector<WrittenEntry> DirectoryOf(const Bytes& file) {
  std::size_t dir = Le(file, 4, 4);
  std::vector<WrittenEntry> entries;
  for (std::size_t i = 0, n = Le(file, dir, 2); i < n; ++i) {
    std::size_t at = dir + 2 + 12 * i;
    std::uint32_t count = Le(file, at + 4, 4);
    entries.push_back({static_cast<std::uint16_t>(Le(file, at, 2)), count,
                       Le(file, at + 8, Le(file, at + 2, 2) == kShort && count == 1 ? 2 : 4)});
  }
  return entries;
}

WrittenEntry Find(const std::vector<WrittenEntry>& entries, std::uint16_t tag) {
  for (const auto& e : entries)
    if (e.tag == tag) return e;
  ADD_FAILURE() << "no tag " << tag;
  return {};
}

// ---------------------------------------------------------------- writing

TEST(TiffWriter, PicturesReadBackWithTheirPixelsAndColoursOneAndFourBitsAsEight) {
  for (int bits : {1, 4, 8, 24}) {
    SCOPED_TRACE(bits);
    const tessaly::Picture p = bits == 24 ? test::Noise24(13, 7) : test::Indexed(13, 7, bits);
    Loaded back = Load(CTIFF::SetupTiffWrite(p));
    ASSERT_TRUE(back.result.Ok());
    ASSERT_EQ(back.picture.bitsPerPixel, bits == 24 ? 24 : 8);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 13; ++x)
        if (bits == 24) {
          ASSERT_EQ(test::At(back.picture, x, y), test::At(p, x, y));
        } else {
          ASSERT_EQ(back.picture.Line(y)[x], test::IndexOf(p, x, y)) << x << "," << y;
        }
    for (std::size_t i = 0; i < back.picture.colourTable.size(); ++i)
      EXPECT_EQ(back.picture.colourTable[i], i < p.colourTable.size() ? p.colourTable[i] : RgbQuad{});
  }
}

TEST(TiffWriter, ColourMapHoldsEachComponentTimes256) {
  tessaly::Picture p = tessaly::Picture::Make(1, 1, 8);
  p.colourTable[0] = RgbQuad{1, 2, 255, 0};  // blue 1, green 2, red 255
  Bytes file = CTIFF::SetupTiffWrite(p);
  EXPECT_EQ(Le(file, 8, 2), 65280u);       // red[0]
  EXPECT_EQ(Le(file, 8 + 512, 2), 512u);   // green[0]
  EXPECT_EQ(Le(file, 8 + 1024, 2), 256u);  // blue[0]
  Loaded back = Load(file);
  ASSERT_TRUE(back.result.Ok());
  EXPECT_EQ(back.picture.colourTable[0], (RgbQuad{1, 2, 255, 0}));
}

TEST(TiffWriter, FixedLayoutWithSingleStripValuesForOneRowAndArraysForTwo) {
  Bytes file = CTIFF::SetupTiffWrite(test::Noise24(5, 1));
  const std::size_t dir = 8 + 16 + 6 + 15;  // header, resolutions, bits per sample, the strip
  EXPECT_EQ(Le(file, 4, 4), dir);
  EXPECT_EQ(file.size(), dir + 2 + 14 * 12 + 4);
  auto entries = DirectoryOf(file);
  std::vector<std::uint16_t> tags;
  for (const auto& e : entries) tags.push_back(e.tag);
  EXPECT_EQ(tags, (std::vector<std::uint16_t>{254, 256, 257, 277, 258, 259, 262, 273, 278, 279, 282, 283, 296, 284}));
  EXPECT_EQ(Find(entries, 273).count, 1u);
  EXPECT_EQ(Find(entries, 273).value, 8u + 16 + 6);  // the strip itself
  EXPECT_EQ(Find(entries, 279).value, 15u);
  EXPECT_EQ(Find(entries, 262).value, 2u);

  const tessaly::Picture two = test::Indexed(3, 2, 8);
  file = CTIFF::SetupTiffWrite(two);
  const std::size_t arrays = 8 + 6 * 256 + 16;  // after the colour map and the resolutions
  EXPECT_EQ(Le(file, 4, 4), arrays + 16 + 6);
  entries = DirectoryOf(file);
  EXPECT_EQ(Find(entries, 273).count, 2u);
  EXPECT_EQ(Find(entries, 273).value, arrays);
  EXPECT_EQ(Find(entries, 279).value, arrays + 8);
  EXPECT_EQ(Le(file, arrays, 4), arrays + 16);      // the top row is the first strip
  EXPECT_EQ(Le(file, arrays + 4, 4), arrays + 19);  // the second
  EXPECT_EQ(Le(file, arrays + 8, 4), 3u);
  EXPECT_EQ(file[arrays + 16], two.Line(0)[0]);
  EXPECT_EQ(Find(entries, 320).count, 768u);
}

TEST(TiffWriter, EveryTruncatedPrefixFailsCleanly) {
  // Only the offset of a next directory, which is not read, may be missing.
  Bytes file = CTIFF::SetupTiffWrite(test::Noise24(4, 3));
  for (std::size_t length = 0; length < file.size() - 4; ++length)
    EXPECT_FALSE(Load(ByteSpan(file).first(length)).result.Ok()) << length;
}

// ---------------------------------------------------------------- reading other writers' files

TEST(TiffReader, BigEndianRgbWithOneStripAndSeparatePlanes) {
  Loaded loaded = Load(TiffBuilder(false).Picture(2, 1, {8, 8, 8}, Bytes{10, 20, 30, 40, 50, 60}).Build());
  ASSERT_TRUE(loaded.result.Ok());
  EXPECT_EQ(Bytes(loaded.picture.pixels.begin(), loaded.picture.pixels.begin() + 6), (Bytes{30, 20, 10, 60, 50, 40}));
  loaded = Load(TiffBuilder().Picture(2, 1, {8, 8, 8}, Bytes{1, 2, 3, 4, 5, 6}).Short(284, 2).Build());
  ASSERT_TRUE(loaded.result.Ok());
  EXPECT_EQ(Bytes(loaded.picture.pixels.begin(), loaded.picture.pixels.begin() + 6), (Bytes{5, 3, 1, 6, 4, 2}));
}

TEST(TiffReader, ValuesAreReadByTheirTypeAndByteOrder) {
  // Width and height as LONG, three SHORT strip offsets, two SHORT byte counts in the
  // value field, and a ColorMap stored beyond 64 KiB, in big-endian order.
  TiffBuilder b(false);
  b.Blob(Bytes(70000, 0));
  std::vector<std::uint32_t> map(768, 0);
  map[1] = 0xAB00;        // red of entry 1
  map[256 + 1] = 0x12FF;  // green
  map[512 + 1] = 0x3400;  // blue
  b.Values(320, kShort, map);
  std::uint32_t strip0 = b.Blob(Bytes{1, 0}), strip1 = b.Blob(Bytes{0, 1});
  b.Long(254, 0).Long(256, 2).Long(257, 2).Short(258, 8).Short(259, 1);
  b.Values(273, kLong, {strip0, strip1}).Values(279, kShort, {2, 2});
  ASSERT_GT(strip0, 65535u);
  Loaded loaded = Load(b.Build());
  ASSERT_TRUE(loaded.result.Ok());
  EXPECT_EQ(loaded.picture.colourTable[1], (RgbQuad{0x34, 0x12, 0xAB, 0}));
  EXPECT_EQ(loaded.picture.Line(0)[0], 1);
  EXPECT_EQ(loaded.picture.Line(1)[1], 1);

  TiffBuilder s;
  std::uint32_t s0 = s.Blob(Bytes{1}), s1 = s.Blob(Bytes{2}), s2 = s.Blob(Bytes{3});
  s.Long(254, 0).Short(256, 1).Short(257, 3).Short(258, 8).Values(273, kShort, {s0, s1, s2});
  s.Values(279, kShort, {1, 1, 1}).Values(259, kByte, {5});  // a BYTE Compression is passed over
  loaded = Load(s.Build());
  ASSERT_TRUE(loaded.result.Ok());
  EXPECT_EQ(loaded.picture.Line(2)[0], 3);
}

TEST(TiffReader, EightBitsWithoutColorMapGetAGreyRampEvenWhenMinIsWhite) {
  Loaded loaded = Load(TiffBuilder().Picture(2, 1, {8}, Bytes{0, 200}).Short(262, 0).Build());
  ASSERT_TRUE(loaded.result.Ok());
  for (int k = 0; k < 256; ++k) {
    auto g = static_cast<std::uint8_t>(k);
    ASSERT_EQ(loaded.picture.colourTable[k], (RgbQuad{g, g, g, 0}));
  }
  EXPECT_EQ(loaded.picture.Row(0)[1], 200);
}

TEST(TiffReader, RefusesWithTheSystemsMessage) {
  auto picture = [](bool subfile = true) {
    TiffBuilder b;
    std::uint32_t strip = b.Blob(Bytes(6, 1));
    if (subfile) b.Long(254, 0);
    b.Short(256, 3).Short(257, 2).Short(258, 8).Long(273, strip).Long(279, 6);
    return b;
  };
  TiffBuilder tooLarge;
  tooLarge.Long(254, 0).Long(256, 1281).Short(257, 1).Values(258, kShort, {8, 8, 8}).Long(273, 8).Long(279, 3843);
  struct Case {
    std::string description;
    Bytes file;
    MessageId message;
  };
  const std::vector<Case> cases = {
      {"empty", {}, kMsgNotValidFileType},
      {"one byte", {'I'}, kMsgNotValidFileType},
      {"no byte order mark", Bytes{'X', 'X', 42, 0, 8, 0, 0, 0}, kMsgNotValidFileType},
      {"directory beyond the file", Bytes{'I', 'I', 42, 0, 0xF0, 0, 0, 0}, kMsgNotValidFileType},
      {"no NewSubfileType", picture(false).Build(), kMsgTypeNotSupported},
      {"compressed, no NewSubfileType", picture(false).Short(259, 5).Build(), kMsgNotValidFileType},
      {"Compression 0", picture().Short(259, 0).Build(), kMsgNotValidFileType},
      {"16 bits", TiffBuilder().Picture(1, 1, {16}, Bytes{0, 0}).Build(), kMsgTypeNotSupported},
      {"1 bit", TiffBuilder().Picture(8, 1, {1}, Bytes{0}).Build(), kMsgTypeNotSupported},
      {"32 bits", TiffBuilder().Picture(1, 1, {8, 8, 8, 8}, Bytes(4, 0)).Build(), kMsgTypeNotSupported},
      {"strip counts disagree", picture().Values(279, kLong, {3, 3}).Build(), kMsgNotValidFileType},
      {"planar configuration 3", picture().Short(284, 3).Build(), kMsgTypeNotSupported},
      {"width 0", picture().Short(256, 0).Build(), kMsgNotValidFileType},
      {"1281 wide", tooLarge.Build(), kMsgPictureTooLarge},
      {"strip short of the picture", picture().Long(279, 5).Build(), kMsgNotValidFileType},
      {"strip beyond the file", picture().Long(273, 0x10000).Build(), kMsgNotValidFileType},
      {"strip array beyond the file", picture().Raw(273, kLong, 2, 0x10000).Raw(279, kLong, 2, 8).Build(),
       kMsgNotValidFileType},
      {"no strips (tiled)", TiffBuilder().Long(254, 0).Short(256, 1).Short(257, 1).Short(258, 8).Build(),
       kMsgNotValidFileType},
      {"ColorMap beyond the file", picture().Raw(320, kShort, 768, 0x7FFFFFF0).Build(), kMsgNotValidFileType},
  };
  for (const Case& c : cases) {
    tessaly::Picture untouched = tessaly::Picture::Make(1, 1, 8, 9);
    ReadResult result = CTIFF::ReadTiffFile(c.file, untouched);
    ASSERT_FALSE(result.Ok()) << c.description;
    EXPECT_EQ(result.Message(), c.message) << c.description;
    EXPECT_EQ(untouched.pixels, Bytes(4, 9)) << c.description;
  }
  // The strips of the good picture are gathered across two pieces out of order.
  TiffBuilder split;
  std::uint32_t second = split.Blob(Bytes{4, 5, 6}), first = split.Blob(Bytes{1, 2, 3});
  split.Long(254, 0).Short(256, 3).Short(257, 2).Short(258, 8);
  split.Values(273, kLong, {first, second}).Values(279, kLong, {3, 3});
  Loaded loaded = Load(split.Build());
  ASSERT_TRUE(loaded.result.Ok());
  EXPECT_EQ(Bytes(loaded.picture.Line(1), loaded.picture.Line(1) + 3), (Bytes{4, 5, 6}));
}

}  // namespace
}  // namespace tessaly
