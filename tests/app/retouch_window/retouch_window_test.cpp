// The retouch window as a user meets it: New, the zoom steps, the rubber band, the status
// panes, the mouse rotation, Undo after every tool, the drawn pixels, paste and the
// floating picture.
#include <wx/clipbrd.h>
#include <wx/statusbr.h>

#include "formats/bmp.h"
#include "picture/renderer.h"
#include "retouch/canvas_stretch.h"
#include "retouch/clipboard_data.h"
#include "retouch_window/retouch_clipboard.h"
#include "retouch_window_support.h"
#include "ui/dc_render_device.h"

namespace tessaly::test {

shell::CDocManager* RetouchWindowTest::s_manager = nullptr;

namespace {

using retouch::CRetouchDoc;
using Texts = std::vector<std::string>;

const Bgr kBackgroundBgr{100, 100, 50};

TEST_F(RetouchWindowTest, NewPictureOfTheDefaultSizeIsBlankUntilAToolMakesItWhite) {
  DialogScript script;
  script.Then(DialogScript::Ok());
  auto* doc = dynamic_cast<CRetouchDoc*>(s_manager->NewDocument(s_manager->RetouchTemplate()));
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(script.Titles(), std::vector<wxString>{"New"});
  EXPECT_EQ(doc->GetPicture().width, 320);
  EXPECT_EQ(doc->GetPicture().height, 240);
  EXPECT_FALSE(doc->State().HasPixels());
  EXPECT_EQ(Pixel(Shown(doc), 100, 100), kBackgroundBgr) << "no picture is shown yet";

  Command(doc, "ID_SHARPEN");
  EXPECT_TRUE(doc->State().HasPixels());
  const wxImage shown = Shown(doc);
  EXPECT_EQ(Pixel(shown, 100, 100), Grey(255));
  EXPECT_EQ(Pixel(shown, 319, 239), Grey(255));
  EXPECT_EQ(Pixel(shown, 321, 100), kBackgroundBgr);
}

TEST_F(RetouchWindowTest, NewRefusesSizesOutsideTheLimitsAndIsRefusedWhileStarting) {
  DialogScript script;
  script.Then([](wxDialog& d) {
    DialogScript::Type(d, "IDC_NEW_WIDTH", "1281");
    DialogScript::Press(d, wxID_OK);
  });
  EXPECT_EQ(s_manager->NewDocument(s_manager->RetouchTemplate()), nullptr);
  EXPECT_EQ(m_prompt.Texts(), Texts{"Please enter an integer between 1 and 1280."});

  script.Then([](wxDialog& d) {
    DialogScript::Type(d, "IDC_NEW_WIDTH", "64");
    DialogScript::Type(d, "IDC_NEW_HEIGHT", "48");
    DialogScript::Press(d, wxID_OK);
  });
  auto* doc = dynamic_cast<CRetouchDoc*>(s_manager->NewDocument(s_manager->RetouchTemplate()));
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->GetPicture().width, 64);
  EXPECT_EQ(doc->GetPicture().height, 48);

  ui::TheAppState().starting = true;
  EXPECT_EQ(s_manager->NewDocument(s_manager->RetouchTemplate()), nullptr);
  EXPECT_EQ(script.Titles().size(), 2u) << "no dialog while the program starts";
}

TEST_F(RetouchWindowTest, ZoomStepsSetTheScrollAreaAndCheckTheirItem) {
  CRetouchDoc* doc = Open(Numbered(640, 480));
  auto* view = View(doc);
  struct Step {
    const char* command;
    int percent;
    wxSize area;
  };
  const Step steps[] = {{"ID_ZOOM_75", 75, {480, 360}},
                        {"ID_ZOOM_50", 50, {320, 240}},
                        {"ID_ZOOM_200", 200, {1280, 960}},
                        {"ID_ZOOM_150", 150, {960, 720}},
                        {"ID_ZOOM_100", 100, {640, 480}}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.command);
    Command(doc, step.command);
    EXPECT_EQ(view->ZoomPercent(), step.percent);
    EXPECT_EQ(ScrollArea(doc), step.area);
    EXPECT_EQ(UiState(doc, step.command), std::make_pair(true, true));
  }
  EXPECT_EQ(UiState(doc, "ID_ZOOM_50"), std::make_pair(true, false));
  Command(doc, "ID_ZOOM_200");
  EXPECT_FALSE(UiState(doc, "ID_ZOOM_IN").first);
  EXPECT_TRUE(UiState(doc, "ID_ZOOM_OUT").first);
  Command(doc, "ID_ZOOM_OUT");
  EXPECT_EQ(view->ZoomPercent(), 150);
}

