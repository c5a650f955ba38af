// The retouch view: draws the document's picture on a scrolled canvas through the
// core's renderer.
#pragma once

#include <wx/docview.h>

#include "picture/renderer.h"

#include <wx/scrolwin.h>

namespace tessaly::retouch {

class CRetouchDoc;
class CRetouchFrame;

class CRetouchView : public wxView {
 public:
  bool OnCreate(wxDocument* doc, long flags) override;
  void OnDraw(wxDC* dc) override;
  void OnUpdate(wxView* sender, wxObject* hint = nullptr) override;
  bool OnClose(bool deleteWindow = true) override;

  CRetouchDoc* GetRetouchDoc() const;
  wxScrolledCanvas* Canvas() const { return m_canvas; }

 private:
  // Rebuilds the display copy after the picture changed.
  void BuildRenderer(wxDC& dc);

  wxScrolledCanvas* m_canvas = nullptr;
  RendererSlot m_slot;
  bool m_displayDirty = true;

  wxDECLARE_DYNAMIC_CLASS(CRetouchView);
};

}  // namespace tessaly::retouch
