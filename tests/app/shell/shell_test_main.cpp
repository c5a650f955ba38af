// The window tests run inside the program's application object on an Xvfb display;
// TESSALY_TEST_LANG=ja runs them (and their screenshots) in Japanese.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/log.h>

#include <cstdlib>

#include "shell/app.h"
#include "shell/resources.h"
#include "shell/translations.h"

namespace {

class TestApp : public tessaly::shell::CCameraApp {
 public:
  bool OnInit() override {
    SetAppName("Tessaly");
    SetAppDisplayName("Tessaly");
    const char* lang = std::getenv("TESSALY_TEST_LANG");
    tessaly::shell::InstallTranslations(lang ? lang : "en");
    tessaly::shell::InitResources();
    return true;
  }
  int OnExit() override { return wxApp::OnExit(); }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  wxApp::SetInstance(new TestApp);
  if (!wxEntryStart(argc, argv)) {
    std::fprintf(stderr, "no X display: run the window tests under xvfb-run\n");
    return 2;
  }
  wxTheApp->CallOnInit();
  delete wxLog::SetActiveTarget(new wxLogStderr);  // wxLogError must not open a dialog
  int rc = RUN_ALL_TESTS();
  wxTheApp->OnExit();
  wxEntryCleanup();
  return rc;
}
