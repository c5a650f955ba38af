// The readers beyond the camera's formats, over files that the usual encoders (Pillow,
// cwebp, heif-enc, tiffcp) write at test time, checked against the pixels of an
// independent decoder: Pillow for JPEG, PNG, TIFF and BMP, dwebp for WebP, heif-convert
// for HEIF. Then the EXIF orientations, files named as another kind, the limits that
// refuse a file before anything large is allocated, files cut short, the PNG writer and
// the reduced opening.
#include <gtest/gtest.h>

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
    auto [status, output] = test::RunCommand(test::Python() + " " + test::Quoted(script) + " " + test::Quoted(m_folder.Path()));
    if (status != 0) {
      m_why = output;
      return;
    }
    std::ofstream(m_folder / "tools.sh") << kToolReference;
    auto [toolStatus, toolOutput] = test::RunCommand("sh " + test::Quoted(m_folder / "tools.sh") + " " + test::Quoted(m_folder.Path()));
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

#define SKIP_WITHOUT_SAMPLES()                                                                    \
  if (!Samples::Get().Ready()) GTEST_SKIP() << "the encoders or Pillow are missing: " << Samples::Get().Why()

struct KindCase {
  const char* description;
  const char* file;       // the sample
  const char* reference;  // the reference's name when it is not the sample's own
  PictureType type;
  int tolerance;          // levels a sample may differ by (the decoders' rounding)
};

void PrintTo(const KindCase& c, std::ostream* out) { *out << c.description; }

class EveryKind : public ::testing::TestWithParam<KindCase> {};

TEST_P(EveryKind, MatchesAnIndependentDecoder) {
  SKIP_WITHOUT_SAMPLES();
  const KindCase& c = GetParam();
  test::RecordedPrompt prompt;
  PictureFile file;
  ASSERT_TRUE(file.LoadPicture(Samples::Get() / c.file, SizeLimit::kAnySize)) << ::testing::PrintToString(prompt.Texts());
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
        KindCase{"JPEG wider than 1280 under the camera's name", "wide-camera-name.jpg", nullptr, PictureType::kJpeg, 1},
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

}  // namespace
}  // namespace tessaly
