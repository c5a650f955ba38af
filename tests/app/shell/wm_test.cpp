// What a person sees under a window manager: where the main window opens, whether the
// start-up logo is in front, and where the keyboard goes. Run under Xvfb with openbox
// (with_openbox.sh); positions and stacking are read from the X server, not from wx.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <wx/display.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/ini_file.h"
#include "formats/picture_file.h"
#include "shell/app.h"
#include "shell/logo_window.h"
#include "shell/main_frame.h"
#include "shell/window_placement.h"
#include "shell_test_support.h"
#include "test_support/recorded_prompt.h"
#include "test_support/temp_folder.h"
#include "ui/app_state.h"
#include "ui/file_dialogs.h"
#include "ui/message_box.h"
#include "ui/wx_prompt.h"
#include "windows/slide_show_window.h"
#include "windows/x_screen.h"
#include "workflows/connection.h"
#include "x_window.h"

namespace tessaly::shell {
namespace {

namespace fs = std::filesystem;
using test::CardinalProperty;
using test::FrameOnScreen;
using test::XDisplay;
using test::XWindowOf;

// Bottom first, as the window manager stacks its windows.
std::vector<long> Stacking() {
  XSync(XDisplay(), False);
  return CardinalProperty(DefaultRootWindow(XDisplay()), "_NET_CLIENT_LIST_STACKING");
}

std::vector<std::string> AtomNames(Window window, const char* property) {
  std::vector<std::string> names;
  for (long atom : CardinalProperty(window, property)) {
    char* name = XGetAtomName(XDisplay(), static_cast<Atom>(atom));
    if (name != nullptr) {
      names.emplace_back(name);
      XFree(name);
    }
  }
  return names;
}

wxDialog* ModalDialog() {
  for (wxWindow* window : wxTopLevelWindows)
    if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog && dialog->IsModal()) return dialog;
  return nullptr;
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
    ui::TheAppState() = ui::AppState{};
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
    // The file borrows the picture, which must live until the save is done.
    const Picture picture = Picture::Make(64, 48, 24, 0x60);
    PictureFile file;
    file.InitFromDocument(picture, false, "");
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
      << "on screen: " << FrameOnScreen(frame).x << "," << FrameOnScreen(frame).y << " " << FrameOnScreen(frame).width
      << "x" << FrameOnScreen(frame).height;

