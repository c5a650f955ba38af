// The album window under Xvfb: the scan's rules as the window lists them, thumbnails
// read back from the X server, opening, deleting, copying and sending.
#include <wx/clipbrd.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <fstream>

#include "album_test_support.h"
#include "base/ini_file.h"
#include "camera/camera_ops.h"
#include "camera/link.h"
#include "camera/port.h"
#include "retouch_window/retouch_template.h"
#include "test_support/emulator_process.h"
#include "ui/file_dialogs.h"
#include "ui/processing_dlg.h"
#include "ui/wx_path.h"
#include "workflows/connection.h"

namespace tessaly::windows {
namespace {

using test::Pump;
using test::PumpUntil;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

class AlbumWindow : public test::AlbumWindowTest {};

TEST_F(AlbumWindow, AllPatternListsPicturesOnlyAndTitlesTheWindow) {
  test::SavePictureFile(m_folder / "a.JPG", test::Gradient(64, 48));
  std::ofstream(m_folder / "b.gif") << "GIF89a";
  test::SavePictureFile(m_folder / "c.dib", test::Gradient(30, 20));
  CAlbumView* view = Open(m_folder.Path(), "*.*");
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(ItemNames(view), (Names{"a.JPG", "c.dib"}));
  EXPECT_EQ(view->GetFrame()->GetLabel(), "Album  :  " + ui::PathToWx(m_folder.Path()) + "/");
  EXPECT_TRUE(m_prompt.Texts().empty());
  test::SaveScreenshot("album");
}

TEST_F(AlbumWindow, LinksAreListedByTheirNamesAndOpenTheirTargets) {
  test::TempFolder elsewhere;
  test::SavePictureFile(elsewhere / "y.BMP", test::Gradient(40, 30));
  for (const char* name : {"a.bmp", "z.bmp"}) test::SavePictureFile(m_folder / name, test::Gradient(20, 20));
  fs::create_symlink(elsewhere / "y.BMP", m_folder / "x.lnk");
  fs::create_symlink(elsewhere / "gone.bmp", m_folder / "broken.lnk");
  CAlbumView* view = Open(m_folder.Path(), "*.bmp");
  ASSERT_EQ(ItemNames(view), (Names{"a.bmp", "x.lnk", "z.bmp"}));

  std::vector<fs::path> opened;
  view->openHook = [&](const fs::path& path) { opened.push_back(path); };
  // A real double-click on the link's thumbnail.
  wxRect icon = view->Grid()->IconScreenRect(1);
  wxUIActionSimulator input;
  input.MouseMove(icon.GetPosition() + wxPoint(icon.width / 2, icon.height / 2));
  Pump(50);
  input.MouseDblClick();
  ASSERT_TRUE(PumpUntil([&] { return !opened.empty(); }));
  EXPECT_EQ(opened, (std::vector<fs::path>{fs::canonical(elsewhere / "y.BMP")}));
  EXPECT_TRUE(view->Items()[1].selected);
}

// A double-click opens a retouch window through the document manager, also for a file
// whose name is not UTF-8.
TEST_F(AlbumWindow, DoubleClickOpensARetouchWindowWhateverTheNamesEncoding) {
  retouch::CreateRetouchTemplate(m_manager);
  const std::string shiftJis = "\x8e\xca\x90\x5e.bmp";
  test::SavePictureFile(m_folder / shiftJis, test::Gradient(48, 36));
  CAlbumView* view = Open(m_folder.Path(), "*.bmp");
  ASSERT_EQ(view->Items().size(), 1u);
  wxRect icon = view->Grid()->IconScreenRect(0);
  wxUIActionSimulator input;
  input.MouseMove(icon.GetPosition() + wxPoint(icon.width / 2, icon.height / 2));
  Pump(50);
  input.MouseDblClick();
  ASSERT_TRUE(PumpUntil([&] { return m_manager->GetDocumentsVector().size() == 2; }));
  wxDocument* opened = m_manager->GetDocumentsVector()[1];
  EXPECT_EQ(ui::WxToPath(opened->GetFilename()), m_folder / shiftJis);
  EXPECT_TRUE(m_prompt.Texts().empty()) << testing::PrintToString(m_prompt.Texts());
  // The window's tab reads as the album's caption does.
  EXPECT_EQ(opened->GetFirstView()->GetFrame()->GetLabel(), view->Items()[0].caption);
  EXPECT_EQ(view->Items()[0].caption, wxString::FromUTF8("\xe5\x86\x99\xe7\x9c\x9f.bmp"));
  opened->Modify(false);
}

TEST_F(AlbumWindow, SelectingNeverMovesAThumbnailAndItsFrameIsWhole) {
  for (const char* name : {"a.bmp", "b.bmp"}) test::SavePictureFile(m_folder / name, test::Gradient(80, 60));
  CAlbumView* view = Open(m_folder.Path(), "*.bmp");
  ASSERT_EQ(view->Items().size(), 2u);
  const wxRect icon = view->Grid()->IconScreenRect(0);
  const wxImage before = test::GrabScreen(icon);
  wxUIActionSimulator input;
  input.MouseMove(icon.GetPosition() + wxPoint(icon.width / 2, icon.height / 2));
  Pump(50);
  input.MouseClick();
  ASSERT_TRUE(PumpUntil([&] { return view->Items()[0].selected; }));
  Pump(100);
  const wxImage after = test::GrabScreen(icon);
  int moved = 0;
  for (int y = 0; y < icon.height; ++y)
    for (int x = 0; x < icon.width; ++x)
      if (before.GetRed(x, y) != after.GetRed(x, y) || before.GetGreen(x, y) != after.GetGreen(x, y) ||
          before.GetBlue(x, y) != after.GetBlue(x, y))
        ++moved;
  EXPECT_EQ(moved, 0) << "the thumbnail is drawn where it was";

  // Two pixels of the highlight on every side, whole along each side.
  const wxColour highlight = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
  const int ring = CIconGrid::kSelectionFrame;
  const wxImage around = test::GrabScreen(wxRect(icon).Inflate(ring));
  auto isHighlight = [&](int x, int y) {
    return around.GetRed(x, y) == highlight.Red() && around.GetGreen(x, y) == highlight.Green() &&
           around.GetBlue(x, y) == highlight.Blue();
  };
  int gaps = 0;
  for (int d = 0; d < ring; ++d) {
    for (int x = 0; x < around.GetWidth(); ++x)
      gaps += !isHighlight(x, d) + !isHighlight(x, around.GetHeight() - 1 - d);
    for (int y = 0; y < around.GetHeight(); ++y)
      gaps += !isHighlight(d, y) + !isHighlight(around.GetWidth() - 1 - d, y);
  }
  EXPECT_EQ(gaps, 0);
  test::SaveScreenshot(std::string("album_selection_") + test::ShotLanguage());
}

TEST_F(AlbumWindow, MenuHelpAndThePanesFollowTheWindowInFront) {
  retouch::CreateRetouchTemplate(m_manager);
  test::SavePictureFile(m_folder / "a.bmp", test::Gradient(320, 240));
  CAlbumView* view = Open(m_folder.Path(), "*.bmp");
  wxStatusBar* bar = m_frame->GetStatusBar();

  // Pointing at a command of the album's own menus.
  auto point = [](wxFrame* frame, int id) {
    wxMenuEvent highlight(wxEVT_MENU_HIGHLIGHT, id, frame->GetMenuBar()->FindItem(id)->GetMenu());
    highlight.SetEventObject(frame);
    frame->ProcessWindowEvent(highlight);
  };
  point(view->Frame(), XRCID("ID_EDIT_SELECT_ALL_IMAGES"));
  EXPECT_EQ(bar->GetStatusText(0), "Selects all images.");

  // A picture opened from the album brings its panes; the album brought forward takes them away.
  const wxRect icon = view->Grid()->IconScreenRect(0);
  wxUIActionSimulator input;
  input.MouseMove(icon.GetPosition() + wxPoint(icon.width / 2, icon.height / 2));
  Pump(50);
  input.MouseDblClick();
  ASSERT_TRUE(PumpUntil([&] { return m_manager->GetDocumentsVector().size() == 2; }));
  ASSERT_TRUE(PumpUntil([&] { return bar->GetStatusText(1) == "320x240"; }));
  EXPECT_EQ(bar->GetStatusText(3), "225 KByte");
  wxView* picture = m_manager->GetDocumentsVector()[1]->GetFirstView();
  point(dynamic_cast<wxFrame*>(picture->GetFrame()), wxID_UNDO);
  EXPECT_EQ(bar->GetStatusText(0), "Reverses certain command.");

  static_cast<wxMDIChildFrame*>(view->Frame())->Activate();
  ASSERT_TRUE(PumpUntil([&] { return bar->GetStatusText(1).empty(); }));
  EXPECT_EQ(bar->GetStatusText(2), "");
  EXPECT_EQ(bar->GetStatusText(3), "");
  static_cast<wxMDIChildFrame*>(picture->GetFrame())->Activate();
  EXPECT_TRUE(PumpUntil([&] { return bar->GetStatusText(1) == "320x240"; })) << "and back with its window";
  picture->GetDocument()->Modify(false);
}

// The menu's enabling rules, and the keys the menu names, pressed for real.
TEST_F(AlbumWindow, CommandsNeedASelectionAndTheKeysReachThem) {
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) test::SavePictureFile(m_folder / name, test::Gradient(8, 8));
  CAlbumView* view = Open(m_folder.Path(), "*.bmp");
  wxFrame* frame = view->Frame();
  auto enabled = [&](int id) {
    wxUpdateUIEvent event(id);
    event.SetEventObject(frame);
    frame->ProcessWindowEvent(event);
    return event.GetEnabled();
  };
  const int needSelection[] = {wxID_COPY, XRCID("ID_ALBUM_DELETE"), XRCID("ID_SAVE_FROM_ALBUM"),
                               XRCID("ID_SAVE_TO_CAMERA")};
  for (int id : needSelection) EXPECT_FALSE(enabled(id)) << id;
  for (int id : {XRCID("ID_EDIT_SELECT_ALL_IMAGES"), XRCID("ID_SLIDE_SHOW"), int(wxID_PRINT), int(wxID_PREVIEW)})
    EXPECT_TRUE(enabled(id)) << id;
  for (int id : {int(wxID_SAVE), int(wxID_SAVEAS), XRCID("ID_PHOTO_PROPERTIES")}) EXPECT_FALSE(enabled(id)) << id;

