#include "retouch_window/dsc_srvr_item.h"

#include <wx/clipbrd.h>
#include <wx/dcscreen.h>
#include <wx/utils.h>

#include <memory>
#include <new>

#include "base/prompt.h"
#include "picture/renderer.h"
#include "retouch/clipboard_data.h"
#include "retouch_window/retouch_clipboard.h"
#include "retouch_window/retouch_doc.h"
#include "ui/dc_render_device.h"

namespace tessaly::retouch {

ItemSource CDscSrvrItem::Source() const {
  const RetouchPictureState& state = m_document.State();
  ItemSource source;
  source.pictureWidth = state.Current().width;
  source.pictureHeight = state.Current().height;
  source.selection = state.Selection();
  source.copySelection = m_document.CopySelection();
  // The window trims by changing the picture itself, so the visible area always starts
  // at the picture's corner.
  source.originX = 0;
  source.originY = 0;
  return source;
}

Picture CDscSrvrItem::Area() const {
  const Picture& picture = m_document.State().Current();
  if (picture.pixels.empty()) return Picture::Make(picture.width, picture.height, 24, 255);
  return ExtractArea(picture, RenderedArea(Source()));
}

bool CDscSrvrItem::OnGetExtent(Aspect aspect, wxSize& size) {
  if (aspect != Aspect::kContent) return false;
  int width = 0, height = 0;
  ReportExtent(m_state, Source(), width, height);
  const wxSize ppi = wxScreenDC().GetPPI();
  const HimetricSize himetric = PixelsToHimetric(width, height, ppi.x, ppi.y);
  size = wxSize(static_cast<int>(himetric.width), static_cast<int>(himetric.height));
  return true;
}

bool CDscSrvrItem::OnDraw(wxDC& dc, wxSize& size) {
  const Picture& picture = m_document.State().Current();
  if (picture.pixels.empty() || picture.bitsPerPixel != 24) return true;
  wxBusyCursor busy;
  const wxSize target = size;
  const DrawPlan plan = PlanDraw(m_state, Source());
  size = wxSize(plan.drawWidth, plan.drawHeight);
  if (plan.source.Empty() || plan.drawWidth <= 0 || plan.drawHeight <= 0) return true;

  // The drawn size maps onto the rectangle asked for, from the device context's corner.
  double scaleX = 1, scaleY = 1;
  dc.GetUserScale(&scaleX, &scaleY);
  const wxPoint origin = dc.GetLogicalOrigin();
  if (target.x > 0 && target.y > 0)
    dc.SetUserScale(static_cast<double>(target.x) / plan.drawWidth, static_cast<double>(target.y) / plan.drawHeight);
  dc.SetLogicalOrigin(0, 0);

  bool drawn = false;
  RendererSlot slot;
  ui::DcRenderDevice device(dc, {});
  try {
    const bool made = CreateRenderer(slot, picture.width, picture.height, picture.pixels, plan.source.left,
                                     plan.source.top, plan.source.Width(), plan.source.Height(), device);
    m_state.renderResult1 = made ? 1 : 0;
    m_state.renderResult2 = slot.colourCount;
    // The renderer shows "Not enough memory." itself when its copy cannot be drawn.
    drawn = made && slot.renderer && slot.renderer->BlitViaBitmap(device, nullptr);
  } catch (const std::bad_alloc&) {
    slot.Clear();
    Prompt().Show(kMsgNotEnoughMemory);
  }
  dc.SetUserScale(scaleX, scaleY);
  dc.SetLogicalOrigin(origin.x, origin.y);
  return drawn;
}

std::vector<std::uint8_t> CDscSrvrItem::Serialize() const {
  const RetouchPictureState& state = m_document.State();
  return MakeNativeData(Area(), state.FirstFurtherValue(), state.SecondFurtherValue());
}

std::vector<std::uint8_t> CDscSrvrItem::RenderDib() const { return MakeAreaDib(Area()); }

wxDataObject* CDscSrvrItem::GetDataSource() const {
  const RetouchPictureState& state = m_document.State();
  return MakeCopyData(Area(), state.FirstFurtherValue(), state.SecondFurtherValue());
}

bool CDscSrvrItem::CopyToClipboard() {
  wxClipboardLocker lock;
  if (!lock) return false;
  // The clipboard owns the data object from here on, whether it takes it or not.
  if (!wxTheClipboard->SetData(GetDataSource())) return false;
  m_state.firstDraw = 1;
  return true;
}

wxDragResult CDscSrvrItem::DoDragDrop(wxWindow* from) {
  std::unique_ptr<wxDataObject> data(GetDataSource());
  m_state.firstDraw = 1;
  wxDropSource source(from);
  source.SetData(*data);
  return source.DoDragDrop(wxDrag_AllowMove);
}

}  // namespace tessaly::retouch
