#include "ui/printing.h"

#include <cairo/cairo-pdf.h>
#include <cairo/cairo.h>
#include <wx/app.h>
#include <wx/dcgraph.h>
#include <wx/dcps.h>
#include <wx/graphics.h>
#include <wx/paper.h>
#include <wx/printdlg.h>
#include <wx/stattext.h>
#include <wx/utils.h>
#include <wx/xrc/xmlres.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <utility>

#include "base/prompt.h"
#include "ui/app_services.h"

namespace tessaly::ui {
namespace {

wxSize PaperTenthsOfMillimetre() {
  const wxPrintData& data = ThePrintData();
  wxSize size = data.GetPaperSize();
  if (size.x <= 0 || size.y <= 0) {
    const wxPrintPaperType* paper =
        wxThePrintPaperDatabase ? wxThePrintPaperDatabase->FindPaperType(wxPAPER_A4) : nullptr;
    size = paper ? paper->GetSize() : wxSize(2100, 2970);
  } else {
    size = wxSize(size.x * 10, size.y * 10);  // wxPrintData keeps millimetres
  }
  if (data.GetOrientation() == wxLANDSCAPE) size = wxSize(size.y, size.x);
  return size;
}

// PDF through cairo: the page is drawn in device pixels of the chosen density, scaled down
// to PDF points.
class PdfPrintTarget : public PrintTarget {
 public:
  PdfPrintTarget(const std::string& path, int dotsPerInch) : m_path(path), m_dpi(dotsPerInch) {
    const wxSize tenths = PaperTenthsOfMillimetre();
    m_mm = wxSize(tenths.x / 10, tenths.y / 10);
    const double pointsX = tenths.x / 254.0 * 72.0;
    const double pointsY = tenths.y / 254.0 * 72.0;
    m_pixels = wxSize(static_cast<int>(tenths.x / 254.0 * m_dpi), static_cast<int>(tenths.y / 254.0 * m_dpi));
    m_surface = cairo_pdf_surface_create(path.c_str(), pointsX, pointsY);
    if (cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS) return;
    m_cairo = cairo_create(m_surface);
    cairo_scale(m_cairo, 72.0 / m_dpi, 72.0 / m_dpi);
    wxGraphicsContext* context = wxGraphicsRenderer::GetCairoRenderer()->CreateContextFromNativeContext(m_cairo);
    if (context) m_dc = std::make_unique<wxGCDC>(context);
  }
  ~PdfPrintTarget() override {
    m_dc.reset();
    if (m_cairo) cairo_destroy(m_cairo);
    if (m_surface) {
      cairo_surface_finish(m_surface);
      cairo_surface_destroy(m_surface);
    }
    if (m_aborted) std::remove(m_path.c_str());
  }
  bool IsOk() const override { return m_dc != nullptr; }
  wxDC& DC() override { return *m_dc; }
  wxSize PagePixels() const override { return m_pixels; }
  wxSize PixelsPerInch() const override { return {m_dpi, m_dpi}; }
  wxSize PageMillimetres() const override { return m_mm; }
  wxString Description() const override { return wxString::FromUTF8(m_path); }
  bool StartPage() override { return true; }
  bool EndPage() override {
    m_dc->GetGraphicsContext()->Flush();
    cairo_show_page(m_cairo);
    return cairo_status(m_cairo) == CAIRO_STATUS_SUCCESS;
  }
  void EndDoc() override {}
  void AbortDoc() override { m_aborted = true; }

 private:
  std::string m_path;
  int m_dpi;
  wxSize m_mm;
  wxSize m_pixels;
  cairo_surface_t* m_surface = nullptr;
  cairo_t* m_cairo = nullptr;
  std::unique_ptr<wxGCDC> m_dc;
  bool m_aborted = false;
};

class PostScriptPrintTarget : public PrintTarget {
 public:
  explicit PostScriptPrintTarget(const std::string& path) : m_path(path) {
    wxPrintData data = ThePrintData();
    data.SetFilename(wxString::FromUTF8(path));
    data.SetPrintMode(wxPRINT_MODE_FILE);
    m_dc = std::make_unique<wxPostScriptDC>(data);
  }
  bool IsOk() const override { return m_dc && m_dc->IsOk(); }
  wxDC& DC() override { return *m_dc; }
  wxSize PagePixels() const override { return m_dc->GetSize(); }
  wxSize PixelsPerInch() const override { return m_dc->GetPPI(); }
  wxSize PageMillimetres() const override { return m_dc->GetSizeMM(); }
  wxString Description() const override { return wxString::FromUTF8(m_path); }
  bool StartPage() override {
    m_dc->StartPage();
    return true;
  }
  bool EndPage() override {
    m_dc->EndPage();
    return true;
  }
  void EndDoc() override { m_dc->EndDoc(); }
  void AbortDoc() override {
    m_dc->EndDoc();
    std::remove(m_path.c_str());
  }

