// The retouch window's printout: the picture on one page across the printable width.
#pragma once

#include <wx/print.h>

namespace tessaly::retouch {

class CRetouchDoc;

class CRetouchPrintout : public wxPrintout {
 public:
  // screenDepth: the display depth the view recorded; a preview of an 8-bit display's
  // window shows the colour cube as the screen would.
  CRetouchPrintout(CRetouchDoc* doc, int screenDepth);

  bool HasPage(int page) override { return page == 1; }
  void GetPageInfo(int* minPage, int* maxPage, int* fromPage, int* toPage) override;
  bool OnPrintPage(int page) override;

 private:
  CRetouchDoc* m_doc;
  int m_screenDepth;
};

// The depth a printer's device context is taken as: 1, 4, 8, 16, 24 and 32 as they are,
// any other as 8 for one plane and 24 for three.
int PrinterDepth(int planes, int bitsPerPixel);

}  // namespace tessaly::retouch
