// JPEG files through the file-type dispatch: saving and loading ".jpg" files with their
// comment, the encoding for the camera, a save that fails. (The command-line golden test
// covers the camera's layout, refusals and the size limit through the same calls.)
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
