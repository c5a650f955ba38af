#include "formats/jpg.h"

#include <gtest/gtest.h>

#include <string>

#include "base/prompt.h"
#include "formats/jpeg_test_support.h"
#include "test_support/allocation_limit.h"
#include "test_support/recording_progress.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

using test::CompressWithLibrary;
using test::LibraryJpeg;
using test::PhotoLike;

constexpr const char* kNotValid = "This is not a valid file type.";

class Jpeg : public testing::Test {
 protected:
  Jpeg() {
    auto prompt = std::make_unique<ScriptedPrompt>();
    m_prompt = prompt.get();
    m_scope = std::make_unique<ScopedPrompt>(std::move(prompt));
  }
  std::vector<std::string> Messages() const { return m_prompt->Texts(); }
  void ClearMessages() { m_prompt->Clear(); }

  // The file Tessaly writes for a picture, with a comment.
  static Bytes WrittenFile(const Picture& picture, std::string_view comment) {
    CJPG jpg;
    EXPECT_TRUE(jpg.EncodeJpeg(picture.width, picture.height, picture.pixels));
    jpg.SetJpegComment(comment);
    return jpg.FileImage();
  }

 private:
  ScriptedPrompt* m_prompt;
  std::unique_ptr<ScopedPrompt> m_scope;
};

int MaxDifference(const Picture& a, const Picture& b) {
  int worst = 0;
  for (int y = 0; y < a.height; ++y)
    for (int i = 0; i < 3 * a.width; ++i) worst = std::max(worst, std::abs(a.Line(y)[i] - b.Line(y)[i]));
  return worst;
}

// A file laid out as the camera writes it: an application segment of 1802 bytes, then a
// comment segment of 242 bytes at offset 1806, then the rest of a JPEG stream.
Bytes CameraFile(const Bytes& stream, std::string_view comment, std::uint8_t lengthLow = 0x0A) {
  Bytes file = {0xFF, 0xD8, 0xFF, 0xE1, 0x07, lengthLow};
  file.resize(1806, 0x20);
  const std::uint8_t segment[] = {0xFF, 0xFE, 0x00, 0xF2, 0x00, 'Q', 'O', 'R', 0x00};
  file.insert(file.end(), std::begin(segment), std::end(segment));
  file.insert(file.end(), comment.begin(), comment.end());
  file.resize(1806 + 2 + 242, 0);
  file.insert(file.end(), stream.begin() + 2, stream.end());
  return file;
}

// ---------------------------------------------------------------- writing and reading back

