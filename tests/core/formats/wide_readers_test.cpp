// The readers beyond the camera's formats, over files that the usual encoders (Pillow,
// cwebp, heif-enc, tiffcp) write at test time, checked against the pixels of an
// independent decoder: Pillow for JPEG, PNG, TIFF and BMP, dwebp for WebP, heif-convert
// for HEIF. Then the EXIF orientations, files named as another kind, the limits that
// refuse a file before anything large is allocated, files cut short, the PNG writer and
// the reduced opening.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>

#include "base/file_io.h"
#include "formats/jpeg_test_support.h"
#include "formats/picture_file.h"
#include "test_support/allocation_limit.h"
#include "test_support/pictures.h"
#include "test_support/recorded_prompt.h"
#include "test_support/reference_decoder.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

using test::Ppm;

// Writes the sample files into the folder given as the first argument. The picture is
// photo-like enough that a wrong channel order, a flipped row order or a lost column
// shows, and has transparency where the kind carries it.
constexpr const char* kMakeSamples = R"PY(
import sys, os, struct, subprocess, numpy as np
from PIL import Image
out = sys.argv[1]
def path(name): return os.path.join(out, name)
w, h = 61, 37
y, x = np.mgrid[0:h, 0:w]
rgb = np.stack([(x * 255 // (w - 1)), (y * 255 // (h - 1)), ((x * 7 + y * 13) % 256)], -1).astype(np.uint8)
alpha = ((x * 4 + y * 3) % 256).astype(np.uint8)
im = Image.fromarray(rgb)
rgba = Image.fromarray(np.dstack([rgb, alpha]))
grey = im.convert("L")
# JPEG
im.save(path("baseline420.jpeg"), quality=90)
im.save(path("progressive.jpe"), quality=90, progressive=True)
im.save(path("full444.JPEG"), quality=90, subsampling=0)
grey.save(path("grey.jpeg"), quality=90)
im.convert("CMYK").save(path("adobe-cmyk.jpeg"), quality=95)
Image.fromarray(np.tile(rgb, (1, 24, 1))).save(path("wide-camera-name.jpg"), quality=90)
# PNG
im.save(path("rgb8.png"))
rgba.save(path("rgba8.png"))
grey.save(path("grey8.png"))
grey.convert("1").save(path("grey1.png"))
Image.fromarray((np.asarray(grey).astype(np.uint16) * 257 + (x % 200).astype(np.uint16))).save(path("grey16.png"))
im.convert("P", palette=Image.ADAPTIVE, colors=16).save(path("palette.png"))
pal = im.convert("P", palette=Image.ADAPTIVE, colors=16)
pal.save(path("palette-trns.png"), transparency=3)
Image.fromarray(np.dstack([np.asarray(grey), alpha])).save(path("grey-alpha.png"))
rgba.save(path("interlaced.png"), interlace=1)
# 16-bit RGB through numpy's bytes: Pillow cannot make it, the file is written by hand.
import zlib
def png16(name, arr):
    raw = b"".join(b"\0" + arr[r].astype(">u2").tobytes() for r in range(arr.shape[0]))
    def chunk(t, d): return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xffffffff)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", arr.shape[1], arr.shape[0], 16, 2, 0, 0, 0)) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")
    open(path(name), "wb").write(data)
png16("rgb16.png", rgb.astype(np.uint16) * 257 + (y % 97).astype(np.uint16)[..., None])
# TIFF
for c in ["tiff_lzw", "tiff_adobe_deflate", "packbits", "jpeg"]:
    im.save(path("rgb-%s.tiff" % c), compression=c)
grey.save(path("grey-lzw.tif"), compression="tiff_lzw")
im.convert("CMYK").save(path("cmyk.tiff"))
rgba.save(path("rgba-deflate.tiff"), compression="tiff_adobe_deflate")
Image.fromarray(np.asarray(grey).astype(np.uint16) * 257).save(path("grey16.tiff"))
im.save(path("two-pages.tiff"), save_all=True, append_images=[grey.convert("RGB")])
subprocess.run(["tiffcp", "-t", "-w", "16", "-l", "16", "-c", "lzw", path("rgb-tiff_lzw.tiff"), path("tiled.tiff")], check=True)
# BMP: 32 bits without masks, written by Pillow; the others by hand.
im.save(path("rgb24-topdown-source.bmp"))
def bmp(name, bits, rows, header=40, compression=0, masks=(), topdown=False):
    stride = (w * bits // 8 + 3) // 4 * 4
    data = b"".join(r + b"\0" * (stride - len(r)) for r in (rows if topdown else rows[::-1]))
    extra = b"".join(struct.pack("<I", m) for m in masks)
    info = struct.pack("<IiiHHIIiiII", header, w, -h if topdown else h, 1, bits, compression, len(data), 2835, 2835, 0, 0)
    if header > 40:
        info += extra + b"\0" * (header - 40 - len(extra))
        extra = b""
    offset = 14 + len(info) + len(extra)
    open(path(name), "wb").write(b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + extra + data)
r, g, b, a = [rgb[..., 0].astype(np.uint32), rgb[..., 1].astype(np.uint32), rgb[..., 2].astype(np.uint32), alpha.astype(np.uint32)]
def rows(values, bytes_per): return [b"".join(int(v).to_bytes(bytes_per, "little") for v in values[i]) for i in range(h)]
bmp("rgb32.bmp", 32, rows(b | g << 8 | r << 16, 4))
bmp("rgb32-topdown.bmp", 32, rows(b | g << 8 | r << 16, 4), topdown=True)
bmp("bgra-v5.bmp", 32, rows(b << 8 | g << 16 | r << 24 | a, 4), header=124, compression=3, masks=(0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF))
bmp("bgra-v4.bmp", 32, rows(b | g << 8 | r << 16 | a << 24, 4), header=108, compression=3, masks=(0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000))
bmp("rgb555.bmp", 16, rows((b >> 3) | (g >> 3) << 5 | (r >> 3) << 10, 2))
bmp("rgb565-bitfields.bmp", 16, rows((b >> 3) | (g >> 2) << 5 | (r >> 3) << 11, 2), compression=3, masks=(0xF800, 0x07E0, 0x001F))
bmp("rgb565-topdown.bmp", 16, rows((b >> 3) | (g >> 2) << 5 | (r >> 3) << 11, 2), compression=3, masks=(0xF800, 0x07E0, 0x001F), topdown=True)
pidx = np.asarray(pal)
palette = pal.getpalette()[:16 * 3]
def bmp8(name, topdown):
    table = b"".join(bytes([palette[3 * i + 2], palette[3 * i + 1], palette[3 * i], 0]) for i in range(16))
    stride = (w + 3) // 4 * 4
    body = [bytes(pidx[i]) + b"\0" * (stride - w) for i in range(h)]
    data = b"".join(body if topdown else body[::-1])
    info = struct.pack("<IiiHHIIiiII", 40, w, -h if topdown else h, 1, 8, 0, len(data), 0, 0, 16, 0)
    offset = 14 + 40 + len(table)
    open(path(name), "wb").write(b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + table + data)
bmp8("palette-topdown.bmp", True)
# WebP and HEIF, by their own encoders.
rgba.save(path("source-rgba.png"))
subprocess.run(["cwebp", "-quiet", "-q", "90", path("rgb8.png"), "-o", path("lossy.webp")], check=True)
subprocess.run(["cwebp", "-quiet", "-lossless", path("source-rgba.png"), "-o", path("lossless-alpha.webp")], check=True)
subprocess.run(["heif-enc", "-q", "90", path("rgb8.png"), "-o", path("photo.heic")], check=True, stdout=subprocess.DEVNULL)
subprocess.run(["heif-enc", "-A", "-q", "90", path("rgb8.png"), "-o", path("photo.avif")], check=True, stdout=subprocess.DEVNULL)
)PY";

// The reference pixels of the WebP and HEIF files, by the libraries' own tools, then
// laid over white by Pillow.
constexpr const char* kToolReference = R"SH(
set -e
cd "$1"
dwebp -quiet lossy.webp -ppm -o lossy.webp.ppm
heif-convert photo.heic photo.heic.png > /dev/null
heif-convert photo.avif photo.avif.png > /dev/null
)SH";

