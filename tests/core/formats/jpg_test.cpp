// JPEG files through libjpeg: the system's own layout with its comment, the camera's
// layout, damaged and refused files, running out of memory, and ".jpg" through the
// file-type dispatch.
#include "formats/jpg.h"

#include <gtest/gtest.h>

#include <thread>

#include "formats/jpeg_test_support.h"
#include "formats/picture_file.h"
#include "test_support/allocation_limit.h"
#include "test_support/recorded_prompt.h"
#include "test_support/recording_progress.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

using test::CompressWithLibrary;
using test::LibraryJpeg;
using test::PhotoLike;
using test::Stream;
using Texts = std::vector<std::string>;

const Texts kNotValid = {"This is not a valid file type."};

// The file Tessaly writes for a picture, with a comment.
Bytes WrittenFile(const Picture& picture, std::string_view comment) {
  CJPG jpg;
  EXPECT_TRUE(jpg.EncodeJpeg(picture.width, picture.height, picture.pixels));
  jpg.SetJpegComment(comment);
  return jpg.FileImage();
}

class Jpeg : public testing::Test {
 protected:
  test::RecordedPrompt m_prompt;
};

TEST_F(Jpeg, OnePixelPictureRoundTrips) {
  Picture one = Picture::Make(1, 1, 24);
  one.pixels[0] = 40, one.pixels[1] = 120, one.pixels[2] = 200;
  Bytes file = WrittenFile(one, "hello");
  const Bytes start = {0xFF, 0xD8, 0xFF, 0xFE, 0x01, 0xFE, 0x00, 'Q', 'O', 'R', 0x00, 'h', 'e', 'l', 'l', 'o', 0x00};
  ASSERT_GT(file.size(), 516u);
  EXPECT_TRUE(std::equal(start.begin(), start.end(), file.begin()));
  // Zero filler up to the library's stream, whose start-of-image marker the comment
  // segment takes in; the next segment starts at 514.
  EXPECT_TRUE(std::all_of(file.begin() + 17, file.begin() + 512, [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(Bytes(file.begin() + 512, file.begin() + 516), (Bytes{0xFF, 0xD8, 0xFF, 0xE0}));

  CJPG reader;
  reader.SetData(file);
  ASSERT_TRUE(reader.DecodeJpeg());
  EXPECT_EQ(reader.ReadJpegComment(), "hello");
  Picture back = reader.TakePicture();
  ASSERT_EQ(back.width, 1);
  ASSERT_EQ(back.height, 1);
  EXPECT_EQ(back.pixels.size(), 4u);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(back.pixels[c], one.pixels[c], 3);
  EXPECT_TRUE(m_prompt.Texts().empty());
}

TEST_F(Jpeg, CommentIsCutToSixtyBytesWithoutSplittingACharacter) {
  struct Row {
    std::string written, read;
  };
  std::string digits;
  for (int i = 0; i < 80; ++i) digits += static_cast<char>('0' + i % 10);
  const Row rows[] = {
      {digits, digits.substr(0, 60)},
      {std::string(60, 'x'), std::string(60, 'x')},
      {"", ""},
      // 59 ASCII bytes, then a three-byte character that would straddle the limit.
      {std::string(59, 'a') + "\xE6\x97\xA5" + "tail", std::string(59, 'a')},
      // Text that is not UTF-8 is cut at 60 bytes as it is.
      {std::string(70, '\xE9'), std::string(60, '\xE9')},
  };
  for (const Row& row : rows) EXPECT_EQ(ReadJpegComment(WrittenFile(PhotoLike(8, 8), row.written)), row.read);
}

TEST_F(Jpeg, CommentsInTheCameraLayoutAndElsewhere) {
  const Bytes camera = test::CameraFile(Stream(PhotoLike(16, 8)), "From the camera");
  auto changed = [&](std::size_t at, std::uint8_t value) {
    Bytes file = camera;
    file[at] = value;
    return file;
  };
  struct Row {
    const char* description;
    Bytes file;
    std::string comment;
  };
  const Row rows[] = {
      {"the camera's layout", camera, "From the camera"},
      {"application segment length 07 0B", changed(5, 0x0B), ""},
      {"comment segment of another length", changed(1809, 0xF3), ""},
      {"another tag", changed(1811, 'q'), ""},
      {"cut inside the comment", Bytes(camera.begin(), camera.begin() + 1819), "From"},
      {"cut inside the tag", Bytes(camera.begin(), camera.begin() + 1812), ""},
      {"empty", {}, ""},
      {"our layout, cut in the tag", {0xFF, 0xD8, 0xFF, 0xFE, 0x01, 0xFE}, ""},
      {"our layout, short", {0xFF, 0xD8, 0xFF, 0xFE, 0x01, 0xFE, 0, 'Q', 'O', 'R', 0, 'a', 'b'}, "ab"},
  };
  for (const Row& row : rows) EXPECT_EQ(ReadJpegComment(row.file), row.comment) << row.description;
  CJPG reader;
  EXPECT_TRUE(reader.DecodeJpeg(camera));  // the camera's file decodes like any other
  EXPECT_EQ(reader.Width(), 16);
}

// The picture's rows reach the library in their stored order, at quality 80 with 2 x 1
// luminance sampling: the stream equals what the library makes from the same rows.
TEST_F(Jpeg, EncodesAsTheLibraryDoesWithTheseSettings) {
  for (auto [width, height] : {std::pair{45, 31}, {1, 1024}}) {
    Picture picture = PhotoLike(width, height, 9);
    if (width == 1) {
      // A column of random saturated colours needs far more than the 40 % of the raw
      // picture set aside for the output: the block grows.
      std::mt19937 random(3);
      for (auto& byte : picture.pixels) byte = random() % 2 ? 255 : 0;
    }
    CJPG jpg;
    ASSERT_TRUE(jpg.EncodeJpeg(width, height, picture.pixels));
    LibraryJpeg wanted;
    wanted.width = width;
    wanted.height = height;
    EXPECT_EQ(jpg.Data(), CompressWithLibrary(wanted, test::TopDownRgb(picture))) << width;
  }
  CJPG jpg;
  Picture picture = PhotoLike(10, 10);
  EXPECT_FALSE(jpg.EncodeJpeg(10, 11, picture.pixels));
  EXPECT_FALSE(jpg.EncodeJpeg(0, 10, picture.pixels));
  EXPECT_TRUE(jpg.Data().empty());
}

TEST_F(Jpeg, GrayscaleBecomesTwentyFourBit) {
  std::vector<std::uint8_t> samples(10 * 6);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint8_t>(i * 4);
  const Bytes file = CompressWithLibrary({10, 6, JCS_GRAYSCALE, 1, JCS_GRAYSCALE}, samples);
  CJPG jpg;
  ASSERT_TRUE(jpg.DecodeJpeg(file));
  Picture picture = jpg.TakePicture();
  EXPECT_EQ(picture.bitsPerPixel, 24);
  const auto expected = test::DecompressWithLibrary(file);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) {
      const std::uint8_t* p = picture.Line(y) + 3 * x;
      EXPECT_EQ(p[0], expected[static_cast<std::size_t>(y) * 10 + x]);
      EXPECT_EQ(p[1], p[0]);
      EXPECT_EQ(p[2], p[0]);
    }
}

TEST_F(Jpeg, TruncatedScanDataDecodesToTheFullSize) {
  const Bytes whole = Stream(PhotoLike(64, 48, 2));
  CJPG full;
  ASSERT_TRUE(full.DecodeJpeg(whole));
  Picture complete = full.TakePicture();
  CJPG jpg;
  ASSERT_TRUE(jpg.DecodeJpeg(ByteSpan(whole).first(whole.size() * 2 / 3)));
  EXPECT_TRUE(m_prompt.Texts().empty());
  Picture partial = jpg.TakePicture();
  ASSERT_EQ(partial.width, 64);
  ASSERT_EQ(partial.height, 48);
  ASSERT_EQ(partial.pixels.size(), complete.pixels.size());
  // The top rows came before the data ran out.
  for (int y = 0; y < 8; ++y)
    EXPECT_TRUE(std::equal(complete.Line(y), complete.Line(y) + 192, partial.Line(y))) << "row " << y;
}

TEST_F(Jpeg, RefusedFiles) {
  const std::vector<std::uint8_t> four(16 * 16 * 4, 100), three(16 * 16 * 3, 100);
  const Bytes good = CompressWithLibrary({}, three);
  // A progressive picture is complete only after its last scan, so the library reads
  // all of it before the first row: a truncation is found before any row exists.
  LibraryJpeg progressive;
  progressive.progressive = true;
  const Bytes steps = CompressWithLibrary(progressive, test::TopDownRgb(PhotoLike(16, 16, 5)));
  struct Case {
    const char* description;
    Bytes file;
    Texts messages;
  };
  const Case cases[] = {
      {"empty", {}, kNotValid},
      {"one byte", {0xFF}, kNotValid},
      {"not a start of image", {0xFF, 0xD9, 0xFF, 0xD8}, kNotValid},
      {"start of image only", {0xFF, 0xD8}, kNotValid},
      {"no image", {0xFF, 0xD8, 0xFF, 0xD9}, kNotValid},
      {"CMYK", CompressWithLibrary({16, 16, JCS_CMYK, 4, JCS_CMYK}, four), kNotValid},
      {"YCCK", CompressWithLibrary({16, 16, JCS_CMYK, 4, JCS_YCCK}, four), kNotValid},
      {"RGB", CompressWithLibrary({16, 16, JCS_RGB, 3, JCS_RGB}, three), kNotValid},
      {"header cut short", Bytes(good.begin(), good.begin() + 100), kNotValid},
      {"progressive, cut short", Bytes(steps.begin(), steps.end() - 40), kNotValid},
      {"1281 wide",
       CompressWithLibrary({1281, 8}, std::vector<std::uint8_t>(1281 * 8 * 3, 50)),
       {"The picture size is too large."}},
  };
  for (const Case& c : cases) {
    m_prompt->Clear();
    CJPG jpg;
    EXPECT_FALSE(jpg.DecodeJpeg(c.file)) << c.description;
    EXPECT_EQ(m_prompt.Texts(), c.messages) << c.description;
    EXPECT_TRUE(jpg.TakePicture().pixels.empty()) << c.description;
  }
  CJPG largest;
  EXPECT_TRUE(largest.DecodeJpeg(CompressWithLibrary({1280, 1024}, std::vector<std::uint8_t>(1280 * 1024 * 3, 50))));
  EXPECT_EQ(largest.Height(), 1024);
}

TEST_F(Jpeg, EveryPrefixOfAFileFailsCleanlyOrDecodes) {
  const Bytes file = WrittenFile(PhotoLike(20, 12, 8), "prefix");
  for (std::size_t length = 0; length <= file.size(); ++length) {
    CJPG jpg;
    if (jpg.DecodeJpeg(ByteSpan(file).first(length))) {
      EXPECT_EQ(jpg.Width(), 20);
      EXPECT_EQ(jpg.TakePicture().pixels.size(), 60u * 12);
    }
    ReadJpegComment(ByteSpan(file).first(length));
  }
}

TEST_F(Jpeg, ProgressStepsOncePerScanline) {
  test::ScopedRecordingProgress recording;
  Picture picture = PhotoLike(24, 19);
  CJPG jpg;
  ASSERT_TRUE(jpg.EncodeJpeg(24, 19, picture.pixels));
  EXPECT_EQ(recording.Log().range, 19);
  EXPECT_EQ(recording.Log().steps, 19);
  ASSERT_TRUE(jpg.DecodeJpeg());
  EXPECT_EQ(recording.Log().begun, (std::vector<MessageId>{kMsgCompressing, kMsgDecompressing}));
  EXPECT_EQ(recording.Log().steps, 38);
  EXPECT_FALSE(recording.Log().shown);
  EXPECT_FALSE(jpg.DecodeJpeg(Bytes{0xFF, 0xD8, 0xFF, 0xD9}));
  EXPECT_FALSE(recording.Log().shown);  // a refused file takes the meter away too

  // The meter is the installing thread's: a decode on another thread (the album's
  // look-ahead) shows nothing in it.
  const test::ProgressLog before = recording.Log();
  std::thread beside([&jpg] { EXPECT_TRUE(jpg.DecodeJpeg()); });
  beside.join();
  EXPECT_EQ(recording.Log().begun, before.begun);
  EXPECT_EQ(recording.Log().steps, before.steps);
}

TEST_F(Jpeg, OutOfMemoryIsReportedAndASaveLeavesTheOldFile) {
  test::TempFolder folder;
  const auto path = folder / "kept.jpg";
  ASSERT_FALSE(WriteFileAtomically(path, Bytes{1, 2, 3}));
  const Bytes file = CompressWithLibrary({1024, 768}, std::vector<std::uint8_t>(1024 * 768 * 3, 70));
  Picture picture = PhotoLike(1024, 768);
  PictureFile save;
  save.InitFromDocument(picture, false, "lost");
  {
    // Below the encoder's output block (about 940 000 bytes) and the picture (2.3 MB).
    test::ScopedAllocationLimit limit(512 << 10);
    CJPG jpg;
    EXPECT_FALSE(jpg.DecodeJpeg(file));
    EXPECT_FALSE(jpg.EncodeJpeg(1024, 768, picture.pixels));
    EXPECT_TRUE(jpg.Data().empty());
    EXPECT_FALSE(save.SavePicture(path));
  }
  EXPECT_EQ(m_prompt.Texts(), Texts(3, "Not enough memory."));
  Bytes after;
  ASSERT_FALSE(ReadWholeFile(path, after));
  EXPECT_EQ(after, (Bytes{1, 2, 3}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST_F(Jpeg, FilesAreWrittenWholeOrNotAtAll) {
  test::TempFolder folder;
  const auto path = folder / "picture.jpg";
  CJPG jpg;
  Picture picture = PhotoLike(30, 20);
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
  EXPECT_EQ(reader.Width(), 30);

  // Without encoded data nothing is written, and the old file stays.
  CJPG empty;
  empty.SetJpegComment("only a header");
  EXPECT_TRUE(empty.WriteJpegFile(path));
  Bytes after;
  ASSERT_FALSE(ReadWholeFile(path, after));
  EXPECT_EQ(after, written);
  EXPECT_TRUE(m_prompt.Texts().empty());

  EXPECT_FALSE(reader.ReadJpegFile(folder / "missing.jpg"));
  ASSERT_FALSE(WriteFileAtomically(folder / "short.jpg", Bytes{0xFF}));
  EXPECT_FALSE(reader.ReadJpegFile(folder / "short.jpg"));
  EXPECT_EQ(m_prompt.Texts(), (Texts{"Failed to read file.", kNotValid[0]}));
}

}  // namespace
}  // namespace tessaly
