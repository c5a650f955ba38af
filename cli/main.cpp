// tessaly-cli: what the desktop program does, without a window.
#include <array>
#include <iostream>
#include <new>

#include "base/prompt.h"
#include "base/version.h"
#include "cli/commands.h"

namespace tessaly::cli {
namespace {

int RunVersion(const Args&) {
  std::cout << "tessaly-cli " << VersionText() << '\n';
  return kExitOk;
}

const std::array kCommands = {
    Command{"version", "version", RunVersion},
    Command{"info", "info FILE", RunInfo},
    Command{"convert", "convert IN OUT", RunConvert},
    Command{"edit", "edit IN OUT OP [ARGS] [OP [ARGS] ...]\n      OP: to24, brightness V, contrast V, color R G B, sharpen, soften, mosaic [L T R B],\n          rotate-right, rotate-left, rotate-180, rotate DEG, scale PCT, fit-camera, crop L T R B, undo", RunEdit},
    Command{"camera", "camera [OPTIONS] count|list|thumbnails DIR|get N... --to DIR|get-all --to DIR|put FILE...|ports",
            RunCamera},
};

void PrintUsage(std::ostream& out) {
  out << "usage: tessaly-cli [--version] [--help] COMMAND [ARGS]\n\ncommands:\n";
  for (const auto& command : kCommands) out << "  " << command.usage << '\n';
}

const Command* FindCommand(std::string_view name) {
  for (const auto& command : kCommands)
    if (command.name == name) return &command;
  return nullptr;
}

}  // namespace

int UsageError(std::string_view command, std::string_view text) {
  std::cerr << "tessaly-cli: " << text << '\n';
  if (const Command* found = FindCommand(command)) std::cerr << "usage: tessaly-cli " << found->usage << '\n';
  return kExitUsage;
}

}  // namespace tessaly::cli

int main(int argc, char** argv) {
  using namespace tessaly::cli;
  tessaly::SetPrompt(std::make_unique<tessaly::StreamPrompt>());
  Args args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintUsage(std::cerr);
    return kExitUsage;
  }
  if (args[0] == "--version" || args[0] == "-V") return RunVersion(args);
  if (args[0] == "--help" || args[0] == "-h") {
    PrintUsage(std::cout);
    return kExitOk;
  }
  const Command* command = FindCommand(args[0]);
  if (command == nullptr) {
    std::cerr << "tessaly-cli: unknown command \"" << args[0] << "\"\n";
    PrintUsage(std::cerr);
    return kExitUsage;
  }
  try {
    return command->run(Args(args.begin() + 1, args.end()));
  } catch (const std::bad_alloc&) {
    tessaly::Prompt().Show(tessaly::kMsgNotEnoughMemory);
    return kExitFailure;
  } catch (const tessaly::ReportedFailure&) {
    return kExitFailure;
  }
}