  view->Grid()->SetFocus();
  Pump(50);
  wxUIActionSimulator input;
  input.Char('a', wxMOD_CONTROL);
  ASSERT_TRUE(PumpUntil([&] { return view->Selected().size() == 3; }));
  for (int id : needSelection) EXPECT_TRUE(enabled(id)) << id;
  int asked = 0;
  CConfirmDeleteDlg::answerHook = [&](CConfirmDeleteDlg&) {
    ++asked;
    return wxID_CANCEL;
  };
  input.Char(WXK_DELETE);
  ASSERT_TRUE(PumpUntil([&] { return asked > 0; }));
  Pump(50);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(view->Items().size(), 3u);
  // An arrow key selects the next item alone, and Enter opens it.
  input.Char(WXK_RIGHT);
  ASSERT_TRUE(PumpUntil([&] { return view->Selected().size() == 1; }));
  std::vector<fs::path> opened;
  view->openHook = [&](const fs::path& path) { opened.push_back(path); };
  input.Char(WXK_RETURN);
  ASSERT_TRUE(PumpUntil([&] { return !opened.empty(); }));
  EXPECT_EQ(opened, std::vector<fs::path>{view->PathOf(view->Selected().front())});
  view->openHook = nullptr;

  // A rubber band from the free space below the row over the first two thumbnails.
  wxRect first = view->Grid()->IconScreenRect(0), second = view->Grid()->IconScreenRect(1);
  input.MouseMove(wxPoint(first.x + 10, first.GetBottom() + 60));
  Pump(30);
  input.MouseDown();
  Pump(30);
  input.MouseMove(wxPoint(second.x + 10, second.y + 10));
  Pump(30);
  input.MouseUp();
  ASSERT_TRUE(PumpUntil([&] { return view->Selected() == std::vector<int>{0, 1}; }));
}

// "Open Album...": the folder chooser's folder and type make the album, and both are
// kept for the next time.
TEST_F(AlbumWindow, OpenAlbumTakesTheFolderAndThePatternOfTheChosenType) {
  test::ScopedEnv ini("TESSALY_INI", (m_folder / "Tessaly.ini").string());
  fs::path pictures = m_folder / "pictures";
  fs::create_directory(pictures);
  wxTheApp->CallAfter([&] {
    for (wxWindow* window : wxTopLevelWindows)
      if (auto* dialog = dynamic_cast<ui::CFolderDialog*>(window); dialog && dialog->IsModal()) {
        dialog->SetFolder(ui::PathToWx(pictures));
        dialog->SetFilterIndex(2);  // "JPEG(*.jpg)"
        wxCommandEvent ok(wxEVT_BUTTON, wxID_OK);
        ok.SetEventObject(dialog->FindWindow(wxID_OK));
        dialog->FindWindow(wxID_OK)->GetEventHandler()->ProcessEvent(ok);
      }
  });
  fs::path folder;
  std::string pattern;
  RunOpenAlbum(m_frame, [&](const fs::path& f, const std::string& p) { folder = f, pattern = p; });
  EXPECT_EQ(folder, pictures);
  EXPECT_EQ(pattern, "*.jpg");
  EXPECT_EQ(ReadProfileString("Last Used Dir", "Album", ""), pictures.string());
  EXPECT_EQ(ReadProfileInt("Last Used Ext", "Album", 0), 3);
}

TEST_F(AlbumWindow, AnEmptyAlbumSaysSoAndClosesItself) {
  std::ofstream(m_folder / "notes.txt") << "x";
  CAlbumDoc* doc = OpenAlbumWindow(m_manager, m_folder.Path(), "*.*");
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return m_manager->GetDocumentsVector().empty(); }, 5000));
  EXPECT_EQ(m_prompt.Texts(), (Names{"No data exist in album."}));
}

