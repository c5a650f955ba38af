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

// A data object with the area as native data, as a BMP file (the packed bitmap behind its
// file header) and as PNG; the caller owns it until it hands it to the clipboard or a drop
// source. It keeps the area's pixels and makes each format only when a receiver asks for
// it, so that a Copy costs no encoding until something is pasted.
wxDataObject* MakeCopyData(Picture area, std::uint32_t firstValue = 0, std::uint32_t secondValue = 0);
// Puts it on the clipboard; false when the clipboard could not be opened.
bool PutOnClipboard(Picture area, std::uint32_t firstValue = 0, std::uint32_t secondValue = 0);

// The bytes a data object made by MakeCopyData gives for one of its formats (empty for
// any other format), as a receiver gets them.
std::vector<std::uint8_t> CopyDataBytes(const wxDataObject& data, const wxDataFormat& format);

// Whether the clipboard offers a picture Paste can take, as last heard: the first call
// asks, and the answer (and each one after the clipboard changes hands) arrives on the
// main loop without waiting for it here.
bool ClipboardOffersPicture();
// The clipboard's picture as a packed device-independent bitmap: the native data of a
// retouch item (lossless, first), else a BMP image's own bitmap (its depth kept, so that
// the paste can ask about palette pictures), else a PNG or JPEG image decoded to 24-bit
// colour. Native data that does not read is passed over for the other formats. Empty when the clipboard cannot be
// opened or holds nothing that decodes.
std::optional<std::vector<std::uint8_t>> ReadClipboardDib();

// Between wx images and 24-bit pictures (alpha is dropped).
Picture PictureFromImage(const wxImage& image);
wxImage ImageFromPicture(const Picture& picture);

}  // namespace tessaly::retouch