TEST_F(RetouchWindowTest, ZoomingDiscardsAFloatingPicture) {
  CRetouchDoc* doc = Open(Numbered(640, 480));
  retouch::PutOnClipboard(Make24(50, 40, 9));
  Command(doc, wxID_PASTE);
  ASSERT_TRUE(doc->State().HasFloating());
  Command(doc, "ID_ZOOM_75");
  EXPECT_FALSE(doc->State().HasFloating());
  EXPECT_EQ(ScrollArea(doc), wxSize(480, 360));
}

// The band's rules are the core's (RetouchInteraction); here the mouse reaches them, the
// document keeps the selection, the menu follows it and the outline is drawn and taken
// away again.
TEST_F(RetouchWindowTest, RubberBandBecomesTheSelectionAndItsOutlineIsDrawn) {
  CRetouchDoc* doc = Open(Filled(640, 480, {128, 128, 128}));
  auto* view = View(doc);
  view->LeftDown({10, 10}, false);
  view->Motion({13, 30}, true);
  view->LeftUp({13, 30});
  EXPECT_FALSE(view->SelectionExists()) << "three pixels wide is dropped";
  EXPECT_FALSE(UiState(doc, "ID_TRIMMING").first);

  view->LeftDown({20, 20}, false);
  view->Motion({120, 80}, true);
  view->LeftUp({120, 80});
  EXPECT_TRUE(view->SelectionExists());
  EXPECT_EQ(doc->State().Selection(), (PictureRect{20, 20, 120, 80}));
  EXPECT_TRUE(UiState(doc, "ID_TRIMMING").first);
  const wxImage shown = Shown(doc);
  EXPECT_NE(Pixel(shown, 60, 20), Grey(128)) << "the outline's top edge";
  EXPECT_NE(Pixel(shown, 20, 50), Grey(128)) << "its left edge";
  EXPECT_EQ(Pixel(shown, 60, 50), Grey(128)) << "inside it the picture";

  // A click clears it and the outline goes.
  view->LeftDown({400, 400}, false);
  view->LeftUp({400, 400});
  EXPECT_TRUE(doc->State().Selection().Empty());
  EXPECT_EQ(Pixel(Shown(doc), 60, 20), Grey(128));

  // At 200 % the band is converted to picture pixels.
  Command(doc, "ID_ZOOM_200");
  view->LeftDown({100, 100}, false);
  view->Motion({300, 160}, true);
  view->LeftUp({300, 160});
  EXPECT_EQ(doc->State().Selection(), (PictureRect{50, 50, 150, 80}));
  EXPECT_NE(Pixel(Shown(doc), 200, 100), Grey(128));
  view->LeftDown({400, 400}, false);
  view->LeftUp({400, 400});
  EXPECT_FALSE(view->SelectionExists());
  EXPECT_FALSE(UiState(doc, "ID_TRIMMING").first);
  EXPECT_EQ(Pixel(Shown(doc), 200, 100), Grey(128)) << "the outline is gone";
}

