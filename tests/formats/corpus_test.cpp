// Every BMP and TIFF file of the real-world corpus, driven by its manifest: files of class
// "load" load with exactly the expected size, depth and pixels; files of class "refuse"
// are refused with one of the system's messages (the one the note names, where it names
// one) and nothing else; no file of any class crashes, and what loads is consistent.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/prompt.h"
#include "formats/picture_file.h"
#include "formats/pixel_index.h"

namespace tessaly {
namespace {

const std::string kCorpus = TESSALY_CORPUS_DIR;

struct CorpusFile {
  std::string file, format, kind, width, height, bits, expectedPpm, note;
};

std::vector<CorpusFile> ReadManifest() {
  std::vector<CorpusFile> rows;
  std::ifstream in(kCorpus + "/manifest.tsv");
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    if (fields.size() < 8) continue;
    // The JPEG rows belong to the JPEG coder's tests.
    if (fields[1] != "bmp" && fields[1] != "tiff") continue;
    rows.push_back({fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7]});
  }
  return rows;
}

struct Ppm {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;  // top row first
};

Ppm ReadPpm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  Ppm ppm;
  in >> magic >> ppm.width >> ppm.height >> maxval;
  in.get();
  ppm.rgb.resize(static_cast<std::size_t>(ppm.width) * ppm.height * 3);
  in.read(reinterpret_cast<char*>(ppm.rgb.data()), static_cast<std::streamsize>(ppm.rgb.size()));
  EXPECT_EQ(magic, "P6");
  EXPECT_EQ(maxval, 255);
  return ppm;
}

// The colour of pixel (x, y), y counted from the top, through the colour table.
std::array<std::uint8_t, 3> ColourAt(const Picture& picture, int x, int y) {
  const std::uint8_t* row = picture.Line(y);
  if (picture.bitsPerPixel == 24) return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
  const RgbQuad& entry = picture.colourTable.at(IndexAt(row, x, picture.bitsPerPixel));
  return {entry.red, entry.green, entry.blue};
}

// The message a note fixes, if any: the last text in double quotes, when it is one of
// the system's (notes quote extensions too).
std::string NamedMessage(const std::string& note) {
  auto close = note.rfind('"');
  if (close == std::string::npos || close == 0) return {};
  auto open = note.rfind('"', close - 1);
  if (open == std::string::npos) return {};
  std::string quoted = note.substr(open + 1, close - open - 1);
  for (MessageId id : {kMsgNotValidFileType, kMsgTypeNotSupported, kMsgPictureTooLarge})
    if (quoted == MessageText(id)) return quoted;
  return {};
}

void ExpectConsistent(const Picture& picture) {
  EXPECT_GT(picture.width, 0);
  EXPECT_GT(picture.height, 0);
  EXPECT_LE(picture.width, kMaxPictureWidth);
  EXPECT_LE(picture.height, kMaxPictureHeight);
  EXPECT_EQ(picture.pixels.size(), picture.Stride() * static_cast<std::size_t>(picture.height));
  EXPECT_EQ(picture.imageSize, picture.pixels.size());
  EXPECT_EQ(picture.ColourCount(), ColourCountFor(picture.bitsPerPixel));
  EXPECT_EQ(picture.compression, 0u);
}

TEST(Corpus, ManifestListsBmpAndTiffFiles) {
  // Without the corpus the parameterised cases below would silently be none.
  EXPECT_GT(ReadManifest().size(), 200u) << "no manifest at " << kCorpus;
}

class CorpusTest : public ::testing::TestWithParam<CorpusFile> {};

TEST_P(CorpusTest, LoadsAsTheManifestSays) {
  const CorpusFile& row = GetParam();
  SCOPED_TRACE(row.file + ": " + row.note);
  auto prompt = std::make_unique<ScriptedPrompt>();
  ScriptedPrompt& shown = *prompt;
  ScopedPrompt scope(std::move(prompt));

  PictureFile file;
  bool loaded = file.LoadPicture(kCorpus + "/" + row.file);

  if (row.kind == "load") {
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(shown.Log().empty());
    const Picture& picture = file.picture;
    ExpectConsistent(picture);
    EXPECT_EQ(picture.width, std::stoi(row.width));
    EXPECT_EQ(picture.height, std::stoi(row.height));
    EXPECT_EQ(picture.bitsPerPixel, std::stoi(row.bits));
    EXPECT_EQ(file.type, row.format == "bmp" ? PictureType::kBmp : PictureType::kTiff);
    Ppm expected = ReadPpm(kCorpus + "/" + row.expectedPpm);
    ASSERT_EQ(expected.width, picture.width);
    ASSERT_EQ(expected.height, picture.height);
    int wrong = 0;
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        auto colour = ColourAt(picture, x, y);
        const std::uint8_t* want = &expected.rgb[(static_cast<std::size_t>(y) * expected.width + x) * 3];
        if (colour[0] != want[0] || colour[1] != want[1] || colour[2] != want[2]) {
          if (++wrong <= 3)
            ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << int(colour[0]) << "," << int(colour[1])
                          << "," << int(colour[2]) << ", expected " << int(want[0]) << "," << int(want[1]) << ","
                          << int(want[2]);
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  } else if (row.kind == "refuse") {
    EXPECT_FALSE(loaded);
    ASSERT_EQ(shown.Log().size(), 1u);
    const std::string& text = shown.Log()[0].text;
    EXPECT_TRUE(text == MessageText(kMsgNotValidFileType) || text == MessageText(kMsgTypeNotSupported) ||
                text == MessageText(kMsgPictureTooLarge))
        << text;
    if (std::string named = NamedMessage(row.note); !named.empty()) {
      EXPECT_EQ(text, named);
    }
    EXPECT_TRUE(file.picture.Empty());
  } else {
    if (loaded) {
      ExpectConsistent(file.picture);
      EXPECT_TRUE(shown.Log().empty());
    } else {
      EXPECT_EQ(shown.Log().size(), 1u);
    }
  }
}

std::string TestName(const ::testing::TestParamInfo<CorpusFile>& info) {
  std::string name = info.param.file;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusTest, ::testing::ValuesIn(ReadManifest()), TestName);

}  // namespace
}  // namespace tessaly
