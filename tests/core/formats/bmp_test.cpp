#include "formats/bmp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support/case_name.h"
#include "test_support/pictures.h"

namespace tessaly {
namespace {

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}
Bytes With(Bytes file, std::size_t at, std::uint32_t value) {
  Put32(file, at, value);
  return file;
}

// A BMP file image with a Windows header of headerSize bytes (or the OS/2 header when
// headerSize is 12), a colour table of tableEntries entries (entry i is grey i) and the
// given pixel data.
Bytes MakeBmp(int width, int height, int bits, std::uint32_t compression, const Bytes& data,
              std::uint32_t headerSize = 40, std::size_t tableEntries = std::size_t(-1)) {
  const bool os2 = headerSize == 12;
  if (tableEntries == std::size_t(-1)) tableEntries = static_cast<std::size_t>(ColourCountFor(bits));
  const std::size_t entrySize = os2 ? 3 : 4;
  const std::size_t offset = 14 + headerSize + tableEntries * entrySize;
  Bytes b(offset, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(offset + data.size()));
  Put32(b, 10, static_cast<std::uint32_t>(offset));
  Put32(b, 14, headerSize);
  if (os2) {
    Put16(b, 18, static_cast<std::uint32_t>(width));
    Put16(b, 20, static_cast<std::uint32_t>(height));
    Put16(b, 22, 1);
    Put16(b, 24, static_cast<std::uint32_t>(bits));
  } else {
    Put32(b, 18, static_cast<std::uint32_t>(width));
    Put32(b, 22, static_cast<std::uint32_t>(height));
    Put16(b, 26, 1);
    Put16(b, 28, static_cast<std::uint32_t>(bits));
    Put32(b, 30, compression);
  }
  for (std::size_t i = 0; i < tableEntries; ++i)
    for (std::size_t c = 0; c < 3; ++c) b[14 + headerSize + i * entrySize + c] = static_cast<std::uint8_t>(i);
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

Bytes Rle(int width, int height, int bits, const Bytes& stream) {
  return MakeBmp(width, height, bits, bits == 8 ? 1 : 2, stream);
}

struct Loaded {
  ReadResult result = ReadResult::Accepted();
  Picture picture;
  BmpHeaderStyle style = BmpHeaderStyle::kWindows;
};

Loaded Load(ByteSpan file) {
  Loaded loaded;
  loaded.result = CBMP::ReadBmpFile(file, loaded.picture, loaded.style);
  return loaded;
}

// ---------------------------------------------------------------- headers and refusals

TEST(BmpReader, Os2EightBitFileHas256ColoursAndIsWrittenBackWithItsHeader) {
  const Bytes file = MakeBmp(3, 2, 8, 0, Bytes(4 * 2, 7), 12);
  Loaded loaded = Load(file);
  ASSERT_TRUE(loaded.result.Ok());
  EXPECT_EQ(loaded.style, BmpHeaderStyle::kOs2);
  ASSERT_EQ(loaded.picture.ColourCount(), 256);
  EXPECT_EQ(loaded.picture.colourTable[200], (RgbQuad{200, 200, 200, 0}));
  for (const RgbQuad& entry : loaded.picture.colourTable) EXPECT_EQ(entry.reserved, 0);
  // A 12-byte header and 3-byte entries again.
  EXPECT_EQ(CBMP::SetupBmpWrite(loaded.picture, loaded.style), file);
}

TEST(BmpReader, LoadsLaterWindowsHeadersShortTablesAndTheLargestPicture) {
  for (std::uint32_t size : {40u, 52u, 56u, 64u, 108u, 124u}) {
    Loaded loaded = Load(MakeBmp(2, 2, 4, 0, Bytes{0x12, 0, 0, 0, 0x30, 0, 0, 0}, size));
    ASSERT_TRUE(loaded.result.Ok()) << size;
    EXPECT_EQ(loaded.style, BmpHeaderStyle::kWindows);
    EXPECT_EQ(loaded.picture.pixels[0], 0x12) << size;
    EXPECT_EQ(loaded.picture.colourTable[15], (RgbQuad{15, 15, 15, 0})) << size;
  }
  // The entries a short table lacks are black.
  Loaded shortTable = Load(MakeBmp(4, 1, 8, 0, Bytes{0, 1, 2, 1}, 40, 3));
  ASSERT_TRUE(shortTable.result.Ok());
  EXPECT_EQ(shortTable.picture.colourTable[2], (RgbQuad{2, 2, 2, 0}));
  EXPECT_EQ(shortTable.picture.colourTable[3], RgbQuad{});
  const std::size_t stride = RowStride(1280, 1);
  EXPECT_TRUE(Load(MakeBmp(1280, 1024, 1, 0, Bytes(stride * 1024, 0x5A))).result.Ok());
}

TEST(BmpReader, RefusesWhatItCannotShowWithTheSystemsMessage) {
  const Bytes rgbRow(4, 0);
  const Bytes good = MakeBmp(1, 1, 24, 0, rgbRow);
  Bytes notBm = good;
  notBm[1] = 'A';
  struct Case {
    std::string description;
    Bytes file;
    MessageId message;
  };
  const std::vector<Case> cases = {
      {"empty file", {}, kMsgNotValidFileType},
      {"one byte", {'B'}, kMsgNotValidFileType},
      {"signature only", {'B', 'M'}, kMsgNotValidFileType},
      {"not BM", notBm, kMsgNotValidFileType},
      {"header size 16", With(good, 14, 16), kMsgNotValidFileType},
      {"header size 79", With(good, 14, 79), kMsgNotValidFileType},
      {"header cut short", Bytes(good.begin(), good.begin() + 40), kMsgNotValidFileType},
      {"width 0", With(good, 18, 0), kMsgNotValidFileType},
      {"negative width", With(good, 18, static_cast<std::uint32_t>(-1)), kMsgNotValidFileType},
      {"height 0", With(good, 22, 0), kMsgNotValidFileType},
      {"top-down (negative height)", With(good, 22, static_cast<std::uint32_t>(-1)), kMsgNotValidFileType},
      {"top-down and huge", With(With(good, 18, 100000), 22, 0x80000000u), kMsgNotValidFileType},
      {"OS/2 width 0", MakeBmp(0, 1, 24, 0, rgbRow, 12), kMsgNotValidFileType},
      {"1281 wide", MakeBmp(1281, 1, 24, 0, rgbRow), kMsgPictureTooLarge},
      {"1025 high", MakeBmp(1, 1025, 24, 0, rgbRow), kMsgPictureTooLarge},
      {"16 bits", MakeBmp(2, 1, 16, 0, rgbRow), kMsgNotValidFileType},
      {"32 bits", MakeBmp(1, 1, 32, 0, rgbRow), kMsgNotValidFileType},
      {"2 bits", MakeBmp(1, 1, 2, 0, rgbRow), kMsgNotValidFileType},
      {"0 bits", MakeBmp(1, 1, 0, 0, rgbRow), kMsgNotValidFileType},
      {"bit fields", MakeBmp(1, 1, 24, 3, rgbRow), kMsgNotValidFileType},
      {"embedded PNG", MakeBmp(1, 1, 24, 5, rgbRow), kMsgNotValidFileType},
      {"RLE8 on a 4-bit file", MakeBmp(1, 1, 4, 1, Bytes{1, 0, 0, 1}), kMsgNotValidFileType},
      {"RLE4 on a 24-bit file", MakeBmp(1, 1, 24, 2, Bytes{1, 0, 0, 1}), kMsgNotValidFileType},
      {"RLE8 that ends at once", Rle(4, 4, 8, Bytes{0, 1}), kMsgNotValidFileType},
      {"RLE8 of ends of line only", Rle(4, 4, 8, Bytes{0, 0, 0, 0, 0, 1}), kMsgNotValidFileType},
      {"RLE4 without a stream", Rle(4, 4, 4, Bytes{}), kMsgNotValidFileType},
      {"pixel offset beyond the file", With(good, 10, 1000), kMsgNotValidFileType},
      {"pixel offset inside the headers", With(good, 10, 20), kMsgNotValidFileType},
      {"pixel data one byte short", Bytes(good.begin(), good.end() - 1), kMsgNotValidFileType},
  };
  for (const Case& c : cases) {
    Picture untouched = Picture::Make(1, 1, 8, 9);
    BmpHeaderStyle style = BmpHeaderStyle::kOs2;
    ReadResult result = CBMP::ReadBmpFile(c.file, untouched, style);
    ASSERT_FALSE(result.Ok()) << c.description;
    EXPECT_EQ(result.Message(), c.message) << c.description;
    EXPECT_EQ(untouched.pixels, Bytes(4, 9)) << c.description;
    EXPECT_EQ(style, BmpHeaderStyle::kOs2) << c.description;
  }
}

TEST(BmpReader, EveryTruncatedPrefixFailsCleanly) {
  // An uncompressed file needs all of its bytes; an RLE stream may end early and still
  // load once its first run is there.
  const Bytes rle = Rle(5, 3, 8, Bytes{3, 7, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1});
  const std::pair<Bytes, std::size_t> cases[] = {
      {MakeBmp(5, 3, 4, 0, Bytes(4 * 3, 0x21)), 0},
      {MakeBmp(3, 2, 24, 0, Bytes(12 * 2, 0x80), 12), 0},
      {rle, rle.size() - 12 + 2},
  };
  for (const auto& [file, shortestLoadable] : cases) {
    ASSERT_TRUE(Load(file).result.Ok());
    for (std::size_t length = 0; length < file.size(); ++length)
      EXPECT_EQ(Load(ByteSpan(file).first(length)).result.Ok(), shortestLoadable > 0 && length >= shortestLoadable)
          << length;
  }
}

// ---------------------------------------------------------------- run-length encodings

struct RleCase {
  const char* description;
  int width, height, bits;
  Bytes stream;
  Bytes pixels;  // the whole pixel block, bottom row first
};

void PrintTo(const RleCase& c, std::ostream* out) { *out << c.description; }

class BmpRle : public testing::TestWithParam<RleCase> {};

TEST_P(BmpRle, DecodesIntoThePixelBlock) {
  const RleCase& c = GetParam();
  Loaded loaded = Load(Rle(c.width, c.height, c.bits, c.stream));
  ASSERT_TRUE(loaded.result.Ok());
  EXPECT_EQ(loaded.picture.compression, 0u);
  EXPECT_EQ(loaded.picture.imageSize, loaded.picture.pixels.size());
  EXPECT_EQ(loaded.picture.pixels, c.pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, BmpRle,
    testing::Values(
        RleCase{"RLE8 runs, end of line, absolute run, delta; skipped pixels zero",
                6,
                3,
                8,
                {2, 9, 0, 0, 0, 3, 1, 2, 3, 0, 0, 2, 2, 1, 1, 5, 0, 1},
                {9, 9, 0, 0, 0, 0, 0, 0, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0}},
        // Column 1 first (a one-pixel run), then five pixels of the alternating nibbles A, B.
        RleCase{"RLE4 run of five from an odd column", 8, 1, 4, {1, 0x70, 5, 0xAB, 0, 1}, {0x7A, 0xBA, 0xBA, 0x00}},
        RleCase{"RLE4 absolute runs padded to whole words",
                8,
                2,
                4,
                {0, 5, 0x12, 0x34, 0x50, 0xFF, 0, 0, 0, 3, 0x67, 0x80, 0, 1},
                {0x12, 0x34, 0x50, 0x00, 0x67, 0x80, 0x00, 0x00}},
        RleCase{"a delta beyond the last row keeps the rows decoded",
                4,
                2,
                8,
                {4, 1, 0, 2, 0, 5, 4, 2, 0, 1},
                {1, 1, 1, 1, 0, 0, 0, 0}},
        RleCase{"a run longer than the picture fills it and ends decoding",
                2,
                2,
                8,
                {255, 4, 0, 0, 3, 9, 0, 1},
                Bytes(8, 4)},
        RleCase{"nothing is placed after a delta past the last row",
                2,
                2,
                8,
                {1, 6, 0, 2, 0, 2, 200, 3, 0, 1},
                {6, 0, 0, 0, 0, 0, 0, 0}}),
    [](const auto& row) { return test::CaseName(row.param.description); });

TEST(BmpRleLimits, LegalFilesLoseNoRowsAndNothingIsWrittenPastTheBlock) {
  // Every pixel of a 64 x 64 4-bit picture as its own run: more placements than the
  // pixel block has bytes.
  Bytes stream;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) stream.insert(stream.end(), {1, static_cast<std::uint8_t>(((x + y) % 16) * 0x11)});
    stream.insert(stream.end(), {0, 0});
  }
  stream.insert(stream.end(), {0, 1});
  Loaded many = Load(Rle(64, 64, 4, stream));
  ASSERT_TRUE(many.result.Ok());
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; x += 2)
      ASSERT_EQ(many.picture.Row(y)[x / 2], (((x + y) % 16) << 4) | ((x + 1 + y) % 16)) << x << "," << y;
  // A writer that codes whole strides: 3 pixels and one padding byte a row, no ends of line.
  stream.clear();
  for (int y = 0; y < 100; ++y) stream.insert(stream.end(), {3, static_cast<std::uint8_t>(y), 1, 0});
  stream.insert(stream.end(), {0, 1});
  Loaded padded = Load(Rle(3, 100, 8, stream));
  ASSERT_TRUE(padded.result.Ok());
  for (int y = 0; y < 100; ++y) ASSERT_EQ(padded.picture.Row(y)[2], y);
  // The decoder keeps to stride x height even in a larger block.
  Bytes block(12, 0xEE);
  EXPECT_TRUE(CBMP::DecodeBmpRle(Bytes{255, 0x01}, 2, 2, 4, block));
  EXPECT_EQ(block, (Bytes{1, 1, 1, 1, 1, 1, 1, 1, 0xEE, 0xEE, 0xEE, 0xEE}));
}

