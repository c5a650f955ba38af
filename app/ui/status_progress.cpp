#include "ui/status_progress.h"
#include "ui/wx_prompt.h"

#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/statusbr.h>
#include <wx/time.h>

#include <vector>

namespace tessaly::ui {

StatusBarProgress::~StatusBarProgress() { End(); }

void StatusBarProgress::Begin(MessageId message) {
  End();
  wxStatusBar* bar = m_frame ? m_frame->GetStatusBar() : nullptr;
  if (bar == nullptr || bar->GetFieldsCount() < 2) return;

  const int count = bar->GetFieldsCount();
  std::vector<int> widths(count), styles(count);
  for (int i = 0; i < count; ++i) {
    widths[i] = bar->GetStatusWidth(i);
    styles[i] = bar->GetStatusStyle(i);
  }
  for (int i = 0; i < 2; ++i) m_saved[i] = {bar->GetStatusText(i), widths[i], styles[i]};

  // The gauge sits in the first pane; the message takes the rest of the room.
  widths[0] = kGaugeWidth;
  styles[0] = wxSB_FLAT;
  widths[1] = -1;
  bar->SetStatusWidths(count, widths.data());
  bar->SetStatusStyles(count, styles.data());
  bar->SetStatusText(wxString(), 0);
  bar->SetStatusText(Translated(MessageText(message)), 1);
  m_gauge = new wxGauge(bar, kGaugeId, 100, wxPoint(0, 0), wxSize(kGaugeWidth, kGaugeHeight));
  m_step = 1;
  m_lastPaint = 0;
  bar->Update();
}

void StatusBarProgress::SetRange(int maximum) {
  if (m_gauge) m_gauge->SetRange(maximum > 0 ? maximum : 1);
}

void StatusBarProgress::SetStep(int step) { m_step = step; }

void StatusBarProgress::StepIt() {
  if (!m_gauge) return;
  m_gauge->SetValue(std::min(m_gauge->GetValue() + m_step, m_gauge->GetRange()));
  // Painting on every step would cost more than the work itself on small steps.
  long now = wxGetLocalTimeMillis().ToLong();
  if (now - m_lastPaint >= 50) {
    m_lastPaint = now;
    m_gauge->Update();
  }
}

void StatusBarProgress::End() {
  if (!m_gauge) return;
  m_gauge->Destroy();
  m_gauge = nullptr;
  wxStatusBar* bar = m_frame ? m_frame->GetStatusBar() : nullptr;
  if (bar == nullptr) return;
  const int count = bar->GetFieldsCount();
  std::vector<int> widths(count), styles(count);
  for (int i = 0; i < count; ++i) {
    widths[i] = bar->GetStatusWidth(i);
    styles[i] = bar->GetStatusStyle(i);
  }
  for (int i = 0; i < 2; ++i) {
    widths[i] = m_saved[i].width;
    styles[i] = m_saved[i].style;
  }
  bar->SetStatusWidths(count, widths.data());
  bar->SetStatusStyles(count, styles.data());
  for (int i = 0; i < 2; ++i) bar->SetStatusText(m_saved[i].text, i);
}

}  // namespace tessaly::ui
