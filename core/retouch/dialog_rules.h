// The rules of the retouch window's dialogs that a user can observe: how a number typed
// into an edit field is read and checked, the free rotation's angle from the Rotate
// dialog, and the texts of Photo Properties.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "base/messages.h"

namespace tessaly {

// What became of an edit field that should hold an unsigned integer within a range.
struct IntegerField {
  std::optional<int> value;  // set when the text is an integer within the range
  MessageId message{};       // otherwise: "Please enter an integer." or the range message
  int minimum = 0;
  int maximum = 0;
  // The message to show, with the range filled in (English).
  std::string English() const;
};

// Leading and trailing blanks are allowed; the digits may not carry a sign, since the
// fields hold unsigned values. A number too long to hold is out of range.
IntegerField ReadIntegerField(std::string_view text, int minimum, int maximum);

// The clockwise angle of the Rotate dialog: the degrees themselves, or 360 minus them for
// "Counterclockwise".
int RotateDialogAngle(int degrees, bool counterclockwise);

// The comment of Photo Properties holds at most this many characters.
inline constexpr int kCommentLimit = 60;
// Characters in a UTF-8 text (what the limit counts).
int CharacterCount(std::string_view utf8);

// "Data Type" from the last four characters of a file title, without regard to case:
// "BMP TYPE" for .bmp and .dib, "TIFF TYPE" for .tif, "JPEG TYPE" for .jpg, else empty.
std::string_view DataTypeText(std::string_view fileTitle);
inline constexpr std::string_view kJpegType = "JPEG TYPE";

// "Creation Date": year/month/day in local time and a trailing space, for example
// "1997/5/23 ".
std::string CreationDateText(std::time_t when);

}  // namespace tessaly
