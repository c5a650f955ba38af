#include "cli/picture_input.h"

#include "base/prompt.h"
#include "cli/catalog.h"

namespace tessaly::cli {

bool OpenForEditing(PictureFile& file, const std::string& path, bool reduce) {
  PictureFile loaded;
  if (!OpenPictureFileToFit(loaded, path, kMaxPictureWidth, kMaxPictureHeight)) return false;
  if (loaded.IsReduced() && !reduce) {
    Prompt().Show(
        TrWith("The picture is %1 pixels, larger than the 1280 x 1024 a picture being edited can be; "
               "--reduce makes it fit.",
               std::to_string(loaded.width) + " x " + std::to_string(loaded.height)));
    return false;
  }
  file = std::move(loaded);
  return true;
}

}  // namespace tessaly::cli
