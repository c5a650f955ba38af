// The retouch view: the picture on a scrolled canvas at one of five zoom steps with the
// outline of the selection or of the floating pasted picture, the mouse rotation's
// outline, and the status bar panes.
//
// What the mouse and the keyboard do is the core's RetouchInteraction, and when each
// command is enabled is the core's command table; the view turns wx events into their
// inputs and carries out what they answer, and every change of the picture or of its
// selection is made by the document.
#pragma once

#include <wx/docview.h>
#include <wx/scrolwin.h>

#include <array>
#include <map>

#include "picture/renderer.h"
#include "retouch/commands.h"
#include "retouch/interaction.h"
#include "retouch/picture_rect.h"
#include "retouch/view_geometry.h"
#include "retouch_window/magnifier_cursor.h"

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
  const RetouchInteraction& Interaction() const { return m_model; }
  const RetouchViewGeometry& Geometry() const { return m_model.Geometry(); }
  int ZoomPercent() const { return Geometry().ZoomPercent(); }
  bool SelectionExists() const { return m_model.SelectionShown(); }
  bool ZoomMode() const { return m_model.ZoomMode(); }
  bool RotationMode() const { return m_model.RotationMode(); }
  int RotationAngle() const { return m_model.RotationAngle(); }
  // The rubber band or the floating outline, in display pixels (scroll position added).
  PictureRect TrackingRect() const { return m_model.DrawnOutline(); }
  bool Dragging() const { return m_model.Dragging(); }

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
  void Apply(const InteractionActions& actions);
  // Tells the model the window's size and scroll position and the picture's size;
  // returns the document's picture state.
  const RetouchPictureState& SyncWindow();
  void BuildRenderers(wxDC& dc);
  void DrawOverlay(wxDC& dc);
  void SetUpStatusPanes();
  void RestoreStatusPanes();
  void ShowStatusText(const wxString& text);
  void OnCommand(wxCommandEvent& event);
  void OnUpdateCommand(wxUpdateUIEvent& event);

  wxScrolledCanvas* m_canvas = nullptr;
  RetouchInteraction m_model;
  std::map<int, const RetouchCommandRow*> m_commands;  // by window id
  RendererSlot m_pictureSlot;
  RendererSlot m_floatingSlot;
  bool m_displayDirty = true;
  int m_displayDepth = 24;

  bool m_panesSetUp = false;
  bool m_panesDue = false;  // their update is queued
  struct SavedPane {
    wxString text;
    int width = 0;
  };
  std::array<SavedPane, 5> m_savedPanes;

  // Paste is offered while the clipboard holds a picture; asked at most twice a second.

  wxDECLARE_DYNAMIC_CLASS(CRetouchView);
};

}  // namespace tessaly::retouch
