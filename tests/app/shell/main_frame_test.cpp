#include "shell/main_frame.h"

#include <gtest/gtest.h>
#include <wx/display.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/xrc/xmlres.h>

#include "base/ini_file.h"
#include "shell/translations.h"
#include "shell/window_placement.h"
#include "shell_test_support.h"
#include "test_support/temp_folder.h"
#include "ui/app_state.h"

namespace tessaly::shell {
namespace {

class MainFrameTest : public ::testing::Test {
 protected:
  void SetUp() override { m_manager = new wxDocManager; }
  void TearDown() override {
    if (m_frame) CloseFrame();
    delete m_manager;
  }

  CMainFrame* OpenFrame() {
    m_frame = new CMainFrame(m_manager);
    m_frame->Show();
    test::Pump(200);
    return m_frame;
  }
  void CloseFrame() {
    m_frame->Close(true);
    m_frame = nullptr;
    test::Pump(50);
  }
  // The enabled state the frame gives a command when the menus are updated.
  bool Enabled(int id) {
    wxUpdateUIEvent event(id);
    event.SetEventObject(m_frame);
    m_frame->ProcessWindowEvent(event);
    return !event.GetSetEnabled() || event.GetEnabled();
  }

  test::TempFolder m_folder;
  test::ScopedEnv m_ini{"TESSALY_INI", (m_folder / "Tessaly.ini").string()};
  wxDocManager* m_manager = nullptr;
  CMainFrame* m_frame = nullptr;
};

TEST_F(MainFrameTest, HasItsMenusToolBarAndNineStatusPanes) {
  CMainFrame* frame = OpenFrame();
  wxMenuBar* menus = frame->GetMenuBar();
  ASSERT_NE(menus, nullptr);
  ASSERT_EQ(menus->GetMenuCount(), 4u);
  EXPECT_EQ(menus->GetMenuLabel(0), "&File");
  EXPECT_EQ(menus->GetMenuLabel(1), "&View");
  EXPECT_EQ(menus->GetMenuLabel(2), "&Camera");
  EXPECT_EQ(menus->GetMenuLabel(3), "&Help");
  EXPECT_NE(menus->FindItem(wxID_EXIT), nullptr);
  EXPECT_EQ(menus->FindItem(wxID_EXIT)->GetItemLabel(), "E&xit");
  EXPECT_NE(menus->FindItem(XRCID("ID_THUMBNAIL")), nullptr);
  EXPECT_NE(menus->FindItem(XRCID("ID_COMM_SETUP")), nullptr);

  wxToolBar* tools = frame->GetToolBar();
  ASSERT_NE(tools, nullptr);
  for (int id : {int(wxID_NEW), int(wxID_OPEN), int(wxID_SAVE), int(wxID_COPY), int(wxID_PASTE), XRCID("ID_OPEN_ALBUM"),
                 XRCID("ID_ZOOM_IN"), XRCID("ID_ZOOM_OUT"), XRCID("ID_ROTATE_90_RIGHT"), int(wxID_PRINT),
                 int(wxID_ABOUT), int(wxID_CONTEXT_HELP)}) {
    EXPECT_NE(tools->FindById(id), nullptr) << "tool " << id;
  }
  EXPECT_EQ(tools->GetToolsCount(), 16u) << "twelve buttons and four separators";

  ASSERT_NE(frame->GetStatusBar(), nullptr);
  EXPECT_EQ(frame->GetStatusBar()->GetFieldsCount(), 9);
}

TEST_F(MainFrameTest, CommandsWithoutTheirWindowsAreDisabled) {
  OpenFrame();
  EXPECT_FALSE(Enabled(wxID_PRINT));
  EXPECT_FALSE(Enabled(XRCID("ID_ZOOM_IN")));
  EXPECT_TRUE(Enabled(wxID_ABOUT));
  EXPECT_TRUE(Enabled(wxID_EXIT));
}

TEST_F(MainFrameTest, ThumbnailTogglesTheNamesOnlyPreference) {
  CMainFrame* frame = OpenFrame();
  ui::TheAppState().namesOnlyPreference = false;
  wxCommandEvent toggle(wxEVT_MENU, XRCID("ID_THUMBNAIL"));
  frame->ProcessWindowEvent(toggle);
  EXPECT_TRUE(ui::TheAppState().namesOnlyPreference);
  frame->ProcessWindowEvent(toggle);
  EXPECT_FALSE(ui::TheAppState().namesOnlyPreference);
}

TEST_F(MainFrameTest, LastWindowSurvivesACloseAndANewStart) {
  CMainFrame* frame = OpenFrame();
  frame->SetSize(wxRect(60, 50, 700, 500));
  test::Pump(200);
  wxRect placed = frame->GetRect();
  CloseFrame();

  IniFile ini;
  ASSERT_TRUE(ini.Load(SettingsFilePath()));
  EXPECT_EQ(ini.GetInt("Last Window", "Xpos", -1), placed.x);
  EXPECT_EQ(ini.GetInt("Last Window", "Ypos", -1), placed.y);
  EXPECT_EQ(ini.GetInt("Last Window", "Width", -1), placed.width);
  EXPECT_EQ(ini.GetInt("Last Window", "Height", -1), placed.height);

  frame = OpenFrame();
  EXPECT_EQ(frame->GetRect(), placed);
}

TEST_F(MainFrameTest, OffScreenRectangleIsIgnored) {
  wxRect screen = wxDisplay(0u).GetGeometry();
  WriteLastWindow({screen.width - 100, 40, 600, 400});
  CMainFrame* frame = OpenFrame();
  EXPECT_NE(frame->GetPosition().x, screen.width - 100);
  EXPECT_EQ(frame->GetSize(), wxSize(1000, 720));
}

TEST_F(MainFrameTest, JapaneseMenusWithLangJa) {
  InstallTranslations("ja");
  wxXmlResource::Get()->Unload("memory:XRC_resource/main_frame.xrc");
  CMainFrame* frame = OpenFrame();
  wxString file = frame->GetMenuBar()->GetMenuLabel(0);
  wxString exit = frame->GetMenuBar()->FindItem(wxID_EXIT)->GetItemLabel();
  CloseFrame();
  InstallTranslations("en");
  EXPECT_EQ(file, wxString::FromUTF8("ファイル(&F)"));
  EXPECT_EQ(exit, wxString::FromUTF8("アプリケーションの終了(&X)"));
}

TEST(WindowPlacement, SavedRectangleMustLieWhollyOnAScreen) {
  std::vector<ScreenRect> screens{{0, 0, 1280, 1024}};
  EXPECT_EQ(UsableSavedRect({10, 10, 800, 600}, screens), (ScreenRect{10, 10, 800, 600}));
  EXPECT_EQ(UsableSavedRect({0, 0, 1280, 1024}, screens), (ScreenRect{0, 0, 1280, 1024}));
  EXPECT_FALSE(UsableSavedRect({0, 0, 0, 0}, screens)) << "a first start";
  EXPECT_FALSE(UsableSavedRect({600, 10, 800, 600}, screens)) << "beyond the right edge";
  EXPECT_FALSE(UsableSavedRect({-1, 10, 800, 600}, screens));
  EXPECT_FALSE(UsableSavedRect({10, 10, 0, 600}, screens));
  screens.push_back({1280, 0, 1920, 1080});
  EXPECT_TRUE(UsableSavedRect({1400, 10, 800, 600}, screens)) << "on the second screen";
}

}  // namespace
}  // namespace tessaly::shell

