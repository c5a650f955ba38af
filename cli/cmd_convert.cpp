// tessaly-cli convert [--reduce] IN OUT: loads a picture file and saves it under another
// name, in the format of that name, as the retouch window's Save As does.
#include <array>

#include "base/prompt.h"
#include "cli/catalog.h"
#include "cli/cli_commands.h"
#include "cli/picture_input.h"
#include "cli/report.h"
#include "formats/picture_file.h"

namespace tessaly::cli {

int RunConvert(const Args& args) {
  constexpr std::array kOptions = {kReduceOption, kHelpOption, kLangOption};
  ParsedArgs parsed;
  int status = kExitOk;
  if (!ReadOptions("convert", args, kOptions, parsed, status)) return status;
  if (parsed.Has(kOptHelp)) {
    PrintHelp("tessaly-cli convert [--reduce] IN OUT",
              N_("Loads the picture file IN (BMP, JPEG, TIFF, PNG, WebP, HEIF/HEIC/AVIF) and saves it as OUT, in "
                 "the format that OUT's extension names (.bmp, .dib, .jpg, .tif, .png). A picture larger than "
                 "1280 x 1024 is refused unless --reduce is given."),
              kOptions);
    return kExitOk;
  }
  if (parsed.operands.size() != 2) return UsageError("convert", Tr("convert takes an input and an output file"));
  const std::string& in = parsed.operands[0];
  const std::string& out = parsed.operands[1];
  PictureFile file;
  {
    ObjectScope object(in);
    if (!OpenForEditing(file, in, parsed.Has(kOptReduce))) return kExitFailure;
  }
  ObjectScope object(out);
  // An indexed picture keeps its colours only in its own format.
  if (!CheckColourCondition(in, out, file.picture.bitsPerPixel)) return kExitFailure;
  // A script may name anything, and is told that nothing was written.
  if (SaveFormatOfName(out) == PictureFormat::kUnknown) {
    Prompt().Show(kMsgNotValidFileType);
    return kExitFailure;
  }
  return file.SavePicture(out) ? kExitOk : kExitFailure;
}

}  // namespace tessaly::cli
