// The status bar's progress meter: a gauge in the first pane and the message beside it.
#pragma once

#include <wx/string.h>

#include "picture/progress.h"

class wxFrame;
class wxGauge;

namespace tessaly::ui {

class StatusBarProgress : public ProgressDisplay {
 public:
  // The gauge's size in the status bar and its window id.
  static constexpr int kGaugeWidth = 147;
  static constexpr int kGaugeHeight = 20;
  static constexpr int kGaugeId = 1000;

  explicit StatusBarProgress(wxFrame* frame) : m_frame(frame) {}
  ~StatusBarProgress() override;

  void Begin(MessageId message) override;
  void SetRange(int maximum) override;
  void SetStep(int step) override;
  void StepIt() override;
  void End() override;

  wxGauge* Gauge() const { return m_gauge; }

 private:
  struct SavedPane {
    wxString text;
    int width = 0;
    int style = 0;
  };

  wxFrame* m_frame;
  wxGauge* m_gauge = nullptr;
  SavedPane m_saved[2];
  int m_step = 1;
  long m_lastPaint = 0;
};

}  // namespace tessaly::ui