TEST_F(RetouchWindowTest, StatusPanesShowSizeDepthAndBytes) {
  struct Case {
    int w, h;
    const char* size;
    const char* bytes;
  };
  const Case cases[] = {{640, 480, "640x480", "900 KByte"}, {1280, 1024, "1280x1024", "3 MByte"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    CRetouchDoc* doc = Open(Make24(c.w, c.h, 80));
    View(doc)->Canvas()->SetFocus();
    Settle();
    wxStatusBar* bar = shell::CMainFrame::Get()->GetStatusBar();
    EXPECT_EQ(bar->GetStatusText(1), c.size);
    EXPECT_EQ(bar->GetStatusText(2), "24 bit colors");
    EXPECT_EQ(bar->GetStatusText(3), c.bytes);
    View(doc)->Motion({30, 20}, false);
    EXPECT_EQ(bar->GetStatusText(0), "( 30, 20)");
    View(doc)->LeftDown({10, 10}, false);
    View(doc)->Motion({50, 30}, true);
    EXPECT_EQ(bar->GetStatusText(0), "( 10, 10) - ( 50, 30) Width : 40 Height : 20");
    View(doc)->LeftUp({50, 30});
    doc->Modify(false);
    doc->DeleteAllViews();
    Forget();
  }
}

TEST_F(RetouchWindowTest, MouseRotation) {
  const Picture original = Numbered(200, 100);
  CRetouchDoc* doc = Open(original);
  auto* view = View(doc);
  Command(doc, "ID_ROTATE_MOUSE");
  ASSERT_TRUE(view->RotationMode());
  // Shift does not enter the zoom mode while rotating, neither by key nor with a click.
  view->ShiftKey(true);
  EXPECT_FALSE(view->ZoomMode());
  // A drag that ends where it started is 0 degrees: nothing changes.
  view->LeftDown({150, 50}, true);
  EXPECT_EQ(view->ZoomPercent(), 100);
  view->Motion({100, 100}, true);
  EXPECT_EQ(view->RotationAngle(), 90);
  Settle();
  SaveScreenshot(std::string("retouch_mouse_rotation_") + ShotLanguage());
  view->Motion({150, 50}, true);
  view->LeftUp({150, 50});
  view->ShiftKey(false);
  EXPECT_FALSE(view->RotationMode());
  EXPECT_TRUE(SamePicture(doc->GetPicture(), original));
  EXPECT_FALSE(doc->IsModified());

  // A quarter turn clockwise (from the right of the centre to below it).
  Command(doc, "ID_ROTATE_MOUSE");
  view->LeftDown({150, 50}, false);
  view->Motion({100, 100}, true);
  view->LeftUp({100, 100});
  EXPECT_EQ(doc->GetPicture().width, 100 + 0 * 1);  // trunc(|100 sin 90| + |200 cos 90| + 0.5)
  EXPECT_EQ(doc->GetPicture().height, 200);
  EXPECT_TRUE(doc->IsModified());
}

TEST_F(RetouchWindowTest, UndoAfterEveryToolRestoresThePictureAndASecondUndoRedoesIt) {
  struct Tool {
    const char* command;
    DialogScript::Action answer;
  };
  auto value = [](const char* edit, const char* text) {
    return [edit, text](wxDialog& d) {
      DialogScript::Type(d, edit, text);
      DialogScript::Press(d, wxID_OK);
    };
  };
  const Tool tools[] = {
      {"ID_ADJUST_COLOR", value("IDC_RED_EDIT", "200")},
      {"ID_ADJUST_CONTRAST", value("IDC_TONE_EDIT", "30")},
      {"ID_ADJUST_BRIGHTNESS", value("IDC_TONE_EDIT", "170")},
      {"ID_SHARPEN", nullptr},
      {"ID_SOFTEN", nullptr},
      {"ID_MOSAIC", nullptr},
      {"ID_ROTATE_180", nullptr},
      {"ID_ROTATE_90_RIGHT", nullptr},
      {"ID_ROTATE_90_LEFT", nullptr},
      {"ID_ROTATE_FREE", value("IDC_DEGREES", "30")},
      {"ID_SIZE_QUARTER", nullptr},
      {"ID_SIZE_HALF", nullptr},
      {"ID_SIZE_DOUBLE", nullptr},
      {"ID_SIZE_FOUR", nullptr},
      {"ID_FIT_CAMERA_SIZE", nullptr},
      {"ID_TRIMMING", nullptr},
  };
  for (const Tool& tool : tools) {
    SCOPED_TRACE(tool.command);
    const Picture original = Noise24(160, 100);
    CRetouchDoc* doc = Open(original);
    if (std::string(tool.command) == "ID_TRIMMING") {
      View(doc)->LeftDown({10, 20}, false);
      View(doc)->Motion({110, 70}, true);
      View(doc)->LeftUp({110, 70});
    }
    DialogScript script;
    if (tool.answer) script.Then(tool.answer);
    ASSERT_TRUE(UiState(doc, tool.command).first);
    Command(doc, tool.command);
    const Picture changed = doc->GetPicture();
    ASSERT_FALSE(SamePicture(changed, original));
    EXPECT_TRUE(doc->IsModified());
    ASSERT_TRUE(UiState(doc, "wxID_UNDO").first || doc->State().CanUndo());
    Command(doc, wxID_UNDO);
    EXPECT_TRUE(SamePicture(doc->GetPicture(), original));
    EXPECT_EQ(ScrollArea(doc), wxSize(160, 100));
    Command(doc, wxID_UNDO);
    EXPECT_TRUE(SamePicture(doc->GetPicture(), changed));
    doc->Modify(false);
    doc->DeleteAllViews();
    Forget();
  }
  EXPECT_TRUE(m_prompt.Texts().empty()) << m_prompt.Texts().front();
}

TEST_F(RetouchWindowTest, ToolsWaitForTwentyFourBitsAndTheConversion) {
  CRetouchDoc* doc = Open(Indexed(40, 30, 8));
  for (const char* tool : {"ID_SHARPEN", "ID_ADJUST_COLOR", "ID_ROTATE_180", "ID_EDIT_SELECT_ALL"})
    EXPECT_FALSE(UiState(doc, tool).first) << tool;
  EXPECT_TRUE(UiState(doc, "ID_CONVERT_24").first);
  EXPECT_TRUE(UiState(doc, "ID_PHOTO_PROPERTIES").first);
  Command(doc, "ID_CONVERT_24");
  EXPECT_EQ(doc->GetPicture().bitsPerPixel, 24);
  EXPECT_FALSE(UiState(doc, "ID_CONVERT_24").first);
  EXPECT_TRUE(UiState(doc, "ID_SHARPEN").first);
  Command(doc, wxID_UNDO);
  EXPECT_EQ(doc->GetPicture().bitsPerPixel, 8);
}

TEST_F(RetouchWindowTest, ShiftClicksZoomAboutThePointAndTheToolBarReachesTheWindow) {
  CRetouchDoc* doc = Open(Numbered(640, 480));
  auto* view = View(doc);
  view->ShiftKey(true);
  EXPECT_TRUE(view->ZoomMode());
  view->LeftDown({200, 150}, true);
  EXPECT_EQ(view->ZoomPercent(), 150);
  // The clicked point (200, 150) is now at (300, 225) of the scroll area, centred as far
  // as the scroll range allows.
  const auto& g = view->Geometry();
  const wxPoint start = view->Canvas()->GetViewStart();
  EXPECT_EQ(start.x, std::clamp(300 - g.WindowWidth() / 2, 0, std::max(g.DisplayedWidth() - g.WindowWidth(), 0)));
  EXPECT_EQ(start.y, std::clamp(225 - g.WindowHeight() / 2, 0, std::max(g.DisplayedHeight() - g.WindowHeight(), 0)));
  view->RightDown({10, 10}, true);
  EXPECT_EQ(view->ZoomPercent(), 100);
  view->ShiftKey(false);
  EXPECT_FALSE(view->ZoomMode());

  // The main window's tool bar buttons ask the active retouch window.
  wxUpdateUIEvent zoomIn(XRCID("ID_ZOOM_IN"));
  shell::CMainFrame::Get()->ProcessWindowEvent(zoomIn);
  EXPECT_TRUE(zoomIn.GetEnabled());
  wxCommandEvent click(wxEVT_MENU, XRCID("ID_ZOOM_IN"));
  shell::CMainFrame::Get()->ProcessWindowEvent(click);
  EXPECT_EQ(view->ZoomPercent(), 150);
}

// What the window draws, read back from the X server, against the picture and the core's
// zoom arithmetic.
TEST_F(RetouchWindowTest, DrawnPixelsFollowThePictureAtEachZoom) {
  const Picture picture = Numbered(300, 200);
  CRetouchDoc* doc = Open(picture);
  struct Step {
    const char* command;
    int percent;
  };
  const char* lang = ShotLanguage();
  for (const Step& step : {Step{"ID_ZOOM_100", 100}, Step{"ID_ZOOM_50", 50}, Step{"ID_ZOOM_200", 200},
                           Step{"ID_ZOOM_75", 75}, Step{"ID_ZOOM_150", 150}}) {
    SCOPED_TRACE(step.command);
    Command(doc, step.command);
    const wxImage shown = Shown(doc);
    SaveScreenshot(std::string("retouch_zoom_") + std::to_string(step.percent) + "_" + lang);
    const PixelRect dest = ZoomedDestination(0, 0, picture.width, picture.height, step.percent);
    const int w = std::min(dest.width, shown.GetWidth() - 2);
    const int h = std::min(dest.height, shown.GetHeight() - 2);
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const Bgr want = At(picture, StretchSourceOffset(x, picture.width, dest.width),
                            StretchSourceOffset(y, picture.height, dest.height));
        if (Pixel(shown, x, y) != want && ++wrong < 5) ADD_FAILURE() << "pixel " << x << "," << y;
      }
    EXPECT_EQ(wrong, 0);
    if (dest.width + 1 < shown.GetWidth()) {
      EXPECT_EQ(Pixel(shown, dest.width + 1, 10), kBackgroundBgr);
    }
    if (dest.height + 1 < shown.GetHeight()) {
      EXPECT_EQ(Pixel(shown, 10, dest.height + 1), kBackgroundBgr);
    }
  }
}

