// The window tests of the camera and album windows run inside a wx application on an
// Xvfb display, in English unless TESSALY_TEST_LANG names another language.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/log.h>

#include <cstdlib>

#include "shell/resources.h"
#include "shell/translations.h"

namespace {

class TestApp : public wxApp {
 public:
  bool OnInit() override {
    SetAppName("Tessaly");
    SetAppDisplayName("Tessaly");
    const char* language = std::getenv("TESSALY_TEST_LANG");  // screenshots in Japanese
    tessaly::shell::InstallTranslations(language ? language : "en");
    tessaly::shell::InitResources();
    return true;
  }
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