// ---------------------------------------------------------------- writing

TEST(BmpWriter, OnePixelWideRowsArePaddedToFourBytes) {
  Picture p = Picture::Make(1, 2, 24);
  p.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
  Bytes file = CBMP::SetupBmpWrite(p, BmpHeaderStyle::kWindows);
  ASSERT_EQ(file.size(), 14u + 40 + 8);
  EXPECT_EQ(file[10], 54);
  EXPECT_EQ(file[34], 8);  // image size
  EXPECT_EQ(Bytes(file.begin() + 54, file.end()), p.pixels);
}

TEST(BmpWriter, PicturesRoundTripWithTheirColoursInEitherHeader) {
  for (int bits : {1, 4, 8, 24}) {
    Picture p = bits == 24 ? test::Noise24(13, 5) : test::Indexed(13, 5, bits);
    for (BmpHeaderStyle style : {BmpHeaderStyle::kWindows, BmpHeaderStyle::kOs2}) {
      const bool os2 = style == BmpHeaderStyle::kOs2;
      Bytes file = CBMP::SetupBmpWrite(p, style);
      EXPECT_EQ(file.size(), 14 + (os2 ? 12u : 40u) + p.colourTable.size() * (os2 ? 3 : 4) + p.pixels.size());
      Loaded back = Load(file);
      ASSERT_TRUE(back.result.Ok()) << bits;
      EXPECT_EQ(back.style, style);
      EXPECT_TRUE(test::SamePicture(back.picture, p)) << bits;
    }
  }
}

