// Every JPEG file of the real-world corpus, loaded through the file-type dispatch by its
// name: "load" files give the expected size and pixels (within one level per component,
// only the defined top rows of a picture cut short), "refuse" files exactly the message
// their note names and nothing else, and no file crashes.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "base/prompt.h"
#include "formats/jpg.h"
#include "formats/picture_file.h"

namespace tessaly {
namespace {

const std::string kCorpus = TESSALY_CORPUS_DIR;

struct CorpusJpeg {
  std::string file, kind, width, height, expectedPpm, note;
};

void PrintTo(const CorpusJpeg& row, std::ostream* out) { *out << row.file; }

std::vector<CorpusJpeg> ReadJpegRows() {
  std::vector<CorpusJpeg> rows;
  std::ifstream in(kCorpus + "/manifest.tsv");
  std::string line;
  std::getline(in, line);  // column names
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    if (fields.size() >= 8 && fields[1] == "jpeg")
      rows.push_back({fields[0], fields[2], fields[3], fields[4], fields[6], fields[7]});
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
  ppm.rgb.resize(static_cast<std::size_t>(ppm.width) * static_cast<std::size_t>(ppm.height) * 3);
  in.read(reinterpret_cast<char*>(ppm.rgb.data()), static_cast<std::streamsize>(ppm.rgb.size()));
  EXPECT_EQ(magic, "P6");
  EXPECT_EQ(maxval, 255);
  return ppm;
}

// The rows of the picture that are defined: all of them, or the top N a "partial" note names.
int DefinedRows(const CorpusJpeg& row, int height) {
  std::smatch match;
  if (row.note.find("partial") != std::string::npos &&
      std::regex_search(row.note, match, std::regex(R"(only the top (\d+) rows)")))
    return std::stoi(match[1]);
  return height;
}

// The last text in double quotes that is one of the system's messages (notes also quote
// the library's own messages).
std::string NamedMessage(const std::string& note) {
  std::string named;
  const std::regex quoted("\"([^\"]*)\"");
  for (auto it = std::sregex_iterator(note.begin(), note.end(), quoted); it != std::sregex_iterator(); ++it)
    for (MessageId id : {kMsgNotValidFileType, kMsgTypeNotSupported, kMsgPictureTooLarge})
      if ((*it)[1].str() == MessageText(id)) named = (*it)[1].str();
  return named;
}

TEST(JpegCorpus, ManifestListsJpegFiles) {
  EXPECT_GT(ReadJpegRows().size(), 60u) << "no manifest at " << kCorpus;
}

class JpegCorpus : public testing::TestWithParam<CorpusJpeg> {};

TEST_P(JpegCorpus, LoadsAsTheManifestSays) {
  const CorpusJpeg& row = GetParam();
  SCOPED_TRACE(row.file + ": " + row.note);
  auto prompt = std::make_unique<ScriptedPrompt>();
  ScriptedPrompt& shown = *prompt;
  ScopedPrompt scope(std::move(prompt));

  PictureFile file;
  const bool loaded = file.LoadPicture(kCorpus + "/" + row.file);

  if (row.kind == "load") {
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(shown.Log().empty());
    EXPECT_EQ(file.type, PictureType::kJpeg);
    const Picture& picture = file.picture;
    ASSERT_EQ(picture.width, std::stoi(row.width));
    ASSERT_EQ(picture.height, std::stoi(row.height));
    EXPECT_EQ(picture.bitsPerPixel, 24);
    EXPECT_TRUE(picture.colourTable.empty());
    EXPECT_EQ(picture.pixels.size(), picture.Stride() * static_cast<std::size_t>(picture.height));
    EXPECT_EQ(picture.imageSize, picture.pixels.size());
    const Ppm expected = ReadPpm(kCorpus + "/" + row.expectedPpm);
    ASSERT_EQ(expected.width, picture.width);
    ASSERT_EQ(expected.height, picture.height);
    int wrong = 0;
    const int rows = DefinedRows(row, picture.height);
    for (int y = 0; y < rows; ++y) {
      const std::uint8_t* line = picture.Line(y);
      for (int x = 0; x < picture.width; ++x) {
        const std::uint8_t* want = &expected.rgb[(static_cast<std::size_t>(y) * expected.width + x) * 3];
        const int got[3] = {line[3 * x + 2], line[3 * x + 1], line[3 * x]};
        for (int c = 0; c < 3; ++c) {
          if (std::abs(got[c] - want[c]) > 1 && ++wrong <= 3)
            ADD_FAILURE() << "pixel (" << x << ", " << y << ") component " << c << " is " << got[c] << ", expected "
                          << int(want[c]);
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  } else if (row.kind == "refuse") {
    EXPECT_FALSE(loaded);
    ASSERT_EQ(shown.Log().size(), 1u);
    const std::string named = NamedMessage(row.note);
    ASSERT_FALSE(named.empty());
    EXPECT_EQ(shown.Log()[0].text, named);
    EXPECT_TRUE(file.picture.Empty());
  } else {
    // The outcome is open; only a consistent picture or one message.
    if (loaded) {
      EXPECT_TRUE(shown.Log().empty());
      EXPECT_LE(file.picture.width, kMaxPictureWidth);
      EXPECT_LE(file.picture.height, kMaxPictureHeight);
      EXPECT_EQ(file.picture.pixels.size(), file.picture.Stride() * static_cast<std::size_t>(file.picture.height));
    } else {
      EXPECT_EQ(shown.Log().size(), 1u);
    }
  }
}

std::string TestName(const testing::TestParamInfo<CorpusJpeg>& info) {
  std::string name = info.param.file;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Files, JpegCorpus, testing::ValuesIn(ReadJpegRows()), TestName);

// The comment reader on every corpus file: none of them carries this system's tag, and
// reading never goes outside the file.
TEST(JpegCorpus, OtherProgramsFilesHaveNoComment) {
  for (const CorpusJpeg& row : ReadJpegRows()) {
    Bytes file;
    ASSERT_FALSE(ReadWholeFile(kCorpus + "/" + row.file, file)) << row.file;
    EXPECT_EQ(ReadJpegComment(file), "") << row.file;
  }
}

}  // namespace
}  // namespace tessaly
