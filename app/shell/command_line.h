// What the program's command line asks for: files to open or print, the flags of a
// program started by another one, and the language.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::shell {

class CAppCommandLineInfo {
 public:
  enum class ShellCommand { kNew, kOpen, kPrint, kPrintTo, kDde };
  struct Entry {
    std::string fileName;
    // Kept for print-to; every argument that is no flag is a file name, so they stay empty.
    std::string printerName, driverName, portName;
    ShellCommand command = ShellCommand::kOpen;
  };
  // At most this many files are taken; further ones are ignored.
  static constexpr std::size_t kMaxEntries = 100;

  // What is wrong with a command line that cannot be used.
  enum class Problem { kNone, kMissingLanguage, kUnknownLanguage, kUnknownOption };

  // Reads the arguments after the program's name. "--lang ja|en" (or "--lang=ja")
  // chooses the language; "--help", "-h" and "--version" ask for a text on the terminal;
  // any other "--" option is an error; after "--" every argument is a file name. "p",
  // "pt", "dde", "Embedding" and "Automation" after "-" or "/" are flags (other "-"
  // flags are ignored); every other argument is a file name. Since file names on this
  // system start with "/", an argument starting with "/" is a flag only when the rest
  // is one of the five flag names.
  static CAppCommandLineInfo Parse(const std::vector<std::string>& args);

  bool showLogo = true;
  bool runEmbedded = false;
  bool runAutomated = false;
  // The command the next file name gets.
  ShellCommand shellCommand = ShellCommand::kNew;
  std::vector<Entry> entries;
  std::string language;      // "ja", "en", or empty for the user's locale
  bool showHelp = false;     // --help or -h: print the usage and end
  bool showVersion = false;  // --version: print the version and end
  Problem problem = Problem::kNone;
  std::string problemArgument;  // the option or language the problem is about
  std::string error;            // set when the command line cannot be used (in English)

 private:
  void ParseFlag(std::string_view flag);
  void ParseFileName(std::string_view name);
};

}  // namespace tessaly::shell