// ---------------------------------------------------------------- packed DIBs

Bytes DibOf(const Bytes& file) { return Bytes(file.begin() + 14, file.end()); }

TEST(PackedDib, ReadsWhatCopyMakesAndPlacesPixelsAfterTheColoursUsed) {
  Picture p = test::Indexed(5, 3, 8);
  Bytes dib = CBMP::MakePackedDib(p);
  EXPECT_EQ(dib.size(), 40u + 1024 + 8 * 3);
  Picture back;
  ASSERT_TRUE(CBMP::ReadPackedDib(dib, back));
  EXPECT_TRUE(test::SamePicture(back, p));

  // Two table entries stored of an 8-bit bitmap's 256: the pixels follow them.
  dib = With(DibOf(MakeBmp(4, 1, 8, 0, Bytes{1, 0, 1, 1}, 40, 2)), 32, 2);
  ASSERT_TRUE(CBMP::ReadPackedDib(dib, back));
  EXPECT_EQ(back.pixels, (Bytes{1, 0, 1, 1}));
  EXPECT_EQ(back.colourTable[1], (RgbQuad{1, 1, 1, 0}));
  EXPECT_EQ(back.colourTable[2], RgbQuad{});
  // A 24-bit bitmap may carry a table too; its pixels start after it.
  dib = With(DibOf(MakeBmp(1, 1, 24, 0, Bytes{7, 8, 9, 0}, 40, 3)), 32, 3);
  ASSERT_TRUE(CBMP::ReadPackedDib(dib, back));
  EXPECT_EQ(back.pixels, (Bytes{7, 8, 9, 0}));
  EXPECT_TRUE(back.colourTable.empty());
}

TEST(PackedDib, RefusesBadHeadersAndShortData) {
  const Bytes good = DibOf(MakeBmp(2, 2, 24, 0, Bytes(16, 1)));
  Picture p;
  ASSERT_TRUE(CBMP::ReadPackedDib(good, p));
  EXPECT_FALSE(CBMP::ReadPackedDib(With(good, 8, static_cast<std::uint32_t>(-2)), p));  // negative height
  EXPECT_FALSE(CBMP::ReadPackedDib(With(good, 4, static_cast<std::uint32_t>(-2)), p));  // negative width
  EXPECT_FALSE(CBMP::ReadPackedDib(With(good, 0, 12), p));                              // not a Windows header
  EXPECT_FALSE(CBMP::ReadPackedDib(With(good, 16, 3), p));                              // bit fields
  EXPECT_FALSE(CBMP::ReadPackedDib(With(good, 32, 0x40000000), p));                     // table beyond the data
  for (std::size_t length = 0; length < good.size(); ++length)
    EXPECT_FALSE(CBMP::ReadPackedDib(ByteSpan(good).first(length), p)) << length;
}

}  // namespace
}  // namespace tessaly
