#include "base/prompt.h"

#include <iostream>
#include <utility>

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

thread_local const PromptSubject* t_subject = nullptr;
thread_local UserPrompt* t_prompt = nullptr;

// The failures among the program's messages: shown with the warning icon.
constexpr MessageId kFailures[] = {
    kMsgNotValidFileType,
    kMsgNotEnoughMemory,
    kMsgFailedToCommunicate,
    kMsgPictureTooLarge,
    kMsgFailedToReadFile,
    kMsgTypeNotSupported,
    kMsgCannotSaveTiff,
    kMsgCannotSaveJpeg,
    kMsgAllTimersOccupied,
    kMsgCannotSaveBmp,
    kMsgFailedToPutClipboard,
    kMsgFailedToReadClipboard,
    kMsgClipboardTooLarge,
    kMsgCannotRotate,
    kMsgRotateFailed,
    kMsgInvalidPath,
    kMsgDeviceBusy,
    kMsgMemoryCardFull,
    kMsgHardwareIoError,
    kMsgWriteProtected,
    kMsgFailedToAccessCard,
    kMsgFailedToSaveFromAlbum,
    kMsgDiskFull,
    kMsgSerialPermission,
    kMsgSerialBusy,
    kMsgSerialMissing,
    kMsgSerialDisconnected,
    kMsgNotSerialDevice,
    kMsgFolderCannotTakeFiles,
    kMsgCannotPrint,
    kMsgReadOnlySaveAs,
    kMsgFailedToStartPrint,
    kMsgFileGeneric,
    kMsgFileNotFound,
    kMsgFileBadPath,
    kMsgFileAccessDenied,
    kMsgFileHardIo,
    kMsgFileDiskFull,
};

bool StartsWithFailure(std::string_view text) {
  for (MessageId id : kFailures) {
    std::string_view failure = MessageText(id);
    // A message with a file name in it ("%1") is recognised by its longer fixed part.
    if (const std::size_t at = failure.find("%1"); at != std::string_view::npos) {
      const std::string_view before = failure.substr(0, at), after = failure.substr(at + 2);
      failure = before.size() >= after.size() ? before : after;
    }
    if (!failure.empty() && text.find(failure) != std::string_view::npos) return true;
  }
  return false;
}

std::unique_ptr<UserPrompt>& Installed() {
  static std::unique_ptr<UserPrompt> prompt;
  return prompt;
}

}  // namespace

MessageKind KindOfMessage(std::string_view text, PromptButtons buttons) {
  switch (buttons) {
    case PromptButtons::kYesNo: return MessageKind::kQuestion;
    case PromptButtons::kRetryCancel: return MessageKind::kWarning;
    case PromptButtons::kOk: break;
  }
  return StartsWithFailure(text) ? MessageKind::kWarning : MessageKind::kInformation;
}

PromptSubject::PromptSubject(std::string name) : m_name(std::move(name)), m_outer(t_subject) { t_subject = this; }
PromptSubject::~PromptSubject() { t_subject = m_outer; }
std::string_view PromptSubject::Current() {
  return t_subject ? std::string_view(t_subject->m_name) : std::string_view();
}

UserPrompt& Prompt() {
  if (t_prompt != nullptr) return *t_prompt;
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

ThreadPrompt::ThreadPrompt(UserPrompt& prompt) : m_outer(std::exchange(t_prompt, &prompt)) {}
ThreadPrompt::~ThreadPrompt() { t_prompt = m_outer; }

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
  m_log.push_back({std::string(text), buttons, std::string(PromptSubject::Current())});
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
