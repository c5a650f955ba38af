#include "shell/command_line.h"

#include <array>

namespace tessaly::shell {
namespace {

constexpr std::array<std::string_view, 5> kFlags = {"p", "pt", "dde", "Embedding", "Automation"};

bool IsKnownFlag(std::string_view name) {
  for (std::string_view flag : kFlags)
    if (flag == name) return true;
  return false;
}

}  // namespace

void CAppCommandLineInfo::ParseFlag(std::string_view flag) {
  // Compared as written: "embedding" is no flag.
  if (flag == "pt") {
    shellCommand = ShellCommand::kPrintTo;
  } else if (flag == "p") {
    shellCommand = ShellCommand::kPrint;
  } else if (flag == "dde") {
    shellCommand = ShellCommand::kDde;
  } else if (flag == "Embedding") {
    runEmbedded = true;
  } else if (flag == "Automation") {
    runAutomated = true;
  }
  showLogo = !runEmbedded && !runAutomated;
}

void CAppCommandLineInfo::ParseFileName(std::string_view name) {
  if (entries.size() >= kMaxEntries) return;
  Entry entry;
  entry.fileName = std::string(name);
  entry.command = shellCommand == ShellCommand::kNew ? ShellCommand::kOpen : shellCommand;
  entries.push_back(std::move(entry));
}

CAppCommandLineInfo CAppCommandLineInfo::Parse(const std::vector<std::string>& args) {
  CAppCommandLineInfo info;
  bool onlyFiles = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (onlyFiles) {
      if (!arg.empty()) info.ParseFileName(arg);
    } else if (arg == "--") {
      onlyFiles = true;
    } else if (arg == "--help" || arg == "-h") {
      info.showHelp = true;
    } else if (arg == "--version") {
      info.showVersion = true;
    } else if (arg == "--lang") {
      if (i + 1 == args.size()) {
        info.problem = Problem::kMissingLanguage;
        info.error = "--lang needs a language: ja or en";
        break;
      }
      info.language = args[++i];
    } else if (arg.starts_with("--lang=")) {
      info.language = std::string(arg.substr(7));
    } else if (arg.starts_with("--")) {
      // A misspelt long option would otherwise be taken for one of the old flags and be
      // ignored, or worse, for a file name.
      if (info.problem == Problem::kNone) {
        info.problem = Problem::kUnknownOption;
        info.problemArgument = std::string(arg.substr(0, arg.find('=')));
        info.error = "unknown option " + info.problemArgument + " (see tessaly --help)";
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      info.ParseFlag(arg.substr(1));
    } else if (arg.size() > 1 && arg[0] == '/' && IsKnownFlag(arg.substr(1))) {
      info.ParseFlag(arg.substr(1));
    } else if (!arg.empty()) {
      info.ParseFileName(arg);
    }
  }
  if (info.problem == Problem::kNone && !info.language.empty() && info.language != "ja" && info.language != "en") {
    info.problem = Problem::kUnknownLanguage;
    info.problemArgument = info.language;
    info.error = "unknown language \"" + info.language + "\": use ja or en";
  }
  return info;
}

}  // namespace tessaly::shell
