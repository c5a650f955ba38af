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
  EXPECT_EQ(Entries(info),
            (std::vector<std::pair<std::string, Command>>{
                {"a.jpg", Command::kOpen}, {"/home/u/b.bmp", Command::kOpen}, {"c.tif", Command::kOpen}}));
  EXPECT_TRUE(info.error.empty());
  EXPECT_TRUE(info.showLogo);
}

TEST(CommandLine, UnusableCommandLinesNameTheirProblem) {
  using Problem = CAppCommandLineInfo::Problem;
  struct Case {
    std::vector<std::string> args;
    Problem problem;
    std::string argument;
  };
  const Case cases[] = {
      {{"--lang", "fr"}, Problem::kUnknownLanguage, "fr"},
      {{"--lang=xx", "a.jpg"}, Problem::kUnknownLanguage, "xx"},
      {{"--lang"}, Problem::kMissingLanguage, ""},
      {{"a.jpg", "--colour=red", "--bogus"}, Problem::kUnknownOption, "--colour"},  // the first one is named
      {{"--langs", "ja"}, Problem::kUnknownOption, "--langs"},
  };
  for (const Case& c : cases) {
    auto info = CAppCommandLineInfo::Parse(c.args);
    EXPECT_EQ(info.problem, c.problem) << c.args[0];
    EXPECT_EQ(info.problemArgument, c.argument) << c.args[0];
    EXPECT_FALSE(info.error.empty()) << c.args[0];
  }
}

TEST(CommandLine, HelpVersionAndTheEndOfOptions) {
  EXPECT_TRUE(CAppCommandLineInfo::Parse({"--help"}).showHelp);
  EXPECT_TRUE(CAppCommandLineInfo::Parse({"a.jpg", "-h"}).showHelp);
  EXPECT_TRUE(CAppCommandLineInfo::Parse({"--version"}).showVersion);
  // "-help" is one of the old flags, which are ignored.
  EXPECT_FALSE(CAppCommandLineInfo::Parse({"-help"}).showHelp);

  auto info = CAppCommandLineInfo::Parse({"-p", "--", "--help", "-x.jpg", "/p"});
  EXPECT_FALSE(info.showHelp);
  EXPECT_TRUE(info.error.empty());
  EXPECT_EQ(Entries(info), (std::vector<std::pair<std::string, Command>>{
                               {"--help", Command::kPrint}, {"-x.jpg", Command::kPrint}, {"/p", Command::kPrint}}));
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
