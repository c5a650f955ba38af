// The Japanese texts of tessaly-cli: the program's own catalogue (tessaly.mo), the one the
// windows read, looked up without the C library's locales, so that a machine that has
// not generated ja_JP.UTF-8 still gets them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::cli {

// A compiled message catalogue (the GNU .mo layout), held whole in memory.
class Catalog {
 public:
  // Takes the bytes of a .mo file; false (and an empty catalogue) when they are not one.
  bool Parse(std::vector<std::uint8_t> bytes);
  // The translation of an English text, or nothing.
  std::optional<std::string_view> Find(std::string_view english) const;
  std::size_t Size() const { return m_entries.size(); }

 private:
  struct Entry {
    std::string_view english;
    std::string_view translated;
  };
  std::vector<std::uint8_t> m_bytes;
  std::vector<Entry> m_entries;  // sorted by english
};

// The language asked for: "ja" or "en" from --lang, else the user's locale. An empty
// language name follows the locale.
enum class Language { kEnglish, kJapanese };
Language LanguageOfLocale();

// Loads the catalogue of the language (nothing for English). False when Japanese was asked
// for and no catalogue could be read; the texts then stay English.
bool UseLanguage(Language language);

// Marks a text for the catalogue where it is defined; Tr translates it where it is shown.
#define N_(text) text

// The translation of a text in the language in use. A text made of several messages,
// one per line group, is translated run by run; lines that are no message stay as they
// are.
std::string Tr(std::string_view english);

// The translation with "%1" (and "%2") replaced by the arguments.
std::string TrWith(std::string_view english, std::string_view first, std::string_view second = {});
// The translation with "%1" to "%9" replaced by the arguments in order.
std::string TrFormat(std::string_view english, std::initializer_list<std::string> arguments);

}  // namespace tessaly::cli