// Cancel in the progress dialog stops the build between two files; the thumbnails made
// so far stay, in the folder's order.
TEST_F(AlbumWindow, CancelStopsTheBuildAndKeepsWhatWasBuilt) {
  constexpr int kFiles = 60;
  for (int i = 0; i < kFiles; ++i)
    test::SavePictureFile(m_folder / ("p" + std::to_string(100 + i) + ".jpg"), test::Noise24(640, 480, i + 1));
  CAlbumDoc* doc = OpenAlbumWindow(m_manager, m_folder.Path(), "*.jpg");
  ASSERT_NE(doc, nullptr);
  auto* view = dynamic_cast<CAlbumView*>(doc->GetFirstView());
  bool pressed = false;
  wxTimer presser;
  presser.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (pressed || view->Items().empty()) return;
    for (wxWindow* window : wxTopLevelWindows)
      if (auto* dialog = dynamic_cast<ui::CProcessingDlg*>(window)) {
        wxWindow* cancel = dialog->FindWindow(wxID_CANCEL);
        wxCommandEvent click(wxEVT_BUTTON, wxID_CANCEL);
        click.SetEventObject(cancel);
        cancel->GetEventHandler()->ProcessEvent(click);
        pressed = true;
      }
  });
  presser.Start(5);
  ASSERT_TRUE(PumpUntil([&] { return view->Built(); }, 20000));
  presser.Stop();
  ASSERT_TRUE(pressed);
  ASSERT_GE(view->Items().size(), 1u);
  EXPECT_LT(view->Items().size(), static_cast<std::size_t>(kFiles));
  for (std::size_t i = 0; i < view->Items().size(); ++i)
    EXPECT_EQ(view->Items()[i].name, "p" + std::to_string(100 + i) + ".jpg");
  EXPECT_TRUE(m_prompt.Texts().empty());
}