TEST_F(RetouchWindowTest, OnAnEightBitDisplayThePictureIsShownInCubeColours) {
  ui::ForcedDisplayDepth() = 8;
  CRetouchDoc* doc = Open(Filled(60, 40, {128, 128, 128}));
  const wxImage shown = Shown(doc);
  int dark = 0, light = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) {
      const Bgr p = Pixel(shown, x, y);
      ASSERT_TRUE(p.r % 51 == 0 && p.g % 51 == 0 && p.b % 51 == 0) << x << "," << y;
      (p.r == 102 ? dark : light)++;
    }
  // A grey of 128 becomes a mixture of 102 and 153.
  EXPECT_GT(dark, 0);
  EXPECT_GT(light, 0);
}

// ---------------------------------------------------------------- paste and floating

void PutBmpOnClipboard(const Picture& picture) {
  const Bytes file = BmpFileFromDib(CBMP::MakePackedDib(picture));
  wxClipboardLocker lock;
  auto* data = new wxCustomDataObject(retouch::BmpFormat());
  data->SetData(file.size(), file.data());
  wxTheClipboard->SetData(data);
}

TEST_F(RetouchWindowTest, PasteAnswersForEveryKindOfClipboardPicture) {
  CRetouchDoc* doc = Open(Noise24(100, 80));
  // Larger than the picture.
  PutBmpOnClipboard(Noise24(101, 20));
  Settle();
  ASSERT_TRUE(UiState(doc, "wxID_PASTE").first || retouch::ClipboardOffersPicture());
  Command(doc, wxID_PASTE);
  EXPECT_EQ(m_prompt.Texts(), Texts{"Clipboard data is too large. "});
  EXPECT_FALSE(doc->State().HasFloating());

  // An 8-bit picture asks first; No changes nothing and says nothing more.
  m_prompt->Clear();
  PutBmpOnClipboard(Indexed(20, 10, 8));
  Command(doc, wxID_PASTE);
  EXPECT_EQ(m_prompt.Texts(), Texts{"Convert to 24 bit colors data to edit.\nAre you sure?"});
  EXPECT_FALSE(doc->State().HasFloating());
  m_prompt->Clear();
  m_prompt->Answer(PromptAnswer::kYes);
  Command(doc, wxID_PASTE);
  ASSERT_TRUE(doc->State().HasFloating());
  EXPECT_EQ(doc->State().Floating().bitsPerPixel, 24);
  // While it floats, the tools and Paste wait.
  EXPECT_FALSE(UiState(doc, "ID_SHARPEN").first);
  EXPECT_FALSE(UiState(doc, "wxID_PASTE").first);
  // Esc takes it away and Undo with it.
  View(doc)->DiscardFloatingAndSelection();
  EXPECT_FALSE(doc->State().HasFloating());
  EXPECT_FALSE(doc->State().CanUndo());
}

