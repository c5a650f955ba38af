#include "formats/bmp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

struct Loaded {
  ReadResult result = ReadResult::Success();
  Picture picture;
  BmpHeaderStyle style = BmpHeaderStyle::kWindows;
};

Loaded Load(const Bytes& file) {
  Loaded loaded;
  loaded.result = CBMP::ReadBmpFile(file, loaded.picture, loaded.style);
  return loaded;
}

// ---------------------------------------------------------------- headers and refusals

TEST(BmpReader, Os2EightBitFileHas256ColoursAndIsWrittenBackWithItsHeader) {
  Bytes pixels(4 * 2, 7);
  Loaded loaded = Load(MakeBmp(3, 2, 8, 0, pixels, 12));
  ASSERT_TRUE(loaded.result.Ok());
  EXPECT_EQ(loaded.style, BmpHeaderStyle::kOs2);
  ASSERT_EQ(loaded.picture.ColourCount(), 256);
  EXPECT_EQ(loaded.picture.colourTable[200], (RgbQuad{200, 200, 200, 0}));
  for (const RgbQuad& entry : loaded.picture.colourTable) EXPECT_EQ(entry.reserved, 0);

  Bytes written = CBMP::SetupBmpWrite(loaded.picture, loaded.style);
  EXPECT_EQ(written[14], 12);
  EXPECT_EQ(written.size(), 26u + 3 * 256 + 8);
  EXPECT_EQ(written[10], (26 + 3 * 256) & 0xFF);
  EXPECT_EQ(written, MakeBmp(3, 2, 8, 0, pixels, 12));
}

TEST(BmpReader, LaterWindowsHeadersAreReadByTheir40ByteLayout) {
  for (std::uint32_t size : {40u, 52u, 56u, 64u, 108u, 124u}) {
    Loaded loaded = Load(MakeBmp(2, 2, 4, 0, Bytes{0x12, 0, 0, 0, 0x30, 0, 0, 0}, size));
    ASSERT_TRUE(loaded.result.Ok()) << size;
    EXPECT_EQ(loaded.style, BmpHeaderStyle::kWindows);
    EXPECT_EQ(loaded.picture.pixels[0], 0x12) << size;
    EXPECT_EQ(loaded.picture.colourTable[15], (RgbQuad{15, 15, 15, 0})) << size;
  }
}

TEST(BmpReader, ShortColourTableLoadsWithTheMissingEntriesBlack) {
  Loaded loaded = Load(MakeBmp(4, 1, 8, 0, Bytes{0, 1, 2, 1}, 40, 3));
  ASSERT_TRUE(loaded.result.Ok());
  ASSERT_EQ(loaded.picture.ColourCount(), 256);
  EXPECT_EQ(loaded.picture.colourTable[2], (RgbQuad{2, 2, 2, 0}));
  EXPECT_EQ(loaded.picture.colourTable[3], RgbQuad{});
  EXPECT_EQ(loaded.picture.colourTable[255], RgbQuad{});
}

