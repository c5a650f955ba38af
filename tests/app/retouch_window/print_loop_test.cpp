// The print loop on file targets: the pages of a printout, the status dialog's Cancel
// and the abort flag, PostScript as well as PDF.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/print.h>
#include <wx/utils.h>

#include <filesystem>
#include <fstream>

#include "shell_test_support.h"
#include "test_support/temp_folder.h"
#include "ui/printing.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

// A printout of `pages` pages that fills each page grey and records what it was asked;
// with cancelOnPage it presses the status dialog's Cancel while printing that page.
class CountingPrintout : public wxPrintout {
 public:
  CountingPrintout(int pages, int cancelOnPage = 0) : wxPrintout("counting"), m_pages(pages), m_cancel(cancelOnPage) {}
  bool HasPage(int page) override { return page >= 1 && page <= m_pages; }
  void GetPageInfo(int* minPage, int* maxPage, int* fromPage, int* toPage) override {
    *minPage = *fromPage = 1;
    *maxPage = *toPage = m_pages;
  }
  bool OnPrintPage(int page) override {
    printed.push_back(page);
    wxDC* dc = GetDC();
    int w = 0, h = 0;
    GetPageSizePixels(&w, &h);
    dc->SetBrush(*wxGREY_BRUSH);
    dc->SetPen(*wxTRANSPARENT_PEN);
    dc->DrawRectangle(0, 0, w, h / 2);
    if (page == m_cancel) {
      for (wxWindow* window : wxTopLevelWindows)
        if (auto* status = dynamic_cast<ui::CPrintingDlg*>(window)) {
          wxCommandEvent press(wxEVT_BUTTON, wxID_CANCEL);
          status->ProcessWindowEvent(press);
        }
    }
    return true;
  }
  void OnBeginPrinting() override { began = true; }
  void OnEndPrinting() override { ended = true; }

  std::vector<int> printed;
  bool began = false;
  bool ended = false;

 private:
  int m_pages;
  int m_cancel;
};

int PagesOf(const fs::path& file, const fs::path& folder) {
  const fs::path pattern = folder / "p%d.png";
  if (wxExecute(wxString::Format("gs -q -dNOPAUSE -dBATCH -sDEVICE=pnggray -r10 -sOutputFile=%s %s", pattern.string(),
                                 file.string()),
                wxEXEC_SYNC) != 0)
    return -1;
  int pages = 0;
  while (fs::exists(folder / ("p" + std::to_string(pages + 1) + ".png"))) ++pages;
  return pages;
}

TEST(PrintLoop, EveryPageOfTheRangeReachesTheFile) {
  if (!wxFileName::IsFileExecutable("/usr/bin/gs")) GTEST_SKIP() << "ghostscript is needed to count the pages";
  for (const char* name : {"three.pdf", "three.ps"}) {
    SCOPED_TRACE(name);
    TempFolder folder;
    const fs::path file = folder / name;
    auto target = ui::MakeFilePrintTarget(file.string());
    ASSERT_TRUE(target);
    CountingPrintout printout(3);
    EXPECT_EQ(ui::RunPrintLoop(nullptr, printout, *target), ui::PrintOutcome::kPrinted);
    target.reset();
    EXPECT_EQ(printout.printed, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(printout.began);
    EXPECT_TRUE(printout.ended);
    EXPECT_EQ(PagesOf(file, folder.Path()), 3);
  }
}

TEST(PrintLoop, CancelDuringThePrintingOfPageTwoAbortsTheDocument) {
  TempFolder folder;
  const fs::path file = folder / "cancelled.pdf";
  auto target = ui::MakeFilePrintTarget(file.string());
  ASSERT_TRUE(target);
  CountingPrintout printout(3, 2);
  EXPECT_EQ(ui::RunPrintLoop(nullptr, printout, *target), ui::PrintOutcome::kCancelled);
  target.reset();
  EXPECT_EQ(printout.printed, (std::vector<int>{1, 2}));
  EXPECT_TRUE(ui::UserAbort());
  EXPECT_TRUE(printout.ended);
  EXPECT_FALSE(fs::exists(file)) << "an aborted document leaves no file";
  Pump(50);
}

}  // namespace
}  // namespace tessaly::test
