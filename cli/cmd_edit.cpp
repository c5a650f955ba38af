// tessaly-cli edit IN OUT OP [ARGS] [OP [ARGS] ...]: opens a picture as the retouch
// window does, applies its commands in order, and saves the result as Save As would.
#include <array>
#include <charconv>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/prompt.h"
#include "cli/catalog.h"
#include "cli/cli_commands.h"
#include "cli/picture_input.h"
#include "cli/report.h"
#include "formats/picture_file.h"
#include "retouch/picture_state.h"
#include "retouch/tone.h"

namespace tessaly::cli {
namespace {

constexpr std::string_view kCommand = "edit";

using Step = std::function<EditResult(RetouchPictureState&)>;

struct ParsedStep {
  std::string name;
  Step run;
};

std::optional<int> ParseInt(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return value;
}

// Reads the operations and their arguments; a usage error carries its text.
class StepParser {
 public:
  explicit StepParser(const Args& args) : m_args(args) {}

  bool Parse(std::vector<ParsedStep>& steps) {
    while (m_next < m_args.size()) {
      const std::string op = m_args[m_next++];
      Step step = ParseOne(op);
      if (!m_error.empty()) return false;
      steps.push_back({op, std::move(step)});
    }
    return true;
  }
  const std::string& Error() const { return m_error; }

 private:
  Step ParseOne(const std::string& op) {
    if (op == "to24") return [](RetouchPictureState& s) { return s.ConvertTo24(); };
    if (op == "brightness") {
      const int v = Slider(op);
      return [v](RetouchPictureState& s) { return s.AdjustBrightness(v - kToneSliderNeutral); };
    }
    if (op == "contrast") {
      const int v = Slider(op);
      return [v](RetouchPictureState& s) { return s.AdjustContrast(v); };
    }
    if (op == "color") {
      const int r = Slider(op), g = Slider(op), b = Slider(op);
      return [r, g, b](RetouchPictureState& s) {
        return s.AdjustColor(r - kToneSliderNeutral, g - kToneSliderNeutral, b - kToneSliderNeutral);
      };
    }
    if (op == "sharpen") return [](RetouchPictureState& s) { return s.Sharpen(); };
    if (op == "soften") return [](RetouchPictureState& s) { return s.Soften(); };
    if (op == "mosaic") {
      // The rectangle is optional: it is there when an integer follows.
      if (m_next < m_args.size() && ParseInt(m_args[m_next])) {
        const PictureRect rect = Rectangle(op);
        return [rect](RetouchPictureState& s) {
          s.SetSelection(rect);
          return s.Mosaic();
        };
      }
      return [](RetouchPictureState& s) {
        s.ClearSelection();
        return s.Mosaic();
      };
    }
    if (op == "rotate-right") return [](RetouchPictureState& s) { return s.Rotate90Right(); };
    if (op == "rotate-left") return [](RetouchPictureState& s) { return s.Rotate90Left(); };
    if (op == "rotate-180") return [](RetouchPictureState& s) { return s.Rotate180(); };
    if (op == "rotate") {
      const int degrees = Integer(op, 1, 359);
      return [degrees](RetouchPictureState& s) { return s.RotateFree(degrees); };
    }
    if (op == "scale") {
      const int percent = Integer(op, 0, 1000);
      if (m_error.empty() && percent != 25 && percent != 50 && percent != 200 && percent != 400)
        m_error = Tr("scale takes 25, 50, 200 or 400");
      return [percent](RetouchPictureState& s) { return s.ScalePercent(percent); };
    }
    if (op == "fit-camera") return [](RetouchPictureState& s) { return s.FitCameraSize(); };
    if (op == "crop") {
      const PictureRect rect = Rectangle(op);
      return [rect](RetouchPictureState& s) {
        s.SetSelection(rect);
        return s.Crop();
      };
    }
    if (op == "undo") return [](RetouchPictureState& s) { return s.Undo(); };
    m_error = TrWith("unknown operation \"%1\"", op);
    return {};
  }

