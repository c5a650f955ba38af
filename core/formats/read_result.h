// What a format reader made of a file image.
//
// The readers work on bytes only and never talk to the user; they say why they refused a
// file by the id of the message the user is to see, and the dispatch (PictureFile) shows
// it. This keeps the readers usable from fuzz targets and tests without a prompt.
#pragma once

#include <optional>

#include "base/messages.h"

namespace tessaly {

class [[nodiscard]] ReadResult {
 public:
  static ReadResult Accepted() { return ReadResult(std::nullopt); }
  static ReadResult Refused(MessageId message) { return ReadResult(message); }

  bool Ok() const { return !m_message.has_value(); }
  explicit operator bool() const { return Ok(); }
  // The message that tells the user why the file was refused; only for a refusal.
  MessageId Message() const { return m_message.value_or(kMsgNotValidFileType); }

 private:
  explicit ReadResult(std::optional<MessageId> message) : m_message(message) {}
  std::optional<MessageId> m_message;
};

}  // namespace tessaly
