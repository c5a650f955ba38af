// A JPEG file written by Tessaly opens in other programs: the library's own decoder
// (djpeg) and ImageMagick read it without a warning and see the 2 x 1 sampling and the
// comment segment.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "formats/jpeg_test_support.h"
#include "formats/jpg.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

struct ToolRun {
  int status = -1;
  std::string output;  // standard output and standard error together
};

ToolRun RunCommand(const std::string& command) {
  ToolRun run;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
  run.status = ::pclose(pipe);
  return run;
}

bool HaveTool(const std::string& name) { return RunCommand("command -v " + name).status == 0; }

class JpegInterop : public testing::Test {
 protected:
  void SetUp() override {
    Picture picture = test::PhotoLike(96, 64, 11);
    CJPG jpg;
    ASSERT_TRUE(jpg.EncodeJpeg(picture.width, picture.height, picture.pixels));
    jpg.SetJpegComment("Written by Tessaly");
    m_path = m_folder / "written.jpg";
    ASSERT_FALSE(jpg.WriteJpegFile(m_path));
  }

  test::TempFolder m_folder;
  std::filesystem::path m_path;
};

TEST_F(JpegInterop, DjpegReadsItWithoutWarning) {
  if (!HaveTool("djpeg")) GTEST_SKIP() << "djpeg is not installed";
  const ToolRun run = RunCommand("djpeg -verbose -verbose -outfile /dev/null '" + m_path.string() + "'");
  EXPECT_EQ(run.status, 0) << run.output;
  for (const char* trouble : {"Corrupt", "Premature", "Warning", "warning", "Bogus", "Invalid"})
    EXPECT_EQ(run.output.find(trouble), std::string::npos) << trouble << "\n" << run.output;
  // One start of image; the comment segment is the first segment and takes in the
  // library's own start-of-image marker.
  EXPECT_EQ(run.output.find("Start of Image"), run.output.rfind("Start of Image"));
  EXPECT_NE(run.output.find("Comment, length 508"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("\\000QOR\\000Written by Tessaly\\000"), std::string::npos);
  EXPECT_NE(run.output.find("width=96, height=64, components=3"), std::string::npos);
  EXPECT_NE(run.output.find("Component 1: 2hx1v"), std::string::npos);
  EXPECT_NE(run.output.find("Component 2: 1hx1v"), std::string::npos);
  EXPECT_NE(run.output.find("Component 3: 1hx1v"), std::string::npos);
}

TEST_F(JpegInterop, ImageMagickReadsItWithoutWarning) {
  if (!HaveTool("identify")) GTEST_SKIP() << "ImageMagick is not installed";
  const ToolRun run = RunCommand("identify -verbose '" + m_path.string() + "'");
  EXPECT_EQ(run.status, 0) << run.output;
  for (const char* trouble : {"identify:", "Corrupt", "Premature", "warning", "error"})
    EXPECT_EQ(run.output.find(trouble), std::string::npos) << trouble << "\n" << run.output;
  EXPECT_NE(run.output.find("Geometry: 96x64+0+0"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("jpeg:sampling-factor: 2x1,1x1,1x1"), std::string::npos) << run.output;
  // ImageMagick lists the comment segment; its text starts with the tag's zero byte, so
  // the comment it prints is empty.
  EXPECT_NE(run.output.find("comment:"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("Quality: 80"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace tessaly
