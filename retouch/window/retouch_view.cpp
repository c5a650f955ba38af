#include "retouch/window/retouch_view.h"

#include <wx/dcclient.h>
#include <wx/scrolwin.h>
#include <wx/sizer.h>

#include <new>

#include "base/prompt.h"
#include "retouch/window/retouch_doc.h"
#include "retouch/window/retouch_frame.h"
#include "shell/dc_render_device.h"
#include "shell/main_frame.h"

namespace tessaly::retouch {

wxIMPLEMENT_DYNAMIC_CLASS(CRetouchView, wxView);

namespace {

// The colour around the picture.
const wxColour kBackground(50, 100, 100);

class RetouchCanvas : public wxScrolledCanvas {
 public:
  RetouchCanvas(wxWindow* parent, CRetouchView* view) : wxScrolledCanvas(parent), m_view(view) {
    SetBackgroundColour(kBackground);
    SetScrollRate(10, 10);
  }
  void OnDraw(wxDC& dc) override { m_view->OnDraw(&dc); }

 private:
  CRetouchView* m_view;
};

}  // namespace

CRetouchDoc* CRetouchView::GetRetouchDoc() const { return wxStaticCast(GetDocument(), CRetouchDoc); }

bool CRetouchView::OnCreate(wxDocument* doc, long flags) {
  if (!wxView::OnCreate(doc, flags)) return false;
  shell::CMainFrame* parent = shell::CMainFrame::Get();
  if (parent == nullptr) return false;
  auto* frame = new CRetouchFrame(doc, this, parent);
  m_canvas = new RetouchCanvas(frame, this);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(m_canvas, 1, wxEXPAND);
  frame->SetSizer(sizer);
  frame->Show();
  Activate(true);
  return true;
}

void CRetouchView::OnUpdate(wxView*, wxObject*) {
  m_displayDirty = true;
  if (m_canvas == nullptr) return;
  const Picture& picture = GetRetouchDoc()->GetPicture();
  m_canvas->SetVirtualSize(picture.width, picture.height);
  m_canvas->Refresh();
}

void CRetouchView::BuildRenderer(wxDC& dc) {
  m_displayDirty = false;
  m_slot.Clear();
  const Picture& picture = GetRetouchDoc()->GetPicture();
  if (picture.Empty()) return;
  wxBusyCursor busy;
  try {
    if (picture.bitsPerPixel == 24) {
      shell::DcRenderDevice device(dc);
      CreateRenderer(m_slot, picture.width, picture.height, picture.pixels, 0, 0, picture.width, picture.height,
                     device);
    } else {
      m_slot.renderer = CreateIndexedRenderer(picture);
    }
  } catch (const std::bad_alloc&) {
    m_slot.Clear();
    Prompt().Show(kMsgNotEnoughMemory);
  }
}

void CRetouchView::OnDraw(wxDC* dc) {
  if (m_displayDirty) BuildRenderer(*dc);
  if (!m_slot.renderer) return;
  shell::DcRenderDevice device(*dc);
  m_slot.renderer->DrawZoomed(device, 0, 0, 100);
}

bool CRetouchView::OnClose(bool deleteWindow) {
  if (!wxView::OnClose(deleteWindow)) return false;
  Activate(false);
  return true;
}

}  // namespace tessaly::retouch
