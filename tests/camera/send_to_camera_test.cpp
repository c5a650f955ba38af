// Sending picture files to the camera emulator as the album's "Save To Camera" does.
#include "camera/send_to_camera.h"

#include <gtest/gtest.h>

#include "camera/over_emulator.h"
#include "formats/bmp.h"
#include "formats/picture_file.h"
#include "test_support/pictures.h"

namespace tessaly {
namespace {

using test::At;
using test::Filled;

class SendOverEmulator : public test::OverEmulator {
 protected:
  // Pictures sent to the camera go into its card folder.
  void StartWithFreeMemory(const char* bytes) { Start({"--card", m_card.Path().string(), "--free-memory", bytes}); }
  std::filesystem::path Bmp(const std::string& name, const Picture& picture) {
    auto path = m_files / name;
    EXPECT_FALSE(CBMP::WriteBmpFile(path, picture, BmpHeaderStyle::kWindows));
    return path;
  }
  test::TempFolder m_files;
  TransferObserver m_observer;
};

TEST_F(SendOverEmulator, PicturesAreFittedToTheCameraCanvasesAndSentWithTheHeaderBlock) {
  StartWithFreeMemory("4000000");
  auto small = Bmp("small.bmp", Filled(200, 100, {0, 0, 255}));   // scaled by 1.6 to 320 x 160 on white
  auto fine = Bmp("fine.bmp", Filled(640, 480, {255, 0, 0}));     // sent as it is
  auto large = Bmp("large.bmp", Filled(1024, 768, {0, 255, 0}));  // scaled by 0.625 to 640 x 480
  TheLinkSetup().currentSpeed = 115200;
  SendTally tally = SendPicturesToCamera({small, fine, large}, m_observer);
  EXPECT_EQ(tally.sent, 3);
  EXPECT_EQ(tally.end, SequenceEnd::kDone);
  EXPECT_TRUE(m_prompt.Texts().empty());
  EXPECT_EQ(TheCameraState().pictureCount, 3u);
  Log();

  // The 512-byte header block (a JPEG comment) comes first, then the coder's stream.
  Bytes bytes;
  ASSERT_FALSE(ReadWholeFile(m_card / "AUT_0001.JPG", bytes));
  ASSERT_GT(bytes.size(), 514u);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{0xFF, 0xD8, 0xFF, 0xFE}));
  EXPECT_EQ(Bytes(bytes.begin() + 512, bytes.begin() + 514), (Bytes{0xFF, 0xD8}));
  PictureFile file;
  ASSERT_TRUE(file.LoadPicture(m_card / "AUT_0001.JPG"));
  ASSERT_EQ(file.picture.width, 320);
  ASSERT_EQ(file.picture.height, 240);
  // White bands above and below the red picture.
  EXPECT_GT(At(file.picture, 160, 10).b, 240);
  EXPECT_GT(At(file.picture, 160, 10).g, 240);
  EXPECT_LT(At(file.picture, 160, 120).b, 40);
  EXPECT_GT(At(file.picture, 160, 120).r, 200);
  for (const char* name : {"AUT_0002.JPG", "AUT_0003.JPG"}) {
    ASSERT_TRUE(file.LoadPicture(m_card / name)) << name;
    EXPECT_EQ(file.picture.width, 640) << name;
    EXPECT_EQ(file.picture.height, 480) << name;
  }
}

TEST_F(SendOverEmulator, AFullCardIsReportedAndNothingIsSent) {
  StartWithFreeMemory("600");
  auto picture = Bmp("grey.bmp", Filled(320, 240, test::Grey(9)));
  SendTally tally = SendPicturesToCamera({picture, picture}, m_observer);
  EXPECT_EQ(tally.failed, 1);
  EXPECT_EQ(m_prompt.Texts(), (std::vector<std::string>{"Memory card is full."}));
  EXPECT_TRUE(test::HostFrames(Log(), "NW").empty());
}

}  // namespace
}  // namespace tessaly
