// The "Processing Status" dialog keeps the interface alive while a job runs, and its
// Cancel button stops the job between two steps.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include "shell/shell_test_support.h"
#include "ui/processing_dlg.h"
#include "x_screen.h"

namespace tessaly::ui {
namespace {

using test::Pump;
using test::PumpUntil;

struct ProcessingDlgTest : ::testing::Test {
  void SetUp() override {
    frame = new wxFrame(nullptr, wxID_ANY, "owner", wxPoint(0, 0), wxSize(400, 300));
    frame->Show();
    Pump(50);
  }
  void TearDown() override {
    frame->Destroy();
    Pump(50);
  }
  wxFrame* frame = nullptr;
};

TEST_F(ProcessingDlgTest, CountsStepsAndDisablesTheOtherWindowsWhileShown) {
  auto* dialog = new CProcessingDlg(frame, 4, "a.jpg");
  EXPECT_EQ(dialog->GetTitle(), "Processing Status");
  EXPECT_EQ(dialog->Name(), "a.jpg");
  EXPECT_FALSE(frame->IsEnabled());
  EXPECT_TRUE(dialog->IsEnabled());
  dialog->StepIt();
  dialog->StepIt();
  EXPECT_EQ(dialog->Pos(), 2);
  dialog->SetPos(99);  // never past the end of the range
  EXPECT_EQ(dialog->Pos(), 4);
  dialog->SetRange(10);
  EXPECT_EQ(dialog->Pos(), 0);
  EXPECT_TRUE(dialog->Pump());
  Pump(50);
  test::SaveScreenshot("processing_dialog");
  dialog->Destroy();
  Pump(20);
  EXPECT_TRUE(frame->IsEnabled());
}

// A job that runs from an event handler, as the album's list building does: it pumps
// between its steps, and a real click on Cancel (through the X server) ends it.
TEST_F(ProcessingDlgTest, ACancelClickDuringAJobStopsItBetweenSteps) {
  auto* dialog = new CProcessingDlg(frame, 1000);
  Pump(100);
  wxButton* cancel = dynamic_cast<wxButton*>(dialog->FindWindow(wxID_CANCEL));
  ASSERT_NE(cancel, nullptr);
  wxPoint centre = cancel->GetScreenRect().GetPosition() + cancel->GetSize() / 2;

  int steps = 0;
  int paintsWhileRunning = 0;
  auto* panel = new wxPanel(frame, wxID_ANY, wxPoint(0, 0), wxSize(200, 100));
  panel->Bind(wxEVT_PAINT, [&](wxPaintEvent&) {
    wxPaintDC dc(panel);
    ++paintsWhileRunning;
  });
  Pump(50);
  paintsWhileRunning = 0;
  panel->Refresh();
  wxUIActionSimulator input;
  input.MouseMove(centre);
  Pump(50);
  input.MouseClick();
  // The click waits in the X server's queue until the job lets it through.
  for (; steps < 1000; ++steps) {
    if (!dialog->Pump()) break;
    dialog->StepIt();
    wxMilliSleep(2);
  }
  EXPECT_TRUE(dialog->Cancelled());
  EXPECT_LT(steps, 1000);
  EXPECT_GT(paintsWhileRunning, 0);
  // The panel's painter counts into this function's variables: it goes with them.
  panel->Destroy();
  dialog->Destroy();
  Pump(20);
}

TEST_F(ProcessingDlgTest, ObserverShowsBytesInUnitsOf128AndReportsCancel) {
  ProcessingObserver observer(frame);
  observer.Begin("AUT_0001.JPG", 128 * 50);
  ASSERT_NE(observer.Dialog(), nullptr);
  EXPECT_EQ(observer.Dialog()->Range(), 50);
  EXPECT_EQ(observer.Dialog()->Name(), "AUT_0001.JPG");
  EXPECT_TRUE(observer.Progress(128 * 10 + 5));
  EXPECT_EQ(observer.Dialog()->Pos(), 10);
  observer.Item("AUT_0002.JPG");
  EXPECT_EQ(observer.Dialog()->Name(), "AUT_0002.JPG");

  wxCommandEvent click(wxEVT_BUTTON, wxID_CANCEL);
  wxPostEvent(observer.Dialog()->FindWindow(wxID_CANCEL), click);
  EXPECT_FALSE(observer.Progress(128 * 11));
  EXPECT_TRUE(observer.Cancelled());
  observer.End();
  EXPECT_EQ(observer.Dialog(), nullptr);
  Pump(20);
  EXPECT_TRUE(frame->IsEnabled());
}

TEST_F(ProcessingDlgTest, NamesThatAreNotUtf8AreShownDecoded) {
  // "写真" in Shift-JIS, then ".jpg".
  EXPECT_EQ(DisplayName("\x8e\xca\x90\x5e.jpg"), wxString::FromUTF8("写真.jpg"));
  EXPECT_EQ(DisplayName("plain.bmp"), "plain.bmp");
}

}  // namespace
}  // namespace tessaly::ui
