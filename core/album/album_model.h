// An album as data: its folder and pattern, the names the folder scan found, and the
// thumbnails built from them, with the commands that change them (delete, copy out).
// The album window's document owns one; the view draws its entries and sends the
// user's commands to it.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "album/album_copy.h"
#include "picture/album_thumbnail.h"

namespace tessaly {

// One listed file: its name in the folder (bytes, no folder) and its thumbnail.
struct AlbumEntry {
  std::string name;
  Picture thumbnail;
};

// Follows a build: asked before each file, told after each file.
class AlbumBuildSink {
 public:
  virtual ~AlbumBuildSink() = default;
  // Before file `index` of `count` (named name) is loaded; false stops the build there.
  virtual bool Next(std::size_t index, std::size_t count, std::string_view name) = 0;
  // After the file was dealt with: entry is the index of its new entry, or -1 when it
  // could not be loaded (the loader has said why).
  virtual void Done(std::size_t index, int entry) = 0;
};

// A file of the folder that could not be read, with the text the reader gave.
struct AlbumFailure {
  std::string name;
  std::string message;
};

// How a build ended.
enum class AlbumBuildEnd { kDone, kCancelled, kOutOfMemory };

// What the user answers for one file of a delete.
enum class DeleteAnswer { kYes, kNo, kAll, kCancel };

class AlbumModel {
 public:
  // A link to a folder is followed; an empty pattern means "*.*".
  void SetFolder(const std::filesystem::path& folder, const std::string& pattern);
  const std::filesystem::path& Folder() const { return m_folder; }
  const std::string& Pattern() const { return m_pattern; }

  // The folder scan, run once: while the list of names is empty. The number of names.
  std::size_t Scan();
  // The names of the folder that the album lists, sorted as the scan sorts them.
  const std::vector<std::string>& Files() const { return m_files; }
  // True once the scan or a build ran out of memory (the message has been shown).
  bool OutOfMemory() const { return m_outOfMemory; }

  // Scans when needed, then loads each file and makes its thumbnail on the background
  // colour. The entries made before are dropped first. A file that cannot be loaded gets
  // no entry and shows nothing: it is listed in Failures(), for one message once the
  // build is over. Running out of memory shows "Not enough memory." and ends the build
  // with the entries made so far.
  AlbumBuildEnd Build(RgbQuad background, AlbumBuildSink& sink);
  // The files the last build could not read, in the album's order.
  const std::vector<AlbumFailure>& Failures() const { return m_failures; }

  const std::vector<AlbumEntry>& Entries() const { return m_entries; }
  std::size_t Count() const { return m_entries.size(); }
  std::filesystem::path PathOf(std::size_t entry) const;
  // The paths of every entry, in the list's order.
  std::vector<std::filesystem::path> Paths() const;
  std::vector<std::filesystem::path> PathsOf(const std::vector<int>& entries) const;
  std::vector<std::string> NamesOf(const std::vector<int>& entries) const;

  // Deletes the entries (ascending indices), asking for each while the answers are Yes
  // or No: Yes deletes the file, No keeps it, All deletes it and every later one without
  // asking, Cancel ends (files already deleted stay deleted). A deleted file leaves the
  // entries and the names; failures of the file system are ignored. Returns the indices
  // (as they were before) of the entries removed.
  std::vector<int> Delete(const std::vector<int>& entries, const std::function<DeleteAnswer(const AlbumEntry&)>& ask);

  // Copies the entries' files into destination ("Save From Album").
  CopyTally CopyTo(const std::vector<int>& entries, const std::filesystem::path& destination,
                   const std::function<bool(const std::filesystem::path&)>& isRemovable = IsRemovableDrive) const;

 private:
  std::filesystem::path m_folder;
  std::string m_pattern = "*.*";
  std::vector<std::string> m_files;
  std::vector<AlbumEntry> m_entries;
  std::vector<AlbumFailure> m_failures;
  bool m_outOfMemory = false;
};

}  // namespace tessaly
