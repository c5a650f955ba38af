// The retouch view: the picture on a scrolled canvas at one of five zoom steps, the
// rubber band of a selection, the floating pasted picture and the mouse rotation, the
// status bar panes, and every command of the retouch window with its enabling rule.
//
// The arithmetic (zoom conversions, the rubber band's rules, the Shift zoom, the rotation
// angle) is the core's RetouchViewGeometry; the handlers here feed it mouse points and
// draw what it says.
#pragma once

#include <wx/docview.h>
#include <wx/scrolwin.h>

#include <array>

#include "picture/renderer.h"
#include "retouch/picture_rect.h"
#include "retouch/view_geometry.h"

class wxStatusBar;

namespace tessaly::retouch {

class CRetouchDoc;

class CRetouchView : public wxView {
 public:
  bool OnCreate(wxDocument* doc, long flags) override;
  void OnDraw(wxDC* dc) override;
  void OnUpdate(wxView* sender, wxObject* hint = nullptr) override;
  bool OnClose(bool deleteWindow = true) override;
  void OnActivateView(bool activate, wxView* activeView, wxView* deactiveView) override;

  CRetouchDoc* GetRetouchDoc() const;
  wxScrolledCanvas* Canvas() const { return m_canvas; }

  // What tests and the frame look at.
  const RetouchViewGeometry& Geometry() const { return m_geometry; }
  int ZoomPercent() const { return m_geometry.ZoomPercent(); }
  bool SelectionExists() const { return m_selectionExists; }
  bool ZoomMode() const { return m_zoomMode; }
  bool RotationMode() const { return m_rotationMode; }
  int RotationAngle() const { return m_rotationAngle; }
  // The rubber band or the floating outline, in display pixels (scroll position added).
  const PictureRect& TrackingRect() const { return m_tracking; }
  bool Dragging() const { return m_buttonDown || m_draggingFloating || m_rotationTracking; }

  void SetZoomIndex(int index);
  // Esc, Delete and the right button: the floating picture goes and the selection is
  // erased.
  void DiscardFloatingAndSelection();
  // The mouse, as the canvas reports it (window coordinates).
  void LeftDown(const wxPoint& at, bool shift);
  void LeftUp(const wxPoint& at);
  void LeftDoubleClick();
  void RightDown(const wxPoint& at, bool shift);
  void Motion(const wxPoint& at, bool leftDown);
  void ShiftKey(bool down);
  void Resized();
  void FocusChanged(bool gained);

 private:
  void BuildRenderers(wxDC& dc);
  void SetUpStatusPanes();
  void RestoreStatusPanes();
  void ShowStatusText(const wxString& text);
  void UpdateScrollArea();
  ViewPoint ToDisplay(const wxPoint& window) const;
  ViewPoint DisplayToPicture(ViewPoint display) const;
  PictureRect DisplayToPicture(const PictureRect& display) const;
  PictureRect PictureToDisplay(const PictureRect& picture) const;
  void RefreshTracking(const PictureRect& rect);
  void RefreshRotation();
  void DrawOverlay(wxDC& dc);
  void ShowFloatingOutline();
  void ClearSelection();
  void SetCursorFor();
  bool IsTrueColour() const;
  bool CanEdit() const;  // no drag, nothing floating, 24-bit

  // Commands.
  void OnZoom(wxCommandEvent& event);
  void OnUpdateZoom(wxUpdateUIEvent& event);
  void OnTool(wxCommandEvent& event);
  void OnUpdateTool(wxUpdateUIEvent& event);
  void OnCopy(wxCommandEvent& event);
  void OnPaste(wxCommandEvent& event);
  void OnUpdatePaste(wxUpdateUIEvent& event);
  void OnUndo(wxCommandEvent& event);
  void OnSelectAll(wxCommandEvent& event);
  void OnDiscard(wxCommandEvent& event);
  void OnSave(wxCommandEvent& event);
  void OnSaveToCamera(wxCommandEvent& event);
  void OnPhotoProperties(wxCommandEvent& event);
  void OnPrint(wxCommandEvent& event);
  void OnPrintPreview(wxCommandEvent& event);
  void StartSelectionDrag();

  wxScrolledCanvas* m_canvas = nullptr;
  RetouchViewGeometry m_geometry;
  RendererSlot m_pictureSlot;
  RendererSlot m_floatingSlot;
  bool m_displayDirty = true;
  int m_displayDepth = 24;

  bool m_zoomMode = false;
  bool m_rotationMode = false;
  int m_rotationAngle = 0;
  bool m_buttonDown = false;
  bool m_draggingFloating = false;
  bool m_rotationTracking = false;
  bool m_selectionExists = false;
  PictureRect m_tracking;           // display pixels
  ViewPoint m_press;                // display pixels
  ViewPoint m_dragOffset;           // press point minus the outline's corner
  ViewPoint m_rotationPoint;        // current mouse point of a rotation drag (display)

  bool m_panesSetUp = false;
  bool m_panesDue = false;  // their update is queued
  struct SavedPane {
    wxString text;
    int width = 0;
  };
  std::array<SavedPane, 5> m_savedPanes;

  // Paste is offered while the clipboard holds a picture; asked at most twice a second.
  long m_pasteCheckedAt = -1000000;
  bool m_pasteOffered = false;

  wxDECLARE_DYNAMIC_CLASS(CRetouchView);
  wxDECLARE_EVENT_TABLE();
};

// The magnifier cursor of the Shift zoom mode.
const wxCursor& MagnifierCursor();

}  // namespace tessaly::retouch