  // Moved and resized by the user, closed, started again.
  // The X server can take the new rectangle before wx has read it back: the test waits
  // for both, as a person's close comes long after.
  const wxRect moved(260, 90, 820, 560);
  frame->SetSize(moved);
  ASSERT_TRUE(test::PumpUntil([&] { return FrameOnScreen(frame) == moved && frame->GetRect() == moved; }))
      << "on screen " << FrameOnScreen(frame).width << "x" << FrameOnScreen(frame).height << ", wx "
      << frame->GetRect().x << "," << frame->GetRect().y << " " << frame->GetRect().width << "x"
      << frame->GetRect().height;
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
  const wxImage screen = test::GrabScreen(
      wxRect(shown.x + CLogoWindow::kMargin, shown.y + CLogoWindow::kMargin, picture.GetWidth(), picture.GetHeight()));
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

// What a screen reader and a test read of the toolkit's message box.
struct MessageBoxSeen {
  int role = 0;
  std::string accessibleName, text, secondary, iconName;
  std::vector<std::string> actions;
  wxRect frame;
};

// Waits for the message box, reads it, and ends it with answer (a GtkResponseType).
MessageBoxSeen ReadMessageBox(const std::string& shot, int answer) {
  MessageBoxSeen seen;
  void* box = nullptr;
  if (!test::PumpUntil([&] { return (box = ui::TopMessageBox()) != nullptr && test::WidgetOnScreen(box); }, 5000))
    return seen;
  test::Pump(200);
  void* accessible = gtk_widget_get_accessible(box);
  seen.role = atk_object_get_role(accessible);
  if (const char* name = atk_object_get_name(accessible)) seen.accessibleName = name;
  seen.text = test::StringProperty(box, "text");
  seen.secondary = test::StringProperty(box, "secondary-text");
  if (void* image = gtk_message_dialog_get_image(box)) seen.iconName = test::StringProperty(image, "icon-name");
  seen.actions = AtomNames(test::XWindowOfWidget(box), "_NET_WM_ALLOWED_ACTIONS");
  seen.frame = test::FrameOnScreenOf(test::XWindowOfWidget(box));
  test::SaveScreenshot(shot);
  gtk_dialog_response(box, answer);
  return seen;
}

TEST_F(WindowManagerTest, MessageBoxesAreTheToolkitsAlertsWithTheirIconAndFile) {
  ASSERT_TRUE(Start());
  if (CLogoWindow* logo = App().LogoWindow()) logo->Finish();
  struct Case {
    MessageId message;
    PromptButtons buttons;
    const char* icon;
    const char* kind;
  };
  const Case cases[] = {
      {kMsgNoDataInAlbum, PromptButtons::kOk, "dialog-information", "information"},
      {kMsgNotValidFileType, PromptButtons::kOk, "dialog-warning", "failure"},
      {kMsgFileExistsReplace, PromptButtons::kYesNo, "dialog-question", "question"},
      {kMsgFailedToCommunicate, PromptButtons::kRetryCancel, "dialog-warning", "warning"},
  };
  for (const Case& c : cases) {
    MessageBoxSeen seen;
    wxTheApp->CallAfter([&] {
      seen = ReadMessageBox(std::string("message_box_") + c.kind + "_" + test::ShotLanguage(), -8 /* yes */);
    });
    PromptAnswer answer;
    {
      PromptSubject subject((m_folder / "fake.bmp").string());
      answer = ui::WxPrompt().Show(MessageText(c.message), c.buttons);
    }
    SCOPED_TRACE(c.kind);
    EXPECT_EQ(seen.role, 2 /* ATK_ROLE_ALERT */) << "a screen reader announces it as an alert";
    EXPECT_FALSE(seen.accessibleName.empty());
    const std::string_view text = MessageText(c.message);
    EXPECT_EQ(seen.text, wxGetTranslation(wxString::FromUTF8(text.data(), text.size())).utf8_string());
    EXPECT_EQ(seen.secondary, "fake.bmp") << "the file is named under the text";
    EXPECT_EQ(seen.iconName, c.icon);
    EXPECT_EQ(std::count(seen.actions.begin(), seen.actions.end(), "_NET_WM_ACTION_CLOSE"), 1);
    for (const char* refused : {"_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT"})
      EXPECT_EQ(std::count(seen.actions.begin(), seen.actions.end(), refused), 0) << refused;
    EXPECT_TRUE(wxRect(0, 0, 1280, 800).Contains(seen.frame));
    if (c.buttons == PromptButtons::kRetryCancel) {
      EXPECT_EQ(answer, PromptAnswer::kRetry);
    } else if (c.buttons == PromptButtons::kYesNo) {
      EXPECT_EQ(answer, PromptAnswer::kYes);
    }
  }
}

TEST_F(WindowManagerTest, TheFirstPlacementFitsTheWorkAreaCentred) {
  ASSERT_TRUE(Start());  // no saved rectangle
  CMainFrame* frame = App().MainFrame();
  const wxRect area = wxDisplay(0u).GetClientArea();
  wxRect shown;
  EXPECT_TRUE(test::PumpUntil([&] {
    shown = FrameOnScreen(frame);
    return !shown.IsEmpty() && area.Contains(shown);
  })) << "on screen: "
      << shown.x << "," << shown.y << " " << shown.width << "x" << shown.height << " in " << area.width << "x"
      << area.height;
  const int left = shown.x - area.x, right = area.GetRight() - shown.GetRight();
  const int top = shown.y - area.y, bottom = area.GetBottom() - shown.GetBottom();
  EXPECT_LE(std::abs(left - right), 2) << "centred across";
  EXPECT_LE(std::abs(top - bottom), 40) << "centred down (the title bar aside)";
  test::SaveScreenshot(std::string("main_window_first_start_") + std::to_string(area.width) + "_" +
                       test::ShotLanguage());
}

TEST_F(WindowManagerTest, ADialogOpenedJustAfterStartTakesItsFirstClick) {
  ASSERT_TRUE(Start());
  ASSERT_NE(App().LogoWindow(), nullptr) << "the logo is up";
  test::Pump(400);
  bool clicked = false;
  wxTheApp->CallAfter([&] {
    wxDialog* about = nullptr;
    if (!test::PumpUntil([&] { return (about = ModalDialog()) != nullptr && !FrameOnScreen(about).IsEmpty(); })) return;
    test::Pump(300);  // placed by the window manager
    wxWindow* ok = about->FindWindow(wxID_OK);
    if (ok == nullptr) return;
    const wxRect button = ok->GetScreenRect();
    test::SaveScreenshot(std::string("about_at_start_") + test::ShotLanguage());
    const std::string click = "xdotool mousemove " + std::to_string(button.x + button.width / 2) + " " +
                              std::to_string(button.y + button.height / 2) + " click 1";
    clicked = std::system(click.c_str()) == 0;
    // A click that missed leaves the dialog up: it is ended after a while so that the
    // test can say so.
    wxDialog* left = about;
    test::PumpUntil([&] { return ModalDialog() != left; }, 3000);
    if (ModalDialog() == left) left->EndModal(wxID_CANCEL), clicked = false;
  });
  App().MainFrame()->ShowAbout();
  EXPECT_TRUE(clicked) << "the first click reached the dialog's button";
  EXPECT_EQ(App().LogoWindow(), nullptr) << "the logo went when the dialog opened";
}

TEST_F(WindowManagerTest, SaveAsFitsA1280By800Screen) {
  ASSERT_TRUE(Start());
  if (CLogoWindow* logo = App().LogoWindow()) logo->Finish();
  ui::CFileSaveDialog save(App().MainFrame(), "Save As", kSaveAsFilter, m_folder.Path().string(), "photo.jpg", 1);
  wxRect shown;
  test::RunModal(save, [&] {
    test::PumpUntil([&] {
      shown = FrameOnScreen(&save);
      return !shown.IsEmpty() && shown.height < 800;
    });
    test::SaveScreenshot(std::string("save_as_1280x800_") + test::ShotLanguage());
    save.EndModal(wxID_CANCEL);
  });
  EXPECT_TRUE(wxRect(0, 0, 1280, 800).Contains(shown))
      << shown.x << "," << shown.y << " " << shown.width << "x" << shown.height;
}

// Where the chooser is each moment from its first appearance on, for a while: the
// distinct outer rectangles the X server had.
std::vector<wxRect> PlacesOfChooser(wxFileDialog& chooser) {
  std::vector<wxRect> places;
  wxTheApp->CallAfter([&] {
    if (!test::PumpUntil([&] { return !FrameOnScreen(&chooser).IsEmpty(); }, 5000)) return;
    wxStopWatch watch;
    test::PumpUntil([&] {
      const wxRect now = FrameOnScreen(&chooser);
      if (!now.IsEmpty() && (places.empty() || places.back() != now)) places.push_back(now);
      return watch.Time() > 800;
    });
    chooser.EndModal(wxID_CANCEL);
  });
  chooser.ShowModal();
  return places;
}

TEST_F(WindowManagerTest, TheChoosersAppearInTheirPlaceAndStayThere) {
  ASSERT_TRUE(Start());
  if (CLogoWindow* logo = App().LogoWindow()) logo->Finish();
  ui::CPreviewFileDialog open(App().MainFrame(), "Open", kSaveAsFilter, m_folder.Path().string(), 1);
  std::vector<wxRect> places = PlacesOfChooser(open);
  ASSERT_FALSE(places.empty());
  EXPECT_EQ(places.size(), 1u) << "File Open moved or changed its size after it appeared";
  EXPECT_TRUE(wxRect(0, 0, 1280, 800).Contains(places.back()));

  ui::CFileSaveDialog save(App().MainFrame(), "Save As", kSaveAsFilter, m_folder.Path().string(), "photo.jpg", 1);
  places = PlacesOfChooser(save);
  ASSERT_FALSE(places.empty());
  EXPECT_EQ(places.size(), 1u) << "Save As moved or changed its size after it appeared";
  EXPECT_TRUE(wxRect(0, 0, 1280, 800).Contains(places.back()));
}

// What a launcher reads of the startup messages on the root window (format 8, 20 bytes
// an event, the first of a message of type _NET_STARTUP_INFO_BEGIN, the message ended by
// a NUL byte): the whole messages, in order.
void ReadStartupMessages(Display* display, std::map<Window, std::string>& partial, std::vector<std::string>& messages) {
  const Atom begin = XInternAtom(display, "_NET_STARTUP_INFO_BEGIN", False);
  const Atom more = XInternAtom(display, "_NET_STARTUP_INFO", False);
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != ClientMessage || event.xclient.format != 8) continue;
    if (event.xclient.message_type == begin)
      partial[event.xclient.window].clear();
    else if (event.xclient.message_type != more)
      continue;
    std::string& text = partial[event.xclient.window];
    for (int i = 0; i < 20; ++i) {
      const char c = event.xclient.data.b[i];
      if (c == '\0') {
        messages.push_back(text);
        text.clear();
        break;
      }
      text.push_back(c);
    }
  }
}

