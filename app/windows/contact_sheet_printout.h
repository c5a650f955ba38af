// The album's contact sheets as a printout: 40 thumbnails a page with their captions,
// for the print loop and for the print preview.
#pragma once

#include <wx/font.h>
#include <wx/image.h>
#include <wx/print.h>

#include <filesystem>
#include <map>
#include <vector>

#include "picture/contact_sheet.h"

namespace tessaly::windows {

struct ContactSheetItem {
  std::filesystem::path path;
  wxString caption;
};

class CAlbumPrintout : public wxPrintout {
 public:
  CAlbumPrintout(const wxString& title, std::vector<ContactSheetItem> items, const wxFont& font);

  void OnPreparePrinting() override;
  void OnBeginPrinting() override;
  void OnEndPrinting() override;
  bool HasPage(int page) override;
  void GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) override;
  bool OnPrintPage(int page) override;

  int PageCount() const { return ContactSheetLayout::PageCount(static_cast<int>(m_items.size())); }
  bool Landscape() const { return m_layout.Landscape(); }

  // Draws one page onto dc, whose drawing area is pageWidth x pageHeight pixels (the
  // printer's, or a bitmap's for a picture of the sheet). False when a thumbnail could
  // not be made (the job is then aborted). The sheet fills area (the page within its
  // margins), or the whole page when area is empty.
  bool DrawPage(wxDC& dc, int page, int pageWidth, int pageHeight, bool fromCache, wxRect area = {});

 private:
  void DecideOrientation();

  std::vector<ContactSheetItem> m_items;
  wxFont m_font;
  ContactSheetLayout m_layout{true};
  // The preview's thumbnails, made for a page the first time it is shown.
  std::map<int, wxImage> m_printImages;
};

}  // namespace tessaly::windows