 private:
  std::string m_path;
  std::unique_ptr<wxPostScriptDC> m_dc;
};

bool EndsWithPdf(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".pdf";
}

}  // namespace

bool& UserAbort() {
  static bool abort = false;
  return abort;
}

bool ContinuePrinting() {
  if (wxTheApp) {
    for (int i = 0; i < 100 && !UserAbort() && wxTheApp->Pending(); ++i) wxTheApp->Dispatch();
    wxTheApp->ProcessPendingEvents();
  }
  return !UserAbort();
}

wxPrintData& ThePrintData() {
  if (AppServices* services = InstalledAppServices()) return services->PrintData();
  static wxPrintData data;
  return data;
}

PageMargins& ThePageMargins() {
  static PageMargins margins;
  return margins;
}

wxRect MarginsRect(const wxPrintout& printout, int pageWidth, int pageHeight) {
  int printerWidth = 0, printerHeight = 0, ppiX = 0, ppiY = 0;
  printout.GetPageSizePixels(&printerWidth, &printerHeight);
  printout.GetPPIPrinter(&ppiX, &ppiY);
  const wxRect page(0, 0, pageWidth, pageHeight);
  if (printerWidth <= 0 || printerHeight <= 0 || ppiX <= 0 || ppiY <= 0) return page;
  // Printer pixels to this page's pixels.
  const double kx = static_cast<double>(pageWidth) / printerWidth, ky = static_cast<double>(pageHeight) / printerHeight;
  const wxRect paper = printout.GetPaperRectPixels();
  const double mmX = ppiX / 25.4 * kx, mmY = ppiY / 25.4 * ky;
  const PageMargins& m = ThePageMargins();
  const int left = static_cast<int>(std::lround(paper.x * kx + m.left * mmX));
  const int top = static_cast<int>(std::lround(paper.y * ky + m.top * mmY));
  const int right = static_cast<int>(std::lround((paper.x + paper.width) * kx - m.right * mmX));
  const int bottom = static_cast<int>(std::lround((paper.y + paper.height) * ky - m.bottom * mmY));
  const wxRect inside = wxRect(wxPoint(left, top), wxPoint(right - 1, bottom - 1)).Intersect(page);
  return inside.IsEmpty() ? page : inside;
}

std::unique_ptr<PrintTarget> MakeFilePrintTarget(const std::string& path, int dotsPerInch) {
  std::unique_ptr<PrintTarget> target;
  if (EndsWithPdf(path))
    target = std::make_unique<PdfPrintTarget>(path, dotsPerInch);
  else
    target = std::make_unique<PostScriptPrintTarget>(path);
  if (!target->IsOk()) return nullptr;
  return target;
}

CPrintingDlg::CPrintingDlg(wxWindow* parent, const wxString& document, const wxString& printer) {
  wxXmlResource::Get()->LoadDialog(this, parent, "IDD_PRINTING");
  XRCCTRL(*this, "IDC_PRINT_DOCUMENT", wxStaticText)->SetLabel(document);
  XRCCTRL(*this, "IDC_PRINT_PRINTER", wxStaticText)->SetLabel(printer);
  Bind(
      wxEVT_BUTTON,
      [this](wxCommandEvent&) {
        UserAbort() = true;
        Hide();
      },
      wxID_CANCEL);
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) {
    UserAbort() = true;
    Hide();
  });
}

void CPrintingDlg::SetPage(int page) {
  XRCCTRL(*this, "IDC_PRINT_PAGE", wxStaticText)->SetLabel(wxString::Format(_("Page %u"), page));
  Update();
}

