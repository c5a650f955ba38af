// The retouch document's embedded item: the picture (or, while Copy or a drag hands it
// out, the selection) as another program receives it. It reports its size, draws itself
// into a device context, writes its native data and renders the packed bitmap that
// receivers take as image/bmp.
//
// The arithmetic is the core's (retouch/embedded_item.h); this class reads the document
// and talks to wx.
#pragma once

#include <wx/dataobj.h>
#include <wx/dc.h>
#include <wx/dnd.h>

#include <cstdint>
#include <vector>

#include "picture/picture.h"
#include "retouch/embedded_item.h"

namespace tessaly::retouch {

class CRetouchDoc;

class CDscSrvrItem {
 public:
  enum class Aspect { kContent, kThumbnail, kIcon, kDocPrint };

  explicit CDscSrvrItem(CRetouchDoc& document) : m_document(document) {}

  // The content's size in HIMETRIC units through the screen's density; other aspects are
  // not the item's to answer (false).
  bool OnGetExtent(Aspect aspect, wxSize& size);
  // Draws the item into dc. On entry size is the rectangle (device pixels) the drawing
  // is to fill, or 0 x 0 for one device pixel per picture pixel; on return it is the size
  // drawn, in picture pixels. A document without a picture draws nothing and succeeds;
  // running out of memory shows "Not enough memory." and fails.
  bool OnDraw(wxDC& dc, wxSize& size);

  // The native data, as the item stores itself.
  std::vector<std::uint8_t> Serialize() const;
  // The packed device-independent bitmap of the area.
  std::vector<std::uint8_t> RenderDib() const;
  // A data object with the item's formats, made when a receiver asks for them; the
  // caller owns it.
  wxDataObject* GetDataSource() const;

  // Put the item on the clipboard, or drag it from a window; the next drawing takes the
  // area's size. Copy returns false when the clipboard could not be opened.
  bool CopyToClipboard();
  wxDragResult DoDragDrop(wxWindow* from);

  const ItemDrawState& DrawState() const { return m_state; }

 private:
  ItemSource Source() const;
  // The pixels handed out: the rendered area of the picture, or white of the picture's
  // size when the document has no pixels yet.
  Picture Area() const;

  CRetouchDoc& m_document;
  ItemDrawState m_state;
};

}  // namespace tessaly::retouch
