// The one way pictures go to the camera, as the album and the retouch window use it:
// what each hands the camera and how each words a failure.
#include "workflows/send_to_camera.h"

#include <gtest/gtest.h>

#include "camera/over_emulator.h"
#include "formats/picture_file.h"
#include "test_support/pictures.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

using Texts = std::vector<std::string>;

class QuietObserver : public TransferObserver {
 public:
  void Begin(std::string_view name, std::uint64_t total) override {
    names.emplace_back(name);
    totals.push_back(total);
  }
  bool Progress(std::uint64_t done) override {
    last = done;
    return true;
  }
  std::vector<std::string> names;
  std::vector<std::uint64_t> totals;
  std::uint64_t last = 0;
};

class SendToCamera : public test::OverEmulator {
 protected:
  // The one file the card received since it was emptied.
  Bytes Received() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(m_card.Path())) files.push_back(entry.path());
    EXPECT_EQ(files.size(), 1u);
    Bytes bytes;
    if (files.size() == 1) {
      EXPECT_FALSE(ReadWholeFile(files[0], bytes));
    }
    for (const auto& file : files) std::filesystem::remove(file);
    return bytes;
  }
};

TEST_F(SendToCamera, BothWindowsSendTheSameStreamAndOnlyTheAlbumAddsTheHeaderBlock) {
  Start({"--card", m_card.Path().string()});
  // A palette picture that is not of the camera's sizes: converted and fitted on a copy.
  const Picture original = test::Indexed(200, 100, 8);
  QuietObserver observer;

  EXPECT_EQ(SendPictureToCamera(original, "a comment", "x.bmp", SendFrom::kRetouchWindow, observer), kCamDone);
  const Bytes alone = Received();
  EXPECT_EQ(SendPictureToCamera(original, "a comment", "x.bmp", SendFrom::kAlbum, observer), kCamDone);
  const Bytes withHeader = Received();

  EXPECT_TRUE(m_prompt.Texts().empty());
  ASSERT_GT(alone.size(), 2u);
  EXPECT_EQ(alone[0], 0xFF);
  EXPECT_EQ(alone[1], 0xD8);
  ASSERT_EQ(withHeader.size(), 512 + alone.size());
  EXPECT_TRUE(std::equal(alone.begin(), alone.end(), withHeader.begin() + 512));
  EXPECT_EQ(observer.totals, (std::vector<std::uint64_t>{alone.size(), withHeader.size()}));
  EXPECT_EQ(observer.last, withHeader.size());
  EXPECT_EQ(observer.names, (std::vector<std::string>{"x.bmp", "x.bmp"}));

  PictureFile sent;
  ASSERT_TRUE(sent.LoadPicture(alone, "sent.jpg"));
  EXPECT_EQ(sent.picture.width, 320);
  EXPECT_EQ(sent.picture.height, 240);
  EXPECT_TRUE(test::SamePicture(original, test::Indexed(200, 100, 8)));
}

// The album sends a photograph of any size: read reduced, then fitted as any picture is.
TEST_F(SendToCamera, TheAlbumSendsAPictureOverTheEditingLimit) {
  Start({"--card", m_card.Path().string()});
  test::TempFolder folder;
  PictureFile saver;
  saver.picture = test::Noise24(2000, 1500);
  ASSERT_TRUE(saver.SavePicture(folder / "phone.png"));
  QuietObserver observer;
  const SendTally tally = SendPicturesToCamera({folder / "phone.png"}, observer);
  EXPECT_EQ(tally.sent, 1);
  EXPECT_TRUE(m_prompt.Texts().empty());
  const Bytes received = Received();
  ASSERT_GT(received.size(), 512u);
  PictureFile sent;
  ASSERT_TRUE(sent.LoadPicture(ByteSpan(received).subspan(512), "sent.jpg"));
  EXPECT_EQ(sent.picture.width, 640);
  EXPECT_EQ(sent.picture.height, 480);
}

TEST_F(SendToCamera, EachWindowWordsAFullCardAndAMissingPortItsOwnWay) {
  Start({"--free-memory", "100"});
  QuietObserver observer;
  const Picture picture = test::Noise24(320, 240);
  EXPECT_EQ(SendPictureToCamera(picture, "", "a.jpg", SendFrom::kRetouchWindow, observer), kCamCardFull);
  EXPECT_EQ(SendPictureToCamera(picture, "", "a.jpg", SendFrom::kAlbum, observer), kCamCardFull);
  EXPECT_EQ(m_prompt.Texts(), (Texts{"Memory card is full.", "Memory card is full."}));

  m_prompt->Clear();
  test::ScopedEnv gone("TESSALY_COM1", (m_card.Path() / "no-such-device").string());
  test::ForgetCameraLink();
  EXPECT_EQ(SendPictureToCamera(picture, "", "a.jpg", SendFrom::kRetouchWindow, observer), kCamCannotOpen);
  EXPECT_EQ(SendPictureToCamera(picture, "", "a.jpg", SendFrom::kAlbum, observer), kCamCannotOpen);
  ASSERT_EQ(m_prompt.Texts().size(), 2u);
  EXPECT_EQ(m_prompt.Texts()[0], "Failed to communicate.");
  EXPECT_EQ(m_prompt.Texts()[1], MessageText(kMsgSerialMissing));
  EXPECT_TRUE(observer.totals.size() == 2) << "no transfer starts without a connection";
}

}  // namespace
}  // namespace tessaly
