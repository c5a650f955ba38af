// Writes the small picture files that the command-line golden test runs tessaly-cli
// over: good files of each kind the readers take, and one of each kind they refuse.
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/file_io.h"
#include "formats/bmp.h"
#include "formats/tiff.h"
#include "formats/tiff_builder.h"

namespace tessaly {
namespace {

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

Picture Sample(int width, int height, int bits) {
  Picture p = Picture::Make(width, height, bits);
  for (std::size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = static_cast<std::uint8_t>(i * 13);
  for (std::size_t i = 0; i < p.colourTable.size(); ++i)
    p.colourTable[i] = RgbQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 3), 7, 0};
  return p;
}

Bytes Bmp(const Picture& p, BmpHeaderStyle style = BmpHeaderStyle::kWindows) { return CBMP::SetupBmpWrite(p, style); }

// An RLE file: the header of an uncompressed one, the stream in place of the pixels.
Bytes Rle(int width, int height, int bits, const Bytes& stream) {
  Bytes file = Bmp(Picture::Make(width, height, bits));
  std::size_t offset = file[10] | file[11] << 8;
  file.resize(offset);
  file.insert(file.end(), stream.begin(), stream.end());
  Put32(file, 30, bits == 8 ? 1 : 2);
  return file;
}

// A TIFF file of another writer: big-endian, one strip, BitsPerSample 24 as one value
// (the sum of the samples is all that counts).
Bytes BigEndianTiff(bool withSubfileType, std::uint16_t compression) {
  test::TiffBuilder b(false);
  std::uint32_t strip = b.Blob({10, 20, 30, 40, 50, 60});
  if (withSubfileType) b.Long(254, 0);
  b.Short(256, 2).Short(257, 1).Short(258, 24).Short(259, compression);
  return b.Long(273, strip).Long(279, 6).Build();
}

void Write(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes) {
  if (WriteFileAtomically(folder / name, bytes)) {
    std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
    std::exit(1);
  }
}

}  // namespace
}  // namespace tessaly

int main(int argc, char** argv) {
  using namespace tessaly;
  if (argc != 2) return 2;
  const std::filesystem::path out = argv[1];

  Write(out, "os2-8bit.bmp", Bmp(Sample(3, 2, 8), BmpHeaderStyle::kOs2));
  Write(out, "win-4bit.bmp", Bmp(Sample(5, 3, 4)));
  Write(out, "mono.dib", Bmp(Sample(9, 2, 1)));
  Write(out, "RGB.BMP", Bmp(Sample(2, 2, 24)));
  Bytes v5 = Bmp(Sample(1, 1, 24));
  Put32(v5, 14, 124);
  v5.insert(v5.begin() + 54, 124 - 40, 0);
  Put32(v5, 10, 14 + 124);
  Write(out, "v5.bmp", v5);
  Write(out, "rle8.bmp", Rle(4, 2, 8, {4, 1, 0, 0, 0, 4, 1, 2, 3, 4, 0, 1}));
  Write(out, "rle4.bmp", Rle(5, 1, 4, {5, 0x12, 0, 1}));
  Write(out, "rle-empty.bmp", Rle(4, 2, 8, {0, 1}));
  Bytes topDown = Bmp(Sample(2, 2, 24));
  Put32(topDown, 22, static_cast<std::uint32_t>(-2));
  Write(out, "topdown.bmp", topDown);
  Bytes rgb16 = Bmp(Sample(2, 2, 24));
  rgb16[28] = 16;
  Write(out, "rgb16.bmp", rgb16);
  Bytes header16 = Bmp(Sample(2, 2, 24));
  Put32(header16, 14, 16);
  Write(out, "header16.bmp", header16);
  Bytes shortData = Bmp(Sample(2, 2, 24));
  shortData.pop_back();
  Write(out, "short.bmp", shortData);
  Bytes huge = Bmp(Sample(2, 2, 24));
  Put32(huge, 18, 1281);
  Write(out, "huge.bmp", huge);
  Write(out, "text.bmp", {'h', 'e', 'l', 'l', 'o', '\n'});
  Write(out, "empty.bmp", {});

  Picture grey = Sample(3, 2, 8);
  Write(out, "palette.tif", CTIFF::SetupTiffWrite(grey));
  Write(out, "rgb.tif", CTIFF::SetupTiffWrite(Sample(4, 3, 24)));
  Write(out, "big-endian.tif", BigEndianTiff(true, 1));
  Write(out, "no-subfile.tif", BigEndianTiff(false, 1));
  Write(out, "lzw.tif", BigEndianTiff(true, 5));
  Write(out, "photo.jpeg", {0xFF, 0xD8, 0xFF, 0xD9});
  Write(out, "picture.ppm", {'P', '6', '\n', '1', ' ', '1', '\n', '2', '5', '5', '\n', 0, 0, 0});
  return 0;
}
