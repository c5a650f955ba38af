// Pixels of picture files as other decoders see them, for tests that check Tessaly's
// readers against an independent implementation: Pillow through python3 (transparency
// laid over white, 16-bit samples brought to 8), read back from binary PPM files.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "test_support/pictures.h"

namespace tessaly::test {

// The Python that has Pillow: the system's, which Debian's python3-pil serves.
inline std::string Python() {
  if (const char* wanted = std::getenv("TESSALY_PYTHON")) return wanted;
  return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

// Standard output and standard error of a shell command, and its exit status.
inline std::pair<int, std::string> RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return {-1, output};
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int status = ::pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

inline std::string Quoted(const std::filesystem::path& path) {
  std::string text = "'";
  for (char c : path.string()) text += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return text + "'";
}

struct Ppm {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;  // top row first
};

inline std::optional<Ppm> ReadPpm(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  Ppm ppm;
  if (!(in >> magic >> ppm.width >> ppm.height >> maxval) || magic != "P6" || maxval != 255) return std::nullopt;
  in.get();
  ppm.rgb.resize(static_cast<std::size_t>(ppm.width) * static_cast<std::size_t>(ppm.height) * 3);
  in.read(reinterpret_cast<char*>(ppm.rgb.data()), static_cast<std::streamsize>(ppm.rgb.size()));
  if (!in) return std::nullopt;
  return ppm;
}

// Pillow's script: each input file (the first frame) to output/<name>.ppm, over white,
// upright by its EXIF orientation when asked (TIFF files with an Orientation tag are
// then left out); files Pillow cannot read are left out.
inline constexpr const char* kPillowToPpm = R"PY(
import sys, os
from PIL import Image, ImageOps
out, upright = sys.argv[1], sys.argv[2] == "1"
for name in sys.argv[3:]:
    try:
        im = Image.open(name)
        im.seek(0)
        if upright and im.format == "TIFF" and im.getexif().get(274, 1) != 1:
            continue  # Pillow turns these differently from the tag's meaning
        if upright:
            im = ImageOps.exif_transpose(im)
        if im.mode in ("I;16", "I;16B", "I;16L", "I"):
            im = im.point(lambda v: v / 257.0).convert("L")
        if im.mode in ("RGBA", "LA", "PA") or (im.mode == "P" and "transparency" in im.info):
            im = im.convert("RGBA")
            white = Image.new("RGBA", im.size, (255, 255, 255, 255))
            im = Image.alpha_composite(white, im)
        im.convert("RGB").save(os.path.join(out, os.path.basename(name) + ".ppm"))
    except Exception:
        pass
)PY";

// Reference pixels of the files, by Pillow, written into folder; false when python3 or
// Pillow are missing.
inline bool PillowReference(const std::filesystem::path& folder, const std::vector<std::filesystem::path>& files,
                            bool upright = false) {
  const std::filesystem::path script = folder / "to_ppm.py";
  std::ofstream(script) << kPillowToPpm;
  std::string command = Python() + " " + Quoted(script) + " " + Quoted(folder) + (upright ? " 1" : " 0");
  for (const auto& file : files) command += " " + Quoted(file);
  return RunCommand(command).first == 0;
}

inline std::optional<Ppm> PillowPixels(const std::filesystem::path& folder, const std::filesystem::path& file) {
  return ReadPpm(folder / (file.filename().string() + ".ppm"));
}

// How many samples differ by more than tolerance (all of them when the sizes differ).
inline std::size_t SamplesOff(const Picture& picture, const Ppm& expected, int tolerance) {
  if (picture.width != expected.width || picture.height != expected.height) return expected.rgb.size() + 1;
  std::size_t off = 0;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const auto colour = RgbAt(picture, x, y);
      const std::uint8_t* want = &expected.rgb[(static_cast<std::size_t>(y) * expected.width + x) * 3];
      for (int c = 0; c < 3; ++c) off += std::abs(colour[c] - want[c]) > tolerance;
    }
  return off;
}

}  // namespace tessaly::test
