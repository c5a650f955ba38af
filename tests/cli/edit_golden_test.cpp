// Runs tessaly-cli edit over the cases of edit/cases.tsv and compares the exit status,
// the text on stderr and the picture written. The expected digests were computed by a
// separate implementation of the operations when the cases were written; after a
// deliberate change of an operation, check the new picture and update its digest.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "formats/picture_file.h"
#include "test_support/recorded_prompt.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

const std::string kEditFolder = std::string(TESSALY_SOURCE_DIR) + "/tests/cli/edit";

struct EditCase {
  std::string name, input, operations;
  int status = 0;
  std::string message;  // the reason of the one line on stderr
  std::string digest;
};

std::vector<EditCase> ReadCases() {
  std::vector<EditCase> cases;
  std::ifstream in(kEditFolder + "/cases.tsv");
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::stringstream cells(line + "\t");
    for (std::string cell; std::getline(cells, cell, '\t');) f.push_back(cell);
    if (f.size() != 6) continue;
    for (std::size_t at; (at = f[4].find("\\n")) != std::string::npos;) f[4].replace(at, 2, "\n");
    cases.push_back({f[0], f[1], f[2], std::stoi(f[3]), f[4], f[5]});
  }
  return cases;
}

// 64-bit FNV-1a over "W H bits\n", the colour table (blue, green, red) and the stored
// rows without padding, one byte per palette index.
std::string Digest(const Picture& p) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  auto add = [&h](std::uint8_t byte) { h = (h ^ byte) * 0x100000001b3ULL; };
  for (char c : std::to_string(p.width) + " " + std::to_string(p.height) + " " + std::to_string(p.bitsPerPixel) + "\n")
    add(static_cast<std::uint8_t>(c));
  for (const RgbQuad& entry : p.colourTable) {
    add(entry.blue);
    add(entry.green);
    add(entry.red);
  }
  for (int r = 0; r < p.height; ++r) {
    const std::uint8_t* row = p.Row(r);
    for (int x = 0; x < p.width; ++x) {
      if (p.bitsPerPixel == 24) {
        for (int c = 0; c < 3; ++c) add(row[3 * x + c]);
      } else if (p.bitsPerPixel == 8) {
        add(row[x]);
      } else if (p.bitsPerPixel == 4) {
        add(static_cast<std::uint8_t>(x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F));
      } else {
        add(static_cast<std::uint8_t>((row[x / 8] >> (7 - x % 8)) & 1));
      }
    }
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

// Runs "tessaly-cli edit ARGS" with stderr into errPath; the exit status.
int Edit(const std::string& args, const std::filesystem::path& errPath) {
  const int raw = std::system((std::string(TESSALY_CLI) + " edit " + args + " 2>'" + errPath.string() + "'").c_str());
  EXPECT_TRUE(WIFEXITED(raw));
  return WEXITSTATUS(raw);
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(EditGolden, EveryCaseGivesItsStatusMessageAndPicture) {
  const std::vector<EditCase> cases = ReadCases();
  ASSERT_GT(cases.size(), 40u);
  test::TempFolder folder;
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name + ": edit " + c.input + " " + c.operations);
    const auto out = folder / (c.name + ".bmp");
    EXPECT_EQ(
        Edit("'" + kEditFolder + "/inputs/" + c.input + "' '" + out.string() + "' " + c.operations, folder / "err"),
        c.status);
    // A refusal names the picture it is about.
    EXPECT_EQ(ReadText(folder / "err"),
              c.message.empty() ? "" : "tessaly-cli: " + kEditFolder + "/inputs/" + c.input + ": " + c.message + "\n");
    if (c.status != 0) {
      EXPECT_FALSE(std::filesystem::exists(out)) << "nothing is written after a refusal";
      continue;
    }
    PictureFile file;
    test::RecordedPrompt quiet;
    ASSERT_TRUE(file.LoadPicture(out));
    EXPECT_EQ(Digest(file.picture), c.digest);
  }
}

TEST(EditGolden, UsageErrorsAndFailuresWriteNothing) {
  test::TempFolder folder;
  const std::string in = kEditFolder + "/inputs/rgb-37x23.bmp", out = (folder / "out.bmp").string();
  for (const std::string ops : {"-", "", "blur", "brightness", "brightness 256", "contrast x", "rotate 0", "rotate 360",
                                "scale 300", "crop 5 5 5 9", "mosaic 1 2 3", "color 1 2"}) {
    EXPECT_EQ(Edit(ops == "-" ? in : in + " " + out + " " + ops, folder / "err"), 2) << ops;
    EXPECT_FALSE(std::filesystem::exists(out)) << ops;
  }
  EXPECT_EQ(Edit("", folder / "err"), 2);
  EXPECT_EQ(Edit("'" + (folder / "missing.bmp").string() + "' '" + out + "' sharpen", folder / "err"), 1);
  EXPECT_FALSE(ReadText(folder / "err").empty());
  // A kind that is read but never written.
  EXPECT_EQ(Edit("'" + in + "' '" + (folder / "out.webp").string() + "' sharpen", folder / "err"), 1);
  EXPECT_EQ(ReadText(folder / "err"),
            "tessaly-cli: " + (folder / "out.webp").string() + ": This is not a valid file type.\n");
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(folder / "out.webp"));
}

}  // namespace
}  // namespace tessaly
