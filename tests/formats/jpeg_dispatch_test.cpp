// JPEG files through the file-type dispatch: saving and loading ".jpg" files with their
// comment, the size limit, indexed pictures, the encoding for the camera.
#include <gtest/gtest.h>

#include "base/prompt.h"
#include "formats/jpeg_test_support.h"
#include "formats/jpg.h"
#include "formats/picture_file.h"
#include "test_support/allocation_limit.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

using test::PhotoLike;

class JpegDispatch : public testing::Test {
 protected:
  JpegDispatch() {
    auto prompt = std::make_unique<ScriptedPrompt>();
    m_prompt = prompt.get();
    m_scope = std::make_unique<ScopedPrompt>(std::move(prompt));
  }
  std::vector<std::string> Messages() const { return m_prompt->Texts(); }

  test::TempFolder m_folder;

 private:
  ScriptedPrompt* m_prompt;
  std::unique_ptr<ScopedPrompt> m_scope;
};

TEST_F(JpegDispatch, SavedFileLoadsWithItsComment) {
  Picture picture = PhotoLike(50, 30);
  PictureFile save;
  save.InitFromDocument(picture, false, "A day at the sea");
  const auto path = m_folder / "PHOTO.JPG";
  ASSERT_TRUE(save.SavePicture(path));
  EXPECT_EQ(save.type, PictureType::kJpeg);

  Bytes written;
  ASSERT_FALSE(ReadWholeFile(path, written));
  const Bytes start = {0xFF, 0xD8, 0xFF, 0xFE, 0x01, 0xFE, 0x00, 'Q', 'O', 'R', 0x00, 'A'};
  EXPECT_TRUE(std::equal(start.begin(), start.end(), written.begin()));

  PictureFile load;
  ASSERT_TRUE(load.LoadPicture(path));
  EXPECT_EQ(load.type, PictureType::kJpeg);
  EXPECT_EQ(load.comment, "A day at the sea");
  EXPECT_EQ(load.fileSize, written.size());
  EXPECT_FALSE(load.os2Header);
  EXPECT_EQ(load.picture.width, 50);
  EXPECT_EQ(load.picture.height, 30);
  EXPECT_EQ(load.picture.bitsPerPixel, 24);
  EXPECT_EQ(load.picture.imageSize, RowStride(50, 24) * 30);
  EXPECT_TRUE(Messages().empty());

  // Loaded and saved again under another name, the comment goes along.
  ASSERT_TRUE(load.SavePicture(m_folder / "copy.jpg"));
  PictureFile copy;
  ASSERT_TRUE(copy.LoadPicture(m_folder / "copy.jpg"));
  EXPECT_EQ(copy.comment, "A day at the sea");
}

TEST_F(JpegDispatch, CameraFileCommentMovesToTheSystemsLayout) {
  CJPG jpg;
  Picture picture = PhotoLike(32, 24);
  ASSERT_TRUE(jpg.EncodeJpeg(32, 24, picture.pixels));
  Bytes camera = {0xFF, 0xD8, 0xFF, 0xE1, 0x07, 0x0A};
  camera.resize(1806, 0);
  const Bytes segment = {0xFF, 0xFE, 0x00, 0xF2, 0x00, 'Q', 'O', 'R', 0x00, 'C', 'a', 'm'};
  camera.insert(camera.end(), segment.begin(), segment.end());
  camera.resize(1806 + 2 + 242, 0);
  camera.insert(camera.end(), jpg.Data().begin() + 2, jpg.Data().end());
  ASSERT_FALSE(WriteFileAtomically(m_folder / "AUT_0001.JPG", camera));

  PictureFile file;
  ASSERT_TRUE(file.LoadPicture(m_folder / "AUT_0001.JPG"));
  EXPECT_EQ(file.comment, "Cam");
  ASSERT_TRUE(file.SavePicture(m_folder / "saved.jpg"));
  Bytes saved;
  ASSERT_FALSE(ReadWholeFile(m_folder / "saved.jpg", saved));
  EXPECT_EQ(saved[3], 0xFE);
  EXPECT_EQ(ReadJpegComment(saved), "Cam");
}

