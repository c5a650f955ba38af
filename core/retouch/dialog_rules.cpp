#include "retouch/dialog_rules.h"

#include <algorithm>
#include <cctype>

namespace tessaly {
namespace {

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  if (text.size() < tail.size()) return false;
  const std::string_view end = text.substr(text.size() - tail.size());
  return std::equal(end.begin(), end.end(), tail.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
}

}  // namespace

std::string IntegerField::English() const {
  std::string text(MessageText(message));
  if (message == kMsgParseIntRange) {
    if (auto at = text.find("%1"); at != std::string::npos) text.replace(at, 2, std::to_string(minimum));
    if (auto at = text.find("%2"); at != std::string::npos) text.replace(at, 2, std::to_string(maximum));
  }
  return text;
}

IntegerField ReadIntegerField(std::string_view text, int minimum, int maximum) {
  IntegerField field;
  field.minimum = minimum;
  field.maximum = maximum;
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    field.message = kMsgParseInt;
    return field;
  }
  long long value = 0;
  for (char c : text) {
    value = value * 10 + (c - '0');
    if (value > maximum) break;
  }
  if (value < minimum || value > maximum) {
    field.message = kMsgParseIntRange;
    return field;
  }
  field.value = static_cast<int>(value);
  return field;
}

int RotateDialogAngle(int degrees, bool counterclockwise) { return counterclockwise ? 360 - degrees : degrees; }

int CharacterCount(std::string_view utf8) {
  return static_cast<int>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string_view DataTypeText(std::string_view fileTitle) {
  if (EndsWithNoCase(fileTitle, ".bmp") || EndsWithNoCase(fileTitle, ".dib")) return "BMP TYPE";
  if (EndsWithNoCase(fileTitle, ".tif")) return "TIFF TYPE";
  if (EndsWithNoCase(fileTitle, ".jpg")) return kJpegType;
  return {};
}

std::string CreationDateText(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  return std::to_string(local.tm_year + 1900) + "/" + std::to_string(local.tm_mon + 1) + "/" +
         std::to_string(local.tm_mday) + " ";
}

}  // namespace tessaly