PrintOutcome RunPrintLoop(wxWindow* parent, wxPrintout& printout, PrintTarget& target) {
  wxDC& dc = target.DC();
  printout.SetDC(&dc);
  const wxSize ppi = target.PixelsPerInch();
  printout.SetPPIPrinter(ppi.x, ppi.y);
  printout.SetPPIScreen(96, 96);
  const wxSize page = target.PagePixels();
  printout.SetPageSizePixels(page.x, page.y);
  printout.SetPaperRectPixels(target.PaperRect());
  const wxSize mm = target.PageMillimetres();
  printout.SetPageSizeMM(mm.x, mm.y);

  printout.OnPreparePrinting();
  int minPage = 1, maxPage = 1, fromPage = 1, toPage = 1;
  printout.GetPageInfo(&minPage, &maxPage, &fromPage, &toPage);
  if (fromPage < minPage) fromPage = minPage;
  if (toPage > maxPage || toPage < fromPage) toPage = maxPage;
  printout.OnBeginPrinting();

  wxWindow* top = MainWindow();
  const bool wasEnabled = top && top->IsEnabled();
  if (wasEnabled) top->Disable();
  auto* status = new CPrintingDlg(parent, printout.GetTitle(), target.Description());
  status->Show();
  status->Update();
  UserAbort() = false;

  PrintOutcome outcome = PrintOutcome::kPrinted;
  if (!printout.OnBeginDocument(fromPage, toPage)) {
    Prompt().Show(kMsgFailedToStartPrint);
    outcome = PrintOutcome::kFailed;
  } else {
    for (int n = fromPage; n <= toPage && printout.HasPage(n); ++n) {
      if (!ContinuePrinting()) {
        outcome = PrintOutcome::kCancelled;
        break;
      }
      status->SetPage(n);
      if (!target.StartPage()) {
        outcome = PrintOutcome::kFailed;
        break;
      }
      const bool more = printout.OnPrintPage(n);
      if (!target.EndPage()) {
        outcome = PrintOutcome::kFailed;
        break;
      }
      if (UserAbort()) {
        outcome = PrintOutcome::kCancelled;
        break;
      }
      if (!more) break;
    }
    if (outcome == PrintOutcome::kPrinted)
      target.EndDoc();
    else
      target.AbortDoc();
  }

  if (wasEnabled) top->Enable();
  status->Destroy();
  printout.OnEndPrinting();
  printout.SetDC(nullptr);
  return outcome;
}

bool PrintWithDialog(wxWindow* parent, wxPrintout* printout) {
  std::unique_ptr<wxPrintout> owned(printout);
  if (const char* file = std::getenv("TESSALY_PRINT_FILE"); file && *file) {
    std::unique_ptr<PrintTarget> target = MakeFilePrintTarget(file);
    if (!target) {
      Prompt().Show(kMsgFailedToStartPrint);
      return false;
    }
    return RunPrintLoop(parent, *owned, *target) == PrintOutcome::kPrinted;
  }
  wxPrintDialogData data(ThePrintData());
  wxPrinter printer(&data);
  const bool printed = printer.Print(parent, owned.get(), true);
  if (!printed && wxPrinter::GetLastError() == wxPRINTER_ERROR) Prompt().Show(kMsgFailedToStartPrint);
  if (printed) ThePrintData() = printer.GetPrintDialogData().GetPrintData();
  return printed;
}

bool ShowPrintPreview(wxWindow* parent, wxPrintout* forView, wxPrintout* forPrinting, const wxString& title) {
  wxPrintDialogData data(ThePrintData());
  auto* preview = new wxPrintPreview(forView, forPrinting, &data);
  if (!preview->IsOk()) {
    delete preview;
    Prompt().Show(kMsgFailedToStartPrint);
    return false;
  }
  auto* frame = new wxPreviewFrame(preview, parent ? wxGetTopLevelParent(parent) : nullptr, title, wxDefaultPosition,
                                   wxSize(800, 700));
  frame->Initialize();
  frame->CentreOnParent();
  // A window manager places a new window as it likes; once it has, the preview goes back
  // over the main window.
  auto placed = std::make_shared<bool>(false);
  frame->Bind(wxEVT_MOVE, [frame, placed](wxMoveEvent& event) {
    event.Skip();
    if (std::exchange(*placed, true)) return;
    frame->CallAfter([frame] { frame->CentreOnParent(); });
  });
  frame->Show();
  return true;
}

}  // namespace tessaly::ui
