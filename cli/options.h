// The options of tessaly-cli's commands, read with getopt_long: "--opt=value" and
// "--opt value", grouped short options, "--" before operands that start with a dash, and
// options before, between or after the operands.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/catalog.h"

namespace tessaly::cli {

struct OptionDef {
  int id;                  // what Parse reports
  std::string_view name;   // the long name, without "--"
  char shortName;          // 0 for none
  std::string_view value;  // the value's name in the help ("DIR"), empty for a flag
  std::string_view help;   // one line of help (English; translated when printed)
};

struct ParsedOption {
  int id;
  std::string value;
};

struct ParsedArgs {
  std::vector<ParsedOption> options;
  std::vector<std::string> operands;
  std::string error;  // empty when every argument was understood

  bool Has(int id) const;
  std::optional<std::string> Value(int id) const;  // the last one given
};

// Reads the options anywhere among the operands, or, with kFirstOperand, only up to the
// first operand (the program's own options, before the command).
enum class OptionsEnd { kAnywhere, kFirstOperand };
ParsedArgs ParseOptions(const std::vector<std::string>& args, std::span<const OptionDef> defs,
                        OptionsEnd end = OptionsEnd::kAnywhere);

// The options every command takes.
enum CommonOption { kOptHelp = 1000, kOptLang, kOptJson };
inline constexpr OptionDef kHelpOption{kOptHelp, "help", 'h', "", N_("show this help and exit")};
inline constexpr OptionDef kLangOption{kOptLang, "lang", 0, "ja|en", N_("the language of the messages")};
inline constexpr OptionDef kJsonOption{kOptJson, "json", 0, "", N_("one JSON object per line on the standard output")};

// The help's lines of the options: "  -h, --help     text".
std::string OptionsHelp(std::span<const OptionDef> defs);

}  // namespace tessaly::cli
