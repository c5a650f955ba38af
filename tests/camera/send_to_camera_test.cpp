// Sending picture files to the camera emulator as the album's "Save To Camera" does.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "base/prompt.h"
#include "camera/camera_ops.h"
#include "camera/connection.h"
#include "camera/link.h"
#include "camera/send_to_camera.h"
#include "formats/bmp.h"
#include "formats/picture_file.h"
#include "test_support/emulator_process.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

using test::JsonField;
using Texts = std::vector<std::string>;

// A 24-bit picture of one colour (blue, green, red).
Picture Plain(int width, int height, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  Picture picture = Picture::Make(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      picture.Row(y)[3 * x] = blue;
      picture.Row(y)[3 * x + 1] = green;
      picture.Row(y)[3 * x + 2] = red;
    }
  return picture;
}

class SendOverEmulator : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> args) {
    args.insert(args.end(), {"--card", m_card.Path().string()});
    m_emulator = std::make_unique<test::EmulatorProcess>(args);
    ASSERT_TRUE(m_emulator->Running());
    m_device = std::make_unique<test::ScopedEnv>("TESSALY_COM1", m_emulator->DevicePath());
    TheLinkState() = LinkState{};
    TheCameraState() = CameraState{};
    TheLinkSetup() = LinkSetup{};
    TheLinkSetup().currentSpeed = 115200;
    PortReset(1);
  }
  void TearDown() override { CameraDisconnect(); }

  std::filesystem::path Bmp(const std::string& name, const Picture& picture) {
    auto path = m_files / name;
    EXPECT_FALSE(CBMP::WriteBmpFile(path, picture, BmpHeaderStyle::kWindows));
    return path;
  }
  // The picture the camera stored as its number-th, as the program would load it.
  Picture Stored(int number, Bytes* bytes = nullptr) {
    char name[32];
    std::snprintf(name, sizeof name, "AUT_%04d.JPG", number);
    PictureFile file;
    EXPECT_TRUE(file.LoadPicture(m_card / name)) << name;
    if (bytes) ReadWholeFile(m_card / name, *bytes);
    return file.picture;
  }

  test::TempFolder m_card, m_files;
  std::unique_ptr<test::EmulatorProcess> m_emulator;
  std::unique_ptr<test::ScopedEnv> m_device;
  ScriptedPrompt* m_prompt = nullptr;
  ScopedPrompt m_scope{[this] {
    auto prompt = std::make_unique<ScriptedPrompt>();
    m_prompt = prompt.get();
    return prompt;
  }()};
  TransferObserver m_observer;
};

TEST_F(SendOverEmulator, PicturesAreFittedToTheCameraCanvasesAndSentWithTheHeaderBlock) {
  Start({});
  auto small = Bmp("small.bmp", Plain(200, 100, 0, 0, 255));   // scaled by 1.6 to 320 x 160 on white
  auto fine = Bmp("fine.bmp", Plain(640, 480, 255, 0, 0));     // sent as it is
  auto large = Bmp("large.bmp", Plain(1024, 768, 0, 255, 0));  // scaled by 0.625 to 640 x 480
  SendTally tally = SendPicturesToCamera({small, fine, large}, m_observer);
  EXPECT_EQ(tally.sent, 3);
  EXPECT_EQ(tally.end, SequenceEnd::kDone);
  EXPECT_TRUE(m_prompt->Texts().empty());

  Bytes bytes;
  Picture first = Stored(1, &bytes);
  ASSERT_GT(bytes.size(), 512u);
  // The 512-byte header block (a JPEG comment) comes first, then the coder's stream.
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{0xFF, 0xD8, 0xFF, 0xFE}));
  EXPECT_EQ(Bytes(bytes.begin() + 512, bytes.begin() + 514), (Bytes{0xFF, 0xD8}));
  EXPECT_EQ(first.width, 320);
  EXPECT_EQ(first.height, 240);
  // White bands above and below the red picture.
  const std::uint8_t* top = first.Line(10) + 3 * 160;
  const std::uint8_t* middle = first.Line(120) + 3 * 160;
  EXPECT_GT(top[0], 240);
  EXPECT_GT(top[1], 240);
  EXPECT_LT(middle[0], 40);
  EXPECT_GT(middle[2], 200);

  Picture second = Stored(2);
  EXPECT_EQ(second.width, 640);
  EXPECT_EQ(second.height, 480);
  Picture third = Stored(3);
  EXPECT_EQ(third.width, 640);
  EXPECT_EQ(third.height, 480);
  EXPECT_EQ(TheCameraState().pictureCount, 3u);
}

TEST_F(SendOverEmulator, AFileThatCannotBeLoadedEndsTheRun) {
  Start({});
  auto good = Bmp("good.bmp", Plain(320, 240, 1, 2, 3));
  std::ofstream(m_files / "bad.bmp") << "not a bitmap";
  SendTally tally = SendPicturesToCamera({m_files / "bad.bmp", good}, m_observer);
  EXPECT_EQ(tally.sent, 0);
  EXPECT_EQ(tally.failed, 1);
  EXPECT_EQ(m_prompt->Texts(), (Texts{"This is not a valid file type."}));
  EXPECT_FALSE(std::filesystem::exists(m_card / "AUT_0001.JPG"));
}

TEST_F(SendOverEmulator, AFullCardIsReportedAndNothingIsSent) {
  Start({"--free-memory", "600"});
  auto picture = Bmp("p.bmp", Plain(320, 240, 9, 9, 9));
  SendTally tally = SendPicturesToCamera({picture, picture}, m_observer);
  EXPECT_EQ(tally.failed, 1);
  EXPECT_EQ(m_prompt->Texts(), (Texts{"Memory card is full."}));
  auto lines = m_emulator->LogLines();
  EXPECT_FALSE(std::any_of(lines.begin(), lines.end(), [](auto& l) { return JsonField(l, "frame") == "NW"; }));
}

}  // namespace
}  // namespace tessaly
