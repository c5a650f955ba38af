// tessaly-cli info FILE: loads a picture file as the program opens it and prints what a
// document keeps about it.
#include <iostream>

#include "cli/commands.h"
#include "formats/picture_file.h"

namespace tessaly::cli {

int RunInfo(const Args& args) {
  if (args.size() != 1) return UsageError("info", "info takes one picture file");
  PictureFile file;
  if (!OpenPictureFile(file, args[0])) return kExitFailure;
  const Picture& picture = file.picture;
  std::cout << "width: " << picture.width << '\n'
            << "height: " << picture.height << '\n'
            << "bits: " << picture.bitsPerPixel << '\n'
            << "type: " << FileTypeName(file.type) << '\n'
            << "file-size: " << file.fileSize << '\n'
            << "comment: " << file.comment << '\n';
  return kExitOk;
}

}  // namespace tessaly::cli
