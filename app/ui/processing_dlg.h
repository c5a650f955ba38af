// The "Processing Status" dialog: a modeless window with the name of the item being
// worked on, a progress bar and Cancel, shown by the camera, album and retouch windows
// while a long job runs on the user-interface thread.
//
// The job calls Pump() between its steps; Pump() lets the application handle the
// events that are waiting, so the windows repaint and the Cancel button answers, and it
// says whether the job may go on. While the dialog is shown every other top-level
// window is disabled, so Cancel is the only input the job can meet.
#pragma once

#include <wx/dialog.h>
#include <wx/weakref.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string_view>

#include "workflows/camera_transfers.h"

class wxGauge;
class wxStaticText;
class wxWindowDisabler;

namespace tessaly::ui {

class CProcessingDlg : public wxDialog {
 public:
  // Progress counted in bytes is shown in units of this many bytes.
  static constexpr std::uint64_t kByteUnit = 128;

  // Makes and shows the dialog over parent with a progress range of steps (0 to steps).
  explicit CProcessingDlg(wxWindow* parent, int steps = 100, const wxString& name = wxString());
  ~CProcessingDlg() override;

  // The item being worked on (a file or picture name).
  void SetName(const wxString& name);
  // A line under the bar about the work in progress (the time a transfer still needs).
  void SetDetail(const wxString& text);
  // The bar runs from 0 to steps; the position starts at 0 again.
  void SetRange(int steps);
  void SetPos(int position);
  void SetStep(int step) { m_step = step; }
  // Moves the bar on by one step.
  void StepIt();
  int Pos() const;
  int Range() const;
  wxString Name() const;

  // Set once Cancel was pressed (or the dialog was asked to close).
  bool Cancelled() const { return m_cancelled; }
  // What Cancel does: the job stops at its next step.
  void Cancel() { m_cancelled = true; }
  // Handles the events that are waiting, for at most 100 ms. False when the job must stop: Cancel was
  // pressed or the application is on its way out.
  bool Pump();
  // Handles only the events that are ready, for at most atMost, without waiting for the
  // toolkit's next frame (a long build would stall on every call); false once Cancel was
  // pressed.
  bool ServeReadyEvents(std::chrono::milliseconds atMost);

 private:
  void OnCancel(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);

  wxStaticText* m_name = nullptr;
  wxStaticText* m_detail = nullptr;
  wxGauge* m_gauge = nullptr;
  std::unique_ptr<wxWindowDisabler> m_disabler;
  wxWeakRef<wxWindow> m_focusBefore;  // gets the keyboard back when the dialog goes
  int m_step = 1;
  bool m_cancelled = false;
};

// The dialog behind a camera sequence's observer: made when a run of transfers begins,
// its bar counting in units of 128 bytes, gone when the run ends. The camera window and
// the album's Save To Camera both follow their transfers through it.
class ProcessingObserver : public TransferObserver {
 public:
  explicit ProcessingObserver(wxWindow* parent) : m_parent(parent) {}
  ~ProcessingObserver() override;

  void Begin(std::string_view name, std::uint64_t total) override;
  void Item(std::string_view name) override;
  bool Progress(std::uint64_t done) override;
  bool Cancelled() override;
  void End() override;

  CProcessingDlg* Dialog() const { return m_dialog; }

 private:
  wxWindow* m_parent;
  CProcessingDlg* m_dialog = nullptr;
  wxString m_name;
  bool m_cancelled = false;
};

// A file name as the user sees it: UTF-8 names as they are, and names in another
// encoding (old Shift-JIS names) decoded as well as can be, never lost.
wxString DisplayName(std::string_view bytes);

}  // namespace tessaly::ui
