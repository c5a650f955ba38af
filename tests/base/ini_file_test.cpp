#include "base/ini_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

TEST(IniFile, ReadsHandWrittenFiles) {
  IniFile ini;
  ini.Parse("; written by hand\r\n[Last Used Port]\r\nComm = 2\r\n\r\n[last window]\r\nXpos=-10\r\nWidth=abc\r\n");
  EXPECT_EQ(ini.GetInt("Last Used Port", "Comm", 0), 2);
  EXPECT_EQ(ini.GetInt("LAST WINDOW", "xpos", 0), -10);
  EXPECT_EQ(ini.GetInt("Last Window", "Width", 7), 7) << "a value that is no number reads as the default";
  EXPECT_EQ(ini.GetInt("Last Window", "Height", 5), 5);
  EXPECT_EQ(ini.GetString("Missing", "Entry", "fallback"), "fallback");
}

TEST(IniFile, SetKeepsOtherLinesAndAddsWhereItBelongs) {
  IniFile ini;
  ini.Parse("; comment\n[Last Used Bps]\nComm=9600\n\n[Other]\nx=1\n");
  ini.SetInt("last used bps", "Comm", 115200);
  ini.SetInt("Last Used Bps", "Extra", 1);
  ini.Set("Last Window", "Xpos", "40");
  EXPECT_EQ(ini.Text(),
            "; comment\n[Last Used Bps]\nComm=115200\nExtra=1\n\n[Other]\nx=1\n\n[Last Window]\nXpos=40\n");
}

TEST(IniFile, ProfileFunctionsUseTheSettingsFile) {
  test::TempFolder folder;
  auto path = folder.Path() / "sub" / "Tessaly.ini";
  test::ScopedEnv ini("TESSALY_INI", path.string());
  EXPECT_EQ(SettingsFilePath(), path);
  EXPECT_EQ(ReadProfileInt("Last Used Bps", "Comm", 9600), 9600);
  ASSERT_TRUE(WriteProfileInt("Last Used Bps", "Comm", 57600));
  ASSERT_TRUE(WriteProfileString("Last Used Dir", "Album", "/home/me/pictures/"));
  EXPECT_EQ(ReadProfileInt("Last Used Bps", "Comm", 9600), 57600);
  EXPECT_EQ(ReadProfileString("Last Used Dir", "Album", ""), "/home/me/pictures/");
}

TEST(IniFile, SettingsPathFollowsXdgConfigHome) {
  test::ScopedEnv ini("TESSALY_INI", std::nullopt);
  test::ScopedEnv config("XDG_CONFIG_HOME", "/somewhere/config");
  EXPECT_EQ(SettingsFilePath(), std::filesystem::path("/somewhere/config/tessaly/Tessaly.ini"));
}

}  // namespace
}  // namespace tessaly
