#include "retouch/window/retouch_clipboard.h"

#include <wx/clipbrd.h>
#include <wx/image.h>
#include <wx/mstream.h>

#include <cstring>

#include "formats/bmp.h"
#include "retouch/clipboard_data.h"

namespace tessaly::retouch {
namespace {

std::vector<std::uint8_t> EncodePng(const Picture& area) {
  wxImage image = ImageFromPicture(area);
  wxMemoryOutputStream out;
  if (!image.IsOk() || !image.SaveFile(out, wxBITMAP_TYPE_PNG)) return {};
  std::vector<std::uint8_t> bytes(out.GetLength());
  out.CopyTo(bytes.data(), bytes.size());
  return bytes;
}

wxCustomDataObject* CustomData(const wxDataFormat& format, const std::vector<std::uint8_t>& bytes) {
  auto* data = new wxCustomDataObject(format);
  data->SetData(bytes.size(), bytes.data());
  return data;
}

std::optional<std::vector<std::uint8_t>> ReadFormat(const wxDataFormat& format) {
  if (!wxTheClipboard->IsSupported(format)) return std::nullopt;
  wxCustomDataObject data(format);
  if (!wxTheClipboard->GetData(data) || data.GetSize() == 0) return std::nullopt;
  const auto* bytes = static_cast<const std::uint8_t*>(data.GetData());
  return std::vector<std::uint8_t>(bytes, bytes + data.GetSize());
}

// A BMP file's bitmap as a packed bitmap: read as a file (any of its header forms and
// compressions) and packed again; a file the reader refuses is handed on as it is after
// its file header, so that the paste gives the refusal its own result.
std::vector<std::uint8_t> DibFromBmpFile(const std::vector<std::uint8_t>& file) {
  Picture picture;
  BmpHeaderStyle style{};
  if (CBMP::ReadBmpFile(file, picture, style).Ok()) return CBMP::MakePackedDib(picture);
  if (file.size() > 14) return std::vector<std::uint8_t>(file.begin() + 14, file.end());
  return {};
}

std::vector<std::uint8_t> DibFromEncodedImage(const std::vector<std::uint8_t>& bytes, wxBitmapType type) {
  wxMemoryInputStream in(bytes.data(), bytes.size());
  wxImage image;
  if (!image.LoadFile(in, type)) return {};
  return CBMP::MakePackedDib(PictureFromImage(image));
}

}  // namespace

wxDataFormat NativeItemFormat() { return wxDataFormat("application/x-tessaly-retouch-item"); }
wxDataFormat PngFormat() { return wxDataFormat("image/png"); }
wxDataFormat BmpFormat() { return wxDataFormat("image/bmp"); }
wxDataFormat JpegFormat() { return wxDataFormat("image/jpeg"); }

Picture PictureFromImage(const wxImage& image) {
  if (!image.IsOk()) return {};
  const int w = image.GetWidth();
  const int h = image.GetHeight();
  return PictureFromRgb(w, h, std::span<const std::uint8_t>(image.GetData(), 3 * static_cast<std::size_t>(w) * h));
}

wxImage ImageFromPicture(const Picture& picture) {
  std::vector<std::uint8_t> rgb = RgbFromPicture(picture);
  if (rgb.empty()) return {};
  auto* data = static_cast<unsigned char*>(std::malloc(rgb.size()));
  if (data == nullptr) return {};
  std::memcpy(data, rgb.data(), rgb.size());
  return wxImage(picture.width, picture.height, data, false);
}

wxDataObject* MakeCopyData(const Picture& area) {
  auto* all = new wxDataObjectComposite;
  all->Add(CustomData(PngFormat(), EncodePng(area)), true);
  all->Add(CustomData(BmpFormat(), BmpFileFromDib(MakeAreaDib(area))));
  all->Add(CustomData(NativeItemFormat(), MakeNativeData(area)));
  return all;
}

bool PutOnClipboard(const Picture& area) {
  wxClipboardLocker lock;
  if (!lock) return false;
  return wxTheClipboard->SetData(MakeCopyData(area));
}

bool ClipboardOffersPicture() {
  wxClipboardLocker lock;
  if (!lock) return false;
  return wxTheClipboard->IsSupported(BmpFormat()) || wxTheClipboard->IsSupported(PngFormat()) ||
         wxTheClipboard->IsSupported(JpegFormat()) || wxTheClipboard->IsSupported(wxDataFormat("image/x-bmp"));
}

std::optional<std::vector<std::uint8_t>> ReadClipboardDib() {
  wxClipboardLocker lock;
  if (!lock) return std::nullopt;
  std::vector<std::uint8_t> dib;
  for (const char* bmp : {"image/bmp", "image/x-bmp"})
    if (dib.empty())
      if (auto file = ReadFormat(wxDataFormat(bmp))) dib = DibFromBmpFile(*file);
  if (dib.empty())
    if (auto png = ReadFormat(PngFormat())) dib = DibFromEncodedImage(*png, wxBITMAP_TYPE_PNG);
  if (dib.empty())
    if (auto jpeg = ReadFormat(JpegFormat())) dib = DibFromEncodedImage(*jpeg, wxBITMAP_TYPE_JPEG);
  if (dib.empty()) return std::nullopt;
  return dib;
}

}  // namespace tessaly::retouch