// The thumbnail each kind of file gets, read back from the X server, equals the rule's
// pixels on the list's background colour.
TEST_F(AlbumWindow, ThumbnailsOnTheScreenFollowTheRuleForEveryFormat) {
  test::SavePictureFile(m_folder / "1-true.bmp", test::Gradient(40, 30));
  Picture palette = test::Indexed(100, 40, 8);
  test::SavePictureFile(m_folder / "2-palette.bmp", palette);
  test::SavePictureFile(m_folder / "3-portrait.tif", test::Gradient(480, 640));
  test::SavePictureFile(m_folder / "4-camera.jpg", test::Gradient(640, 480));
  test::SavePictureFile(m_folder / "5-four-bit.bmp", test::Indexed(33, 21, 4));
  CAlbumView* view = Open(m_folder.Path(), "*.*");
  ASSERT_EQ(view->Items().size(), 5u);
  const wxColour back = view->Grid()->Background();
  const RgbQuad background{back.Blue(), back.Green(), back.Red(), 0};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(view->Items()[i].name);
    PictureFile file;
    ASSERT_TRUE(OpenPictureFile(file, view->PathOf(i)));
    wxImage expected = ui::ImageOfPicture(MakeAlbumThumbnail(file.picture, background));
    wxImage shown = test::GrabScreen(view->Grid()->IconScreenRect(i));
    ASSERT_EQ(shown.GetWidth(), 80);
    int differences = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 80; ++x)
        if (shown.GetRed(x, y) != expected.GetRed(x, y) || shown.GetGreen(x, y) != expected.GetGreen(x, y) ||
            shown.GetBlue(x, y) != expected.GetBlue(x, y))
          ++differences;
    EXPECT_EQ(differences, 0);
  }
}

