// The subcommands of tessaly-cli. Each lives in its own file and returns the exit
// status: 0 success, 1 failure (the message is on stderr), 2 usage error.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessaly::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

using Args = std::vector<std::string>;

struct Command {
  std::string_view name;
  std::string_view usage;  // one or more lines, shown by --help
  int (*run)(const Args& args);
};

// The subcommands, one file each.
int RunInfo(const Args& args);
int RunConvert(const Args& args);
int RunEdit(const Args& args);
int RunCamera(const Args& args);

// Prints "tessaly-cli: <text>" and the usage of the command to stderr; returns kExitUsage.
int UsageError(std::string_view command, std::string_view text);

}  // namespace tessaly::cli
