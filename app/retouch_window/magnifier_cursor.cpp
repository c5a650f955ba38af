#include "retouch_window/magnifier_cursor.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/image.h>

namespace tessaly::retouch {

const wxCursor& MagnifierCursor() {
  static const wxCursor cursor = [] {
    // A lens with a handle, drawn on a transparent 32 x 32 square; the hot spot is the
    // middle of the lens.
    wxBitmap bitmap(32, 32, 24);
    {
      wxMemoryDC dc(bitmap);
      dc.SetBackground(wxBrush(wxColour(255, 0, 255)));
      dc.Clear();
      dc.SetBrush(wxBrush(wxColour(255, 255, 255)));
      dc.SetPen(wxPen(wxColour(0, 0, 0), 2));
      dc.DrawCircle(12, 12, 9);
      dc.SetPen(wxPen(wxColour(0, 0, 0), 4));
      dc.DrawLine(19, 19, 29, 29);
      dc.SetPen(wxPen(wxColour(0, 0, 0), 1));
      dc.DrawLine(8, 12, 17, 12);
      dc.DrawLine(12, 8, 12, 17);
    }
    wxImage image = bitmap.ConvertToImage();
    image.SetMaskColour(255, 0, 255);
    image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_X, 12);
    image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_Y, 12);
    return wxCursor(image);
  }();
  return cursor;
}

}  // namespace tessaly::retouch
