// tessaly-cli info FILE: loads a picture file as the program opens it and prints what a
// document keeps about it.
#include <array>
#include <iostream>

#include "base/prompt.h"
#include "cli/catalog.h"
#include "cli/cli_commands.h"
#include "cli/json.h"
#include "cli/report.h"
#include "formats/picture_file.h"

namespace tessaly::cli {

int RunInfo(const Args& args) {
  constexpr std::array kOptions = {kJsonOption, kHelpOption, kLangOption};
  ParsedArgs parsed;
  int status = kExitOk;
  if (!ReadOptions("info", args, kOptions, parsed, status)) return status;
  if (parsed.Has(kOptHelp)) {
    PrintHelp("tessaly-cli info [--json] FILE",
              N_("Loads a picture file as the program opens it and prints its width, height, bits per pixel, type, "
                 "file size and comment. Every kind the program reads is reported at its real size (a picture "
                 "larger than 1280 x 1024 is read reduced, and its bits are those of the reduced picture)."),
              kOptions);
    return kExitOk;
  }
  if (parsed.operands.size() != 1) return UsageError("info", Tr("info takes one picture file"));
  const bool json = parsed.Has(kOptJson);
  const std::string& path = parsed.operands[0];

  auto* prompt = dynamic_cast<CliPrompt*>(&Prompt());
  if (prompt) prompt->ClearLastMessage();
  PictureFile file;
  bool loaded = false;
  {
    ObjectScope object(path);
    // Read reduced to what a window would hold, so a huge picture costs little memory;
    // a picture within 1280 x 1024 is read exactly as it opens.
    loaded = OpenPictureFileToFit(file, path, kMaxPictureWidth, kMaxPictureHeight);
  }
  if (!loaded) {
    if (json)
      JsonObject().Add("file", path).Add("status", "failed").Add("reason", prompt ? prompt->LastMessage() : "").Print();
    return kExitFailure;
  }
  const Picture& picture = file.picture;
  if (json) {
    JsonObject()
        .Add("file", path)
        .Add("status", "ok")
        .Add("width", std::int64_t{file.width})
        .Add("height", std::int64_t{file.height})
        .Add("bits", std::int64_t{picture.bitsPerPixel})
        .Add("type", FileTypeName(file.type))
        .Add("size", static_cast<std::int64_t>(file.fileSize))
        .Add("comment", file.comment)
        .Print();
    return kExitOk;
  }
  std::cout << "width: " << file.width << '\n'
            << "height: " << file.height << '\n'
            << "bits: " << picture.bitsPerPixel << '\n'
            << "type: " << FileTypeName(file.type) << '\n'
            << "file-size: " << file.fileSize << '\n'
            << "comment: " << file.comment << '\n';
  return kExitOk;
}

}  // namespace tessaly::cli
