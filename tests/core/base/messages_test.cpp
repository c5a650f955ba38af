#include "base/messages.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace tessaly {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// msgid -> msgstr of a .po file (what the catalogue uses: plain entries, continued
// strings, the escapes \n, \t, \" and \\).
std::map<std::string, std::string> ReadPoFile(const std::string& path) {
  std::map<std::string, std::string> catalogue;
  std::istringstream in(ReadText(path));
  std::string id, str, *current = nullptr;
  auto unquote = [](const std::string& quoted) {
    std::string out;
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
      if (quoted[i] == '\\' && i + 2 < quoted.size()) {
        char c = quoted[++i];
        out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
      } else {
        out += quoted[i];
      }
    }
    return out;
  };
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("msgid ", 0) == 0) {
      if (!id.empty()) catalogue[id] = str;
      id = unquote(line.substr(6)), str.clear(), current = &id;
    } else if (line.rfind("msgstr ", 0) == 0) {
      str = unquote(line.substr(7)), current = &str;
    } else if (!line.empty() && line[0] == '"' && current) {
      *current += unquote(line);
    }
  }
  if (!id.empty()) catalogue[id] = str;
  return catalogue;
}

// Every "kMsgName = number" of the header is an id with one English text of its own, so
// that an id added to the enumeration without a text is caught.
TEST(Messages, EveryDeclaredIdHasOneEnglishText) {
  std::string header = ReadText(TESSALY_SOURCE_DIR "/core/base/messages.h");
  std::regex declaration(R"((kMsg\w+)\s*=\s*(\d+))");
  std::set<int> seen;
  for (std::sregex_iterator it(header.begin(), header.end(), declaration), end; it != end; ++it) {
    const int id = std::stoi((*it)[2]);
    EXPECT_FALSE(MessageText(static_cast<MessageId>(id)).empty()) << (*it)[1] << " has no English text";
    EXPECT_TRUE(seen.insert(id).second) << (*it)[1] << " reuses id " << id;
  }
  EXPECT_GT(seen.size(), 50u);
  EXPECT_EQ(AllMessages().size(), seen.size());
  EXPECT_EQ(MessageText(kMsgMemoryCardChanged), "Memory card is probably changed.\nOpen camera album again.");
  EXPECT_EQ(MessageText(kMsgClipboardTooLarge), "Clipboard data is too large. ");
  EXPECT_TRUE(MessageText(static_cast<MessageId>(99)).empty());
}

TEST(Messages, EveryTextHasAJapaneseTranslation) {
  auto catalogue = ReadPoFile(TESSALY_SOURCE_DIR "/resources/po/ja.po");
  for (const auto& entry : AllMessages()) {
    auto it = catalogue.find(std::string(entry.english));
    ASSERT_NE(it, catalogue.end()) << "no translation for message " << entry.id << ": " << entry.english;
    EXPECT_FALSE(it->second.empty()) << "empty translation for message " << entry.id;
    // The placeholders of the English text must survive the translation.
    for (const char* placeholder : {"%1", "%2"})
      EXPECT_EQ(entry.english.find(placeholder) == std::string_view::npos,
                it->second.find(placeholder) == std::string::npos)
          << "placeholder " << placeholder << " in message " << entry.id;
  }
}

}  // namespace
}  // namespace tessaly
