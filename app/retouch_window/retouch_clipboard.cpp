#include "retouch_window/retouch_clipboard.h"

#include <wx/clipbrd.h>
#include <wx/image.h>
#include <wx/mstream.h>

#include <array>
#include <cstring>
#include <new>

#include "formats/bmp.h"
#include "retouch/clipboard_data.h"

// The toolkit's clipboard is asked directly (its headers are not needed): wx only asks it
// by waiting for the answer.
extern "C" {
typedef struct _GtkClipboard GtkClipboard;
typedef struct _GdkAtom* GdkAtom;
GtkClipboard* gtk_clipboard_get(GdkAtom selection);
void gtk_clipboard_request_targets(GtkClipboard* clipboard, void (*callback)(GtkClipboard*, GdkAtom*, int, void*),
                                   void* data);
char* gdk_atom_name(GdkAtom atom);
void g_free(void* memory);
unsigned long g_signal_connect_data(void* instance, const char* signal, void (*handler)(), void* data,
                                    void (*destroy)(void*, void*), int flags);
}

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

// The area handed out and the formats made of it so far. A receiver asks for the size of a
// format before its bytes, so each format is made once and kept.
class ItemDataObject : public wxDataObject {
 public:
  ItemDataObject(Picture area, std::uint32_t firstValue, std::uint32_t secondValue)
      : m_area(std::move(area)), m_firstValue(firstValue), m_secondValue(secondValue) {}

  wxDataFormat GetPreferredFormat(Direction = Get) const override { return NativeItemFormat(); }
  size_t GetFormatCount(Direction dir = Get) const override { return dir == Get ? kFormats : 0; }
  void GetAllFormats(wxDataFormat* formats, Direction dir = Get) const override {
    if (dir != Get) return;
    formats[0] = NativeItemFormat();
    formats[1] = BmpFormat();
    formats[2] = PngFormat();
  }
  size_t GetDataSize(const wxDataFormat& format) const override { return Bytes(format).size(); }
  bool GetDataHere(const wxDataFormat& format, void* buffer) const override {
    const std::vector<std::uint8_t>& bytes = Bytes(format);
    if (bytes.empty()) return false;
    std::memcpy(buffer, bytes.data(), bytes.size());
    return true;
  }
  bool SetData(const wxDataFormat&, size_t, const void*) override { return false; }

 private:
  static constexpr size_t kFormats = 3;

  const std::vector<std::uint8_t>& Bytes(const wxDataFormat& format) const {
    const int index = format == NativeItemFormat() ? 0 : format == BmpFormat() ? 1 : format == PngFormat() ? 2 : -1;
    static const std::vector<std::uint8_t> kNone;
    if (index < 0) return kNone;
    std::optional<std::vector<std::uint8_t>>& made = m_made[static_cast<std::size_t>(index)];
    if (!made) {
      try {
        if (index == 0)
          made = MakeNativeData(m_area, m_firstValue, m_secondValue);
        else if (index == 1)
          made = BmpFileFromDib(MakeAreaDib(m_area));
        else
          made = EncodePng(m_area);
      } catch (const std::bad_alloc&) {
        // The receiver gets nothing for this format; the others may still fit.
        return kNone;
      }
    }
    return *made;
  }

  Picture m_area;
  std::uint32_t m_firstValue;
  std::uint32_t m_secondValue;
  mutable std::array<std::optional<std::vector<std::uint8_t>>, kFormats> m_made;
};

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

wxDataObject* MakeCopyData(Picture area, std::uint32_t firstValue, std::uint32_t secondValue) {
  return new ItemDataObject(std::move(area), firstValue, secondValue);
}

bool PutOnClipboard(Picture area, std::uint32_t firstValue, std::uint32_t secondValue) {
  wxClipboardLocker lock;
  if (!lock) return false;
  return wxTheClipboard->SetData(MakeCopyData(std::move(area), firstValue, secondValue));
}

std::vector<std::uint8_t> CopyDataBytes(const wxDataObject& data, const wxDataFormat& format) {
  if (!data.IsSupported(format)) return {};
  std::vector<std::uint8_t> bytes(data.GetDataSize(format));
  if (bytes.empty() || !data.GetDataHere(format, bytes.data())) return {};
  return bytes;
}

namespace {

// What the clipboard offers, as last heard from its owner. The question is asked without
// waiting for the answer: a wait runs events (timers, the end of the session) under the
// caller, and an owner that hangs would hang the window with it. The answer comes on the
// main loop, and again each time the clipboard changes hands.
struct ClipboardWatch {
  bool installed = false;
  bool offersPicture = false;
};
ClipboardWatch g_watch;

// The toolkit's own CLIPBOARD selection atom.
GdkAtom ClipboardSelection() { return reinterpret_cast<GdkAtom>(static_cast<std::uintptr_t>(69)); }

void OnTargets(GtkClipboard*, GdkAtom* targets, int count, void*) {
  bool offers = false;
  for (int i = 0; targets != nullptr && i < count && !offers; ++i) {
    char* name = gdk_atom_name(targets[i]);
    if (name == nullptr) continue;
    const wxDataFormat format{wxString::FromUTF8(name)};
    offers = format == NativeItemFormat() || format == BmpFormat() || format == PngFormat() || format == JpegFormat() ||
             format == wxDataFormat("image/x-bmp");
    g_free(name);
  }
  if (offers != g_watch.offersPicture) {
    g_watch.offersPicture = offers;
    wxWakeUpIdle();  // the menus and the tool bar look again
  }
}

void AskForTargets() { gtk_clipboard_request_targets(gtk_clipboard_get(ClipboardSelection()), OnTargets, nullptr); }

void OnOwnerChange(GtkClipboard*, void*, void*) { AskForTargets(); }

}  // namespace

bool ClipboardOffersPicture() {
  if (!g_watch.installed) {
    g_watch.installed = true;
    g_signal_connect_data(gtk_clipboard_get(ClipboardSelection()), "owner-change",
                          reinterpret_cast<void (*)()>(&OnOwnerChange), nullptr, nullptr, 0);
    AskForTargets();
  }
  return g_watch.offersPicture;
}

std::optional<std::vector<std::uint8_t>> ReadClipboardDib() {
  wxClipboardLocker lock;
  if (!lock) return std::nullopt;
  std::vector<std::uint8_t> dib;
  if (auto native = ReadFormat(NativeItemFormat())) {
    NativeItemData item;
    if (ReadNativeData(*native, item) == NativeDataStatus::kOk) dib = CBMP::MakePackedDib(item.picture);
  }
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