TEST_F(Jpeg, OnePixelPictureRoundTrips) {
  Picture one = Picture::Make(1, 1, 24);
  one.pixels[0] = 40, one.pixels[1] = 120, one.pixels[2] = 200;
  Bytes file = WrittenFile(one, "hello");
  const Bytes start = {0xFF, 0xD8, 0xFF, 0xFE, 0x01, 0xFE, 0x00, 'Q', 'O', 'R', 0x00, 'h', 'e', 'l', 'l', 'o', 0x00};
  ASSERT_GT(file.size(), 514u);
  EXPECT_TRUE(std::equal(start.begin(), start.end(), file.begin()));
  // Filler up to the library's stream, whose start-of-image marker the comment segment
  // takes in; the next segment starts at 514.
  EXPECT_TRUE(std::all_of(file.begin() + 17, file.begin() + 512, [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(file[512], 0xFF);
  EXPECT_EQ(file[513], 0xD8);
  EXPECT_EQ(file[514], 0xFF);
  EXPECT_EQ(file[515], 0xE0);

  CJPG reader;
  reader.SetData(file);
  ASSERT_TRUE(reader.DecodeJpeg());
  EXPECT_EQ(reader.ReadJpegComment(), "hello");
  Picture back = reader.TakePicture();
  ASSERT_EQ(back.width, 1);
  ASSERT_EQ(back.height, 1);
  EXPECT_EQ(back.pixels.size(), 4u);
  EXPECT_LE(MaxDifference(one, back), 3);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Jpeg, LongCommentIsCutToSixtyBytes) {
  const std::string eighty(80, 'c');
  std::string withDigits;
  for (int i = 0; i < 80; ++i) withDigits += static_cast<char>('0' + i % 10);
  Bytes file = WrittenFile(PhotoLike(8, 8), withDigits);
  EXPECT_EQ(ReadJpegComment(file), withDigits.substr(0, 60));
  EXPECT_EQ(file[11 + 60], 0);
  EXPECT_EQ(ReadJpegComment(WrittenFile(PhotoLike(8, 8), "")), "");
  EXPECT_EQ(ReadJpegComment(WrittenFile(PhotoLike(8, 8), std::string(60, 'x'))), std::string(60, 'x'));
}

TEST_F(Jpeg, CommentCutNeverSplitsACharacter) {
  // 59 ASCII bytes, then a three-byte character that would straddle the limit.
  std::string text = std::string(59, 'a') + "\xE6\x97\xA5" + "tail";
  EXPECT_EQ(ReadJpegComment(WrittenFile(PhotoLike(4, 4), text)), std::string(59, 'a'));
  // Text that is not UTF-8 is cut at 60 bytes as it is.
  std::string latin(70, '\xE9');
  EXPECT_EQ(ReadJpegComment(WrittenFile(PhotoLike(4, 4), latin)), std::string(60, '\xE9'));
}

TEST_F(Jpeg, CameraLayoutComment) {
  CJPG jpg;
  Picture picture = PhotoLike(16, 8);
  ASSERT_TRUE(jpg.EncodeJpeg(16, 8, picture.pixels));
  const Bytes camera = CameraFile(jpg.Data(), "From the camera");
  EXPECT_EQ(ReadJpegComment(camera), "From the camera");
  // The camera's file decodes like any other.
  CJPG reader;
  EXPECT_TRUE(reader.DecodeJpeg(camera));
  EXPECT_EQ(reader.Width(), 16);

  EXPECT_EQ(ReadJpegComment(CameraFile(jpg.Data(), "From the camera", 0x0B)), "");
  Bytes wrongSegment = camera;
  wrongSegment[1809] = 0xF3;
  EXPECT_EQ(ReadJpegComment(wrongSegment), "");
  Bytes wrongTag = camera;
  wrongTag[1811] = 'q';
  EXPECT_EQ(ReadJpegComment(wrongTag), "");
  // Cut off inside the segment: the comment is what is there.
  EXPECT_EQ(ReadJpegComment(ByteSpan(camera).first(1815 + 4)), "From");
  EXPECT_EQ(ReadJpegComment(ByteSpan(camera).first(1812)), "");
}

TEST_F(Jpeg, CommentOfOtherFiles) {
  EXPECT_EQ(ReadJpegComment(Bytes{}), "");
  EXPECT_EQ(ReadJpegComment(Bytes{0xFF, 0xD8, 0xFF, 0xFE, 0x01, 0xFE}), "");
  EXPECT_EQ(ReadJpegComment(Bytes{0xFF, 0xD8, 0xFF, 0xFE, 0x01, 0xFE, 0, 'Q', 'O', 'R', 0, 'a', 'b'}), "ab");
}

TEST_F(Jpeg, EncodesWithTheLibrarysOwnOutputForTheseSettings) {
  // The picture's rows reach the library in their stored order; the stream must equal
  // what the library makes from red-green-blue rows with the same settings.
  Picture picture = PhotoLike(45, 31, 9);
  CJPG jpg;
  ASSERT_TRUE(jpg.EncodeJpeg(picture.width, picture.height, picture.pixels));
  LibraryJpeg wanted;
  wanted.width = 45;
  wanted.height = 31;
  EXPECT_EQ(jpg.Data(), CompressWithLibrary(wanted, test::TopDownRgb(picture)));

  // The frame header says 2 x 1 for luminance and 1 x 1 for both colour components.
  const Bytes& data = jpg.Data();
  const std::uint8_t sofMarker[] = {0xFF, 0xC0};
  auto sof = std::search(data.begin(), data.end(), std::begin(sofMarker), std::end(sofMarker));
  ASSERT_NE(sof, data.end());
  ASSERT_GT(data.end() - sof, 19);
  EXPECT_EQ(sof[9], 3);       // components
  EXPECT_EQ(sof[11], 0x21);   // Y
  EXPECT_EQ(sof[14], 0x11);   // Cb
  EXPECT_EQ(sof[17], 0x11);   // Cr
}

TEST_F(Jpeg, DecodesAsTheLibraryDoes) {
  Picture picture = PhotoLike(37, 23, 4);
  LibraryJpeg wanted;
  wanted.width = 37;
  wanted.height = 23;
  wanted.lumaV = 2;
  const Bytes file = CompressWithLibrary(wanted, test::TopDownRgb(picture));
  CJPG jpg;
  ASSERT_TRUE(jpg.DecodeJpeg(file));
  Picture decoded = jpg.TakePicture();
  const auto expected = test::DecompressWithLibrary(file);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x)
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(decoded.Line(y)[3 * x + c], expected[(static_cast<std::size_t>(y) * 37 + x) * 3 + 2 - c])
            << x << "," << y;
  EXPECT_EQ(jpg.Width(), 1);  // handed over
}

TEST_F(Jpeg, GrayscaleBecomesTwentyFourBit) {
  std::vector<std::uint8_t> samples(10 * 6);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint8_t>(i * 4);
  LibraryJpeg wanted{10, 6, JCS_GRAYSCALE, 1, JCS_GRAYSCALE};
  const Bytes file = CompressWithLibrary(wanted, samples);
  CJPG jpg;
  ASSERT_TRUE(jpg.DecodeJpeg(file));
  Picture picture = jpg.TakePicture();
  EXPECT_EQ(picture.bitsPerPixel, 24);
  EXPECT_EQ(picture.Stride(), 32u);
  const auto expected = test::DecompressWithLibrary(file);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) {
      const std::uint8_t* p = picture.Line(y) + 3 * x;
      EXPECT_EQ(p[0], expected[static_cast<std::size_t>(y) * 10 + x]);
      EXPECT_EQ(p[1], p[0]);
      EXPECT_EQ(p[2], p[0]);
    }
}

TEST_F(Jpeg, OutputBlockGrowsForDataThatDoNotFit) {
  // A column of random saturated colours: every block the encoder makes is padded from
  // one column of pure noise, which needs far more than the 40 % set aside.
  Picture column = Picture::Make(1, 1024, 24);
  std::mt19937 random(3);
  for (auto& byte : column.pixels) byte = random() % 2 ? 255 : 0;
  CJPG jpg;
  ASSERT_TRUE(jpg.EncodeJpeg(1, 1024, column.pixels));
  EXPECT_GT(jpg.DataLength(), static_cast<std::size_t>(1024 * 3 * 0.4) + 4096);
  LibraryJpeg wanted;
  wanted.width = 1;
  wanted.height = 1024;
  EXPECT_EQ(jpg.Data(), CompressWithLibrary(wanted, test::TopDownRgb(column)));
  ASSERT_TRUE(jpg.DecodeJpeg());
  EXPECT_EQ(jpg.Height(), 1024);
}

// ---------------------------------------------------------------- damaged and refused files

TEST_F(Jpeg, TruncatedScanDataDecodesToTheFullSize) {
  Picture picture = PhotoLike(64, 48, 2);
  CJPG writer;
  ASSERT_TRUE(writer.EncodeJpeg(64, 48, picture.pixels));
  const Bytes& whole = writer.Data();
  CJPG full;
  ASSERT_TRUE(full.DecodeJpeg(whole));
  Picture complete = full.TakePicture();

  CJPG jpg;
  ASSERT_TRUE(jpg.DecodeJpeg(ByteSpan(whole).first(whole.size() * 2 / 3)));
  EXPECT_TRUE(Messages().empty());
  Picture partial = jpg.TakePicture();
  ASSERT_EQ(partial.width, 64);
  ASSERT_EQ(partial.height, 48);
  ASSERT_EQ(partial.pixels.size(), complete.pixels.size());
  // The top rows came before the data ran out.
  for (int y = 0; y < 8; ++y)
    EXPECT_TRUE(std::equal(complete.Line(y), complete.Line(y) + 192, partial.Line(y))) << "row " << y;
}

TEST_F(Jpeg, RefusedFiles) {
  struct Case {
    const char* description;
    Bytes file;
  };
  std::vector<std::uint8_t> four(16 * 16 * 4, 100);
  std::vector<std::uint8_t> three(16 * 16 * 3, 100);
  LibraryJpeg cmyk{16, 16, JCS_CMYK, 4, JCS_CMYK};
  LibraryJpeg ycck{16, 16, JCS_CMYK, 4, JCS_YCCK};
  LibraryJpeg rgb{16, 16, JCS_RGB, 3, JCS_RGB};
  Bytes good = CompressWithLibrary({}, three);
  const std::vector<Case> cases = {
      {"empty", {}},
      {"one byte", {0xFF}},
      {"not a start of image", {0xFF, 0xD9, 0xFF, 0xD8}},
      {"start of image only", {0xFF, 0xD8}},
      {"no image", {0xFF, 0xD8, 0xFF, 0xD9}},
      {"CMYK", CompressWithLibrary(cmyk, four)},
      {"YCCK", CompressWithLibrary(ycck, four)},
      {"RGB", CompressWithLibrary(rgb, three)},
      {"header cut short", Bytes(good.begin(), good.begin() + 100)},
  };
  for (const Case& c : cases) {
    ClearMessages();
    CJPG jpg;
    EXPECT_FALSE(jpg.DecodeJpeg(c.file)) << c.description;
    EXPECT_EQ(Messages(), std::vector<std::string>{kNotValid}) << c.description;
    EXPECT_EQ(jpg.Width(), 1) << c.description;
    EXPECT_TRUE(jpg.TakePicture().pixels.empty()) << c.description;
  }
}

TEST_F(Jpeg, ProgressiveFileDamagedBeforeItsRowsExistIsRefused) {
  // A progressive picture is complete only after its last scan, so the library reads
  // all of it before the first row: a truncation is found before the rows exist.
  Picture picture = PhotoLike(32, 32, 5);
  LibraryJpeg wanted;
  wanted.width = wanted.height = 32;
  wanted.progressive = true;
  const Bytes file = CompressWithLibrary(wanted, test::TopDownRgb(picture));
  CJPG whole;
  ASSERT_TRUE(whole.DecodeJpeg(file));
  CJPG jpg;
  EXPECT_FALSE(jpg.DecodeJpeg(ByteSpan(file).first(file.size() - 40)));
  EXPECT_EQ(Messages(), std::vector<std::string>{kNotValid});
}

TEST_F(Jpeg, PictureSizeLimit) {
  LibraryJpeg wide;
  wide.width = 1281;
  wide.height = 8;
  CJPG jpg;
  EXPECT_FALSE(jpg.DecodeJpeg(CompressWithLibrary(wide, std::vector<std::uint8_t>(1281 * 8 * 3, 50))));
  EXPECT_EQ(Messages(), std::vector<std::string>{"The picture size is too large."});

  ClearMessages();
  LibraryJpeg largest;
  largest.width = 1280;
  largest.height = 1024;
  EXPECT_TRUE(jpg.DecodeJpeg(CompressWithLibrary(largest, std::vector<std::uint8_t>(1280 * 1024 * 3, 50))));
  EXPECT_EQ(jpg.Width(), 1280);
  EXPECT_EQ(jpg.Height(), 1024);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Jpeg, EveryPrefixOfAFileFailsCleanlyOrDecodes) {
  Picture picture = PhotoLike(20, 12, 8);
  const Bytes file = WrittenFile(picture, "prefix");
  for (std::size_t length = 0; length <= file.size(); ++length) {
    CJPG jpg;
    if (jpg.DecodeJpeg(ByteSpan(file).first(length))) {
      EXPECT_EQ(jpg.Width(), 20);
      EXPECT_EQ(jpg.TakePicture().pixels.size(), 60u * 12);
    }
    ReadJpegComment(ByteSpan(file).first(length));
  }
}

TEST_F(Jpeg, OutOfMemory) {
  LibraryJpeg large;
  large.width = 1024;
  large.height = 768;
  const Bytes file = CompressWithLibrary(large, std::vector<std::uint8_t>(1024 * 768 * 3, 70));
  Picture picture = PhotoLike(1024, 768);
  {
    // Below the encoder's output block (about 940 000 bytes) and the picture (2.3 MB).
    test::ScopedAllocationLimit limit(512 << 10);
    CJPG jpg;
    EXPECT_FALSE(jpg.DecodeJpeg(file));
    EXPECT_FALSE(jpg.EncodeJpeg(1024, 768, picture.pixels));
    EXPECT_TRUE(jpg.Data().empty());
  }
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Not enough memory.", "Not enough memory."}));
}

TEST_F(Jpeg, EncoderRefusesPixelsThatDoNotCoverThePicture) {
  CJPG jpg;
  Picture picture = PhotoLike(10, 10);
  EXPECT_FALSE(jpg.EncodeJpeg(10, 11, picture.pixels));
  EXPECT_FALSE(jpg.EncodeJpeg(0, 10, picture.pixels));
  EXPECT_TRUE(jpg.Data().empty());
}

// ---------------------------------------------------------------- progress

TEST_F(Jpeg, ProgressStepsOncePerScanline) {
  test::ScopedRecordingProgress recording;
  Picture picture = PhotoLike(24, 19);
  CJPG jpg;
  ASSERT_TRUE(jpg.EncodeJpeg(24, 19, picture.pixels));
  EXPECT_EQ(recording.Log().begun, std::vector<MessageId>{kMsgCompressing});
  EXPECT_EQ(recording.Log().range, 19);
  EXPECT_EQ(recording.Log().steps, 19);
  EXPECT_FALSE(recording.Log().shown);
  ASSERT_TRUE(jpg.DecodeJpeg());
  EXPECT_EQ(recording.Log().begun, (std::vector<MessageId>{kMsgCompressing, kMsgDecompressing}));
  EXPECT_EQ(recording.Log().steps, 38);
  EXPECT_FALSE(recording.Log().shown);
  // A refused file takes the meter away too.
  EXPECT_FALSE(jpg.DecodeJpeg(Bytes{0xFF, 0xD8, 0xFF, 0xD9}));
  EXPECT_FALSE(recording.Log().shown);
}

// ---------------------------------------------------------------- files

TEST_F(Jpeg, FilesAreWrittenWholeOrNotAtAll) {
  test::TempFolder folder;
  const auto path = folder / "picture.jpg";
  Picture picture = PhotoLike(30, 20);
  CJPG jpg;
  ASSERT_TRUE(jpg.EncodeJpeg(30, 20, picture.pixels));
  jpg.SetJpegComment("on disk");
  ASSERT_FALSE(jpg.WriteJpegFile(path));
  Bytes written;
  ASSERT_FALSE(ReadWholeFile(path, written));
  EXPECT_EQ(written, jpg.FileImage());
  EXPECT_EQ(written.size(), 512 + jpg.DataLength());

  CJPG reader;
  ASSERT_TRUE(reader.ReadJpegFile(path));
  EXPECT_EQ(reader.ReadJpegComment(), "on disk");
  EXPECT_EQ(reader.DataLength(), written.size());
  EXPECT_EQ(reader.Width(), 30);

  // Without encoded data nothing is written, and the old file stays.
  CJPG empty;
  empty.SetJpegComment("only a header");
  EXPECT_TRUE(empty.WriteJpegFile(path));
  Bytes after;
  ASSERT_FALSE(ReadWholeFile(path, after));
  EXPECT_EQ(after, written);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Jpeg, FileReadFailures) {
  test::TempFolder folder;
  CJPG jpg;
  EXPECT_FALSE(jpg.ReadJpegFile(folder / "missing.jpg"));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Failed to read file."});
  ClearMessages();
  ASSERT_FALSE(WriteFileAtomically(folder / "short.jpg", Bytes{0xFF}));
  EXPECT_FALSE(jpg.ReadJpegFile(folder / "short.jpg"));
  EXPECT_EQ(Messages(), std::vector<std::string>{kNotValid});
  EXPECT_TRUE(jpg.Data().empty());
}

}  // namespace
}  // namespace tessaly
