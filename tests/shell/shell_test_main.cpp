// The window tests run inside a wx application on an Xvfb display.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/log.h>

#include "shell/app.h"
#include "shell/resources.h"
#include "shell/translations.h"

namespace {

// The program's application object without its start-up: each test runs the start-up
// (InitInstance) itself when it needs the whole program.
class TestApp : public tessaly::shell::CCameraApp {
 public:
  bool OnInit() override {
    SetAppName("Tessaly");
    SetAppDisplayName("Tessaly");
    tessaly::shell::InstallTranslations("en");
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
