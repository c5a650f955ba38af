// Runs tessaly-cli edit over the cases of edit/cases.tsv (written by edit/make_golden.py)
// and compares the exit status, the text on stderr and the picture written.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/prompt.h"
#include "formats/picture_file.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

const std::string kEditFolder = std::string(TESSALY_SOURCE_DIR) + "/tests/cli/edit";

struct EditCase {
  std::string name, input, operations;
  int status = 0;
  std::string message;  // stderr without its final line break
  std::string digest;
};

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, separator)) fields.push_back(field);
  if (!line.empty() && line.back() == separator) fields.emplace_back();
  return fields;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out += '\n';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::vector<EditCase> ReadCases() {
  std::vector<EditCase> cases;
  std::ifstream in(kEditFolder + "/cases.tsv");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const auto f = Split(line, '\t');
    if (f.size() != 6) continue;
    cases.push_back({f[0], f[1], f[2], std::stoi(f[3]), Unescape(f[4]), f[5]});
  }
  return cases;
}

// The digest make_golden.py writes: 64-bit FNV-1a over "W H bits\n", the colour table
// (blue, green, red) and the stored rows without padding, one byte per palette index.
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
    const auto err = folder / (c.name + ".err");
    const std::string command = std::string(TESSALY_CLI) + " edit '" + kEditFolder + "/inputs/" + c.input + "' '" +
                                out.string() + "' " + c.operations + " 2>'" + err.string() + "'";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), c.status);
    EXPECT_EQ(ReadText(err), c.message.empty() ? "" : c.message + "\n");
    if (c.status != 0) {
      EXPECT_FALSE(std::filesystem::exists(out)) << "nothing is written after a refusal";
      continue;
    }
    PictureFile file;
    ScopedPrompt quiet(std::make_unique<ScriptedPrompt>());
    ASSERT_TRUE(file.LoadPicture(out));
    EXPECT_EQ(Digest(file.picture), c.digest) << "run make_golden.py with a folder to see the expected picture";
  }
}

TEST(EditGolden, UsageErrors) {
  test::TempFolder folder;
  const std::string in = kEditFolder + "/inputs/rgb-37x23.bmp";
  const std::string out = (folder / "out.bmp").string();
  for (const std::string& args : std::vector<std::string>{"", in, in + " " + out, in + " " + out + " blur", in + " " + out + " brightness",
                                 in + " " + out + " brightness 256", in + " " + out + " contrast x",
                                 in + " " + out + " rotate 0", in + " " + out + " rotate 360",
                                 in + " " + out + " scale 300", in + " " + out + " crop 5 5 5 9",
                                 in + " " + out + " mosaic 1 2 3", in + " " + out + " color 1 2"}) {
    SCOPED_TRACE(args);
    const int raw = std::system((std::string(TESSALY_CLI) + " edit " + args + " 2>/dev/null").c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 2);
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

TEST(EditGolden, UnreadableInputsAndUnknownOutputFormatsAreFailures) {
  test::TempFolder folder;
  const std::string in = kEditFolder + "/inputs/rgb-37x23.bmp";
  for (const auto& [from, to] : {std::pair{(folder / "missing.bmp").string(), (folder / "out.bmp").string()},
                                 std::pair{in, (folder / "out.png").string()}}) {
    const std::string command = std::string(TESSALY_CLI) + " edit '" + from + "' '" + to + "' sharpen 2>'" +
                                (folder / "err").string() + "'";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_FALSE(ReadText(folder / "err").empty());
    EXPECT_FALSE(std::filesystem::exists(to));
  }
  EXPECT_EQ(ReadText(folder / "err"), "This is not a valid file type.\n");
}

}  // namespace
}  // namespace tessaly