#include <wx/gauge.h>

#include "picture/progress.h"

namespace tessaly::shell {
namespace {

TEST_F(MainFrameTest, ProgressMeterTakesTheFirstPanesAndGivesThemBack) {
  CMainFrame* frame = OpenFrame();
  wxStatusBar* bar = frame->GetStatusBar();
  bar->SetStatusText("Ready", 0);
  bar->SetStatusText("size", 1);
  int width1 = bar->GetStatusWidth(1);
  {
    StatusProgress progress;
    progress.Begin(kMsgReducingColour);
    progress.SetRange(4);
    progress.SetStep(1);
    progress.StepIt();
    progress.StepIt();
    auto* gauge = dynamic_cast<wxGauge*>(bar->FindWindow(1000));
    ASSERT_NE(gauge, nullptr);
    EXPECT_EQ(gauge->GetRange(), 4);
    EXPECT_EQ(gauge->GetValue(), 2);
    EXPECT_EQ(bar->GetStatusText(1), "Reducing color......");
    EXPECT_EQ(bar->GetStatusText(0), "");
    EXPECT_EQ(bar->GetStatusWidth(0), 147);
  }
  test::Pump(50);
  EXPECT_EQ(bar->FindWindow(1000), nullptr);
  EXPECT_EQ(bar->GetStatusText(0), "Ready");
  EXPECT_EQ(bar->GetStatusText(1), "size");
  EXPECT_EQ(bar->GetStatusWidth(0), -1);
  EXPECT_EQ(bar->GetStatusWidth(1), width1);
}

}  // namespace
}  // namespace tessaly::shell
