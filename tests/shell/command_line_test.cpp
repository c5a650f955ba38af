#include "shell/command_line.h"

#include <gtest/gtest.h>

namespace tessaly::shell {
namespace {

using Command = CAppCommandLineInfo::ShellCommand;

std::vector<std::pair<std::string, Command>> Entries(const CAppCommandLineInfo& info) {
  std::vector<std::pair<std::string, Command>> entries;
  for (const auto& entry : info.entries) entries.emplace_back(entry.fileName, entry.command);
  return entries;
}

TEST(CommandLine, LanguageAndFilesInOrder) {
  auto info = CAppCommandLineInfo::Parse({"--lang", "ja", "a.jpg", "--lang=en", "/home/u/b.bmp", "c.tif"});
  EXPECT_EQ(info.language, "en");
  EXPECT_EQ(Entries(info), (std::vector<std::pair<std::string, Command>>{
                               {"a.jpg", Command::kOpen}, {"/home/u/b.bmp", Command::kOpen}, {"c.tif", Command::kOpen}}));
  EXPECT_TRUE(info.error.empty());
  EXPECT_TRUE(info.showLogo);
}

TEST(CommandLine, BadLanguageIsAnError) {
  EXPECT_FALSE(CAppCommandLineInfo::Parse({"--lang", "fr"}).error.empty());
  EXPECT_FALSE(CAppCommandLineInfo::Parse({"--lang"}).error.empty());
}

TEST(CommandLine, FlagsAfterDashOrSlash) {
  struct Case {
    std::vector<std::string> args;
    Command command;
    bool embedded, automated, logo;
  };
  const Case cases[] = {
      {{"-p", "x.jpg"}, Command::kPrint, false, false, true},
      {{"/p", "x.jpg"}, Command::kPrint, false, false, true},
      {{"-pt", "x.jpg"}, Command::kPrintTo, false, false, true},
      {{"-dde", "x.jpg"}, Command::kDde, false, false, true},
      {{"-Embedding", "x.jpg"}, Command::kOpen, true, false, false},
      {{"/Automation", "x.jpg"}, Command::kOpen, false, true, false},
      {{"-embedding", "x.jpg"}, Command::kOpen, false, false, true},  // compared as written
      {{"-unknown", "x.jpg"}, Command::kOpen, false, false, true},
  };
  for (const Case& c : cases) {
    auto info = CAppCommandLineInfo::Parse(c.args);
    ASSERT_EQ(info.entries.size(), 1u) << c.args[0];
    EXPECT_EQ(info.entries[0].command, c.command) << c.args[0];
    EXPECT_EQ(info.runEmbedded, c.embedded) << c.args[0];
    EXPECT_EQ(info.runAutomated, c.automated) << c.args[0];
    EXPECT_EQ(info.showLogo, c.logo) << c.args[0];
  }
}

TEST(CommandLine, AtMostAHundredFiles) {
  std::vector<std::string> args;
  for (int i = 0; i < 105; ++i) args.push_back("f" + std::to_string(i) + ".jpg");
  auto info = CAppCommandLineInfo::Parse(args);
  ASSERT_EQ(info.entries.size(), 100u);
  EXPECT_EQ(info.entries.back().fileName, "f99.jpg");
}

TEST(CommandLine, EmbeddingWithoutFilesHasNoEntries) {
  auto info = CAppCommandLineInfo::Parse({"-Embedding"});
  EXPECT_TRUE(info.entries.empty());
  EXPECT_TRUE(info.runEmbedded);
  EXPECT_FALSE(info.showLogo);
}

}  // namespace
}  // namespace tessaly::shell
