#include "base/prompt.h"

#include <iostream>

namespace tessaly {
namespace {

PromptAnswer NegativeAnswer(PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::kOk: return PromptAnswer::kOk;
    case PromptButtons::kYesNo: return PromptAnswer::kNo;
    case PromptButtons::kRetryCancel: return PromptAnswer::kCancel;
  }
  return PromptAnswer::kOk;
}

std::unique_ptr<UserPrompt>& Installed() {
  static std::unique_ptr<UserPrompt> prompt;
  return prompt;
}

}  // namespace

UserPrompt& Prompt() {
  static StreamPrompt fallback;
  auto& installed = Installed();
  return installed ? *installed : static_cast<UserPrompt&>(fallback);
}

std::unique_ptr<UserPrompt> SetPrompt(std::unique_ptr<UserPrompt> prompt) {
  std::swap(Installed(), prompt);
  return prompt;
}

ScopedPrompt::ScopedPrompt(std::unique_ptr<UserPrompt> prompt) : m_previous(SetPrompt(std::move(prompt))) {}
ScopedPrompt::~ScopedPrompt() { SetPrompt(std::move(m_previous)); }

PromptAnswer StreamPrompt::Show(std::string_view text, PromptButtons buttons) {
  ++m_count;
  // One message per line group: the texts contain their own line breaks.
  std::cerr << text << '\n';
  switch (buttons) {
    case PromptButtons::kOk: return PromptAnswer::kOk;
    case PromptButtons::kYesNo: return m_answers.yes ? PromptAnswer::kYes : PromptAnswer::kNo;
    case PromptButtons::kRetryCancel: return m_answers.retry ? PromptAnswer::kRetry : PromptAnswer::kCancel;
  }
  return PromptAnswer::kOk;
}

PromptAnswer ScriptedPrompt::Show(std::string_view text, PromptButtons buttons) {
  m_log.push_back({std::string(text), buttons});
  if (m_script.empty()) return NegativeAnswer(buttons);
  PromptAnswer answer = m_script.front();
  m_script.pop_front();
  return answer;
}

std::vector<std::string> ScriptedPrompt::Texts() const {
  std::vector<std::string> texts;
  for (const auto& shown : m_log) texts.push_back(shown.text);
  return texts;
}

}  // namespace tessaly