// The ids of the "remove" messages among startup messages ("remove: ID=value", the value
// bare or in double quotes with backslash escapes).
std::vector<std::string> RemovedIds(const std::vector<std::string>& messages) {
  std::vector<std::string> ids;
  for (const std::string& message : messages) {
    const std::string prefix = "remove:";
    if (message.compare(0, prefix.size(), prefix) != 0) continue;
    std::size_t at = message.find("ID=", prefix.size());
    if (at == std::string::npos) continue;
    at += 3;
    std::string id;
    const bool quoted = at < message.size() && message[at] == '"';
    for (std::size_t i = at + (quoted ? 1 : 0); i < message.size(); ++i) {
      const char c = message[i];
      if (quoted && c == '"') break;
      if (!quoted && c == ' ') break;
      if (c == '\\' && i + 1 < message.size()) {
        id.push_back(message[++i]);
        continue;
      }
      id.push_back(c);
    }
    ids.push_back(id);
  }
  return ids;
}

// A start from a launcher that hands its files over: the launcher's busy cursor stops
// when this program says the start is complete ("remove" with the launcher's id).
TEST_F(WindowManagerTest, AHandedOverStartupIdEndsTheLaunchersFeedback) {
  ASSERT_TRUE(Start());
  CMainFrame* frame = App().MainFrame();
  ASSERT_TRUE(test::PumpUntil([&] { return !FrameOnScreen(frame).IsEmpty(); }));
  // The launcher: a connection of its own, listening on the root window.
  Display* launcher = XOpenDisplay(nullptr);
  ASSERT_NE(launcher, nullptr);
  XSelectInput(launcher, DefaultRootWindow(launcher), PropertyChangeMask);
  XSync(launcher, False);
  std::map<Window, std::string> partial;
  std::vector<std::string> messages;
  auto removed = [&](const std::string& id) {
    ReadStartupMessages(launcher, partial, messages);
    std::vector<std::string> ids = RemovedIds(messages);
    return std::find(ids.begin(), ids.end(), id) != ids.end();
  };

  const std::string id = "launcher-4711-host-tessaly-0_TIME4242";
  App().TakeHandedOver({{}, id, ""});
  EXPECT_TRUE(test::PumpUntil([&] { return removed(id); }, 10000)) << testing::PrintToString(messages);

  // A Wayland token means nothing to an X server: no message goes out for it (the next
  // request's message comes after any it would have caused).
  App().TakeHandedOver({{}, "", "wayland-token"});
  App().TakeHandedOver({{}, "launcher-4712-host-tessaly-0_TIME4343", ""});
  EXPECT_TRUE(test::PumpUntil([&] { return removed("launcher-4712-host-tessaly-0_TIME4343"); }, 10000));
  EXPECT_FALSE(removed("wayland-token")) << testing::PrintToString(messages);
  XCloseDisplay(launcher);
}

}  // namespace
}  // namespace tessaly::shell
