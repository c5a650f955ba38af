// The page layout of an album's contact sheets: 40 thumbnails a page, in rows of 8 on a
// landscape page (8 x 5) and rows of 5 on a portrait page (5 x 8), each 320 x 240 in a
// 400 x 400 cell with its caption below it.
//
// Positions are logical units with the origin at the page's centre; one mapping with the
// same scale across and down (the larger logical extent filling its page side) takes
// them to the device.
#pragma once

#include "picture/render_device.h"

namespace tessaly {

class ContactSheetLayout {
 public:
  static constexpr int kPerPage = 40;
  static constexpr int kPitch = 400;
  static constexpr int kMargin = 40;
  static constexpr int kThumbWidth = 320;
  static constexpr int kThumbHeight = 240;
  static constexpr int kCaptionTop = 260;  // below the cell's top, down to kCaptionBottom
  static constexpr int kCaptionBottom = 320;

  // A page is landscape when it is less high than wide (sizes in any one unit).
  static bool IsLandscape(int pageWidth, int pageHeight) { return pageHeight < pageWidth; }
  // Pages for a number of items: (items - 1) div 40 + 1, and 1 for an empty album.
  static int PageCount(int items) { return items <= 0 ? 1 : (items - 1) / kPerPage + 1; }

  explicit ContactSheetLayout(bool landscape) : m_landscape(landscape) {}

  bool Landscape() const { return m_landscape; }
  int ExtentX() const { return m_landscape ? 3200 : 2000; }
  int ExtentY() const { return m_landscape ? 2000 : 3200; }
  int Columns() const { return m_landscape ? 8 : 5; }

  // The items of page (counted from 1): the first index and how many.
  int FirstItem(int page) const { return (page - 1) * kPerPage; }
  int ItemsOnPage(int page, int items) const;

  // The thumbnail of item k of its page (k = 0..39), top-left corner, logical units.
  PixelRect ThumbRect(int k) const;
  // Where its caption goes: centred on the thumbnail, clipped to this rectangle.
  PixelRect CaptionRect(int k) const;

  // The device scale and origin for a page of pageWidth x pageHeight device pixels.
  double Scale(int pageWidth, int pageHeight) const;
  // A logical rectangle on the device, the sheet filling a page of pageWidth x pageHeight
  // device pixels, or the area of the page given (the page within its margins).
  PixelRect ToDevice(const PixelRect& logical, int pageWidth, int pageHeight) const;
  PixelRect ToDevice(const PixelRect& logical, const PixelRect& area) const;

 private:
  bool m_landscape;
};

}  // namespace tessaly
