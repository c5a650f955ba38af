#include "windows/contact_sheet_printout.h"

#include <wx/control.h>
#include <wx/dc.h>

#include <cmath>
#include <new>

#include "base/prompt.h"
#include "formats/picture_file.h"
#include "picture/album_thumbnail.h"
#include "ui/dc_render_device.h"
#include "ui/printing.h"

namespace tessaly::windows {

CAlbumPrintout::CAlbumPrintout(const wxString& title, std::vector<ContactSheetItem> items, const wxFont& font)
    : wxPrintout(title), m_items(std::move(items)), m_font(font) {}

void CAlbumPrintout::DecideOrientation() {
  int width = 0, height = 0, ppiX = 0, ppiY = 0;
  GetPageSizePixels(&width, &height);
  GetPPIPrinter(&ppiX, &ppiY);
  if (ppiX <= 0 || ppiY <= 0 || width <= 0 || height <= 0) return;
  // The page's size in hundredths of an inch decides, so that a printer whose two
  // resolutions differ still gets the right orientation.
  m_layout = ContactSheetLayout(ContactSheetLayout::IsLandscape(width * 100 / ppiX, height * 100 / ppiY));
}

void CAlbumPrintout::OnPreparePrinting() { DecideOrientation(); }

void CAlbumPrintout::OnBeginPrinting() {
  DecideOrientation();
  m_printImages.clear();
}

void CAlbumPrintout::OnEndPrinting() { m_printImages.clear(); }

bool CAlbumPrintout::HasPage(int page) { return page >= 1 && page <= PageCount(); }

void CAlbumPrintout::GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) {
  *minPage = 1;
  *maxPage = PageCount();
  *pageFrom = 1;
  *pageTo = PageCount();
}

bool CAlbumPrintout::OnPrintPage(int page) {
  wxDC* dc = GetDC();
  if (!dc) return false;
  int width = 0, height = 0;
  GetPageSizePixels(&width, &height);
  // The preview hands over a page at its zoom, not at the printer's size: the sheet is
  // laid out on the pixels it has.
  if (IsPreview()) dc->GetSize(&width, &height);
  if (DrawPage(*dc, page, width, height, IsPreview(), ui::MarginsRect(*this, width, height))) return true;
  // A cell that could not be drawn aborts the job rather than leaving a gap on paper.
  if (!IsPreview()) ui::UserAbort() = true;
  return false;
}

bool CAlbumPrintout::DrawPage(wxDC& dc, int page, int pageWidth, int pageHeight, bool fromCache, wxRect area) {
  if (area.IsEmpty()) area = wxRect(0, 0, pageWidth, pageHeight);
  const PixelRect sheet{area.x, area.y, area.width, area.height};
  const int items = static_cast<int>(m_items.size());
  const int first = m_layout.FirstItem(page);
  const int count = m_layout.ItemsOnPage(page, items);
  wxFont font = m_font.IsOk() ? m_font : *wxNORMAL_FONT;
  // The caption is as large on the page as the list's font is on the screen: a device
  // whose page holds fewer pixels per inch than it claims (the preview at its zoom)
  // gets a font scaled down to match.
  int pageMmX = 0, pageMmY = 0;
  GetPageSizeMM(&pageMmX, &pageMmY);
  if (pageMmX > 0 && dc.GetPPI().x > 0) {
    double pagePixelsPerInch = pageWidth / (pageMmX / 25.4);
    double scale = pagePixelsPerInch / dc.GetPPI().x;
    if (scale > 0.05 && std::abs(scale - 1.0) > 0.02) font = font.Scaled(static_cast<float>(scale));
  }
  dc.SetFont(font);
  dc.SetTextForeground(*wxBLACK);
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  for (int k = 0; k < count; ++k) {
    // Each cell loads a whole picture; Cancel of the status dialog answers in between.
    if (!fromCache && k > 0 && !ui::ContinuePrinting()) return true;
    const int index = first + k;
    wxImage image;
    auto cached = m_printImages.find(index);
    if (fromCache && cached != m_printImages.end()) {
      image = cached->second;
    } else {
      try {
        PictureFile file;
        // A picture over the limit of editing comes reduced to it, as in the album.
        if (!OpenPictureFileToFit(file, m_items[index].path, kMaxPictureWidth, kMaxPictureHeight)) {
          if (!fromCache) return false;
          continue;
        }
        // Paper is white, so the thumbnail stands on white.
        Picture cell = MakeAlbumThumbnail(file.picture, RgbQuad{255, 255, 255, 0}, kPrintThumbWidth, kPrintThumbHeight);
        image = ui::ImageOfPicture(cell);
      } catch (const std::bad_alloc&) {
        Prompt().Show(kMsgNotEnoughMemory);
        return false;
      }
      if (!image.IsOk()) {
        if (!fromCache) return false;
        continue;
      }
      if (fromCache) m_printImages[index] = image;
    }
    PixelRect thumb = m_layout.ToDevice(m_layout.ThumbRect(k), sheet);
    if (thumb.width <= 0 || thumb.height <= 0) continue;
    wxImage scaled = image.Scale(thumb.width, thumb.height, wxIMAGE_QUALITY_NEAREST);
    dc.DrawBitmap(wxBitmap(scaled), thumb.left, thumb.top, false);

    PixelRect caption = m_layout.ToDevice(m_layout.CaptionRect(k), sheet);
    // A caption wider than its cell is shortened in the middle instead of being cut at
    // the cell's edges (a clipping region would outlive the caption on some devices).
    wxString text = wxControl::Ellipsize(m_items[index].caption, dc, wxELLIPSIZE_MIDDLE, caption.width);
    wxSize extent = dc.GetTextExtent(text);
    dc.DrawText(text, caption.left + caption.width / 2 - extent.x / 2, caption.top);
  }
  return true;
}

}  // namespace tessaly::windows