TEST(BmpReader, RefusesWhatItCannotShowWithTheSystemsMessage) {
  const Bytes rgbRow(4, 0);
  struct Case {
    std::string description;
    Bytes file;
    MessageId message;
  };
  auto with = [](Bytes file, std::size_t at, std::uint32_t value, int width = 4) {
    if (width == 4) Put32(file, at, value);
    else Put16(file, at, value);
    return file;
  };
  const Bytes good = MakeBmp(1, 1, 24, 0, rgbRow);
  const std::vector<Case> cases = {
      {"empty file", {}, kMsgNotValidFileType},
      {"one byte", {'B'}, kMsgNotValidFileType},
      {"signature only", {'B', 'M'}, kMsgNotValidFileType},
      {"not BM", with(good, 0, 0x4142, 2), kMsgNotValidFileType},
      {"header size 16", with(good, 14, 16), kMsgNotValidFileType},
      {"header size 79", with(good, 14, 79), kMsgNotValidFileType},
      {"header cut short", Bytes(good.begin(), good.begin() + 40), kMsgNotValidFileType},
      {"width 0", with(good, 18, 0), kMsgNotValidFileType},
      {"negative width", with(good, 18, static_cast<std::uint32_t>(-1)), kMsgNotValidFileType},
      {"height 0", with(good, 22, 0), kMsgNotValidFileType},
      {"top-down (negative height)", with(good, 22, static_cast<std::uint32_t>(-1)), kMsgNotValidFileType},
      {"top-down and huge", with(with(good, 18, 100000), 22, 0x80000000u), kMsgNotValidFileType},
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
      {"pixel offset beyond the file", with(good, 10, 1000), kMsgNotValidFileType},
      {"pixel offset inside the headers", with(good, 10, 20), kMsgNotValidFileType},
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

TEST(BmpReader, LargestPictureLoads) {
  const std::size_t stride = RowStride(1280, 1);
  Loaded loaded = Load(MakeBmp(1280, 1024, 1, 0, Bytes(stride * 1024, 0x5A)));
  ASSERT_TRUE(loaded.result.Ok());
  EXPECT_EQ(loaded.picture.imageSize, stride * 1024);
}

TEST(BmpReader, EveryTruncatedPrefixFailsCleanly) {
  // An uncompressed file needs all of its bytes; an RLE stream may end early and still
  // load once its first run is there.
  struct Case {
    Bytes file;
    std::size_t shortestLoadable;
  };
  const Bytes rle = MakeBmp(5, 3, 8, 1, Bytes{3, 7, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1});
  const Case cases[] = {
      {MakeBmp(5, 3, 4, 0, Bytes(4 * 3, 0x21)), 0},
      {MakeBmp(3, 2, 24, 0, Bytes(12 * 2, 0x80), 12), 0},
      {rle, rle.size() - 12 + 2},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Load(c.file).result.Ok());
    for (std::size_t length = 0; length < c.file.size(); ++length) {
      Loaded loaded = Load(Bytes(c.file.begin(), c.file.begin() + static_cast<std::ptrdiff_t>(length)));
      EXPECT_EQ(loaded.result.Ok(), c.shortestLoadable > 0 && length >= c.shortestLoadable) << length;
    }
  }
}

// ---------------------------------------------------------------- run-length encodings

Picture LoadRle(int width, int height, int bits, const Bytes& stream) {
  Loaded loaded = Load(MakeBmp(width, height, bits, bits == 8 ? 1 : 2, stream));
  EXPECT_TRUE(loaded.result.Ok());
  EXPECT_EQ(loaded.picture.compression, 0u);
  EXPECT_EQ(loaded.picture.imageSize, loaded.picture.Stride() * static_cast<std::size_t>(height));
  return loaded.picture;
}

TEST(BmpRle, StreamThatEndsAtOnceFails) {
  EXPECT_EQ(Load(MakeBmp(4, 4, 8, 1, Bytes{0, 1})).result.Message(), kMsgNotValidFileType);
  EXPECT_FALSE(Load(MakeBmp(4, 4, 8, 1, Bytes{0, 0, 0, 0, 0, 1})).result.Ok());  // only ends of line
  EXPECT_FALSE(Load(MakeBmp(4, 4, 4, 2, Bytes{})).result.Ok());
}

TEST(BmpRle, Rle8CodesEndOfLineDeltaAndAbsoluteRunsWithSkippedPixelsZero) {
  Picture p = LoadRle(6, 3, 8,
                      Bytes{2, 9,                 // row 0: 9 9
                            0, 0,                 // end of line
                            0, 3, 1, 2, 3, 0,     // row 1: absolute 1 2 3, padded
                            0, 2, 2, 1,           // delta right 2, up 1
                            1, 5,                 // row 2, column 5: 5
                            0, 1});
  EXPECT_EQ(Bytes(p.Row(0), p.Row(0) + 6), (Bytes{9, 9, 0, 0, 0, 0}));
  EXPECT_EQ(Bytes(p.Row(1), p.Row(1) + 6), (Bytes{1, 2, 3, 0, 0, 0}));
  EXPECT_EQ(Bytes(p.Row(2), p.Row(2) + 6), (Bytes{0, 0, 0, 0, 0, 5}));
}

TEST(BmpRle, Rle4RunOfFiveFromAnOddColumn) {
  // Column 1 first (a one-pixel run), then five pixels of the alternating nibbles A, B.
  Picture p = LoadRle(8, 1, 4, Bytes{1, 0x70, 5, 0xAB, 0, 1});
  EXPECT_EQ(Bytes(p.Row(0), p.Row(0) + 4), (Bytes{0x7A, 0xBA, 0xBA, 0x00}));
}

TEST(BmpRle, Rle4AbsoluteRunIsPaddedToAWholeWord) {
  // Five pixels take three bytes, padded to four; three take two bytes, no padding.
  Picture p = LoadRle(8, 2, 4, Bytes{0, 5, 0x12, 0x34, 0x50, 0xFF, 0, 0, 0, 3, 0x67, 0x80, 0, 1});
  EXPECT_EQ(Bytes(p.Row(0), p.Row(0) + 4), (Bytes{0x12, 0x34, 0x50, 0x00}));
  EXPECT_EQ(Bytes(p.Row(1), p.Row(1) + 4), (Bytes{0x67, 0x80, 0x00, 0x00}));
}

TEST(BmpRle, DeltaBeyondTheLastRowKeepsTheRowsDecoded) {
  Picture p = LoadRle(4, 2, 8, Bytes{4, 1, 0, 2, 0, 5, 4, 2, 0, 1});
  EXPECT_EQ(Bytes(p.Row(0), p.Row(0) + 4), (Bytes{1, 1, 1, 1}));
  EXPECT_EQ(Bytes(p.Row(1), p.Row(1) + 4), (Bytes{0, 0, 0, 0}));
}

TEST(BmpRle, ManyOnePixelRunsLoadWhole) {
  // Every pixel of a 64 x 64 4-bit picture as its own run: more placements than the
  // pixel block has bytes, and still every row arrives.
  Bytes stream;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) stream.insert(stream.end(), {1, static_cast<std::uint8_t>(((x + y) % 16) * 0x11)});
    stream.insert(stream.end(), {0, 0});
  }
  stream.insert(stream.end(), {0, 1});
  Picture p = LoadRle(64, 64, 4, stream);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; x += 2)
      ASSERT_EQ(p.Row(y)[x / 2], (((x + y) % 16) << 4) | ((x + 1 + y) % 16)) << x << "," << y;
}

