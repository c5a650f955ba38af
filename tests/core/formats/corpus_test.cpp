// Every file of the real-world corpus, driven by its manifest and loaded through the
// file-type dispatch by its name: files of class "load" load with the expected size, depth
// and pixels (exactly for BMP and TIFF, within one level per component for JPEG, and only
// the rows a "partial" note names); files of class "refuse" are refused with one of the
// system's messages (the one the note names, where it names one) and nothing else, or
// else one of the readers beyond the camera's formats takes them, and then the picture
// agrees with Pillow's; no file of any class crashes, and what loads is consistent.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "base/prompt.h"
#include "formats/picture_file.h"
#include "test_support/pictures.h"
#include "test_support/recorded_prompt.h"
#include "test_support/reference_decoder.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

using test::Ppm;

const std::string kCorpus = TESSALY_CORPUS_DIR;

struct CorpusFile {
  std::string file, format, kind, width, height, bits, expectedPpm, note;
};

void PrintTo(const CorpusFile& row, std::ostream* out) { *out << row.file; }

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
    rows.push_back({fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7]});
  }
  return rows;
}

Ppm ReadPpm(const std::string& path) {
  auto ppm = test::ReadPpm(path);
  EXPECT_TRUE(ppm) << path;
  return ppm.value_or(Ppm{});
}

// The colour of pixel (x, y), y counted from the top, through the colour table.
std::array<std::uint8_t, 3> ColourAt(const Picture& picture, int x, int y) {
  const std::uint8_t* row = picture.Line(y);
  if (picture.bitsPerPixel == 24) return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
  const RgbQuad& entry = picture.colourTable.at(static_cast<std::size_t>(test::IndexOf(picture, x, y)));
  return {entry.red, entry.green, entry.blue};
}

// The rows of the picture that are defined: all of them, or the top N a "partial" note names.
int DefinedRows(const CorpusFile& row, int height) {
  std::smatch match;
  if (row.note.find("partial") != std::string::npos &&
      std::regex_search(row.note, match, std::regex(R"(only the top (\d+) rows)")))
    return std::stoi(match[1]);
  return height;
}

// The last text in double quotes that is one of the system's messages (notes also quote
// extensions and the JPEG library's own messages).
std::string NamedMessage(const std::string& note) {
  std::string named;
  const std::regex quoted("\"([^\"]*)\"");
  for (auto it = std::sregex_iterator(note.begin(), note.end(), quoted); it != std::sregex_iterator(); ++it)
    for (MessageId id : {kMsgNotValidFileType, kMsgTypeNotSupported, kMsgPictureTooLarge})
      if ((*it)[1].str() == MessageText(id)) named = (*it)[1].str();
  return named;
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

PictureType TypeOfFormat(const std::string& format) {
  return format == "bmp" ? PictureType::kBmp : format == "jpeg" ? PictureType::kJpeg : PictureType::kTiff;
}

TEST(Corpus, ManifestListsEveryFormat) {
  // Without the corpus the parameterised cases below would silently be none.
  auto rows = ReadManifest();
  ASSERT_GT(rows.size(), 300u) << "no manifest at " << kCorpus;
  for (const char* format : {"bmp", "jpeg", "tiff"})
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const CorpusFile& r) { return r.format == format; }));
}

// Pillow's pixels of a corpus file, upright by its orientation.
std::optional<Ppm> PillowReference(const std::string& file) {
  test::TempFolder folder;
  const std::filesystem::path path = kCorpus + "/" + file;
  if (!test::PillowReference(folder.Path(), {path}, true)) return std::nullopt;
  return test::PillowPixels(folder.Path(), path);
}

class CorpusTest : public ::testing::TestWithParam<CorpusFile> {};

TEST_P(CorpusTest, LoadsAsTheManifestSays) {
  const CorpusFile& row = GetParam();
  SCOPED_TRACE(row.file + ": " + row.note);
  test::RecordedPrompt shown;

  PictureFile file;
  bool loaded = file.LoadPicture(kCorpus + "/" + row.file);

  if (row.kind == "load") {
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(shown->Log().empty());
    const Picture& picture = file.picture;
    ExpectConsistent(picture);
    ASSERT_EQ(picture.width, std::stoi(row.width));
    ASSERT_EQ(picture.height, std::stoi(row.height));
    EXPECT_EQ(picture.bitsPerPixel, std::stoi(row.bits));
    EXPECT_EQ(file.type, TypeOfFormat(row.format));
    Ppm expected = ReadPpm(kCorpus + "/" + row.expectedPpm);
    ASSERT_EQ(expected.width, picture.width);
    ASSERT_EQ(expected.height, picture.height);
    // JPEG decoders may differ by one level in their rounding; the other readers are exact.
    const int tolerance = row.format == "jpeg" ? 1 : 0;
    int wrong = 0;
    for (int y = 0; y < DefinedRows(row, picture.height); ++y) {
      for (int x = 0; x < picture.width; ++x) {
        auto colour = ColourAt(picture, x, y);
        const std::uint8_t* want = &expected.rgb[(static_cast<std::size_t>(y) * expected.width + x) * 3];
        for (int c = 0; c < 3; ++c) {
          if (std::abs(colour[c] - want[c]) > tolerance && ++wrong <= 3)
            ADD_FAILURE() << "pixel (" << x << ", " << y << ") component " << c << " is " << int(colour[c])
                          << ", expected " << int(want[c]);
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  } else if (row.kind == "refuse" && loaded) {
    // A reader beyond the camera's formats took the file; what it shows is what Pillow
    // shows, where Pillow reads the file the same way.
    EXPECT_TRUE(shown->Log().empty());
    ExpectConsistent(file.picture);
    EXPECT_NE(file.type, PictureType::kNone);
    if (auto reference = PillowReference(row.file)) {
      // 16-bit samples, CMYK and subsampled chroma are brought to 8-bit RGB with slightly
      // different rounding; anything more is a wrong picture.
      const std::size_t off = test::SamplesOff(file.picture, *reference, 3);
      EXPECT_LE(off, reference->rgb.size() / 100) << off << " of " << reference->rgb.size() << " samples differ";
    }
  } else if (row.kind == "refuse") {
    ASSERT_EQ(shown->Log().size(), 1u);
    const std::string& text = shown->Log()[0].text;
    EXPECT_TRUE(text == MessageText(kMsgNotValidFileType) || text == MessageText(kMsgTypeNotSupported) ||
                text == MessageText(kMsgPictureTooLarge))
        << text;
    if (std::string named = NamedMessage(row.note); !named.empty()) {
      EXPECT_EQ(text, named);
    }
    EXPECT_TRUE(file.picture.Empty());
  } else {
    // The outcome is open: a consistent picture, or one message.
    if (loaded) {
      ExpectConsistent(file.picture);
      EXPECT_TRUE(shown->Log().empty());
    } else {
      EXPECT_EQ(shown->Log().size(), 1u);
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
