// The subcommands of tessaly-cli. Each lives in its own file and returns the exit
// status: 0 success, 1 failure (the message is on stderr), 2 usage error, and 128 plus
// the signal's number when a signal stopped the work (130 Ctrl+C, 143 SIGTERM).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"

namespace tessaly::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitSignalBase = 128;

using Args = std::vector<std::string>;

// The subcommands, one file each.
int RunInfo(const Args& args);
int RunConvert(const Args& args);
int RunEdit(const Args& args);
int RunCamera(const Args& args);

// The help of a command: its usage lines, what it does, and its options.
// Text folded at spaces into lines of at most 79 columns.
std::string Wrapped(std::string_view text);
void PrintHelp(std::string_view usage, std::string_view description, std::span<const OptionDef> options);

// Reads a command's options; on a usage error prints it and returns false with status
// set to 2. Applies --lang at once, so that the rest is in that language.
bool ReadOptions(std::string_view command, const Args& args, std::span<const OptionDef> defs, ParsedArgs& parsed,
                 int& status);

// Chooses the language of the messages: "ja", "en", or the locale's for an empty name.
// False for a name it does not know.
bool ChooseLanguage(std::string_view name);

}  // namespace tessaly::cli
