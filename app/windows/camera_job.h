// One camera transfer of the camera window, from its first byte to its last: the
// "Processing Status" dialog with the time the current picture still needs at the line
// speed in use, the window marked busy, and Cancel.
#pragma once

#include <cstdint>
#include <string_view>

#include "ui/processing_dlg.h"

namespace tessaly::windows {

class CCameraView;

// Seconds the rest of a transfer takes on a line of bitsPerSecond: every byte is ten bit
// times long (a start bit, eight data bits and a stop bit). Rounded up, so that a
// transfer with bytes left never shows 0.
std::uint64_t SecondsLeft(std::uint64_t bytesLeft, std::uint32_t bitsPerSecond);

class CameraJob : public ui::ProcessingObserver {
 public:
  // A job of the camera window: the window is busy until the job ends.
  explicit CameraJob(CCameraView& view);
  // A job without a window ("Save Camera Images To Disk..." from the main window).
  explicit CameraJob(wxWindow* parent);
  ~CameraJob() override;
  CameraJob(const CameraJob&) = delete;
  CameraJob& operator=(const CameraJob&) = delete;

  // Stops the transfer at its next step, as Cancel does.
  void Cancel() { m_stop = true; }

  void Begin(std::string_view name, std::uint64_t total) override;
  bool Progress(std::uint64_t done) override;
  bool Cancelled() override;

 private:
  CCameraView* m_view = nullptr;
  bool m_stop = false;
  std::uint64_t m_total = 0;
  std::uint64_t m_lastShownSeconds = UINT64_MAX;
  bool m_single = false;
};

}  // namespace tessaly::windows