class Samples {
 public:
  static Samples& Get() {
    static Samples samples;
    return samples;
  }
  bool Ready() const { return m_ready; }
  std::filesystem::path operator/(const std::string& name) const { return m_folder / name; }
  // The reference picture of a sample, over white.
  std::optional<Ppm> Reference(const std::string& name) const {
    return test::PillowPixels(m_folder / "reference", m_folder / name);
  }

 private:
  Samples() {
    const std::filesystem::path script = m_folder / "make.py";
    std::ofstream(script) << kMakeSamples;
    auto [status, output] =
        test::RunCommand(test::Python() + " " + test::Quoted(script) + " " + test::Quoted(m_folder.Path()));
    if (status != 0) {
      m_why = output;
      return;
    }
    std::ofstream(m_folder / "tools.sh") << kToolReference;
    auto [toolStatus, toolOutput] =
        test::RunCommand("sh " + test::Quoted(m_folder / "tools.sh") + " " + test::Quoted(m_folder.Path()));
    if (toolStatus != 0) {
      m_why = toolOutput;
      return;
    }
    std::filesystem::create_directory(m_folder / "reference");
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.Path()))
      if (entry.is_regular_file()) files.push_back(entry.path());
    m_ready = test::PillowReference(m_folder / "reference", files, true);
  }
  test::TempFolder m_folder;
  bool m_ready = false;
  std::string m_why;

 public:
  const std::string& Why() const { return m_why; }
};

