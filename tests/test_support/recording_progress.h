// A progress display that records what the core shows, installed for the length of a scope.
#pragma once

#include <memory>
#include <vector>

#include "picture/progress.h"

namespace tessaly::test {

struct ProgressLog {
  std::vector<MessageId> begun;
  int range = -1;
  int steps = 0;
  bool shown = false;
};

class ScopedRecordingProgress {
 public:
  ScopedRecordingProgress() : m_previous(SetProgressDisplay(std::make_unique<Recorder>(m_log))) {}
  ~ScopedRecordingProgress() { SetProgressDisplay(std::move(m_previous)); }
  ScopedRecordingProgress(const ScopedRecordingProgress&) = delete;
  ScopedRecordingProgress& operator=(const ScopedRecordingProgress&) = delete;
  const ProgressLog& Log() const { return m_log; }

 private:
  class Recorder : public ProgressDisplay {
   public:
    explicit Recorder(ProgressLog& log) : m_log(log) {}
    void Begin(MessageId message) override {
      m_log.begun.push_back(message);
      m_log.shown = true;
    }
    void SetRange(int maximum) override { m_log.range = maximum; }
    void SetStep(int) override {}
    void StepIt() override { ++m_log.steps; }
    void End() override { m_log.shown = false; }

   private:
    ProgressLog& m_log;
  };

  ProgressLog m_log;
  std::unique_ptr<ProgressDisplay> m_previous;
};

}  // namespace tessaly::test
