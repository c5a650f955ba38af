// The copies of changed pictures that the program keeps when it is ended from outside
// (a logout, SIGTERM, SIGHUP): nobody can be asked then whether to save, and the user's
// own file must not be overwritten with changes nobody confirmed. The next start offers
// to open the copies again.
//
// A copy is two files in the recovery folder: "picture-N.bmp", the picture exactly as
// it was (a BMP keeps every pixel and the colour table), and "picture-N.ini", which
// names the file the picture came from and its window title. The picture is written
// first, the description last, each through a temporary file renamed into place: a
// description always has its whole picture, and a picture without one is a copy that
// was cut short. Nothing here needs wx.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "picture/picture.h"

namespace tessaly::shell {

// $XDG_STATE_HOME/tessaly/recovery, else ~/.local/state/tessaly/recovery. Empty when
// neither variable is set.
std::filesystem::path RecoveryFolder();

struct RecoveryCopy {
  std::filesystem::path picture;      // picture-N.bmp
  std::filesystem::path description;  // picture-N.ini
  std::string originalPath;           // the document's file; empty for a new picture
  std::string title;                  // the window's title
};

// Writes a copy of picture into folder (made, private to the user, when missing) under
// the next free number.
std::error_code WriteRecoveryCopy(const std::filesystem::path& folder, const Picture& picture,
                                  const std::string& originalPath, const std::string& title);

// The complete copies in folder, oldest first. Pictures left without a description are
// removed on the way.
std::vector<RecoveryCopy> ListRecoveryCopies(const std::filesystem::path& folder);

// Reads a copy's picture; false when it is unreadable.
bool LoadRecoveryPicture(const RecoveryCopy& copy, Picture& picture);

// How the question at start names a copy: the picture's file name, then its folder in
// brackets, the home folder as "~" and a folder longer than maxFolder characters
// shortened in its middle ("~/Pictures/…/2024/trip"); a new picture by its title.
std::string DescribeRecoveryCopy(const RecoveryCopy& copy, const std::string& home, std::size_t maxFolder = 40);

// Removes both files of a copy.
void DiscardRecoveryCopy(const RecoveryCopy& copy);

}  // namespace tessaly::shell
