// The plain rules of the file dialogs: filter strings, the pattern a file-type label
// names, the extension kept in step with the chosen type, filter indexes as the settings
// keep them, and the small preview picture. Nothing here needs wx.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "picture/picture.h"

namespace tessaly::ui {

// A filter string of the program ("JPEG(*.jpg)|*.jpg|TIFF(*.tif)|*.tif|") as
// (label, pattern) pairs.
std::vector<std::pair<std::string, std::string>> FilterEntries(std::string_view filter);
// The same string as the toolkit's dialogs take it: without the closing "|".
std::string ToolkitFilter(std::string_view filter);
// The same filter with every letter of its patterns (not of its labels) matching both
// cases, "*.jpg" becoming "*.[jJ][pP][gG]": the toolkit's chooser compares names
// case-sensitively, and the camera's pictures are called AUT_0001.JPG.
std::string CaseBlindPatterns(std::string_view filter);
// The pattern of the type at index (counted from 0), or empty when there is none.
std::string FilterPattern(std::string_view filter, int index);

// The pattern a type label names: from one character before its last "." to one
// character before its end. "JPEG(*.jpg)" gives "*.jpg", "ALL(*.*)" gives "*.*"; a label
// without a "." after its first character gives an empty pattern.
std::string PatternOfTypeLabel(std::string_view label);

// The extension of a pattern: from its last "." ("*.jpg" gives ".jpg"); empty for a
// pattern without "." or whose extension holds a wildcard ("*.*"), since no file name
// can be given such an extension.
std::string PatternExtension(std::string_view pattern);

// The file name with its extension (from the last "." of the name, not of a folder)
// replaced by extension, or nothing when it already has it (compared case-sensitively,
// so PHOTO.JPG becomes PHOTO.jpg) or when extension is empty.
std::optional<std::string> CorrectedFileName(std::string_view name, std::string_view extension);

// Filter indexes in the settings file count the types from 1 (0 means "the first one");
// the toolkit counts from 0.
inline int ToolkitFilterIndex(int stored) { return stored >= 1 ? stored - 1 : 0; }
inline int StoredFilterIndex(int toolkit) { return toolkit + 1; }

// The file dialogs' preview: the step s = max((W - 1) / maxWidth + 1, (H - 1) / maxHeight
// + 1), a picture of (W / s) x (H / s) pixels whose pixel (i, j) is the picture's pixel
// (i s, j s), stored rows counted from the bottom. 1- and 4-bit pictures come out as 8
// bits; every indexed picture gets a 256-entry colour table. An empty picture gives an
// empty one. Throws std::bad_alloc.
Picture PreviewPicture(const Picture& picture, int maxWidth = 80, int maxHeight = 60);

}  // namespace tessaly::ui