#define SKIP_WITHOUT_SAMPLES() \
  if (!Samples::Get().Ready()) GTEST_SKIP() << "the encoders or Pillow are missing: " << Samples::Get().Why()

struct KindCase {
  const char* description;
  const char* file;       // the sample
  const char* reference;  // the reference's name when it is not the sample's own
  PictureType type;
  int tolerance;  // levels a sample may differ by (the decoders' rounding)
};

void PrintTo(const KindCase& c, std::ostream* out) { *out << c.description; }

class EveryKind : public ::testing::TestWithParam<KindCase> {};

TEST_P(EveryKind, MatchesAnIndependentDecoder) {
  SKIP_WITHOUT_SAMPLES();
  const KindCase& c = GetParam();
  test::RecordedPrompt prompt;
  PictureFile file;
  ASSERT_TRUE(file.LoadPicture(Samples::Get() / c.file, SizeLimit::kAnySize))
      << ::testing::PrintToString(prompt.Texts());
  EXPECT_EQ(file.type, c.type);
  EXPECT_EQ(file.picture.compression, 0u);
  EXPECT_EQ(file.picture.pixels.size(), file.picture.Stride() * static_cast<std::size_t>(file.picture.height));
  auto expected = Samples::Get().Reference(c.reference != nullptr ? c.reference : c.file);
  ASSERT_TRUE(expected) << "no reference for " << c.file;
  EXPECT_EQ(test::SamplesOff(file.picture, *expected, c.tolerance), 0u);
}