TEST_F(AlbumWindow, ItemsGoInRowsLeftToRight) {
  for (int i = 0; i < 12; ++i)
    test::SavePictureFile(m_folder / ("p" + std::to_string(10 + i) + ".bmp"), test::Gradient(8, 8));
  CAlbumView* view = Open(m_folder.Path(), "*.bmp");
  ASSERT_EQ(view->Items().size(), 12u);
  wxRect first = view->Grid()->IconScreenRect(0), second = view->Grid()->IconScreenRect(1);
  EXPECT_EQ(first.y, second.y);
  EXPECT_LT(first.x, second.x);
  int columns = view->Grid()->Layout().Columns(view->Grid()->GetClientSize().x);
  EXPECT_GT(view->Grid()->IconScreenRect(columns).y, first.y);
  EXPECT_EQ(view->Grid()->IconScreenRect(columns).x, first.x);
}

TEST_F(AlbumWindow, DeleteAsksUntilAllAndAllIsOffForOneFile) {
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"})
    test::SavePictureFile(m_folder / name, test::Gradient(8, 8));
  CAlbumView* view = Open(m_folder.Path(), "*.bmp");
  for (int i : {0, 1, 2}) view->Items()[i].selected = true;
  std::vector<wxString> asked;
  std::vector<bool> allEnabled;
  std::vector<int> answers{wxID_NO, wxID_YESTOALL};
  CConfirmDeleteDlg::answerHook = [&](CConfirmDeleteDlg& dialog) {
    asked.push_back(XRCCTRL(dialog, "ID_DELETE_FILE_NAME", wxStaticText)->GetLabel());
    allEnabled.push_back(dialog.FindWindow(XRCID("ID_DELETE_ALL"))->IsEnabled());
    int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  };
  view->DeleteSelected();
  EXPECT_EQ(asked, (std::vector<wxString>{"a.bmp", "b.bmp"}));
  EXPECT_EQ(allEnabled, (std::vector<bool>{true, true}));
  EXPECT_EQ(ItemNames(view), (Names{"a.bmp", "d.bmp"}));
  EXPECT_TRUE(fs::exists(m_folder / "a.bmp"));
  EXPECT_FALSE(fs::exists(m_folder / "b.bmp"));
  EXPECT_FALSE(fs::exists(m_folder / "c.bmp"));
  EXPECT_EQ(view->Files(), (Names{"a.bmp", "d.bmp"}));

  // One file: All is disabled; Cancel keeps it.
  view->Items()[1].selected = true;
  view->Items()[0].selected = false;
  CConfirmDeleteDlg::answerHook = [&](CConfirmDeleteDlg& dialog) {
    allEnabled.push_back(dialog.FindWindow(XRCID("ID_DELETE_ALL"))->IsEnabled());
    return wxID_CANCEL;
  };
  view->DeleteSelected();
  EXPECT_FALSE(allEnabled.back());
  EXPECT_EQ(ItemNames(view), (Names{"a.bmp", "d.bmp"}));
}

