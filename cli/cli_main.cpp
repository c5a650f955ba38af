// tessaly-cli: what the desktop program does, without a window.
#include <array>
#include <iostream>
#include <new>

#include "base/prompt.h"
#include "base/version.h"
#include "cli/catalog.h"
#include "cli/cli_commands.h"
#include "cli/report.h"

namespace tessaly::cli {
namespace {

int RunVersion(const Args& args);
int RunHelp(const Args& args);

struct Command {
  std::string_view name;
  std::string_view usage;  // one or more lines, as the tool's help lists them
  int (*run)(const Args& args);
};

const std::array kCommands = {
    Command{"version", "version", RunVersion},
    Command{"info", "info [--json] FILE", RunInfo},
    Command{"convert", "convert IN OUT", RunConvert},
    Command{"edit",
            "edit IN OUT OP [ARGS] [OP [ARGS] ...]\n      OP: to24, brightness V, contrast V, color R G B, sharpen, "
            "soften, mosaic [L T R B],\n          rotate-right, rotate-left, rotate-180, rotate DEG, scale PCT, "
            "fit-camera, crop L T R B, undo",
            RunEdit},
    Command{"camera", "camera [OPTIONS] count|list|thumbnails DIR|get N... --to DIR|get-all --to DIR|put FILE...|ports",
            RunCamera},
    Command{"help", "help [COMMAND [SUBCOMMAND]]", RunHelp},
};

enum ProgramOption { kOptVersion = 1 };
constexpr std::array kProgramOptions = {
    kHelpOption, OptionDef{kOptVersion, "version", 'V', "", N_("show the version and exit")}, kLangOption};

void PrintUsage(std::ostream& out) {
  out << "usage: tessaly-cli [--lang ja|en] COMMAND [OPTIONS] [ARGS]\n"
      << "       tessaly-cli --help | --version\n\n"
      << Wrapped(Tr("Reads, converts and touches up picture files, and lists, downloads and sends the pictures of a "
                    "serial-line camera."))
      << "\n\ncommands:\n";
  for (const auto& command : kCommands) out << "  " << command.usage << '\n';
  out << "\noptions:\n"
      << OptionsHelp(kProgramOptions) << '\n'
      << Tr("'tessaly-cli COMMAND --help' and 'tessaly-cli help COMMAND' describe a command.") << '\n';
}

const Command* FindCommand(std::string_view name) {
  for (const auto& command : kCommands)
    if (command.name == name) return &command;
  return nullptr;
}

int RunVersion(const Args& args) {
  constexpr std::array kOptions = {kHelpOption, kLangOption};
  ParsedArgs parsed;
  int status = kExitOk;
  if (!ReadOptions("version", args, kOptions, parsed, status)) return status;
  if (parsed.Has(kOptHelp)) {
    PrintHelp("tessaly-cli version", N_("Prints the program's name and version."), kOptions);
    return kExitOk;
  }
  if (!parsed.operands.empty()) return UsageError("version", Tr("version takes no operands"));
  std::cout << "tessaly-cli " << VersionText() << '\n';
  return kExitOk;
}

// "help COMMAND [SUBCOMMAND]" is "COMMAND [SUBCOMMAND] --help".
int RunHelp(const Args& args) {
  constexpr std::array kOptions = {kHelpOption, kLangOption};
  ParsedArgs parsed;
  int status = kExitOk;
  if (!ReadOptions("help", args, kOptions, parsed, status)) return status;
  if (parsed.operands.empty()) {
    PrintUsage(std::cout);
    return kExitOk;
  }
  if (parsed.Has(kOptHelp)) {
    PrintHelp("tessaly-cli help [COMMAND [SUBCOMMAND]]", N_("Describes the program or one of its commands."), kOptions);
    return kExitOk;
  }
  const Command* command = FindCommand(parsed.operands[0]);
  if (command == nullptr || parsed.operands.size() > 2 || command->run == RunHelp)
    return UsageError("help", TrWith("unknown command \"%1\"", parsed.operands[0]));
  Args forwarded(parsed.operands.begin() + 1, parsed.operands.end());
  forwarded.push_back("--help");
  return command->run(forwarded);
}

}  // namespace

bool ChooseLanguage(std::string_view name) {
  if (name == "ja") return UseLanguage(Language::kJapanese), true;
  if (name == "en") return UseLanguage(Language::kEnglish);
  if (name.empty()) return UseLanguage(LanguageOfLocale()), true;
  return false;
}

bool ReadOptions(std::string_view command, const Args& args, std::span<const OptionDef> defs, ParsedArgs& parsed,
                 int& status) {
  parsed = ParseOptions(args, defs);
  if (parsed.error.empty()) {
    if (auto lang = parsed.Value(kOptLang)) {
      if (!ChooseLanguage(*lang)) {
        status = UsageError(command, TrWith("--lang takes ja or en, not \"%1\"", *lang));
        return false;
      }
    }
    return true;
  }
  status = UsageError(command, parsed.error);
  return false;
}

std::string Wrapped(std::string_view text) {
  constexpr std::size_t kWidth = 79;
  std::string out, line;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    std::string_view word = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.size() + 1 + word.size() > kWidth) {
      out += line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + std::string(word);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return out + line;
}

void PrintHelp(std::string_view usage, std::string_view description, std::span<const OptionDef> options) {
  std::cout << "usage: " << usage << "\n\n" << Wrapped(Tr(description)) << "\n\n" << OptionsHelp(options);
}

}  // namespace tessaly::cli

int main(int argc, char** argv) {
  using namespace tessaly::cli;
  ChooseLanguage("");
  tessaly::SetPrompt(std::make_unique<CliPrompt>());
  Args args(argv + 1, argv + argc);
  ParsedArgs parsed = ParseOptions(args, kProgramOptions, OptionsEnd::kFirstOperand);
  if (!parsed.error.empty()) return UsageError("", parsed.error);
  if (auto lang = parsed.Value(kOptLang); lang && !ChooseLanguage(*lang))
    return UsageError("", TrWith("--lang takes ja or en, not \"%1\"", *lang));
  if (parsed.Has(kOptHelp)) {
    PrintUsage(std::cout);
    return kExitOk;
  }
  if (parsed.Has(kOptVersion)) return RunVersion({});
  if (parsed.operands.empty()) {
    PrintUsage(std::cerr);
    return kExitUsage;
  }
  const Command* command = FindCommand(parsed.operands[0]);
  if (command == nullptr) return UsageError("", TrWith("unknown command \"%1\"", parsed.operands[0]));
  try {
    return command->run(Args(parsed.operands.begin() + 1, parsed.operands.end()));
  } catch (const std::bad_alloc&) {
    tessaly::Prompt().Show(tessaly::kMsgNotEnoughMemory);
    return kExitFailure;
  } catch (const tessaly::ReportedFailure&) {
    return kExitFailure;
  }
}