TEST(BmpRle, RunsCoveringTheRowPaddingLoadWhole) {
  // A writer that codes whole strides: 3 pixels plus one padding byte per row, no ends
  // of line.
  Bytes stream;
  for (int y = 0; y < 100; ++y) stream.insert(stream.end(), {3, static_cast<std::uint8_t>(y), 1, 0});
  stream.insert(stream.end(), {0, 1});
  Picture p = LoadRle(3, 100, 8, stream);
  for (int y = 0; y < 100; ++y) ASSERT_EQ(Bytes(p.Row(y), p.Row(y) + 3), Bytes(3, static_cast<std::uint8_t>(y)));
}

TEST(BmpRle, RunsNeverWriteOutsideThePixelBlock) {
  // A run far longer than the picture fills the block and ends decoding.
  Picture p = LoadRle(2, 2, 8, Bytes{255, 4, 0, 0, 3, 9, 0, 1});
  EXPECT_EQ(p.pixels, Bytes(8, 4));
  // A delta to past the last row, then a run: nothing more is placed.
  p = LoadRle(2, 2, 8, Bytes{1, 6, 0, 2, 0, 2, 200, 3, 0, 1});
  EXPECT_EQ(p.pixels, (Bytes{6, 0, 0, 0, 0, 0, 0, 0}));
  // The decoder itself keeps to stride x height even in a larger block.
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
  Loaded back = Load(file);
  ASSERT_TRUE(back.result.Ok());
  EXPECT_EQ(back.picture.pixels, p.pixels);
}