TEST_F(JpegDispatch, SizeLimit) {
  test::LibraryJpeg spec;
  spec.width = 1281;
  spec.height = 960;
  ASSERT_FALSE(WriteFileAtomically(m_folder / "wide.jpg",
                                   test::CompressWithLibrary(spec, std::vector<std::uint8_t>(1281 * 960 * 3, 90))));
  spec.width = 1280;
  spec.height = 1024;
  ASSERT_FALSE(WriteFileAtomically(m_folder / "largest.jpg",
                                   test::CompressWithLibrary(spec, std::vector<std::uint8_t>(1280 * 1024 * 3, 90))));
  PictureFile file;
  EXPECT_FALSE(file.LoadPicture(m_folder / "wide.jpg"));
  EXPECT_EQ(Messages(), std::vector<std::string>{"The picture size is too large."});
  EXPECT_TRUE(file.picture.Empty());
  EXPECT_TRUE(file.LoadPicture(m_folder / "largest.jpg"));
  EXPECT_EQ(file.picture.width, 1280);
  EXPECT_EQ(file.picture.height, 1024);
  EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(JpegDispatch, IndexedPictureIsWrittenInItsColours) {
  Picture indexed = Picture::Make(16, 16, 8, 3);
  indexed.colourTable[3] = RgbQuad{200, 100, 50, 0};
  PictureFile save;
  save.InitFromDocument(indexed, false, "");
  ASSERT_TRUE(save.SavePicture(m_folder / "indexed.jpg"));
  PictureFile load;
  ASSERT_TRUE(load.LoadPicture(m_folder / "indexed.jpg"));
  ASSERT_EQ(load.picture.bitsPerPixel, 24);
  const std::uint8_t* p = load.picture.Line(8) + 3 * 8;
  EXPECT_NEAR(p[0], 200, 3);
  EXPECT_NEAR(p[1], 100, 3);
  EXPECT_NEAR(p[2], 50, 3);
}

TEST_F(JpegDispatch, EncodingForTheCamera) {
  Picture picture = PhotoLike(64, 48);
  PictureFile file;
  file.comment = "to the camera";
  CameraJpeg encoded;
  ASSERT_TRUE(file.EncodeForCamera(picture, encoded));
  EXPECT_EQ(file.type, PictureType::kJpeg);
  ASSERT_EQ(encoded.header.size(), 512u);
  ASSERT_GE(encoded.stream.size(), 2u);
  EXPECT_EQ(encoded.stream[0], 0xFF);
  EXPECT_EQ(encoded.stream[1], 0xD8);
  Bytes whole = encoded.header;
  whole.insert(whole.end(), encoded.stream.begin(), encoded.stream.end());
  EXPECT_EQ(ReadJpegComment(whole), "to the camera");
  // Either the stream alone (from the retouch window) or both (from the album) decode.
  CJPG jpg;
  EXPECT_TRUE(jpg.DecodeJpeg(encoded.stream));
  EXPECT_TRUE(jpg.DecodeJpeg(whole));
  EXPECT_EQ(jpg.Width(), 64);
}

TEST_F(JpegDispatch, FailedEncodingWritesNothing) {
  const auto path = m_folder / "kept.jpg";
  ASSERT_FALSE(WriteFileAtomically(path, Bytes{1, 2, 3}));
  Picture picture = PhotoLike(1024, 768);
  PictureFile save;
  save.InitFromDocument(picture, false, "lost");
  {
    test::ScopedAllocationLimit limit(512 << 10);
    EXPECT_FALSE(save.SavePicture(path));
  }
  EXPECT_EQ(Messages(), std::vector<std::string>{"Not enough memory."});
  Bytes after;
  ASSERT_FALSE(ReadWholeFile(path, after));
  EXPECT_EQ(after, (Bytes{1, 2, 3}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder.Path()), {}), 1);
}

}  // namespace
}  // namespace tessaly
