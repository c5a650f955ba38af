// Screenshots of the shell's windows in English and Japanese, for a person to look at:
// not run by default. Run with
//   TESSALY_SHOTS=DIR shell_tests --gtest_also_run_disabled_tests --gtest_filter='Screenshots.*'
#include <gtest/gtest.h>
#include <wx/xrc/xmlres.h>

#include <cstdlib>
#include <filesystem>

#include "base/ini_file.h"
#include "formats/picture_file.h"
#include "shell/app.h"
#include "shell/comm_setup_dialog.h"
#include "shell/logo_window.h"
#include "shell/main_frame.h"
#include "shell/translations.h"
#include "shell_test_support.h"
#include "test_support/pseudo_terminal.h"
#include "test_support/temp_folder.h"
#include "ui/app_state.h"
#include "ui/file_dialogs.h"
#include "workflows/connection.h"

namespace tessaly::shell {
namespace {

namespace fs = std::filesystem;

void Shoot(const std::string& name) {
  test::Pump(400);
  const char* folder = std::getenv("TESSALY_SHOTS");
  std::string command = "import -window root '" + std::string(folder ? folder : "/tmp") + "/" + name + ".png'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

void ShootModal(wxDialog& dialog, const std::string& name, std::function<void()> prepare = {}) {
  test::RunModal(dialog, [&] {
    if (prepare) prepare();
    Shoot(name);
    dialog.EndModal(wxID_CANCEL);
  });
}

TEST(Screenshots, DISABLED_EveryShellWindow) {
  test::TempFolder folder;
  test::ScopedEnv ini{"TESSALY_INI", (folder / "Tessaly.ini").string()};
  test::PseudoTerminal terminal;
  test::ScopedEnv com1{"TESSALY_COM1", terminal.Path()};
  test::ScopedEnv com2{"TESSALY_COM2", (folder / "missing").string()};
  test::ScopedEnv com3{"TESSALY_COM3", (folder / "missing").string()};
  test::ScopedEnv com4{"TESSALY_COM4", std::nullopt};
  Picture picture = Picture::Make(640, 480, 24);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      std::uint8_t* pixel = picture.Row(y) + 3 * x;
      pixel[0] = static_cast<std::uint8_t>(x * 255 / 640);
      pixel[1] = static_cast<std::uint8_t>(y * 255 / 480);
      pixel[2] = static_cast<std::uint8_t>(((x / 40 + y / 40) % 2) * 200);
    }
  PictureFile file;
  file.InitFromDocument(picture, false, "");
  ASSERT_TRUE(file.SavePicture(folder / "sample.jpg"));
  ASSERT_TRUE(file.SavePicture(folder / "AUT_0001.JPG"));
  fs::create_directory(folder / "album");

  for (const std::string lang : {"en", "ja"}) {
    InstallTranslations(lang);
    for (const char* xrc : {"main_frame.xrc", "shell_dialogs.xrc"})
      wxXmlResource::Get()->Unload(wxString("memory:XRC_resource/") + xrc);
    LinkInit();
    ui::TheAppState() = ui::AppState{};
    CCameraApp& app = *TheApp();
    ASSERT_TRUE(app.InitInstance(CAppCommandLineInfo::Parse({})));
    Shoot(lang + "-main-logo");
    if (app.LogoWindow()) app.LogoWindow()->Finish();
    app.OpenDocumentFile((folder / "sample.jpg").string());
    Shoot(lang + "-main-picture");

    {
      ui::CPreviewFileDialog open(app.MainFrame(), _("Open"), MessageText(kMsgOpenFilter), folder.Path().string(), 2);
      ShootModal(open, lang + "-file-open", [&] {
        open.SetPath((folder / "sample.jpg").string());
        test::Pump(500);
        if (open.Panel()) open.Panel()->ShowPreview((folder / "sample.jpg").string());
      });
      ui::CFolderDialog chooser(app.MainFrame(), _("Open Album"), MessageText(kMsgOpenFilter), folder.Path().string(),
                                2);
      ShootModal(chooser, lang + "-folder-chooser");
      ui::CFileSaveDialog save(app.MainFrame(), _("Save As"), kSaveAsFilter, folder.Path().string(), "photo.jpg", 1);
      ShootModal(save, lang + "-save-as");
      CCommSetupDialog comm(app.MainFrame(), ui::TheAppState());
      ShootModal(comm, lang + "-comm-setup");
    }
    app.CloseEverything();
    test::Pump(100);
  }
  InstallTranslations("en");
}

}  // namespace
}  // namespace tessaly::shell