TEST(BmpWriter, IndexedPicturesRoundTripWithTheirColours) {
  for (int bits : {1, 4, 8}) {
    Picture p = Picture::Make(13, 5, bits);
    for (std::size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = static_cast<std::uint8_t>(i * 37);
    for (std::size_t i = 0; i < p.colourTable.size(); ++i)
      p.colourTable[i] = RgbQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 9, 0};
    for (BmpHeaderStyle style : {BmpHeaderStyle::kWindows, BmpHeaderStyle::kOs2}) {
      Bytes file = CBMP::SetupBmpWrite(p, style);
      std::size_t table = static_cast<std::size_t>(ColourCountFor(bits)) * (style == BmpHeaderStyle::kOs2 ? 3 : 4);
      EXPECT_EQ(file.size(), 14 + (style == BmpHeaderStyle::kOs2 ? 12u : 40u) + table + p.pixels.size());
      Loaded back = Load(file);
      ASSERT_TRUE(back.result.Ok()) << bits;
      EXPECT_EQ(back.style, style);
      EXPECT_EQ(back.picture.pixels, p.pixels) << bits;
      EXPECT_EQ(back.picture.colourTable, p.colourTable) << bits;
    }
  }
}

// ---------------------------------------------------------------- packed DIBs

Bytes DibOf(const Bytes& file) { return Bytes(file.begin() + 14, file.end()); }

TEST(PackedDib, ReadsWhatCopyMakes) {
  Picture p = Picture::Make(5, 3, 8);
  for (std::size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = static_cast<std::uint8_t>(i);
  p.colourTable[4] = RgbQuad{1, 2, 3, 0};
  Bytes dib = CBMP::MakePackedDib(p);
  EXPECT_EQ(dib.size(), 40u + 1024 + 8 * 3);
  Picture back;
  ASSERT_TRUE(CBMP::ReadPackedDib(dib, back));
  EXPECT_EQ(back.pixels, p.pixels);
  EXPECT_EQ(back.colourTable, p.colourTable);
  EXPECT_EQ(back.imageSize, 24u);
}

TEST(PackedDib, ColoursUsedPlacesThePixels) {
  // Two table entries stored of an 8-bit bitmap's 256: the pixels follow them.
  Bytes dib = DibOf(MakeBmp(4, 1, 8, 0, Bytes{1, 0, 1, 1}, 40, 2));
  Put32(dib, 32, 2);
  Picture p;
  ASSERT_TRUE(CBMP::ReadPackedDib(dib, p));
  EXPECT_EQ(Bytes(p.pixels.begin(), p.pixels.end()), (Bytes{1, 0, 1, 1}));
  EXPECT_EQ(p.colourTable[1], (RgbQuad{1, 1, 1, 0}));
  EXPECT_EQ(p.colourTable[2], RgbQuad{});

  // A 24-bit bitmap may carry a table too; its pixels start after it.
  Bytes rgb = DibOf(MakeBmp(1, 1, 24, 0, Bytes{7, 8, 9, 0}, 40, 3));
  Put32(rgb, 32, 3);
  ASSERT_TRUE(CBMP::ReadPackedDib(rgb, p));
  EXPECT_EQ(p.pixels, (Bytes{7, 8, 9, 0}));
  EXPECT_TRUE(p.colourTable.empty());
}

TEST(PackedDib, RefusesBadHeadersAndShortData) {
  const Bytes good = DibOf(MakeBmp(2, 2, 24, 0, Bytes(16, 1)));
  auto with = [&](std::size_t at, std::uint32_t value) {
    Bytes dib = good;
    Put32(dib, at, value);
    return dib;
  };
  Picture p;
  ASSERT_TRUE(CBMP::ReadPackedDib(good, p));
  EXPECT_FALSE(CBMP::ReadPackedDib(with(8, static_cast<std::uint32_t>(-2)), p));  // negative height
  EXPECT_FALSE(CBMP::ReadPackedDib(with(4, static_cast<std::uint32_t>(-2)), p));  // negative width
  EXPECT_FALSE(CBMP::ReadPackedDib(with(0, 12), p));                              // not a Windows header
  EXPECT_FALSE(CBMP::ReadPackedDib(with(16, 3), p));                              // bit fields
  EXPECT_FALSE(CBMP::ReadPackedDib(with(32, 0x40000000), p));                     // table beyond the data
  for (std::size_t length = 0; length < good.size(); ++length)
    EXPECT_FALSE(CBMP::ReadPackedDib(ByteSpan(good).first(length), p)) << length;
}

}  // namespace
}  // namespace tessaly
