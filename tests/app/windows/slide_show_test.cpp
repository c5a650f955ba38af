// The slide show and the contact sheets under Xvfb.
#include <wx/dcmemory.h>
#include <wx/radiobut.h>
#include <wx/spinbutt.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "album_test_support.h"
#include "picture/slide_show.h"
#include "ui/printing.h"
#include "windows/contact_sheet_printout.h"
#include "windows/slide_show_window.h"

#include <fstream>

namespace tessaly::windows {
namespace {

using test::Pump;
using test::PumpUntil;
using Outcome = SlideStep::Outcome;
namespace fs = std::filesystem;

// ---------------------------------------------------------------- the rules

TEST(SlideShowState, MovesRepeatAndEndAsSet) {
  SlideShowSettings once;
  once.repeat = false;
  SlideShowState noRepeat(3, once);
  noRepeat.SetBusy(false);
  EXPECT_EQ(noRepeat.Handle(SlideInput::kLeft).outcome, Outcome::kRedraw);  // the first picture stays
  EXPECT_EQ(noRepeat.Current(), 0u);
  EXPECT_EQ(noRepeat.Handle(SlideInput::kDown).outcome, Outcome::kLoad);
  EXPECT_EQ(noRepeat.Current(), 2u);
  EXPECT_EQ(noRepeat.Handle(SlideInput::kRight).outcome, Outcome::kEnd);  // past the last

  SlideShowState repeat(3, SlideShowSettings{});
  repeat.SetBusy(false);
  EXPECT_EQ(repeat.Handle(SlideInput::kLeft).outcome, Outcome::kLoad);  // the last before the first
  EXPECT_EQ(repeat.Current(), 2u);
  EXPECT_EQ(repeat.Handle(SlideInput::kEnter).outcome, Outcome::kLoad);  // the first after the last
  EXPECT_EQ(repeat.Current(), 0u);
  EXPECT_EQ(repeat.Handle(SlideInput::kRightButton).outcome, Outcome::kLoad);
  EXPECT_EQ(repeat.Current(), 2u);
  EXPECT_EQ(repeat.Handle(SlideInput::kUp).outcome, Outcome::kLoad);
  EXPECT_EQ(repeat.Current(), 0u);
  EXPECT_EQ(repeat.Handle(SlideInput::kEscape).outcome, Outcome::kEnd);
}

TEST(SlideShowState, AnyKeyShowsMoveOnlyOnTheirKeysAndIgnoreInputWhileBusy) {
  SlideShowState show(4, SlideShowSettings{});
  EXPECT_EQ(show.Handle(SlideInput::kRight).outcome, Outcome::kNothing);  // not drawn yet
  show.SetBusy(false);
  for (SlideInput input : {SlideInput::kOtherKey, SlideInput::kSpace}) {
    SlideStep step = show.Handle(input);
    EXPECT_EQ(step.outcome, Outcome::kRedraw);
    EXPECT_FALSE(step.pause);
  }
  EXPECT_EQ(show.Current(), 0u);
  EXPECT_EQ(show.Handle(SlideInput::kLeftButton).outcome, Outcome::kLoad);
  EXPECT_EQ(show.Current(), 1u);
  EXPECT_FALSE(show.WantsTimer());
}

TEST(SlideShowState, SpacePausesAnAutomaticShowUntilTheNextSpace) {
  SlideShowSettings timed;
  timed.automatic = true;
  timed.intervalSeconds = 0;
  SlideShowState show(3, timed);
  show.SetBusy(false);
  EXPECT_TRUE(show.WantsTimer());
  SlideStep tick = show.Handle(SlideInput::kTimer);
  EXPECT_TRUE(tick.stopTimer);
  EXPECT_EQ(tick.outcome, Outcome::kLoad);
  SlideStep pause = show.Handle(SlideInput::kSpace);
  EXPECT_TRUE(pause.pause);
  EXPECT_TRUE(show.Paused());
  EXPECT_FALSE(show.WantsTimer());
  for (SlideInput input : {SlideInput::kRight, SlideInput::kLeft, SlideInput::kUp, SlideInput::kDown})
    EXPECT_EQ(show.Handle(input).outcome, Outcome::kRedraw);
  for (SlideInput input : {SlideInput::kLeftButton, SlideInput::kRightButton, SlideInput::kTimer})
    EXPECT_EQ(show.Handle(input).outcome, Outcome::kNothing);
  EXPECT_EQ(show.Current(), 1u);
  SlideStep resume = show.Handle(SlideInput::kSpace);
  EXPECT_TRUE(resume.resume);
  EXPECT_FALSE(show.Paused());
  EXPECT_EQ(show.Handle(SlideInput::kEscape).outcome, Outcome::kEnd);  // paused or not
}

// ---------------------------------------------------------------- the window

class SlideShow : public test::AlbumWindowTest {
 protected:
  CAlbumView* OpenThree() {
    test::SavePictureFile(m_folder / "a.bmp", test::Filled(640, 480, {0, 0, 255}));
    test::SavePictureFile(m_folder / "b.bmp", test::Filled(320, 240, {0, 255, 0}));
    test::SavePictureFile(m_folder / "c.bmp", test::Filled(100, 80, {255, 0, 0}));
    return Open(m_folder.Path(), "*.bmp");
  }
  CSlide* Start(CAlbumView* view, SlideShowSettings settings) {
    view->slideSettingsHook = [settings](SlideShowSettings& s) {
      s = settings;
      return true;
    };
    view->StartSlideShow();
    CSlide* slide = view->Slide();
    if (slide) PumpUntil([&] { return !slide->State().Busy(); });
    Pump(100);
    return slide;
  }
};

TEST_F(SlideShow, FullScreenStretchesAndKeysMoveThroughTheAlbum) {
  CAlbumView* view = OpenThree();
  CSlide* slide = Start(view, SlideShowSettings{});
  ASSERT_NE(slide, nullptr);
  EXPECT_EQ(slide->GetScreenRect(), wxRect(wxPoint(0, 0), wxGetDisplaySize()));
  wxImage screen = test::GrabScreen(wxRect(0, 0, 1280, 1024));
  EXPECT_EQ(wxColour(screen.GetRed(5, 5), screen.GetGreen(5, 5), screen.GetBlue(5, 5)), wxColour(255, 0, 0));
  EXPECT_EQ(wxColour(screen.GetRed(1275, 1020), screen.GetGreen(1275, 1020), screen.GetBlue(1275, 1020)),
            wxColour(255, 0, 0));
  test::SaveScreenshot("slide_full_screen");

  // Real key releases reach the show.
  wxUIActionSimulator input;
  input.Char(WXK_RIGHT);
  ASSERT_TRUE(PumpUntil([&] { return slide->CurrentIndex() == 1; }));
  input.Char('x');  // any other key only redraws
  Pump(100);
  EXPECT_EQ(slide->CurrentIndex(), 1u);
  slide->Input(SlideInput::kLeft);
  EXPECT_EQ(slide->CurrentIndex(), 0u);
  slide->Input(SlideInput::kLeft);  // repeat: the last before the first
  EXPECT_EQ(slide->CurrentIndex(), 2u);
  input.Char(WXK_ESCAPE);
  ASSERT_TRUE(PumpUntil([&] { return view->Slide() == nullptr; }));
}

TEST_F(SlideShow, ActualSizeCentresOnBlackAndTheEndClosesWithoutRepeat) {
  CAlbumView* view = OpenThree();
  SlideShowSettings settings;
  settings.fullScreen = false;
  settings.repeat = false;
  CSlide* slide = Start(view, settings);
  ASSERT_NE(slide, nullptr);
  wxSize screen = wxGetDisplaySize();
  wxImage shot = test::GrabScreen(wxRect(wxPoint(0, 0), screen));
  int left = (screen.x - 640) / 2, top = (screen.y - 480) / 2;
  auto colour = [&](int x, int y) { return wxColour(shot.GetRed(x, y), shot.GetGreen(x, y), shot.GetBlue(x, y)); };
  EXPECT_EQ(colour(left - 1, top + 10), *wxBLACK);
  EXPECT_EQ(colour(left, top), wxColour(255, 0, 0));
  EXPECT_EQ(colour(left + 639, top + 479), wxColour(255, 0, 0));
  EXPECT_EQ(colour(left + 640, top + 479), *wxBLACK);
  EXPECT_EQ(colour(left + 10, top + 480), *wxBLACK);
  test::SaveScreenshot("slide_actual_size");
  slide->Input(SlideInput::kLeft);  // no repeat: the first stays
  EXPECT_EQ(slide->CurrentIndex(), 0u);
  slide->Input(SlideInput::kRight);
  slide->Input(SlideInput::kRight);
  EXPECT_EQ(slide->CurrentIndex(), 2u);
  slide->Input(SlideInput::kRight);
  ASSERT_TRUE(PumpUntil([&] { return view->Slide() == nullptr; }));
}

TEST_F(SlideShow, AutomaticShowsAdvanceByTheTimerAndPauseWithSpace) {
  CAlbumView* view = OpenThree();
  SlideShowSettings settings;
  settings.automatic = true;
  settings.intervalSeconds = 0;
  CSlide* slide = Start(view, settings);
  ASSERT_NE(slide, nullptr);
  // Interval 0: the pictures follow each other by the timer alone, round and round.
  std::vector<std::size_t> seen;
  ASSERT_TRUE(PumpUntil([&] {
    if (seen.empty() || seen.back() != slide->CurrentIndex()) seen.push_back(slide->CurrentIndex());
    return seen.size() >= 5;
  }));
  for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_EQ(seen[i], (seen[i - 1] + 1) % 3) << i;
  slide->Input(SlideInput::kSpace);
  ASSERT_TRUE(slide->State().Paused());
  EXPECT_FALSE(slide->TimerRunning());
  std::size_t at = slide->CurrentIndex();
  wxStopWatch watch;
  PumpUntil([&] { return watch.Time() > 200; });
  EXPECT_EQ(slide->CurrentIndex(), at);
  slide->Input(SlideInput::kSpace);
  EXPECT_FALSE(slide->State().Paused());
  ASSERT_TRUE(PumpUntil([&] { return slide->CurrentIndex() != at; }));
  slide->Input(SlideInput::kEscape);
  ASSERT_TRUE(PumpUntil([&] { return view->Slide() == nullptr; }));
}

TEST_F(SlideShow, APictureThatCannotBeLoadedEndsTheShowAfterItsMessage) {
  CAlbumView* view = OpenThree();
  CSlide* slide = Start(view, SlideShowSettings{});
  ASSERT_NE(slide, nullptr);
  fs::remove(m_folder / "b.bmp");
  slide->Input(SlideInput::kRight);
  ASSERT_TRUE(PumpUntil([&] { return view->Slide() == nullptr; }));
  EXPECT_EQ(m_prompt.Texts().size(), 1u);
}

TEST_F(SlideShow, TheDialogChecksTheIntervalsRange) {
  CSlideShowDlg dialog(m_frame, SlideShowSettings{});
  EXPECT_EQ(dialog.GetTitle(), "Slide Show");
  EXPECT_FALSE(dialog.IntervalEdit()->IsEnabled());  // "Any Key" at first
  XRCCTRL(dialog, "ID_AUTOMATIC", wxRadioButton)->SetValue(true);
  wxCommandEvent click(wxEVT_RADIOBUTTON, XRCID("ID_AUTOMATIC"));
  dialog.ProcessWindowEvent(click);
  EXPECT_TRUE(dialog.IntervalEdit()->IsEnabled());
  auto* spin = XRCCTRL(dialog, "ID_INTERVAL_SPIN", wxSpinButton);
  dialog.IntervalEdit()->ChangeValue("99");
  for (int i = 0; i < 3; ++i) {
    wxSpinEvent up(wxEVT_SPIN_UP, spin->GetId());
    up.SetEventObject(spin);
    spin->ProcessWindowEvent(up);
  }
  EXPECT_EQ(dialog.IntervalEdit()->GetValue(), "100");
  EXPECT_TRUE(dialog.Validate());
  dialog.IntervalEdit()->ChangeValue("101");
  EXPECT_FALSE(dialog.Validate());
  EXPECT_EQ(m_prompt.Texts(), (std::vector<std::string>{"Please enter an integer between 0 and 100."}));
  dialog.IntervalEdit()->ChangeValue("0");
  EXPECT_TRUE(dialog.Validate());
  EXPECT_TRUE(dialog.Settings().automatic);
  EXPECT_EQ(dialog.Settings().intervalSeconds, 0);
  dialog.Show();
  Pump(100);
  test::SaveScreenshot("slide_show_dialog");
}

// ---------------------------------------------------------------- contact sheets

TEST_F(SlideShow, ContactSheetsHoldFortyAPageAndTheNinthStartsRowTwo) {
  std::vector<ContactSheetItem> items;
  for (int i = 0; i < 41; ++i) {
    fs::path path = m_folder / ("p" + std::to_string(100 + i) + ".bmp");
    test::SavePictureFile(path, test::Filled(64, 48, {i * 6, 255 - i * 6, 128}));
    items.push_back({path, wxString::Format("p%d.bmp", 100 + i)});
  }
  CAlbumPrintout printout("Album", items, *wxNORMAL_FONT);
  EXPECT_EQ(printout.PageCount(), 2);
  // A landscape page at the logical size itself: cell k of the first row at
  // (40 + 400 k, 40), of the second row at (40, 440).
  wxBitmap page(3200, 2000, 24);
  {
    wxMemoryDC dc(page);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    ASSERT_TRUE(printout.DrawPage(dc, 1, 3200, 2000, false));
  }
  wxImage sheet = page.ConvertToImage();
  auto colour = [&](int x, int y) { return wxColour(sheet.GetRed(x, y), sheet.GetGreen(x, y), sheet.GetBlue(x, y)); };
  EXPECT_EQ(colour(40 + 7 * 400 + 100, 140), wxColour(128, 255 - 7 * 6, 7 * 6));  // the 8th, first row
  EXPECT_EQ(colour(40 + 100, 440 + 100), wxColour(128, 255 - 8 * 6, 8 * 6));      // the 9th, second row
  EXPECT_EQ(colour(40 + 7 * 400 + 100, 40 + 4 * 400 + 100), wxColour(128, 255 - 39 * 6, 39 * 6));
  EXPECT_EQ(colour(20, 20), *wxWHITE);
}

TEST_F(SlideShow, PreviewShowsTheContactSheets) {
  for (int i = 0; i < 3; ++i)
    test::SavePictureFile(m_folder / ("p" + std::to_string(i) + ".bmp"), test::Gradient(64, 48));
  CAlbumView* view = Open(m_folder.Path(), "*.bmp");
  wxCommandEvent preview(wxEVT_MENU, wxID_PREVIEW);
  view->Frame()->GetEventHandler()->ProcessEvent(preview);
  wxPreviewFrame* frame = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    for (wxWindow* window : wxTopLevelWindows)
      if (auto* found = dynamic_cast<wxPreviewFrame*>(window)) frame = found;
    return frame != nullptr;
  }));
  Pump(300);
  test::SaveScreenshot("contact_sheet_preview");
  frame->Close(true);
  Pump(100);
  EXPECT_TRUE(m_prompt.Texts().empty());
}