TEST_F(RetouchWindowTest, FloatingPictureIsDraggedAndStampedInByAClickOutside) {
  const Picture original = Make24(200, 150, 0);
  CRetouchDoc* doc = Open(original);
  auto* view = View(doc);
  retouch::PutOnClipboard(Filled(40, 30, {0, 0, 255}));
  Command(doc, wxID_PASTE);
  ASSERT_TRUE(doc->State().HasFloating());
  EXPECT_EQ(view->TrackingRect(), (PictureRect{0, 0, 40, 30}));
  EXPECT_EQ(Pixel(Shown(doc), 5, 5), (Bgr{0, 0, 255})) << "the floating picture is shown";
  SaveScreenshot(std::string("retouch_floating_") + ShotLanguage());
  view->LeftDown({10, 10}, false);
  view->Motion({60, 50}, true);
  view->LeftUp({60, 50});
  EXPECT_EQ(doc->State().FloatingAt(), (FloatingPosition{50, 40}));
  EXPECT_EQ(Pixel(Shown(doc), 55, 45), (Bgr{0, 0, 255}));
  EXPECT_EQ(Pixel(Shown(doc), 5, 5), Grey(0));
  view->LeftDown({150, 120}, false);
  view->LeftUp({150, 120});
  EXPECT_FALSE(doc->State().HasFloating());
  EXPECT_EQ(At(doc->GetPicture(), 50, 40), (Bgr{0, 0, 255}));
  EXPECT_EQ(At(doc->GetPicture(), 89, 69), (Bgr{0, 0, 255}));
  EXPECT_EQ(At(doc->GetPicture(), 90, 70), Grey(0));
  EXPECT_TRUE(doc->IsModified());
  Command(doc, wxID_UNDO);
  EXPECT_TRUE(SamePicture(doc->GetPicture(), original));
}

TEST_F(RetouchWindowTest, SelectAllAndCopyPutTheSelectionOnTheClipboard) {
  const Picture picture = Numbered(120, 90);
  CRetouchDoc* doc = Open(picture);
  EXPECT_FALSE(UiState(doc, "wxID_COPY").first);
  Command(doc, "ID_EDIT_SELECT_ALL");
  EXPECT_TRUE(View(doc)->SelectionExists());
  EXPECT_EQ(doc->State().Selection(), (PictureRect{0, 0, 120, 90}));
  View(doc)->LeftDown({200, 200}, false);
  View(doc)->LeftUp({200, 200});
  View(doc)->LeftDown({10, 20}, false);
  View(doc)->Motion({50, 40}, true);
  View(doc)->LeftUp({50, 40});
  Command(doc, wxID_COPY);
  const auto dib = retouch::ReadClipboardDib();
  ASSERT_TRUE(dib);
  Picture copied;
  ASSERT_TRUE(CBMP::ReadPackedDib(*dib, copied));
  EXPECT_TRUE(SamePicture(copied, ExtractArea(picture, {10, 20, 50, 40})));
}

}  // namespace
}  // namespace tessaly::test