TEST_F(AlbumWindow, TheDeleteDialogItselfAnswersItsButtons) {
  CConfirmDeleteDlg dialog(m_frame, 3);
  EXPECT_EQ(dialog.GetTitle(), "Confirm File Delete");
  dialog.SetFileName("x.jpg");
  // The modal loop takes the click of "All" posted before it runs.
  dialog.CallAfter([&] {
    wxWindow* all = dialog.FindWindow(XRCID("ID_DELETE_ALL"));
    wxCommandEvent click(wxEVT_BUTTON, all->GetId());
    click.SetEventObject(all);
    all->GetEventHandler()->ProcessEvent(click);
  });
  EXPECT_EQ(dialog.Ask(), 0);
  EXPECT_EQ(dialog.Choice(), CConfirmDeleteDlg::kAll);
  test::SaveScreenshot("confirm_delete");
}

TEST_F(AlbumWindow, SaveFromAlbumSkipsItsOwnFolderAndAsksOncePerExistingFile) {
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) test::SavePictureFile(m_folder / name, test::Gradient(8, 8));
  const std::string shiftJis = "\x8e\xca\x90\x5e.bmp";
  test::SavePictureFile(m_folder / shiftJis, test::Gradient(9, 9));
  CAlbumView* view = Open(m_folder.Path(), "*.bmp");
  ASSERT_EQ(view->Items().size(), 4u);
  EXPECT_EQ(view->Items()[3].caption, wxString::FromUTF8("写真.bmp"));
  view->SelectAll();
  auto before = fs::last_write_time(m_folder / "a.bmp");
  view->chooseFolderHook = [&] { return m_folder.Path(); };
  view->SaveFromAlbum();
  EXPECT_TRUE(m_prompt.Texts().empty());
  EXPECT_EQ(fs::last_write_time(m_folder / "a.bmp"), before);

  test::TempFolder target;
  std::ofstream(target / "b.bmp") << "old";
  std::ofstream(target / "c.bmp") << "old";
  m_prompt->Answer(PromptAnswer::kNo);
  m_prompt->Answer(PromptAnswer::kYes);
  view->chooseFolderHook = [&] { return target.Path(); };
  view->SaveFromAlbum();
  EXPECT_EQ(m_prompt.Texts(), (Names{"This file already exists.\nReplace existing file?",
                                     "This file already exists.\nReplace existing file?"}));
  EXPECT_EQ(fs::file_size(target / "b.bmp"), 3u);
  EXPECT_EQ(fs::file_size(target / "c.bmp"), fs::file_size(m_folder / "c.bmp"));
  EXPECT_TRUE(fs::exists(target / shiftJis));
}

// A folder chosen through a link is the link's target; a link that leads nowhere is
// named, nothing is copied, and the settings keep the last good folder.
TEST_F(AlbumWindow, SaveFromAlbumFollowsAFolderLinkAndRefusesADanglingOne) {
  test::ScopedEnv ini("TESSALY_INI", (m_folder / "Tessaly.ini").string());
  test::SavePictureFile(m_folder / "a.bmp", test::Gradient(8, 8));
  CAlbumView* view = Open(m_folder.Path(), "*.bmp");
  view->SelectAll();
  test::TempFolder target, links;
  fs::create_directory_symlink(target.Path(), links / "pictures");
  view->chooseFolderHook = [&] { return links / "pictures"; };
  view->SaveFromAlbum();
  EXPECT_TRUE(fs::exists(target / "a.bmp"));
  EXPECT_EQ(ReadProfileString("Last Saved Dir", "Album", ""), target.Path().string());

  fs::create_directory_symlink(links / "gone", links / "dangling");
  view->chooseFolderHook = [&] { return links / "dangling"; };
  view->SaveFromAlbum();
  ASSERT_EQ(m_prompt.Texts().size(), 1u);
  EXPECT_NE(m_prompt.Texts()[0].find((links / "dangling").string()), std::string::npos) << m_prompt.Texts()[0];
  EXPECT_EQ(ReadProfileString("Last Saved Dir", "Album", ""), target.Path().string());
  EXPECT_FALSE(fs::exists(links / "gone"));
}