  int Integer(const std::string& op, int low, int high) {
    if (!m_error.empty()) return 0;
    if (m_next >= m_args.size()) {
      m_error = op + ": " + Tr("missing argument");
      return 0;
    }
    const std::string& text = m_args[m_next++];
    const std::optional<int> value = ParseInt(text);
    if (!value)
      m_error = op + ": " + Tr(MessageText(kMsgParseInt));
    else if (*value < low || *value > high)
      m_error = op + ": " + TrWith(MessageText(kMsgParseIntRange), std::to_string(low), std::to_string(high));
    return value.value_or(0);
  }
  int Slider(const std::string& op) { return Integer(op, 0, 255); }

  // L T R B in picture pixels, right and bottom exclusive.
  PictureRect Rectangle(const std::string& op) {
    PictureRect rect;
    rect.left = Integer(op, 0, kMaxCoordinate);
    rect.top = Integer(op, 0, kMaxCoordinate);
    rect.right = Integer(op, 0, kMaxCoordinate);
    rect.bottom = Integer(op, 0, kMaxCoordinate);
    if (m_error.empty() && (rect.left >= rect.right || rect.top >= rect.bottom))
      m_error = op + ": " + Tr("the rectangle needs L < R and T < B");
    return rect;
  }

  static constexpr int kMaxCoordinate = 1 << 20;
  const Args& m_args;
  std::size_t m_next = 0;
  std::string m_error;
};

}  // namespace

int RunEdit(const Args& rawArgs) {
  constexpr std::array kOptions = {kReduceOption, kHelpOption, kLangOption};
  ParsedArgs parsed;
  int status = kExitOk;
  if (!ReadOptions(kCommand, rawArgs, kOptions, parsed, status)) return status;
  if (parsed.Has(kOptHelp)) {
    PrintHelp("tessaly-cli edit [--reduce] IN OUT OP [ARGS] [OP [ARGS] ...]",
              N_("Loads IN as the retouch window opens it (any kind convert reads; a picture larger than "
                 "1280 x 1024 only with --reduce), applies the operations in order and saves the result as "
                 "OUT as Save As does; a refused operation writes nothing. The operations are listed by "
                 "'tessaly-cli --help' and the manual page."),
              kOptions);
    return kExitOk;
  }
  const Args& args = parsed.operands;
  if (args.size() < 3) return UsageError(kCommand, Tr("edit needs IN, OUT and at least one operation"));
  const std::string& in = args[0];
  const std::string& out = args[1];
  std::vector<ParsedStep> steps;
  const Args operations(args.begin() + 2, args.end());
  StepParser parser(operations);
  if (!parser.Parse(steps)) return UsageError(kCommand, parser.Error());

  std::optional<ObjectScope> object(std::in_place, in);
  PictureFile file;
  if (!OpenForEditing(file, in, parsed.Has(kOptReduce))) return kExitFailure;
  const bool os2Header = file.os2Header;
  const std::string comment = file.comment;
  RetouchPictureState state;
  state.SetPicture(std::move(file.picture));

  for (const ParsedStep& step : steps) {
    const EditResult result = step.run(state);
    // A refusal or a failure has shown its message; nothing is written.
    if (result == EditResult::kRefused || result == EditResult::kFailed) return kExitFailure;
  }

  object.reset();
  object.emplace(out);
  // Saving under another format than the one the picture came from is refused for a
  // palette picture, as in the retouch window's Save As.
  if (!CheckColourCondition(in, out, state.Current().bitsPerPixel)) return kExitFailure;
  // A script may name anything, and is told that nothing was written.
  if (SaveFormatOfName(out) == PictureFormat::kUnknown) {
    Prompt().Show(kMsgNotValidFileType);
    return kExitFailure;
  }
  PictureFile saver;
  saver.InitFromDocument(state.Current(), os2Header, comment);
  if (!saver.SavePicture(out)) return kExitFailure;
  return kExitOk;
}

}  // namespace tessaly::cli