TEST_F(SlideShow, ContactSheetsPrintToPdfWithoutAPrinter) {
  for (int i = 0; i < 41; ++i)
    test::SavePictureFile(m_folder / ("p" + std::to_string(100 + i) + ".jpg"), test::Gradient(64 + i, 48));
  CAlbumView* view = Open(m_folder.Path(), "*.jpg");
  ASSERT_EQ(view->Items().size(), 41u);
  std::unique_ptr<wxPrintout> printout(view->OnCreatePrintout());
  fs::path pdf = m_folder / "sheets.pdf";
  auto target = ui::MakeFilePrintTarget(pdf.string(), 100);
  ASSERT_TRUE(target->IsOk());
  EXPECT_EQ(ui::RunPrintLoop(m_frame, *printout, *target), ui::PrintOutcome::kPrinted);
  EXPECT_TRUE(m_prompt.Texts().empty()) << testing::PrintToString(m_prompt.Texts());
  target.reset();
  ASSERT_TRUE(fs::exists(pdf));
  std::ifstream in(pdf, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text.substr(0, 5), "%PDF-");
  // Two pages: the 41st file has a page of its own.
  std::size_t pages = 0;
  for (std::size_t at = text.find("/Type /Page"); at != std::string::npos; at = text.find("/Type /Page", at + 1))
    if (text.compare(at, 12, "/Type /Pages") != 0) ++pages;
  EXPECT_EQ(pages, 2u);
  // Nothing is printed within the page set-up's margins (10 mm, 20 pixels at 50 dots an
  // inch), and the first thumbnail starts right inside them.
  const fs::path png = m_folder / "sheet.png";
  ASSERT_EQ(std::system(("gs -q -dNOPAUSE -dBATCH -sDEVICE=png16m -r50 -dFirstPage=1 -dLastPage=1 -sOutputFile=" +
                         png.string() + " " + pdf.string())
                            .c_str()),
            0);
  wxImage sheet;
  ASSERT_TRUE(sheet.LoadFile(wxString::FromUTF8(png.string()), wxBITMAP_TYPE_PNG));
  int firstX = sheet.GetWidth(), firstY = sheet.GetHeight();
  for (int y = 0; y < sheet.GetHeight(); ++y)
    for (int x = 0; x < sheet.GetWidth(); ++x)
      if (sheet.GetRed(x, y) < 200 || sheet.GetGreen(x, y) < 200 || sheet.GetBlue(x, y) < 200) {
        firstX = std::min(firstX, x);
        firstY = std::min(firstY, y);
      }
  EXPECT_GE(firstX, 20);
  EXPECT_GE(firstY, 20);
  EXPECT_LE(std::min(firstX, firstY), 20 + 10) << "the sheet starts just inside the margins";
  if (const char* folder = std::getenv("TESSALY_SHOT_DIR")) {
    std::string command =
        "gs -q -dNOPAUSE -dBATCH -sDEVICE=png16m -r60 -dFirstPage=1 -dLastPage=1 -sOutputFile=" + std::string(folder) +
        "/contact_sheet.png " + pdf.string();
    EXPECT_EQ(std::system(command.c_str()), 0);
  }
}

}  // namespace
}  // namespace tessaly::windows
