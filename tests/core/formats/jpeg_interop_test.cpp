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

// Standard output and standard error of a command, and its status.
std::pair<int, std::string> RunCommand(const std::string& command) {
  std::string output;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return {-1, output};
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  return {::pclose(pipe), output};
}

struct Tool {
  const char* name;
  const char* command;
  std::vector<const char*> troubles, wanted;
};

TEST(JpegInterop, OtherProgramsReadTessalysFilesWithoutWarning) {
  test::TempFolder folder;
  Picture picture = test::PhotoLike(96, 64, 11);
  CJPG jpg;
  ASSERT_TRUE(jpg.EncodeJpeg(picture.width, picture.height, picture.pixels));
  jpg.SetJpegComment("Written by Tessaly");
  ASSERT_FALSE(jpg.WriteJpegFile(folder / "written.jpg"));
  const Tool tools[] = {
      // One start of image: the comment segment is the first segment and takes in the
      // library's own start-of-image marker.
      {"djpeg",
       "djpeg -verbose -verbose -outfile /dev/null",
       {"Corrupt", "Premature", "Warning", "warning", "Bogus", "Invalid"},
       {"Comment, length 508", "\\000QOR\\000Written by Tessaly\\000", "width=96, height=64, components=3",
        "Component 1: 2hx1v", "Component 2: 1hx1v", "Component 3: 1hx1v"}},
      // ImageMagick lists the comment segment; its text starts with the tag's zero byte,
      // so the comment it prints is empty.
      {"identify",
       "identify -verbose",
       {"identify:", "Corrupt", "Premature", "warning", "error"},
       {"Geometry: 96x64+0+0", "jpeg:sampling-factor: 2x1,1x1,1x1", "comment:", "Quality: 80"}},
  };
  for (const Tool& tool : tools)
    if (RunCommand(std::string("command -v ") + tool.name).first != 0) GTEST_SKIP() << tool.name << " is not installed";
  for (const Tool& tool : tools) {
    auto [status, output] = RunCommand(std::string(tool.command) + " '" + (folder / "written.jpg").string() + "'");
    EXPECT_EQ(status, 0) << output;
    for (const char* trouble : tool.troubles)
      EXPECT_EQ(output.find(trouble), std::string::npos) << trouble << "\n" << output;
    for (const char* line : tool.wanted) EXPECT_NE(output.find(line), std::string::npos) << line << "\n" << output;
    if (std::string(tool.name) == "djpeg") {
      EXPECT_EQ(output.find("Start of Image"), output.rfind("Start of Image"));
    }
  }
}

}  // namespace
}  // namespace tessaly
