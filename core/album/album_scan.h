// The folder scan of an album and the file names it lists.
//
// An album lists the picture files of one folder that match its pattern, and the
// symbolic links (this system's shortcuts) in the folder whose targets are such files,
// each under its own name, sorted without regard to case. Names are kept as the bytes
// the file system gave, so that a file whose name is not valid UTF-8 (an old Japanese
// name in Shift-JIS) is listed, opened, copied and deleted like any other.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// The pattern a file-type label of the album's type list gives: the characters from
// one before its last "." to one before its end ("JPEG(*.jpg)" gives "*.jpg",
// "ALL(*.*)" gives "*.*"). A label without a "." gives "*.*".
std::string PatternOfTypeLabel(std::string_view label);

// True when a pattern ends in ".*": the album then lists the names of every kind of
// picture that can be read.
bool IsAllPattern(std::string_view pattern);

// True when name matches the pattern ("*" any run, "?" one character, without regard to
// ASCII case).
bool MatchesPattern(std::string_view name, std::string_view pattern);

// True when the file a name (or a link's target name) stands for belongs to an album of
// this pattern: one of the four picture extensions for an "ALL" pattern, else the same
// last four characters as the pattern, without regard to case.
bool AcceptsTargetName(std::string_view name, std::string_view pattern);

// Orders names without regard to ASCII case. A name that is not valid UTF-8 is read as
// Shift-JIS, whose second bytes are never folded, so that a double-byte character never
// compares as a letter.
bool AlbumNameLess(std::string_view a, std::string_view b);

// Inserts name before the first name that compares greater, or at the end: names that
// compare equal keep the order in which they came.
void InsertSorted(std::vector<std::string>& names, std::string name);

struct AlbumScan {
  std::vector<std::string> names;  // file names without folder, as bytes, sorted
  bool outOfMemory = false;        // the scan ran out of memory and ended early
};

// Pass 1 takes the files (not links, not folders) that match the pattern; pass 2 the
// symbolic links whose targets are files the pattern accepts. A broken link, a link to a
// folder and a folder are left out. Running out of memory shows "Not enough memory." and
// ends the scan with what it has.
AlbumScan ScanAlbumFolder(const std::filesystem::path& folder, std::string_view pattern);

// A file name as UTF-8 for showing: valid UTF-8 as it is, else decoded as Shift-JIS
// (code page 932), else with each byte that does not decode replaced by U+FFFD. Only for
// showing: the bytes stay the file's name.
std::string DisplayNameUtf8(std::string_view bytes);
bool IsValidUtf8(std::string_view bytes);

}  // namespace tessaly
