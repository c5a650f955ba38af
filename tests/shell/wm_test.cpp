// What a person sees under a window manager: where the main window opens, whether the
// start-up logo is in front, and where the keyboard goes. Run under Xvfb with openbox
// (with_openbox.sh); positions and stacking are read from the X server, not from wx.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "base/ini_file.h"
#include "workflows/connection.h"
#include "formats/picture_file.h"
#include "shell/app.h"
#include "shell/app_state.h"
#include "shell/logo_window.h"
#include "shell/main_frame.h"
#include "shell/window_placement.h"
#include "shell_test_support.h"
#include "test_support/recorded_prompt.h"
#include "test_support/temp_folder.h"
#include "windows/slide_show.h"
#include "windows/x_screen.h"

// From the toolkit under wx: the X window of a widget.
extern "C" {
struct _GdkWindow;
_GdkWindow* gtk_widget_get_window(GtkWidget* widget);
unsigned long gdk_x11_window_get_xid(_GdkWindow* window);
}

namespace tessaly::shell {
namespace {

namespace fs = std::filesystem;

Display* XDisplay() { return static_cast<Display*>(wxGetX11Display()); }

Window XWindowOf(wxWindow* window) {
  _GdkWindow* gdk = gtk_widget_get_window(window->GetHandle());
  return gdk != nullptr ? gdk_x11_window_get_xid(gdk) : 0;
}

std::vector<long> CardinalProperty(Window window, const char* name) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<long> values;
  if (XGetWindowProperty(XDisplay(), window, XInternAtom(XDisplay(), name, False), 0, 1024, False, AnyPropertyType,
                         &type, &format, &count, &after, &data) == Success &&
      data != nullptr) {
    if (format == 32)
      for (unsigned long i = 0; i < count; ++i) values.push_back(reinterpret_cast<long*>(data)[i]);
    XFree(data);
  }
  return values;
}

// The window's outer rectangle, its decorations included, as the X server has it.
wxRect FrameOnScreen(wxWindow* window) {
  Display* display = XDisplay();
  XSync(display, False);
  const Window xid = XWindowOf(window);
  if (xid == 0) return {};
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, xid, &attributes) || attributes.map_state != IsViewable) return {};
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(display, xid, DefaultRootWindow(display), 0, 0, &x, &y, &child);
  std::vector<long> extents = CardinalProperty(xid, "_NET_FRAME_EXTENTS");  // left, right, top, bottom
  if (extents.size() != 4) extents.assign(4, 0);
  return wxRect(x - extents[0], y - extents[2], attributes.width + extents[0] + extents[1],
                attributes.height + extents[2] + extents[3]);
}

// Bottom first, as the window manager stacks its windows.
std::vector<long> Stacking() {
  XSync(XDisplay(), False);
  return CardinalProperty(DefaultRootWindow(XDisplay()), "_NET_CLIENT_LIST_STACKING");
}

bool StackedOver(wxWindow* upper, wxWindow* lower) {
  std::vector<long> stack = Stacking();
  auto at = [&](wxWindow* w) { return std::find(stack.begin(), stack.end(), long(XWindowOf(w))) - stack.begin(); };
  return at(upper) < static_cast<long>(stack.size()) && at(lower) < at(upper);
}

class WindowManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int slot = 1; slot <= 4; ++slot)
      m_ports.push_back(std::make_unique<test::ScopedEnv>(("TESSALY_COM" + std::to_string(slot)).c_str(),
                                                          (m_folder / "no-such-tty").string()));
  }
  void TearDown() override { Stop(); }

  bool Start() {
    LinkInit();
    TheAppState() = AppState{};
    bool started = App().InitInstance(CAppCommandLineInfo::Parse({}));
    test::Pump(100);
    return started;
  }
  void Stop() {
    App().CloseEverything();
    test::Pump(50);
  }
  CCameraApp& App() { return *TheApp(); }

  fs::path WritePicture(const std::string& name) {
    fs::path path = m_folder / name;
    PictureFile file;
    file.InitFromDocument(Picture::Make(64, 48, 24, 0x60), false, "");
    EXPECT_TRUE(file.SavePicture(path));
    return path;
  }

  test::TempFolder m_folder;
  test::ScopedEnv m_ini{"TESSALY_INI", (m_folder / "Tessaly.ini").string()};
  std::vector<std::unique_ptr<test::ScopedEnv>> m_ports;
  test::RecordedPrompt m_prompt;
};

