#include "album/album_model.h"

#include <algorithm>
#include <future>
#include <new>
#include <system_error>
#include <thread>

#include "album/album_scan.h"
#include "base/file_io.h"
#include "base/prompt.h"
#include "formats/picture_file.h"
#include "formats/thumbnail_cache.h"

namespace tessaly {

namespace fs = std::filesystem;

namespace {

// The side of the box a picture over the limit of editing is decoded to fit: twice the
// shared thumbnail's, so that both it and the album's cell are averaged down from it.
constexpr int kThumbnailSourceSide = 2 * kCacheThumbnailSize;

// Takes what a reader would show for one file and keeps it, so that the album can name
// every file it could not read in one message at the end instead of one box a file.
class GatheringPrompt : public UserPrompt {
 public:
  explicit GatheringPrompt(std::string& text) : m_text(text) {}
  PromptAnswer Show(std::string_view text, PromptButtons buttons) override {
    if (m_text.empty()) m_text = text;
    return buttons == PromptButtons::kOk ? PromptAnswer::kOk : PromptAnswer::kCancel;
  }

 private:
  std::string& m_text;
};

struct AlbumCell {
  Picture cell;         // empty when the file could not be read
  std::string refusal;  // then what its reader said
};

// The album's cell of one file. It touches nothing but the file, the shared cache and
// its own prompt, so that it can run on another thread than the windows'.
AlbumCell MakeAlbumCell(const fs::path& path, const std::string& name, RgbQuad background) {
  AlbumCell made;
  // The desktop's shared cache serves the pictures whose whole decode is what costs:
  // those over the limit of editing, and the kinds beyond the camera's. The camera's
  // pictures within the limit are decoded as they always were, so that their
  // thumbnails stay exactly the same.
  PictureSize original;
  if (std::optional<Picture> cached = LoadCachedThumbnail(path, &original);
      cached && (FormatOfName(name) == PictureFormat::kUnknown || original.width > kMaxPictureWidth ||
                 original.height > kMaxPictureHeight)) {
    made.cell = AlbumCellOfThumbnail(*cached, background);
    if (!made.cell.Empty()) return made;
  }
  // Only one picture a thread is in memory at a time: it goes as soon as its thumbnail
  // is made. A picture within the limit of editing comes whole, as it always did; a
  // larger one is decoded no larger than the shared thumbnail needs, and its cell is
  // made from that by area averaging.
  GatheringPrompt gathering(made.refusal);
  ThreadPrompt gather(gathering);
  PictureFile file;
  if (OpenPictureFileToFit(file, path, kThumbnailSourceSide, kThumbnailSourceSide, ReduceWhen::kOverEditable)) {
    made.cell = file.IsReduced() ? AlbumCellOfThumbnail(file.picture, background)
                                 : MakeAlbumThumbnail(file.picture, background);
    // Kept for the next opening, here and in the file managers.
    if (file.IsReduced() || FormatOfName(name) == PictureFormat::kUnknown)
      StoreThumbnail(path, file.picture, {file.width, file.height});
  }
  return made;
}

}  // namespace

void AlbumModel::SetFolder(const fs::path& folder, const std::string& pattern) {
  std::error_code error;
  m_folder = FollowShortcut(folder, error).value_or(folder);
  m_pattern = pattern.empty() ? "*.*" : pattern;
}

std::size_t AlbumModel::Scan() {
  if (m_files.empty()) {
    AlbumScan scan = ScanAlbumFolder(m_folder, m_pattern);
    m_files = std::move(scan.names);
    if (scan.outOfMemory) m_outOfMemory = true;
  }
  return m_files.size();
}

AlbumBuildEnd AlbumModel::Build(RgbQuad background, AlbumBuildSink& sink) {
  m_entries.clear();
  m_failures.clear();
  Scan();
  const std::size_t count = m_files.size();
  try {
    m_entries.reserve(count);
    // While one picture is decoded here, the next is decoded beside it on a second
    // processor, where there is one: the decoding is nearly all of the build's time.
    const bool lookAhead = std::thread::hardware_concurrency() > 1;
    std::future<AlbumCell> ahead;  // the cell of file i, when it was begun on the second thread
    for (std::size_t i = 0; i < count; ++i) {
      const std::string& name = m_files[i];
      if (!sink.Next(i, count, name)) return AlbumBuildEnd::kCancelled;
      AlbumCell made;
      if (ahead.valid()) {
        made = ahead.get();
      } else {
        if (lookAhead && i + 1 < count)
          ahead = std::async(std::launch::async, MakeAlbumCell, m_folder / m_files[i + 1], m_files[i + 1], background);
        made = MakeAlbumCell(m_folder / name, name, background);
      }
      if (made.cell.Empty()) {
        m_failures.push_back(
            {name, made.refusal.empty() ? std::string(MessageText(kMsgNotValidFileType)) : made.refusal});
        sink.Done(i, -1);
        continue;
      }
      m_entries.push_back({name, std::move(made.cell)});
      sink.Done(i, static_cast<int>(m_entries.size()) - 1);
    }
  } catch (const std::bad_alloc&) {
    Prompt().Show(kMsgNotEnoughMemory);
    m_outOfMemory = true;
    return AlbumBuildEnd::kOutOfMemory;
  }
  return AlbumBuildEnd::kDone;
}

fs::path AlbumModel::PathOf(std::size_t entry) const { return m_folder / m_entries.at(entry).name; }

std::vector<fs::path> AlbumModel::Paths() const {
  std::vector<fs::path> paths;
  paths.reserve(m_entries.size());
  for (const AlbumEntry& entry : m_entries) paths.push_back(m_folder / entry.name);
  return paths;
}

std::vector<fs::path> AlbumModel::PathsOf(const std::vector<int>& entries) const {
  std::vector<fs::path> paths;
  for (int i : entries)
    if (i >= 0 && static_cast<std::size_t>(i) < m_entries.size()) paths.push_back(PathOf(static_cast<std::size_t>(i)));
  return paths;
}

std::vector<std::string> AlbumModel::NamesOf(const std::vector<int>& entries) const {
  std::vector<std::string> names;
  for (int i : entries)
    if (i >= 0 && static_cast<std::size_t>(i) < m_entries.size())
      names.push_back(m_entries[static_cast<std::size_t>(i)].name);
  return names;
}

std::vector<int> AlbumModel::Delete(const std::vector<int>& entries,
                                    const std::function<DeleteAnswer(const AlbumEntry&)>& ask) {
  std::vector<int> wanted = entries;
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  std::vector<int> removed;
  bool asking = true;
  for (int index : wanted) {
    // Every entry removed so far stood before this one.
    const std::size_t at = static_cast<std::size_t>(index) - removed.size();
    if (index < 0 || at >= m_entries.size()) continue;
    if (asking) {
      const DeleteAnswer answer = ask(m_entries[at]);
      if (answer == DeleteAnswer::kCancel) break;
      if (answer == DeleteAnswer::kNo) continue;
      if (answer == DeleteAnswer::kAll) asking = false;
    }
    const std::string name = m_entries[at].name;
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(at));
    auto file = std::find(m_files.begin(), m_files.end(), name);
    if (file != m_files.end()) m_files.erase(file);
    // The entry is gone whatever the file system says.
    std::error_code ignored;
    fs::remove(m_folder / name, ignored);
    removed.push_back(index);
  }
  return removed;
}

CopyTally AlbumModel::CopyTo(const std::vector<int>& entries, const fs::path& destination,
                             const std::function<bool(const fs::path&)>& isRemovable) const {
  return CopyAlbumFiles(m_folder, NamesOf(entries), destination, isRemovable);
}

}  // namespace tessaly