constexpr int kExact = 0;
INSTANTIATE_TEST_SUITE_P(
    WideReaders, EveryKind,
    ::testing::Values(
        KindCase{"JPEG baseline 4:2:0 named .jpeg", "baseline420.jpeg", nullptr, PictureType::kJpeg, 1},
        KindCase{"JPEG progressive named .jpe", "progressive.jpe", nullptr, PictureType::kJpeg, 1},
        KindCase{"JPEG 4:4:4, extension in capitals", "full444.JPEG", nullptr, PictureType::kJpeg, 1},
        KindCase{"JPEG grey", "grey.jpeg", nullptr, PictureType::kJpeg, 1},
        KindCase{"JPEG Adobe CMYK (stored inverted)", "adobe-cmyk.jpeg", nullptr, PictureType::kJpeg, 2},
        KindCase{"JPEG wider than 1280 under the camera's name", "wide-camera-name.jpg", nullptr, PictureType::kJpeg,
                 1},
        KindCase{"PNG RGB 8", "rgb8.png", nullptr, PictureType::kPng, kExact},
        KindCase{"PNG RGBA over white", "rgba8.png", nullptr, PictureType::kPng, 1},
        KindCase{"PNG grey 8", "grey8.png", nullptr, PictureType::kPng, kExact},
        KindCase{"PNG grey 1", "grey1.png", nullptr, PictureType::kPng, kExact},
        KindCase{"PNG grey 16", "grey16.png", nullptr, PictureType::kPng, 1},
        KindCase{"PNG RGB 16", "rgb16.png", nullptr, PictureType::kPng, 1},
        KindCase{"PNG palette", "palette.png", nullptr, PictureType::kPng, kExact},
        KindCase{"PNG palette with tRNS", "palette-trns.png", nullptr, PictureType::kPng, 1},
        KindCase{"PNG grey and alpha", "grey-alpha.png", nullptr, PictureType::kPng, 1},
        KindCase{"PNG Adam7 interlaced RGBA", "interlaced.png", nullptr, PictureType::kPng, 1},
        KindCase{"TIFF LZW", "rgb-tiff_lzw.tiff", nullptr, PictureType::kTiff, kExact},
        KindCase{"TIFF Deflate", "rgb-tiff_adobe_deflate.tiff", nullptr, PictureType::kTiff, kExact},
        KindCase{"TIFF PackBits", "rgb-packbits.tiff", nullptr, PictureType::kTiff, kExact},
        KindCase{"TIFF JPEG-compressed", "rgb-jpeg.tiff", nullptr, PictureType::kTiff, 3},
        KindCase{"TIFF grey LZW under .tif", "grey-lzw.tif", nullptr, PictureType::kTiff, kExact},
        KindCase{"TIFF CMYK", "cmyk.tiff", nullptr, PictureType::kTiff, 2},
        KindCase{"TIFF RGBA over white", "rgba-deflate.tiff", nullptr, PictureType::kTiff, 1},
        KindCase{"TIFF grey 16", "grey16.tiff", nullptr, PictureType::kTiff, 1},
        KindCase{"TIFF two pages: the first", "two-pages.tiff", "rgb8.png", PictureType::kTiff, kExact},
        KindCase{"TIFF tiled 16 x 16", "tiled.tiff", "rgb8.png", PictureType::kTiff, kExact},
        KindCase{"BMP 32-bit without masks", "rgb32.bmp", "rgb8.png", PictureType::kBmp, kExact},
        KindCase{"BMP 32-bit top-down", "rgb32-topdown.bmp", "rgb8.png", PictureType::kBmp, kExact},
        KindCase{"BMP V5 BITFIELDS with alpha", "bgra-v5.bmp", "rgba8.png", PictureType::kBmp, 1},
        KindCase{"BMP V4 BITFIELDS with alpha", "bgra-v4.bmp", "rgba8.png", PictureType::kBmp, 1},
        KindCase{"BMP 16-bit 5-5-5", "rgb555.bmp", nullptr, PictureType::kBmp, 1},
        KindCase{"BMP 16-bit 5-6-5 BITFIELDS", "rgb565-bitfields.bmp", nullptr, PictureType::kBmp, 1},
        KindCase{"BMP 16-bit 5-6-5 top-down", "rgb565-topdown.bmp", "rgb565-bitfields.bmp", PictureType::kBmp, 1},
        KindCase{"BMP 8-bit palette top-down", "palette-topdown.bmp", "palette.png", PictureType::kBmp, kExact},
        KindCase{"WebP lossy, by dwebp", "lossy.webp", "lossy.webp.ppm", PictureType::kWebp, 1},
        KindCase{"WebP lossless with alpha, by dwebp", "lossless-alpha.webp", "rgba8.png", PictureType::kWebp, 1},
        KindCase{"HEIC, by heif-convert", "photo.heic", "photo.heic.png", PictureType::kHeif, 1},
        KindCase{"AVIF, by heif-convert", "photo.avif", "photo.avif.png", PictureType::kHeif, 1}),
    [](const ::testing::TestParamInfo<KindCase>& param) {
      std::string name = param.param.file;
      for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

// ---------------------------------------------------------------- orientation

// A picture with its EXIF orientation set to each value, as a phone writes it; Pillow
// turns it upright by the same tag.
constexpr const char* kMakeOriented = R"PY(
import sys, os, numpy as np
from PIL import Image
out = sys.argv[1]
y, x = np.mgrid[0:24, 0:40]
im = Image.fromarray(np.stack([x * 6, y * 10, (x // 10) * 60 + (y // 12) * 120], -1).astype(np.uint8))
for o in range(1, 9):
    exif = Image.Exif()
    exif[0x0112] = o
    im.save(os.path.join(out, "oriented-%d.jpeg" % o), quality=95, exif=exif.tobytes())
)PY";

TEST(WideReaders, JpegOrientationsStandUpright) {
  test::TempFolder folder;
  std::ofstream(folder / "make.py") << kMakeOriented;
  if (test::RunCommand(test::Python() + " " + test::Quoted(folder / "make.py") + " " + test::Quoted(folder.Path()))
          .first != 0)
    GTEST_SKIP() << "Pillow is missing";
  std::vector<std::filesystem::path> files;
  for (int o = 1; o <= 8; ++o) files.push_back(folder / ("oriented-" + std::to_string(o) + ".jpeg"));
  std::filesystem::create_directory(folder / "reference");
  ASSERT_TRUE(test::PillowReference(folder / "reference", files, true));
  for (int o = 1; o <= 8; ++o) {
    SCOPED_TRACE("orientation " + std::to_string(o));
    PictureFile file;
    ASSERT_TRUE(file.LoadPicture(files[static_cast<std::size_t>(o - 1)]));
    EXPECT_EQ(file.width, o >= 5 ? 24 : 40);
    EXPECT_EQ(file.height, o >= 5 ? 40 : 24);
    auto expected = test::PillowPixels(folder / "reference", files[static_cast<std::size_t>(o - 1)]);
    ASSERT_TRUE(expected);
    EXPECT_EQ(test::SamplesOff(file.picture, *expected, 1), 0u);
    // Reduced while it is decoded, it stands the same way.
    PictureFile reduced;
    ASSERT_TRUE(reduced.LoadPictureToFit(files[static_cast<std::size_t>(o - 1)], 20, 20));
    EXPECT_EQ(reduced.picture.width, o >= 5 ? 12 : 20);
    EXPECT_EQ(reduced.picture.height, o >= 5 ? 20 : 12);
  }
}

// ---------------------------------------------------------------- names

TEST(WideReaders, AFileOpensAsWhatItsBytesSay) {
  SKIP_WITHOUT_SAMPLES();
  test::TempFolder folder;
  const struct {
    const char* sample;
    const char* misnamed;
    PictureType type;
  } cases[] = {
      {"rgb8.png", "saved-by-a-browser.jpg", PictureType::kPng}, {"baseline420.jpeg", "photo.png", PictureType::kJpeg},
      {"lossy.webp", "picture.JPG", PictureType::kWebp},         {"rgb-tiff_lzw.tiff", "scan.bmp", PictureType::kTiff},
      {"photo.heic", "photo.tif", PictureType::kHeif},
  };
  for (const auto& c : cases) {
    std::filesystem::copy_file(Samples::Get() / c.sample, folder / c.misnamed);
    test::RecordedPrompt prompt;
    PictureFile file;
    EXPECT_TRUE(file.LoadPicture(folder / c.misnamed)) << c.misnamed;
    EXPECT_EQ(file.type, c.type) << c.misnamed;
    EXPECT_TRUE(prompt.Texts().empty()) << c.misnamed;
  }
  // A name of no picture kind opens nothing, whatever the bytes.
  std::filesystem::copy_file(Samples::Get() / "rgb8.png", folder / "notes.txt");
  test::RecordedPrompt prompt;
  PictureFile file;
  EXPECT_FALSE(file.LoadPicture(folder / "notes.txt"));
  EXPECT_EQ(prompt.Texts(), std::vector<std::string>{std::string(MessageText(kMsgNotValidFileType))});
}

// ---------------------------------------------------------------- limits

std::uint32_t Crc(const Bytes& bytes, std::size_t from, std::size_t to) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = from; i < to; ++i) {
    crc ^= bytes[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void PutBe32(Bytes& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A PNG that declares width x height with a few bytes of picture data.
Bytes PngDeclaring(std::uint32_t width, std::uint32_t height) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&](const char* type, const Bytes& data) {
    PutBe32(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBe32(png, Crc(png, start, png.size()));
  };
  Bytes header;
  PutBe32(header, width);
  PutBe32(header, height);
  header.insert(header.end(), {8, 2, 0, 0, 0});
  chunk("IHDR", header);
  chunk("IDAT", Bytes{0x78, 0x9C, 0x63, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01});
  chunk("IEND", {});
  return png;
}

// A JPEG whose frame header says width x height.
Bytes JpegDeclaring(int width, int height, bool progressive) {
  test::LibraryJpeg wanted;
  wanted.progressive = progressive;
  Bytes jpeg = test::CompressWithLibrary(wanted, std::vector<std::uint8_t>(16 * 16 * 3, 90));
  for (std::size_t i = 2; i + 8 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
      jpeg[i + 6] = static_cast<std::uint8_t>(height);
      jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
      jpeg[i + 8] = static_cast<std::uint8_t>(width);
      break;
    }
  return jpeg;
}

// A 32-bit BMP header for width x height with a few bytes of pixels.
Bytes BmpDeclaring(std::int32_t width, std::int32_t height) {
  Bytes bmp = {'B', 'M'};
  auto le32 = [&](std::uint32_t v) {
    for (int k = 0; k < 4; ++k) bmp.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
  };
  le32(54 + 64);
  le32(0);
  le32(54);
  le32(40);
  le32(static_cast<std::uint32_t>(width));
  le32(static_cast<std::uint32_t>(height));
  bmp.insert(bmp.end(), {1, 0, 32, 0});
  for (int k = 0; k < 6; ++k) le32(0);
  bmp.resize(bmp.size() + 64, 0x40);
  return bmp;
}

TEST(WideReaders, SizeLimitsRefuseBeforeAnythingLargeIsAllocated) {
  const struct {
    const char* description;
    const char* name;
    Bytes file;
    std::string message;
  } cases[] = {
      {"PNG of 400 megapixels", "huge.png", PngDeclaring(20000, 20000),
       MessageTextWith(kMsgPictureOverLimit, "huge.png (20000 x 20000)")},
      {"PNG of 100 megapixels in 60 bytes", "hollow.png", PngDeclaring(10000, 10000),
       MessageTextWith(kMsgPictureDataMissing, "hollow.png (10000 x 10000)")},
      {"JPEG of 108 megapixels", "huge.jpeg", JpegDeclaring(12000, 9000, false),
       MessageTextWith(kMsgPictureOverLimit, "huge.jpeg (12000 x 9000)")},
      {"sequential JPEG of 60 megapixels in a few hundred bytes", "hollow.jpeg", JpegDeclaring(10000, 6000, false),
       MessageTextWith(kMsgPictureDataMissing, "hollow.jpeg (10000 x 6000)")},
      {"32-bit BMP of 100 megapixels with 64 bytes of pixels, saved as .png", "wallpaper.png",
       BmpDeclaring(10000, -10000), MessageTextWith(kMsgPictureDataMissing, "wallpaper.png (10000 x 10000)")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.description);
    test::RecordedPrompt prompt;
    PictureFile file;
    {
      test::ScopedAllocationLimit limit(16u << 20);
      EXPECT_FALSE(file.LoadPicture(c.file, c.name, SizeLimit::kAnySize));
    }
    EXPECT_EQ(prompt.Texts(), std::vector<std::string>{c.message});
  }
}

TEST(WideReaders, EditingLimitStillRefusesLargePicturesUnlessAskedForAnySize) {
  SKIP_WITHOUT_SAMPLES();
  const std::filesystem::path wide = Samples::Get() / "wide-camera-name.jpg";  // 1464 x 37
  test::RecordedPrompt prompt;
  PictureFile file;
  EXPECT_FALSE(file.LoadPicture(wide));
  EXPECT_EQ(prompt.Texts(), std::vector<std::string>{std::string(MessageText(kMsgPictureTooLarge))});
  ASSERT_TRUE(file.LoadPicture(wide, SizeLimit::kAnySize));
  EXPECT_EQ(file.picture.width, 1464);
  EXPECT_FALSE(file.IsReduced());
}

// ---------------------------------------------------------------- truncated files

TEST(WideReaders, TruncatedFilesAreRefusedOrShowWhatWasRead) {
  SKIP_WITHOUT_SAMPLES();
  for (const char* sample : {"baseline420.jpeg", "progressive.jpe", "rgb8.png", "interlaced.png", "rgb-tiff_lzw.tiff",
                             "tiled.tiff", "bgra-v5.bmp", "lossy.webp", "photo.heic"}) {
    Bytes whole;
    ASSERT_FALSE(ReadWholeFile(Samples::Get() / sample, whole));
    const std::string name = std::string("cut-") + sample;
    for (std::size_t length = 0; length < whole.size(); length += 1 + length / 16) {
      SCOPED_TRACE(name + " cut at " + std::to_string(length));
      test::RecordedPrompt prompt;
      PictureFile file;
      const bool loaded = file.LoadPicture(ByteSpan(whole.data(), length), name, SizeLimit::kAnySize);
      if (loaded) {
        EXPECT_TRUE(prompt.Texts().empty());
        EXPECT_EQ(file.picture.width, 61);
        EXPECT_EQ(file.picture.height, 37);
        EXPECT_EQ(file.picture.pixels.size(), file.picture.Stride() * 37u);
      } else {
        EXPECT_EQ(prompt.Texts().size(), 1u);
      }
    }
  }
}

// ---------------------------------------------------------------- PNG writing

TEST(PngWriter, PicturesComeBackAsTheyWereAndPillowReadsThem) {
  test::TempFolder folder;
  std::vector<std::pair<std::string, Picture>> pictures = {
      {"colours.png", test::Noise24(33, 17)},
      {"palette8.png", test::Indexed(29, 11, 8)},
      {"palette4.png", test::Indexed(13, 5, 4)},
      {"palette1.png", test::Indexed(21, 3, 1)},
  };
  std::vector<std::filesystem::path> written;
  for (auto& [name, picture] : pictures) {
    PictureFile saver;
    saver.InitFromDocument(picture, false, "");
    ASSERT_TRUE(saver.SavePicture(folder / name)) << name;
    EXPECT_EQ(saver.type, PictureType::kPng);
    written.push_back(folder / name);
    PictureFile back;
    ASSERT_TRUE(back.LoadPicture(folder / name)) << name;
    ASSERT_EQ(back.picture.width, picture.width);
    ASSERT_EQ(back.picture.height, picture.height);
    for (int y = 0; y < picture.height; ++y)
      for (int x = 0; x < picture.width; ++x)
        ASSERT_EQ(test::RgbAt(back.picture, x, y), test::RgbAt(picture, x, y)) << name << " at " << x << ", " << y;
  }
  // An indexed picture is written as a palette, which Pillow reads as such, colour for colour.
  auto [status, modes] =
      test::RunCommand(test::Python() +
                       " -c \"import sys; from PIL import Image; "
                       "print(' '.join(Image.open(f).mode for f in sys.argv[1:]))\" " +
                       test::Quoted(written[0]) + " " + test::Quoted(written[1]) + " " + test::Quoted(written[3]));
  if (status != 0) GTEST_SKIP() << "Pillow is missing";
  EXPECT_EQ(modes, "RGB P P\n");
  std::filesystem::create_directory(folder / "reference");
  ASSERT_TRUE(test::PillowReference(folder / "reference", written));
  for (std::size_t i = 0; i < written.size(); ++i) {
    auto expected = test::PillowPixels(folder / "reference", written[i]);
    ASSERT_TRUE(expected) << written[i];
    EXPECT_EQ(test::SamplesOff(pictures[i].second, *expected, 0), 0u) << written[i];
  }
}

TEST(PngWriter, AFailedSaveLeavesTheOldFile) {
  test::TempFolder folder;
  const Bytes old = {'o', 'l', 'd'};
  ASSERT_FALSE(WriteFileAtomically(folder / "kept.png", old));
  std::filesystem::permissions(folder.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  test::RecordedPrompt prompt;
  PictureFile saver;
  const Picture picture = test::Noise24(4, 4);
  saver.InitFromDocument(picture, false, "");
  const bool saved = saver.SavePicture(folder / "kept.png");
  std::filesystem::permissions(folder.Path(), std::filesystem::perms::owner_all);
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into a read-only folder";
  EXPECT_FALSE(saved);
  Bytes now;
  ASSERT_FALSE(ReadWholeFile(folder / "kept.png", now));
  EXPECT_EQ(now, old);
}

// ---------------------------------------------------------------- reduced opening

TEST(ReducedOpen, ALargePictureComesReducedByAreaAveraging) {
  test::TempFolder folder;
  // 1000 x 500 with detail finer than the reduction (by 1.5625, so that source pixels
  // straddle output pixels), where a reduction that only picks or rounds shows.
  constexpr const char* kMake = R"PY(
import sys, os, numpy as np
from PIL import Image
y, x = np.mgrid[0:500, 0:1000]
a = np.stack([(x * 255 // 999), (y * 255 // 499), ((x + y) % 2) * 255], -1).astype(np.uint8)
im = Image.fromarray(a)
im.save(os.path.join(sys.argv[1], "large.png"))
im.save(os.path.join(sys.argv[1], "large.jpeg"), quality=95, subsampling=0)
# Area averaging by its definition: each output pixel the mean of the source area it
# covers, every source pixel weighted by the share of it inside.
def weights(source, target):
    scale = source / target
    edges = np.arange(target + 1) * scale
    s = np.arange(source)[None, :]
    m = np.clip(np.minimum(edges[1:, None], s + 1) - np.maximum(edges[:-1, None], s), 0, None)
    return m / scale
wy, wx = weights(500, 320), weights(1000, 640)
out = np.stack([wy @ a[..., c].astype(np.float64) @ wx.T for c in range(3)], -1)
Image.fromarray(np.floor(out + 0.5).astype(np.uint8)).save(os.path.join(sys.argv[1], "expected.png"))
)PY";
  std::ofstream(folder / "make.py") << kMake;
  if (test::RunCommand(test::Python() + " " + test::Quoted(folder / "make.py") + " " + test::Quoted(folder.Path()))
          .first != 0)
    GTEST_SKIP() << "Pillow is missing";
  std::filesystem::create_directory(folder / "reference");
  ASSERT_TRUE(test::PillowReference(folder / "reference", {folder / "expected.png"}));
  auto expected = test::PillowPixels(folder / "reference", folder / "expected.png");
  ASSERT_TRUE(expected);
  for (const char* name : {"large.png", "large.jpeg"}) {
    SCOPED_TRACE(name);
    PictureFile file;
    ASSERT_TRUE(OpenPictureFileToFit(file, folder / name, 640, 480));
    EXPECT_TRUE(file.IsReduced());
    EXPECT_EQ(file.width, 1000);
    EXPECT_EQ(file.height, 500);
    ASSERT_EQ(file.picture.width, 640);
    ASSERT_EQ(file.picture.height, 320);
    // The PNG is reduced from its own pixels; the JPEG through the library's scaling of
    // its blocks first, and its own coding loss.
    EXPECT_EQ(test::SamplesOff(file.picture, *expected, std::string(name) == "large.png" ? 1 : 12), 0u);
  }
}

TEST(ReducedOpen, APictureThatFitsComesAsItOpens) {
  test::TempFolder folder;
  const Picture indexed = test::Indexed(40, 30, 8);
  PictureFile saver;
  saver.InitFromDocument(indexed, false, "");
  ASSERT_TRUE(saver.SavePicture(folder / "small.bmp"));
  PictureFile whole, fitted;
  ASSERT_TRUE(whole.LoadPicture(folder / "small.bmp"));
  ASSERT_TRUE(fitted.LoadPictureToFit(folder / "small.bmp", kMaxPictureWidth, kMaxPictureHeight));
  EXPECT_FALSE(fitted.IsReduced());
  EXPECT_TRUE(test::SamePicture(fitted.picture, whole.picture));
  // A thumbnail of it is 24 bits, 80 x 60 at most, aspect kept.
  PictureFile thumbnail;
  ASSERT_TRUE(thumbnail.LoadPictureToFit(folder / "small.bmp", 20, 20));
  EXPECT_EQ(thumbnail.picture.width, 20);
  EXPECT_EQ(thumbnail.picture.height, 15);
  EXPECT_EQ(thumbnail.picture.bitsPerPixel, 24);
}

// The album's way: the pictures that can be edited come whole whatever the box, and
// only those over the limit are reduced to it, from the library's scaled decode.
TEST(ReducedOpen, OnlyPicturesOverTheEditingLimitAreReducedWhenAsked) {
  test::TempFolder folder;
  ScopedPrompt quiet(std::make_unique<StreamPrompt>());
  PictureFile saver;
  saver.picture = test::Noise24(kMaxPictureWidth, kMaxPictureHeight);
  ASSERT_TRUE(saver.SavePicture(folder / "editable.jpg"));
  saver.picture = test::Noise24(kMaxPictureWidth + 16, 720);
  ASSERT_TRUE(saver.SavePicture(folder / "wide.jpg"));
  ASSERT_TRUE(saver.SavePicture(folder / "wide.png"));

  PictureFile whole, kept;
  ASSERT_TRUE(whole.LoadPicture(folder / "editable.jpg"));
  ASSERT_TRUE(kept.LoadPictureToFit(folder / "editable.jpg", 256, 256, ReduceWhen::kOverEditable));
  EXPECT_FALSE(kept.IsReduced());
  EXPECT_TRUE(test::SamePicture(kept.picture, whole.picture)) << "decoded as ever, bit for bit";

  for (const char* name : {"wide.jpg", "wide.png"}) {
    SCOPED_TRACE(name);
    PictureFile reduced;
    ASSERT_TRUE(reduced.LoadPictureToFit(folder / name, 256, 256, ReduceWhen::kOverEditable));
    EXPECT_TRUE(reduced.IsReduced());
    EXPECT_EQ(reduced.width, kMaxPictureWidth + 16);
    EXPECT_EQ(reduced.picture.width, 256);
    EXPECT_EQ(reduced.picture.height, 142);
  }
}

}  // namespace
}  // namespace tessaly
