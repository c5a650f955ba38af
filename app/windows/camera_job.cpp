#include "windows/camera_job.h"

#include <wx/window.h>

#include "windows/camera_window.h"
#include "workflows/connection.h"

namespace tessaly::windows {

std::uint64_t SecondsLeft(std::uint64_t bytesLeft, std::uint32_t bitsPerSecond) {
  if (bitsPerSecond == 0) return 0;
  return (bytesLeft * 10 + bitsPerSecond - 1) / bitsPerSecond;
}

CameraJob::CameraJob(CCameraView& view) : ui::ProcessingObserver(view.GetFrame()), m_view(&view) { view.m_job = this; }

CameraJob::CameraJob(wxWindow* parent) : ui::ProcessingObserver(parent) {}

CameraJob::~CameraJob() {
  if (m_view) m_view->m_job = nullptr;
}

void CameraJob::Begin(std::string_view name, std::uint64_t total) {
  ui::ProcessingObserver::Begin(name, total);
  // Only a single picture's transfer has a time left worth showing; a listing's bar
  // moves on picture by picture.
  m_single = !name.empty();
  m_total = total;
  m_lastShownSeconds = UINT64_MAX;
}

bool CameraJob::Progress(std::uint64_t done) {
  if (m_single && Dialog()) {
    const std::uint64_t left = SecondsLeft(m_total > done ? m_total - done : 0, TheLinkSetup().currentSpeed);
    if (left != m_lastShownSeconds) {
      m_lastShownSeconds = left;
      Dialog()->SetDetail(wxString::Format(_("About %llu seconds left"), static_cast<unsigned long long>(left)));
    }
  }
  return ui::ProcessingObserver::Progress(done) && !m_stop;
}

bool CameraJob::Cancelled() { return m_stop || ui::ProcessingObserver::Cancelled(); }

}  // namespace tessaly::windows
