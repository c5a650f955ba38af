// The retouch window's side of the clipboard and of dragging a selection out: the formats
// other programs take (PNG and BMP images) and the embedded item's native data, and the
// pictures other programs offer for Paste, turned into the packed bitmap the core pastes.
#pragma once

#include <wx/dataobj.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "picture/picture.h"

class wxImage;

namespace tessaly::retouch {

// The native data of the embedded item (layout in retouch/clipboard_data.h).
wxDataFormat NativeItemFormat();
wxDataFormat PngFormat();
wxDataFormat BmpFormat();
wxDataFormat JpegFormat();

// A data object with the area as PNG, as a BMP file and as native data; the caller owns it
// until it hands it to the clipboard or a drop source.
wxDataObject* MakeCopyData(const Picture& area);
// Puts it on the clipboard; false when the clipboard could not be opened.
bool PutOnClipboard(const Picture& area);

// Whether the clipboard offers a picture Paste can take.
bool ClipboardOffersPicture();
// The clipboard's picture as a packed device-independent bitmap: a BMP image's own bitmap
// (its depth kept, so that the paste can ask about palette pictures), else a PNG or JPEG
// image decoded to 24-bit colour. Empty when the clipboard cannot be opened or holds
// nothing that decodes.
std::optional<std::vector<std::uint8_t>> ReadClipboardDib();

// Between wx images and 24-bit pictures (alpha is dropped).
Picture PictureFromImage(const wxImage& image);
wxImage ImageFromPicture(const Picture& picture);

}  // namespace tessaly::retouch
