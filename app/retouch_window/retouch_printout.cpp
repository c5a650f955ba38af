#include "retouch_window/retouch_printout.h"

#include <new>

#include "base/prompt.h"
#include "picture/renderer.h"
#include "retouch_window/retouch_doc.h"
#include "ui/dc_render_device.h"
#include "ui/printing.h"

namespace tessaly::retouch {

int PrinterDepth(int planes, int bitsPerPixel) {
  const int depth = planes * bitsPerPixel;
  switch (depth) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: return depth;
    default: return planes == 3 ? 24 : 8;
  }
}

CRetouchPrintout::CRetouchPrintout(CRetouchDoc* doc, int screenDepth)
    : wxPrintout(doc->GetUserReadableName()), m_doc(doc), m_screenDepth(screenDepth) {}

void CRetouchPrintout::GetPageInfo(int* minPage, int* maxPage, int* fromPage, int* toPage) {
  *minPage = *maxPage = *fromPage = *toPage = 1;
}

bool CRetouchPrintout::OnPrintPage(int) {
  wxDC* dc = GetDC();
  if (dc == nullptr) return false;
  const Picture& picture = m_doc->GetPicture();
  if (picture.Empty()) return true;
  const int printerDepth = PrinterDepth(1, dc->GetDepth() > 0 ? dc->GetDepth() : 24);
  const int forced = m_screenDepth == 8 && printerDepth > 8 && IsPreview() ? 8 : 0;

  int pageW = 0, pageH = 0, ppiX = 0, ppiY = 0;
  GetPageSizePixels(&pageW, &pageH);
  GetPPIPrinter(&ppiX, &ppiY);
  // The picture goes across the page within its margins, from their top-left corner.
  const wxRect area = ui::MarginsRect(*this, pageW, pageH);
  ui::DcRenderDevice::Options options;
  options.depth = forced;
  options.printing = true;
  options.pageWidth = area.width;
  options.pixelsPerInchX = ppiX > 0 ? ppiX : 72;
  options.pixelsPerInchY = ppiY > 0 ? ppiY : 72;
  ui::DcRenderDevice device(*dc, options);
  // The preview draws on a scaled-down page: one logical unit is one printer pixel.
  if (IsPreview()) {
    int w = 0, h = 0;
    dc->GetSize(&w, &h);
    const double scale = static_cast<double>(w) / pageW;
    dc->SetUserScale(scale, scale);
    dc->SetDeviceOrigin(static_cast<wxCoord>(area.x * scale), static_cast<wxCoord>(area.y * scale));
  } else {
    dc->SetDeviceOrigin(area.x, area.y);
  }
  RendererSlot slot;
  try {
    if (picture.bitsPerPixel == 24) {
      if (!CreateRenderer(slot, picture.width, picture.height, picture.pixels, 0, 0, picture.width, picture.height,
                          device, forced))
        return true;
    } else {
      slot.renderer = CreateIndexedRenderer(picture);
    }
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
    return true;
  }
  if (slot.renderer) slot.renderer->PrintFitWidth(device);
  return true;
}

}  // namespace tessaly::retouch
