#include "cli/catalog.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/byte_reader.h"
#include "base/messages.h"

namespace tessaly::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kMagic = 0x950412de;
constexpr std::uint32_t kMagicSwapped = 0xde120495;
// A catalogue of ours holds a few hundred texts; anything far larger is not one.
constexpr std::uint32_t kMaxEntries = 1u << 20;

Catalog& Current() {
  static Catalog catalog;
  return catalog;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::optional<std::vector<std::uint8_t>> ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

fs::path OwnExecutable() {
  std::error_code error;
  fs::path exe = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path() : exe;
}

// The catalogue sits where the windows look for theirs: relative to the program's own
// folder when installed (bin/../share/locale), and in the build tree for a program run
// from there, so that an installed copy never reads a build tree's catalogue.
std::vector<fs::path> CatalogPlaces() {
  const fs::path tail = fs::path("ja") / "LC_MESSAGES" / "tessaly.mo";
  std::vector<fs::path> places;
  fs::path exe = OwnExecutable();
  if (exe.empty()) return places;
  places.push_back((exe.parent_path() / TESSALY_LOCALE_FROM_BINDIR / tail).lexically_normal());
  const std::string build = fs::path(TESSALY_BUILD_DIR).lexically_normal().string() + "/";
  if (exe.string().starts_with(build)) places.push_back(fs::path(TESSALY_LOCALE_DIR) / tail);
  return places;
}

// A line that is a message with its "%1" filled in (a file's name, a number): the
// translation of the message, filled in the same way.
std::optional<std::string> TranslateFilledIn(const Catalog& catalog, std::string_view line) {
  for (const MessageEntry& entry : AllMessages()) {
    const std::string_view pattern = entry.english;
    const std::size_t at = pattern.find("%1");
    if (at == std::string_view::npos || pattern.find("%2") != std::string_view::npos) continue;
    const std::string_view before = pattern.substr(0, at), after = pattern.substr(at + 2);
    if (line.size() <= before.size() + after.size() || !line.starts_with(before) || !line.ends_with(after)) continue;
    auto translated = catalog.Find(pattern);
    if (!translated) continue;
    std::string text(*translated);
    if (auto place = text.find("%1"); place != std::string::npos)
      text.replace(place, 2, line.substr(before.size(), line.size() - before.size() - after.size()));
    return text;
  }
  return std::nullopt;
}

}  // namespace

bool Catalog::Parse(std::vector<std::uint8_t> bytes) {
  m_entries.clear();
  m_bytes = std::move(bytes);
  ByteReader header(m_bytes);
  const std::uint32_t magic = header.U32LE();
  if (!header.Ok() || (magic != kMagic && magic != kMagicSwapped)) return false;
  const bool little = magic == kMagic;
  auto u32 = [&](ByteReader& r) { return little ? r.U32LE() : r.U32BE(); };
  header.Skip(4);  // revision
  const std::uint32_t count = u32(header);
  const std::uint32_t originals = u32(header);
  const std::uint32_t translations = u32(header);
  if (!header.Ok() || count > kMaxEntries) return false;

  // Each table holds a length and an offset per text; the text must lie inside the file.
  auto text = [&](std::uint32_t table, std::uint32_t index) -> std::optional<std::string_view> {
    ByteReader r(m_bytes, table);
    r.Skip(std::size_t{index} * 8);
    const std::uint32_t length = u32(r);
    const std::uint32_t offset = u32(r);
    if (!r.Ok() || offset > m_bytes.size() || length > m_bytes.size() - offset) return std::nullopt;
    std::string_view whole(reinterpret_cast<const char*>(m_bytes.data()) + offset, length);
    // A plural entry holds its forms one after another, separated by NULs; the first is
    // the one we use.
    return whole.substr(0, whole.find('\0'));
  };
  std::vector<Entry> entries;
  entries.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    auto english = text(originals, i);
    auto translated = text(translations, i);
    if (!english || !translated) return false;
    // The header entry (an empty text) and untranslated ones are no translations.
    if (english->empty() || translated->empty()) continue;
    entries.push_back({*english, *translated});
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.english < b.english; });
  m_entries = std::move(entries);
  return true;
}

std::optional<std::string_view> Catalog::Find(std::string_view english) const {
  auto found = std::lower_bound(m_entries.begin(), m_entries.end(), english,
                                [](const Entry& entry, std::string_view key) { return entry.english < key; });
  if (found == m_entries.end() || found->english != english) return std::nullopt;
  return found->translated;
}

Language LanguageOfLocale() {
  // As the C library does: the first of LC_ALL, LC_MESSAGES and LANG that is set names
  // the locale; LANGUAGE, a list of languages, takes precedence unless that locale is C.
  std::string locale = Environment("LC_ALL");
  if (locale.empty()) locale = Environment("LC_MESSAGES");
  if (locale.empty()) locale = Environment("LANG");
  if (locale.empty() || locale == "C" || locale == "POSIX" || locale.starts_with("C.")) return Language::kEnglish;
  std::string languages = Environment("LANGUAGE");
  std::string first = languages.empty() ? locale : languages.substr(0, languages.find(':'));
  return first.starts_with("ja") ? Language::kJapanese : Language::kEnglish;
}

bool UseLanguage(Language language) {
  Current() = Catalog();
  if (language == Language::kEnglish) return true;
  for (const fs::path& place : CatalogPlaces()) {
    if (auto bytes = ReadWhole(place); bytes && Current().Parse(std::move(*bytes))) return true;
  }
  return false;
}

std::string Tr(std::string_view english) {
  const Catalog& catalog = Current();
  if (catalog.Size() == 0) return std::string(english);
  if (auto whole = catalog.Find(english)) return std::string(*whole);
  // The longest run of leading lines that is a message is translated as one, then the
  // rest the same way.
  std::vector<std::string_view> lines;
  for (std::size_t start = 0;;) {
    std::size_t end = english.find('\n', start);
    lines.push_back(english.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  std::string result;
  for (std::size_t first = 0; first < lines.size();) {
    std::size_t end = lines.size();
    std::string translated;
    for (; end > first; --end) {
      const char* from = lines[first].data();
      std::string_view run(from, static_cast<std::size_t>(lines[end - 1].data() + lines[end - 1].size() - from));
      if (auto found = catalog.Find(run)) {
        translated = *found;
        break;
      }
      if (end == first + 1) translated = TranslateFilledIn(catalog, run).value_or(std::string(run));
    }
    if (end == first) end = first + 1;
    if (!result.empty()) result += '\n';
    result += translated;
    first = end;
  }
  return result;
}

std::string TrWith(std::string_view english, std::string_view first, std::string_view second) {
  std::string text = Tr(english);
  if (auto at = text.find("%1"); at != std::string::npos) text.replace(at, 2, first);
  if (auto at = text.find("%2"); at != std::string::npos) text.replace(at, 2, second);
  return text;
}

std::string TrFormat(std::string_view english, std::initializer_list<std::string> arguments) {
  std::string text = Tr(english);
  std::string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const std::size_t index = at + 1 < text.size() ? static_cast<std::size_t>(text[at + 1] - '1') : 9;
    if (text[at] == '%' && index < arguments.size()) {
      out += *(arguments.begin() + index);
      ++at;
    } else {
      out += text[at];
    }
  }
  return out;
}

}  // namespace tessaly::cli
