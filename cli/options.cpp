#include "cli/options.h"

#include <getopt.h>

#include <algorithm>

#include "cli/catalog.h"

namespace tessaly::cli {
namespace {

// Long-only options are told apart from short letters by values above any character.
constexpr int kLongOnlyBase = 256;

int ValueOf(const OptionDef& def, std::size_t index) {
  return def.shortName != 0 ? static_cast<unsigned char>(def.shortName) : kLongOnlyBase + static_cast<int>(index);
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

bool ParsedArgs::Has(int id) const {
  return std::any_of(options.begin(), options.end(), [&](const ParsedOption& o) { return o.id == id; });
}

std::optional<std::string> ParsedArgs::Value(int id) const {
  for (auto it = options.rbegin(); it != options.rend(); ++it)
    if (it->id == id) return it->value;
  return std::nullopt;
}

ParsedArgs ParseOptions(const std::vector<std::string>& args, std::span<const OptionDef> defs, OptionsEnd end) {
  ParsedArgs parsed;
  // getopt_long permutes its argument vector; it gets copies of our strings.
  std::vector<std::string> storage;
  storage.reserve(args.size() + 1);
  storage.emplace_back("tessaly-cli");
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& arg : storage) argv.push_back(arg.data());
  argv.push_back(nullptr);

  // ':' first: a missing value is told apart from an unknown option; messages are ours.
  std::string shortOptions = end == OptionsEnd::kFirstOperand ? "+:" : ":";
  std::vector<option> longOptions;
  for (std::size_t i = 0; i < defs.size(); ++i) {
    const OptionDef& def = defs[i];
    if (def.shortName != 0) {
      shortOptions += def.shortName;
      if (!def.value.empty()) shortOptions += ':';
    }
    longOptions.push_back(
        {def.name.data(), def.value.empty() ? no_argument : required_argument, nullptr, ValueOf(def, i)});
  }
  longOptions.push_back({nullptr, 0, nullptr, 0});

  auto defOf = [&](int value) -> const OptionDef* {
    for (std::size_t i = 0; i < defs.size(); ++i)
      if (ValueOf(defs[i], i) == value) return &defs[i];
    return nullptr;
  };
  auto asWritten = [&](int value) {
    const OptionDef* def = defOf(value);
    const std::string written = optind > 0 && optind <= static_cast<int>(storage.size()) ? argv[optind - 1] : "";
    if (def && !written.starts_with("--") && def->shortName != 0) return "-" + std::string(1, def->shortName);
    return def ? "--" + std::string(def->name) : written;
  };

  opterr = 0;
  optind = 0;  // a fresh scan, whatever ran before
  const int argc = static_cast<int>(storage.size());
  for (;;) {
    int index = -1;
    const int value = getopt_long(argc, argv.data(), shortOptions.c_str(), longOptions.data(), &index);
    if (value == -1) break;
    if (value == ':') {
      parsed.error = Tr("option %1 needs a value");
      parsed.error.replace(parsed.error.find("%1"), 2, asWritten(optopt));
      return parsed;
    }
    if (value == '?') {
      std::string written = optind > 0 ? argv[optind - 1] : "";
      if (optopt != 0 && defOf(optopt) && written.starts_with("--")) {
        parsed.error = Tr("option %1 takes no value");
        parsed.error.replace(parsed.error.find("%1"), 2, asWritten(optopt));
      } else {
        if (optopt != 0)
          written = "-" + std::string(1, static_cast<char>(optopt));
        else
          written = written.substr(0, written.find('='));
        parsed.error = Tr("unknown option %1");
        parsed.error.replace(parsed.error.find("%1"), 2, Quoted(written));
      }
      return parsed;
    }
    const OptionDef* def = defOf(value);
    if (def == nullptr) continue;
    parsed.options.push_back({def->id, optarg != nullptr ? std::string(optarg) : std::string()});
  }
  for (int i = optind; i < argc; ++i) parsed.operands.emplace_back(argv[i]);
  return parsed;
}

std::string OptionsHelp(std::span<const OptionDef> defs) {
  std::vector<std::pair<std::string, std::string>> rows;
  std::size_t width = 0;
  for (const OptionDef& def : defs) {
    std::string left = def.shortName != 0 ? "-" + std::string(1, def.shortName) + ", " : "    ";
    left += "--" + std::string(def.name);
    if (!def.value.empty()) left += " " + std::string(def.value);
    width = std::max(width, left.size());
    rows.emplace_back(std::move(left), Tr(def.help));
  }
  std::string text;
  for (const auto& [left, help] : rows) text += "  " + left + std::string(width - left.size() + 2, ' ') + help + "\n";
  return text;
}

}  // namespace tessaly::cli
