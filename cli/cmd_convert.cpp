// tessaly-cli convert IN OUT: loads a picture file and saves it under another name, in
// the format of that name, as the retouch window's Save As does.
#include "base/prompt.h"
#include "cli/commands.h"
#include "formats/picture_file.h"

namespace tessaly::cli {

int RunConvert(const Args& args) {
  if (args.size() != 2) return UsageError("convert", "convert takes an input and an output file");
  const std::string& in = args[0];
  const std::string& out = args[1];
  PictureFile file;
  if (!OpenPictureFile(file, in)) return kExitFailure;
  // An indexed picture keeps its colours only in its own format.
  if (!CheckColourCondition(in, out, file.picture.bitsPerPixel)) return kExitFailure;
  // The program's Save As offers only the three formats; a script may name anything, and
  // is told that nothing was written.
  if (!IsPictureExtension(out)) {
    Prompt().Show(kMsgNotValidFileType);
    return kExitFailure;
  }
  return file.SavePicture(out) ? kExitOk : kExitFailure;
}

}  // namespace tessaly::cli
