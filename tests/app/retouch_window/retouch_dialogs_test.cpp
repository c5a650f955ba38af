// The retouch dialogs: the tone previews with their choices and scroll bars, the range
// messages, Rotate and Photo Properties.
#include <wx/radiobut.h>
#include <wx/scrolbar.h>
#include <wx/slider.h>
#include <wx/stattext.h>

#include <filesystem>

#include "retouch/preview.h"
#include "retouch/tone.h"
#include "retouch_window/retouch_dialogs.h"
#include "retouch_window_support.h"
#include "test_support/temp_folder.h"

namespace tessaly::test {
namespace {

using retouch::CAdjustBrightnessDlg;
using retouch::CAdjustColorDlg;
using retouch::CAdjustContrastDlg;
using Texts = std::vector<std::string>;

TEST_F(RetouchWindowTest, TonePreviewFollowsEveryChangeFromTheUnadjustedCopy) {
  const Picture picture = Noise24(400, 300);
  CAdjustBrightnessDlg dialog(shell::CMainFrame::Get(), picture);
  EXPECT_EQ(dialog.PreviewType(), 0);
  EXPECT_TRUE(SamePicture(dialog.UnadjustedPreview(), ThumbnailPreview(picture)));
  EXPECT_TRUE(SamePicture(dialog.ShownPreview(), dialog.UnadjustedPreview())) << "128 is neutral";
  auto* edit = XRCCTRL(dialog, "IDC_TONE_EDIT", wxTextCtrl);
  auto* slider = XRCCTRL(dialog, "IDC_TONE_SLIDER", wxSlider);
  for (int value : {200, 90, 200}) {
    edit->SetValue(wxString::Format("%d", value));
    EXPECT_EQ(slider->GetValue(), value);
    Picture want = dialog.UnadjustedPreview();
    AdjustBrightness(want, value - 128);
    EXPECT_TRUE(SamePicture(dialog.ShownPreview(), want)) << "never accumulated: " << value;
  }
  // The scroll bars wait for "Window".
  auto* horizontal = XRCCTRL(dialog, "IDC_PREVIEW_HSCROLL", wxScrollBar);
  auto* vertical = XRCCTRL(dialog, "IDC_PREVIEW_VSCROLL", wxScrollBar);
  EXPECT_FALSE(horizontal->IsEnabled());
  dialog.ChoosePreviewType(1);
  EXPECT_TRUE(horizontal->IsEnabled());
  EXPECT_TRUE(vertical->IsEnabled());
  dialog.ScrollRegion(kPreviewLineStep, kPreviewPageStep);
  EXPECT_EQ(dialog.RegionLeft(), 5);
  EXPECT_EQ(dialog.RegionTop(), 10);
  dialog.ScrollRegion(10000, -10000);
  EXPECT_EQ(dialog.RegionLeft(), 400 - kPreviewWidth);
  EXPECT_EQ(dialog.RegionTop(), 0);
  Picture want = WindowPreview(picture, 400 - kPreviewWidth, 0);
  AdjustBrightness(want, 200 - 128);
  EXPECT_TRUE(SamePicture(dialog.ShownPreview(), want));
}

TEST_F(RetouchWindowTest, WindowPreviewIsNotOfferedForSmallPictures) {
  struct Case {
    int w, h;
    bool offered;
  };
  for (const Case& c : {Case{80, 60, false}, Case{40, 30, false}, Case{81, 60, true}, Case{80, 61, true}}) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    CAdjustContrastDlg dialog(shell::CMainFrame::Get(), Make24(c.w, c.h, 50));
    EXPECT_EQ(dialog.WindowPreviewOffered(), c.offered);
    EXPECT_EQ(XRCCTRL(dialog, "IDC_PREVIEW_WINDOW", wxRadioButton)->IsEnabled(), c.offered);
    dialog.ChoosePreviewType(1);
    EXPECT_EQ(dialog.PreviewType(), c.offered ? 1 : 0);
  }
}

TEST_F(RetouchWindowTest, ToneDialogsRefuseValuesOutOfRange) {
  retouch::CRetouchDoc* doc = Open(Noise24(100, 80));
  const Picture original = doc->GetPicture();
  DialogScript script;
  script.Then([](wxDialog& d) {
    DialogScript::Type(d, "IDC_TONE_EDIT", "300");
    DialogScript::Press(d, wxID_OK);
  });
  Command(doc, "ID_ADJUST_CONTRAST");
  script.Then([](wxDialog& d) {
    DialogScript::Type(d, "IDC_GREEN_EDIT", "x");
    DialogScript::Press(d, wxID_OK);
  });
  Command(doc, "ID_ADJUST_COLOR");
  EXPECT_EQ(m_prompt.Texts(), (Texts{"Please enter an integer between 0 and 255.", "Please enter an integer."}));
  EXPECT_TRUE(SamePicture(doc->GetPicture(), original));
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(script.Titles(), (std::vector<wxString>{"Adjust Contrast", "Adjust Color"}));
}

TEST_F(RetouchWindowTest, ToneCommandOnAnEmptyPictureAsksFirst) {
  DialogScript script;
  script.Then(DialogScript::Ok());
  auto* doc = dynamic_cast<retouch::CRetouchDoc*>(s_manager->NewDocument(s_manager->RetouchTemplate()));
  ASSERT_NE(doc, nullptr);
  Command(doc, "ID_ADJUST_BRIGHTNESS");
  EXPECT_EQ(m_prompt.Texts(), Texts{"No data exist. Adjust brightness?"});
  EXPECT_FALSE(doc->State().HasPixels());
  EXPECT_EQ(script.Titles().size(), 1u) << "No: no dialog";
}

TEST_F(RetouchWindowTest, RotateDialogTakesOneTo359DegreesEitherWay) {
  retouch::CRetouchDoc* doc = Open(Noise24(40, 20));
  DialogScript script;
  script.Then(DialogScript::Ok());  // the field starts at 0: refused
  Command(doc, "ID_ROTATE_FREE");
  EXPECT_EQ(m_prompt.Texts(), Texts{"Please enter an integer between 1 and 359."});
  EXPECT_EQ(doc->GetPicture().width, 40);
  script.Then([](wxDialog& d) {
    DialogScript::Type(d, "IDC_DEGREES", "90");
    XRCCTRL(d, "IDC_COUNTERCLOCKWISE", wxRadioButton)->SetValue(true);
    DialogScript::Press(d, wxID_OK);
  });
  Command(doc, "ID_ROTATE_FREE");
  EXPECT_EQ(doc->GetPicture().width, 20);
  EXPECT_EQ(doc->GetPicture().height, 40);
}

TEST_F(RetouchWindowTest, PhotoPropertiesShowTheFileAndEditAJpegComment) {
  TempFolder folder;
  const auto path = folder / "photo.jpg";
  {
    PictureFile file;
    Picture picture = Noise24(64, 48);
    file.InitFromDocument(picture, false, "old comment");
    ASSERT_TRUE(file.SavePicture(path));
  }
  auto* doc =
      dynamic_cast<retouch::CRetouchDoc*>(s_manager->CreateDocument(wxString::FromUTF8(path.string()), wxDOC_SILENT));
  ASSERT_NE(doc, nullptr);
  DialogScript script;
  script.Then([](wxDialog& d) {
    auto label = [&d](const char* name) { return XRCCTRL(d, name, wxStaticText)->GetLabel(); };
    EXPECT_EQ(label("IDC_PROP_FILE_NAME"), "photo.jpg");
    EXPECT_EQ(label("IDC_PROP_DATA_TYPE"), "JPEG TYPE");
    EXPECT_EQ(label("IDC_PROP_SIZE"), "9 KByte");
    EXPECT_EQ(label("IDC_PROP_RESOLUTION"), "64x48");
    EXPECT_EQ(label("IDC_PROP_COLORS"), "24 bit colors");
    EXPECT_TRUE(label("IDC_PROP_CREATION_DATE").EndsWith(" "));
    auto* comment = XRCCTRL(d, "IDC_PROP_COMMENT", wxTextCtrl);
    EXPECT_TRUE(comment->IsEnabled());
    EXPECT_EQ(comment->GetValue(), "old comment");
    SaveScreenshot(std::string("retouch_photo_properties_") + ShotLanguage());
    comment->SetValue(wxString('x', 61));
    DialogScript::Press(d, wxID_OK);  // refused: stays open
    comment->SetValue("new comment");
    DialogScript::Press(d, wxID_OK);
  });
  Command(doc, "ID_PHOTO_PROPERTIES");
  EXPECT_EQ(m_prompt.Texts(), Texts{"Please enter no more than 60 characters."});
  EXPECT_EQ(doc->Comment(), "new comment");
  EXPECT_TRUE(doc->IsModified());

  // A picture from the camera has no file type: the comment cannot be edited.
  retouch::CRetouchDoc* camera = Open(Noise24(10, 10), "AUT_0001");
  script.Then([](wxDialog& d) {
    EXPECT_FALSE(XRCCTRL(d, "IDC_PROP_COMMENT", wxTextCtrl)->IsEnabled());
    EXPECT_EQ(XRCCTRL(d, "IDC_PROP_CREATION_DATE", wxStaticText)->GetLabel(), "");
    DialogScript::Press(d, wxID_OK);
  });
  Command(camera, "ID_PHOTO_PROPERTIES");
  EXPECT_FALSE(camera->IsModified());
}

// The dialogs as a person sees them, for the screenshots.
TEST_F(RetouchWindowTest, DialogScreenshots) {
  const Picture picture = Noise24(300, 200);
  struct Shot {
    const char* name;
    std::function<wxDialog*()> make;
  };
  const Shot shots[] = {
      {"adjust_color", [&] { return new CAdjustColorDlg(shell::CMainFrame::Get(), picture); }},
      {"adjust_contrast", [&] { return new CAdjustContrastDlg(shell::CMainFrame::Get(), picture); }},
      {"adjust_brightness", [&] { return new CAdjustBrightnessDlg(shell::CMainFrame::Get(), picture); }},
      {"rotate", [] { return new retouch::CRotateDlg(shell::CMainFrame::Get()); }},
      {"new_size", [] { return new retouch::CNewSizeDlg(shell::CMainFrame::Get()); }},
  };
  for (const Shot& shot : shots) {
    wxDialog* dialog = shot.make();
    dialog->Move(100, 100);
    dialog->Show();
    if (auto* tone = dynamic_cast<retouch::CTonePreviewBase*>(dialog)) tone->ChoosePreviewType(1);
    Pump(200);
    // Every control lies inside the dialog.
    const wxRect client(wxPoint(0, 0), dialog->GetClientSize());
    for (wxWindow* child : dialog->GetChildren())
      if (child->IsShown()) {
        EXPECT_TRUE(client.Contains(child->GetRect())) << shot.name << " " << child->GetName();
      }
    SaveScreenshot(std::string("retouch_dialog_") + shot.name + "_" + ShotLanguage());
    dialog->Destroy();
    Pump(50);
  }
}

}  // namespace
}  // namespace tessaly::test
