// How tessaly-cli speaks: every message is one line on the standard error,
// "tessaly-cli: OBJECT: reason", where OBJECT is the file, folder, picture or serial line
// the message is about and the reason is the program's own message, in the user's
// language.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/prompt.h"

namespace tessaly::cli {

inline constexpr std::string_view kProgramName = "tessaly-cli";

// The object of the messages shown while it lives; the innermost scope wins. A picture
// being transferred is named also in the messages about the line.
enum class ObjectKind { kFile, kPicture };
class ObjectScope {
 public:
  explicit ObjectScope(std::string object, ObjectKind kind = ObjectKind::kFile);
  ~ObjectScope();
  ObjectScope(const ObjectScope&) = delete;
  ObjectScope& operator=(const ObjectScope&) = delete;
};

// Messages about the line (the camera not answering, the device gone) name the device,
// its port slot and its speed, whatever else is going on; this describes it when asked.
void SetLineObject(std::function<std::string()> describe);

// Writes "tessaly-cli: OBJECT: reason" (or "tessaly-cli: reason" without an object); the
// reason is translated and put on one line.
void PrintError(std::string_view object, std::string_view reason);

// A usage error: the problem on one line, then where to read more; returns 2.
int UsageError(std::string_view command, std::string_view problem);

// Text on one line: the line breaks of a message become spaces.
std::string OneLine(std::string_view text);

// The prompt of tessaly-cli: messages as above, naming the current object; questions are
// answered from the command's flags. BeforeMessage runs first (a progress line that is
// being redrawn ends there).
class CliPrompt final : public UserPrompt {
 public:
  explicit CliPrompt(StreamPrompt::Answers answers = {}) : m_answers(answers) {}
  using UserPrompt::Show;
  PromptAnswer Show(std::string_view text, PromptButtons buttons) override;

  void SetBeforeMessage(std::function<void()> hook) { m_beforeMessage = std::move(hook); }
  // The English text of the last message shown (for --json), and forgetting it.
  const std::string& LastMessage() const { return m_last; }
  void ClearLastMessage() { m_last.clear(); }

 private:
  StreamPrompt::Answers m_answers;
  std::function<void()> m_beforeMessage;
  std::string m_last;
};

}  // namespace tessaly::cli
