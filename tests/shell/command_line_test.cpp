#include <gtest/gtest.h>

#include "shell/app.h"

namespace tessaly::shell {
namespace {

TEST(CommandLine, LanguageAndFiles) {
  auto line = ParseCommandLine({"--lang", "ja", "a.jpg", "--lang=en", "b.bmp"});
  EXPECT_EQ(line.language, "en");
  EXPECT_EQ(line.files, (std::vector<std::string>{"a.jpg", "b.bmp"}));
  EXPECT_TRUE(line.error.empty());
}

TEST(CommandLine, BadLanguageIsAnError) {
  EXPECT_FALSE(ParseCommandLine({"--lang", "fr"}).error.empty());
  EXPECT_FALSE(ParseCommandLine({"--lang"}).error.empty());
}

}  // namespace
}  // namespace tessaly::shell
