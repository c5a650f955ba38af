// Printing: one loop that puts a printout's pages on a target (a printer, or a PDF or
// PostScript file without any printer) with the "Printing" status dialog, its Cancel and
// the process-wide abort flag; the print dialog, print preview and printer settings.
//
// The retouch window prints its one page through it and the album its contact sheets of
// any number of pages: each brings a wxPrintout, the loop does the rest.
#pragma once

#include <wx/cmndata.h>
#include <wx/dialog.h>
#include <wx/print.h>

#include <memory>
#include <string>

namespace tessaly::ui {

// The user-abort flag: cleared when a job starts, set by the status dialog's Cancel.
bool& UserAbort();
// The abort procedure: lets waiting window messages run (so that Cancel can be pressed)
// and returns true while printing may go on. Long page drawings call it between steps.
bool ContinuePrinting();

// The settings of the printer in use, shared by every print command of the program and
// "Printer Settings..." (the application's).
wxPrintData& ThePrintData();

// The page set-up's margins in millimetres: "Printer Settings..." takes them from the
// page set-up, 10 mm on every side until then.
struct PageMargins {
  int left = 10, top = 10, right = 10, bottom = 10;
};
PageMargins& ThePageMargins();

// The area of a page a printout draws in, in the device pixels of a page of pageWidth x
// pageHeight (the preview's page has fewer than the printer's): the paper less the
// margins, within what the printer can print.
wxRect MarginsRect(const wxPrintout& printout, int pageWidth, int pageHeight);

// Where a job's pages go.
class PrintTarget {
 public:
  virtual ~PrintTarget() = default;
  virtual wxDC& DC() = 0;
  // Page size and printable area in device pixels, and the device's pixels per inch.
  virtual wxSize PagePixels() const = 0;
  virtual wxRect PaperRect() const { return {wxPoint(0, 0), PagePixels()}; }
  virtual wxSize PixelsPerInch() const = 0;
  virtual wxSize PageMillimetres() const = 0;
  // The printer as the status dialog names it.
  virtual wxString Description() const = 0;
  virtual bool StartPage() = 0;
  virtual bool EndPage() = 0;
  // Ends the document; Abort instead when the job failed or was cancelled.
  virtual void EndDoc() = 0;
  virtual void AbortDoc() = 0;
  virtual bool IsOk() const = 0;
};

// A file of the printed pages: PDF for a name ending in ".pdf", else PostScript. The page
// is the paper of ThePrintData(), at `dotsPerInch` for PDF.
std::unique_ptr<PrintTarget> MakeFilePrintTarget(const std::string& path, int dotsPerInch = 300);

enum class PrintOutcome { kPrinted, kCancelled, kFailed };

// The print loop: the printout's page range, its begin-printing step, the main window
// disabled and the status dialog shown with the abort flag cleared, the document started
// ("Could not start print job." when that fails), each page with "Page %u" in the status
// dialog until the range ends, the printout says stop or the user cancels, the document
// ended or aborted, and everything undone again.
PrintOutcome RunPrintLoop(wxWindow* parent, wxPrintout& printout, PrintTarget& target);

// The Print command: the print dialog and the printer's own loop. With the environment
// variable TESSALY_PRINT_FILE set, the pages go to that file through RunPrintLoop instead,
// without any dialog (for scripts and tests).
bool PrintWithDialog(wxWindow* parent, wxPrintout* printout);
// Print preview in a frame of its own; takes both printouts over.
bool ShowPrintPreview(wxWindow* parent, wxPrintout* forView, wxPrintout* forPrinting, const wxString& title);

// The "Printing" status dialog: the document, "on the", the printer and the page line,
// with Cancel, which sets the abort flag.
class CPrintingDlg : public wxDialog {
 public:
  CPrintingDlg(wxWindow* parent, const wxString& document, const wxString& printer);
  void SetPage(int page);
};

}  // namespace tessaly::ui
