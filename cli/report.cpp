#include "cli/report.h"

#include <algorithm>
#include <array>
#include <iostream>
#include <vector>

#include "base/messages.h"
#include "cli/catalog.h"

namespace tessaly::cli {
namespace {

struct Object {
  std::string name;
  ObjectKind kind;
};

std::vector<Object>& Objects() {
  static std::vector<Object> objects;
  return objects;
}

std::function<std::string()>& LineObject() {
  static std::function<std::string()> describe;
  return describe;
}

// The messages that are about the serial line or the camera at its other end.
bool IsLineMessage(std::string_view text) {
  static constexpr std::array kIds = {kMsgFailedToCommunicate, kMsgNoDataInCamera,     kMsgMemoryCardFull,
                                      kMsgMemoryCardChanged,   kMsgSerialPermission,   kMsgSerialBusy,
                                      kMsgSerialMissing,       kMsgSerialDisconnected, kMsgNotSerialDevice};
  return std::any_of(kIds.begin(), kIds.end(), [&](MessageId id) { return MessageText(id) == text; });
}

}  // namespace

ObjectScope::ObjectScope(std::string object, ObjectKind kind) { Objects().push_back({std::move(object), kind}); }
ObjectScope::~ObjectScope() { Objects().pop_back(); }

void SetLineObject(std::function<std::string()> describe) { LineObject() = std::move(describe); }

std::string OneLine(std::string_view text) {
  std::string line(text);
  std::replace(line.begin(), line.end(), '\n', ' ');
  return line;
}

void PrintError(std::string_view object, std::string_view reason) {
  std::string line(kProgramName);
  line += ": ";
  if (!object.empty()) line.append(object).append(": ");
  line += OneLine(Tr(reason));
  std::cerr << line << '\n' << std::flush;
}

int UsageError(std::string_view command, std::string_view problem) {
  std::string object(command);
  PrintError(object, problem);
  std::string help = std::string(kProgramName) + (command.empty() ? "" : " ") + std::string(command) + " --help";
  std::string pointer = Tr("Try '%1' for more information.");
  pointer.replace(pointer.find("%1"), 2, help);
  std::cerr << pointer << '\n';
  return 2;
}

PromptAnswer CliPrompt::Show(std::string_view text, PromptButtons buttons) {
  if (m_beforeMessage) m_beforeMessage();
  m_last = OneLine(text);
  std::string object;
  const auto& objects = Objects();
  if (IsLineMessage(text) && LineObject()) {
    object = LineObject()();
    // During a picture the line's object comes first, then the picture.
    if (!objects.empty() && objects.back().kind == ObjectKind::kPicture) object += ": " + objects.back().name;
  } else if (!objects.empty()) {
    object = objects.back().name;
  }
  PrintError(object, text);
  switch (buttons) {
    case PromptButtons::kOk: return PromptAnswer::kOk;
    case PromptButtons::kYesNo: return m_answers.yes ? PromptAnswer::kYes : PromptAnswer::kNo;
    case PromptButtons::kRetryCancel: return m_answers.retry ? PromptAnswer::kRetry : PromptAnswer::kCancel;
  }
  return PromptAnswer::kOk;
}

}  // namespace tessaly::cli