TEST_F(AlbumWindow, CopyOffersTheFilesAsAUriListThatKeepsTheirBytes) {
  EXPECT_EQ(UriList({"/p/a b.jpg", "/p/\x8e\xca.jpg"}), "file:///p/a%20b.jpg\r\nfile:///p/%8E%CA.jpg\r\n");
  test::SavePictureFile(m_folder / "a.bmp", test::Gradient(8, 8));
  CAlbumView* view = Open(m_folder.Path(), "*.bmp");
  view->SelectAll();
  view->CopySelected();
  EXPECT_TRUE(m_prompt.Texts().empty());
  wxClipboardLocker locker;
  ASSERT_TRUE(!!locker);
  EXPECT_TRUE(wxTheClipboard->IsSupported(wxDataFormat("text/uri-list")));
}

TEST(AlbumDrag, OpensOnlyWhenDroppedOnTheMainWindowOutsideTheAlbum) {
  const PixelRect main{0, 0, 1000, 800}, album{100, 100, 400, 300};
  EXPECT_EQ(DecideDragEnd(false, main, album, 700, 500), DragEnd::kOpenInWindows);
  EXPECT_EQ(DecideDragEnd(false, main, album, 200, 200), DragEnd::kNothing);   // on the album itself
  EXPECT_EQ(DecideDragEnd(false, main, album, 1200, 200), DragEnd::kNothing);  // outside the program
  EXPECT_EQ(DecideDragEnd(true, main, album, 700, 500), DragEnd::kNothing);    // another program took them
}

TEST(AlbumPaths, NamesThatAreNotUtf8SurviveWx) {
  for (std::string name : {"/tmp/plain.jpg", "/tmp/\x8e\xca\x90\x5e.jpg", "/tmp/\xff\xfe.bmp", "/tmp/写真.jpg"})
    EXPECT_EQ(ui::WxToPath(ui::PathToWx(name)).native(), name);
}

// ---------------------------------------------------------------- Save To Camera

TEST_F(AlbumWindow, SaveToCameraFitsEachPictureToTheCamerasSizes) {
  test::SavePictureFile(m_folder / "a.bmp", test::Gradient(320, 240));
  test::SavePictureFile(m_folder / "b.bmp", test::Gradient(1024, 768));
  test::SavePictureFile(m_folder / "c.bmp", test::Gradient(200, 100));
  test::TempFolder card;
  test::EmulatorProcess emulator({"--card", card.Path().string()});
  ASSERT_TRUE(emulator.Running());
  test::ScopedEnv device("TESSALY_COM1", emulator.DevicePath());
  LinkReset();
  TheCameraState() = CameraState{};
  TheLinkSetup() = LinkSetup{};
  PortReset(1);

  CAlbumView* view = Open(m_folder.Path(), "*.bmp");
  view->SelectAll();
  view->SaveToCamera();
  EXPECT_TRUE(m_prompt.Texts().empty());
  emulator.Stop();
  std::vector<std::pair<int, int>> sizes;
  std::vector<fs::path> stored;
  for (const auto& entry : fs::directory_iterator(card.Path())) stored.push_back(entry.path());
  std::sort(stored.begin(), stored.end());
  for (const auto& path : stored) {
    PictureFile file;
    ASSERT_TRUE(file.LoadPicture(path)) << path;
    sizes.emplace_back(file.picture.width, file.picture.height);
  }
  EXPECT_EQ(sizes, (std::vector<std::pair<int, int>>{{320, 240}, {640, 480}, {320, 240}}));
}

}  // namespace
}  // namespace tessaly::windows
