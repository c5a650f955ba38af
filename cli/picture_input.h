// How convert and edit open their input: as the retouch window opens a picture, within
// the 1280 x 1024 of a picture being edited, or with --reduce made to fit it.
#pragma once

#include <string>

#include "cli/options.h"
#include "formats/picture_file.h"

namespace tessaly::cli {

inline constexpr int kOptReduce = 1100;
inline constexpr OptionDef kReduceOption{kOptReduce, "reduce", 0, "",
                                         N_("reduce a picture over 1280 x 1024 to fit, as the retouch window does")};

// Loads the file. A picture larger than 1280 x 1024 is refused with a message that names
// --reduce, unless reduce is set; it is read a line at a time either way, so a large
// file costs little memory. False after the message.
bool OpenForEditing(PictureFile& file, const std::string& path, bool reduce);

}  // namespace tessaly::cli
