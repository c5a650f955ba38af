// The --json output: one object per line, written as it is complete.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly::cli {

// A JSON string of the text: quoted, escaped, and with bytes that are not UTF-8 (a file
// name may hold any) replaced by U+FFFD, so that every reader takes the line.
std::string JsonString(std::string_view text);

class JsonObject {
 public:
  JsonObject& Add(std::string_view key, std::string_view value);
  JsonObject& Add(std::string_view key, const char* value) { return Add(key, std::string_view(value)); }
  JsonObject& Add(std::string_view key, std::int64_t value);
  JsonObject& AddRaw(std::string_view key, std::string_view json);  // a value already in JSON
  // The object on one line of the standard output.
  void Print() const;
  std::string Text() const { return m_text + "}"; }

 private:
  void Key(std::string_view key);
  std::string m_text = "{";
};

}  // namespace tessaly::cli