TEST_F(WindowManagerTest, TheMainWindowComesBackWhereItWasClosed) {
  WriteLastWindow({150, 120, 700, 500});
  ASSERT_TRUE(Start());
  CMainFrame* frame = App().MainFrame();
  EXPECT_TRUE(test::PumpUntil([&] { return FrameOnScreen(frame) == wxRect(150, 120, 700, 500); }))
      << "on screen: " << FrameOnScreen(frame).x << "," << FrameOnScreen(frame).y << " "
      << FrameOnScreen(frame).width << "x" << FrameOnScreen(frame).height;

  // Moved and resized by the user, closed, started again.
  frame->SetSize(wxRect(260, 90, 820, 560));
  ASSERT_TRUE(test::PumpUntil([&] { return FrameOnScreen(frame) == wxRect(260, 90, 820, 560); }));
  frame->Close(true);
  test::Pump(100);
  IniFile ini;
  ASSERT_TRUE(ini.Load(SettingsFilePath()));
  EXPECT_EQ(ini.GetInt("Last Window", "Xpos", -1), 260);
  EXPECT_EQ(ini.GetInt("Last Window", "Ypos", -1), 90);
  EXPECT_EQ(ini.GetInt("Last Window", "Width", -1), 820);
  EXPECT_EQ(ini.GetInt("Last Window", "Height", -1), 560);
  Stop();

  ASSERT_TRUE(Start());
  frame = App().MainFrame();
  EXPECT_TRUE(test::PumpUntil([&] { return FrameOnScreen(frame) == wxRect(260, 90, 820, 560); }))
      << "after the restart: " << FrameOnScreen(frame).x << "," << FrameOnScreen(frame).y;
  test::SaveScreenshot(std::string("main_window_after_restart_") + test::ShotLanguage());
}

TEST_F(WindowManagerTest, TheLogoIsInFrontCentredOnThePlacedMainWindow) {
  WriteLastWindow({330, 210, 760, 540});
  ASSERT_TRUE(Start());
  CMainFrame* frame = App().MainFrame();
  CLogoWindow* logo = App().LogoWindow();
  ASSERT_NE(logo, nullptr);
  ASSERT_TRUE(test::PumpUntil([&] { return FrameOnScreen(frame) == wxRect(330, 210, 760, 540); }));
  // The main window comes forward, as when it is clicked: the logo stays in front.
  frame->Raise();
  test::Pump(300);
  const wxRect main = FrameOnScreen(frame), shown = FrameOnScreen(logo);
  const wxPoint mainCentre(main.x + main.width / 2, main.y + main.height / 2);
  const wxPoint logoCentre(shown.x + shown.width / 2, shown.y + shown.height / 2);
  EXPECT_LE(std::abs(mainCentre.x - logoCentre.x), 1);
  EXPECT_LE(std::abs(mainCentre.y - logoCentre.y), 1);
  EXPECT_TRUE(StackedOver(logo, frame)) << "the logo is stacked over the main window";

  // What the screen shows there is the logo's picture.
  const wxImage picture = logo->Picture().ConvertToImage();
  const wxImage screen = test::GrabScreen(wxRect(shown.x + CLogoWindow::kMargin, shown.y + CLogoWindow::kMargin,
                                                 picture.GetWidth(), picture.GetHeight()));
  int differing = 0;
  for (int y = 0; y < picture.GetHeight(); y += 7)
    for (int x = 0; x < picture.GetWidth(); x += 7)
      if (std::abs(picture.GetRed(x, y) - screen.GetRed(x, y)) > 8 ||
          std::abs(picture.GetGreen(x, y) - screen.GetGreen(x, y)) > 8)
        ++differing;
  EXPECT_EQ(differing, 0) << "the logo's pixels are on the screen";
}

TEST_F(WindowManagerTest, ASlideShowKeepsTheKeyboardWhenTheLogoGoes) {
  const std::vector<fs::path> paths = {WritePicture("one.bmp"), WritePicture("two.bmp")};
  ASSERT_TRUE(Start());
  CLogoWindow* logo = App().LogoWindow();
  ASSERT_NE(logo, nullptr);
  bool ended = false;
  SlideShowSettings settings;  // full screen, any key, repeating
  windows::CSlide* show = windows::CSlide::Start(paths, settings, [&] { ended = true; });
  ASSERT_NE(show, nullptr);
  ASSERT_TRUE(test::PumpUntil([&] { return wxWindow::FindFocus() == show->Canvas(); }));

  logo->Finish();
  ASSERT_TRUE(test::PumpUntil([&] { return App().LogoWindow() == nullptr; }));
  test::Pump(300);
  EXPECT_TRUE(StackedOver(show, App().MainFrame()));

  // Keys as the X server delivers them, to whatever window has the keyboard.
  ASSERT_EQ(std::system("xdotool key Right"), 0);
  EXPECT_TRUE(test::PumpUntil([&] { return show->CurrentIndex() == 1; })) << "Right moves on";
  ASSERT_EQ(std::system("xdotool key Escape"), 0);
  EXPECT_TRUE(test::PumpUntil([&] { return ended; })) << "Escape ends the show";
}

}  // namespace
}  // namespace tessaly::shell
