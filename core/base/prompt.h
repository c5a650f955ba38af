// The one way the core shows a failure or asks a question.
//
// A core function that has to tell the user something calls Prompt().Show(...) at the
// point of failure, exactly where the desktop program would show a message box. The
// program installs a prompt that shows wx message boxes, tessaly-cli one that prints to
// stderr and answers from its flags, and tests a scripted one that records every text.
#pragma once

#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/messages.h"

namespace tessaly {

enum class PromptButtons { kOk, kYesNo, kRetryCancel };
enum class PromptAnswer { kOk, kYes, kNo, kRetry, kCancel };

class UserPrompt {
 public:
  virtual ~UserPrompt() = default;
  // Shows an English text (the translation is the implementation's business) with the
  // information icon and the given buttons; returns the button chosen.
  virtual PromptAnswer Show(std::string_view text, PromptButtons buttons) = 0;

  PromptAnswer Show(MessageId id, PromptButtons buttons = PromptButtons::kOk) { return Show(MessageText(id), buttons); }
  PromptAnswer Show(std::string_view text) { return Show(text, PromptButtons::kOk); }
};

// What a message is, for the icon it is shown with: a question (Yes/No), a warning (a
// failure, or Retry/Cancel), otherwise information.
enum class MessageKind { kInformation, kQuestion, kWarning };
MessageKind KindOfMessage(std::string_view text, PromptButtons buttons);

// Names the file (or other object) that the messages shown within a scope are about, so
// that a message among many (an album meeting several bad files) says which one it
// means; the program shows the name under the message's text. Scopes nest, the innermost
// names the object. The name is the file system's bytes.
class PromptSubject {
 public:
  explicit PromptSubject(std::string name);
  ~PromptSubject();
  PromptSubject(const PromptSubject&) = delete;
  PromptSubject& operator=(const PromptSubject&) = delete;
  // The innermost subject's name, or empty outside every scope.
  static std::string_view Current();

 private:
  std::string m_name;
  const PromptSubject* m_outer;
};

// The prompt in use: this thread's own (ThreadPrompt), else the one installed. Until one
// is installed, messages go to stderr and every question gets its negative answer (No,
// Cancel).
UserPrompt& Prompt();
// Installs a prompt and returns the previous one (null when it was the default).
std::unique_ptr<UserPrompt> SetPrompt(std::unique_ptr<UserPrompt> prompt);

// Installs a prompt for the lifetime of a scope and puts the previous one back.
class ScopedPrompt {
 public:
  explicit ScopedPrompt(std::unique_ptr<UserPrompt> prompt);
  ~ScopedPrompt();
  ScopedPrompt(const ScopedPrompt&) = delete;
  ScopedPrompt& operator=(const ScopedPrompt&) = delete;

 private:
  std::unique_ptr<UserPrompt> m_previous;
};

// Gives the calling thread a prompt of its own for the lifetime of a scope, which the
// other threads do not see: a job that works beside the windows gathers its messages.
class ThreadPrompt {
 public:
  explicit ThreadPrompt(UserPrompt& prompt);
  ~ThreadPrompt();
  ThreadPrompt(const ThreadPrompt&) = delete;
  ThreadPrompt& operator=(const ThreadPrompt&) = delete;

 private:
  UserPrompt* m_outer;
};

// Prints messages to a stream (stderr by default) and answers questions from fixed
// choices, as a command-line program does with its flags.
class StreamPrompt : public UserPrompt {
 public:
  struct Answers {
    bool yes = false;    // Yes/No questions answer Yes
    bool retry = false;  // Retry/Cancel questions answer Retry
  };
  StreamPrompt() = default;
  explicit StreamPrompt(Answers answers) : m_answers(answers) {}
  using UserPrompt::Show;
  PromptAnswer Show(std::string_view text, PromptButtons buttons) override;
  // Number of messages shown so far.
  int Count() const { return m_count; }

 private:
  Answers m_answers;
  int m_count = 0;
};

// Records every text and answers from a script, for tests. An exhausted script answers
// OK, No or Cancel.
class ScriptedPrompt : public UserPrompt {
 public:
  struct Shown {
    std::string text;
    PromptButtons buttons;
    std::string subject;  // what the message was about, empty when nothing was named
  };
  using UserPrompt::Show;
  PromptAnswer Show(std::string_view text, PromptButtons buttons) override;

  void Answer(PromptAnswer answer) { m_script.push_back(answer); }
  const std::vector<Shown>& Log() const { return m_log; }
  std::vector<std::string> Texts() const;
  void Clear() { m_log.clear(); }

 private:
  std::deque<PromptAnswer> m_script;
  std::vector<Shown> m_log;
};

// Thrown to unwind an action whose failure has already been shown, so that no handler
// on the way out shows a second message.
class ReportedFailure : public std::runtime_error {
 public:
  ReportedFailure() : std::runtime_error("failure already reported") {}
};

}  // namespace tessaly
