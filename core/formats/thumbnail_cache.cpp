#include "formats/thumbnail_cache.h"

#include <charconv>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <new>
#include <vector>

#include "base/md5.h"
#include "base/version.h"
#include "formats/byte_input.h"
#include "formats/png.h"
#include "picture/reduce.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

// A normal-size entry is a few tens of kilobytes; a file far larger is no entry of ours
// or anyone's, and is not worth reading.
constexpr std::uint64_t kMaxEntryBytes = 4u << 20;
// Entries larger than this are refused before their rows are decoded; those between it
// and 128 are reduced (a program that wrote its large size into the normal folder).
constexpr int kMaxEntrySide = 1024;

constexpr std::string_view kKeyUri = "Thumb::URI";
constexpr std::string_view kKeyMTime = "Thumb::MTime";

// What the cache knows of a file: its URI and its modification time and size, as the
// entries' text chunks write them.
struct FileStamp {
  std::string uri;
  std::string mtime;
  std::string size;
};

std::optional<FileStamp> StampOf(const fs::path& file) {
  struct stat info {};
  // The file's target for a link: a changed picture behind a link makes its entry stale.
  if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return FileStamp{ThumbnailUri(file), std::to_string(static_cast<long long>(info.st_mtime)),
                   std::to_string(static_cast<long long>(info.st_size))};
}

std::string_view TextOf(const std::vector<PngText>& text, std::string_view key) {
  for (const PngText& entry : text)
    if (entry.key == key) return entry.text;
  return {};
}

// A whole positive number of text, or 0.
int WholeNumber(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value > 0 ? value : 0;
}

std::optional<Picture> ReadEntry(ByteInput& input, std::string_view uri, std::string_view mtime,
                                 PictureSize* original = nullptr) {
  if (input.Size() > kMaxEntryBytes) return std::nullopt;
  Picture picture;
  DecodeReport report;
  std::vector<PngText> text;
  const DecodeTarget target{kMaxEntrySide, kMaxEntrySide, 0, 0};
  if (!ReadPngPicture(input, target, picture, report, text)) return std::nullopt;
  // An entry without the keys matches no file, even one whose URI or time is empty.
  if (uri.empty() || mtime.empty() || TextOf(text, kKeyUri) != uri || TextOf(text, kKeyMTime) != mtime)
    return std::nullopt;
  if (original != nullptr)
    *original = {WholeNumber(TextOf(text, "Thumb::Image::Width")), WholeNumber(TextOf(text, "Thumb::Image::Height"))};
  if (picture.width > kCacheThumbnailSize || picture.height > kCacheThumbnailSize) {
    const PictureSize fit = FitInBox(picture.width, picture.height, kCacheThumbnailSize, kCacheThumbnailSize);
    picture = AreaAveraged(picture, fit.width, fit.height);
  }
  return picture;
}

std::optional<Picture> LoadEntry(const fs::path& entry, const FileStamp& stamp, PictureSize* original = nullptr) {
  FileInput input;
  if (input.Open(entry)) return std::nullopt;
  return ReadEntry(input, stamp.uri, stamp.mtime, original);
}

// Makes the folder and those above it that are missing, each for the user alone.
// Folders that exist keep their permissions: they may be another program's.
bool MakePrivateFolders(const fs::path& folder) {
  fs::path prefix;
  for (const fs::path& part : folder) {
    prefix /= part;
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  std::error_code error;
  return fs::is_directory(folder, error);
}

// Whether path lies inside folder, compared part by part.
bool IsInside(const fs::path& path, const fs::path& folder) {
  auto [folderEnd, pathAt] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
  (void)pathAt;
  return folderEnd == folder.end();
}

fs::path AbsolutePath(const fs::path& file) {
  std::error_code error;
  fs::path absolute = fs::absolute(file, error);
  if (error) return {};
  return absolute.lexically_normal();
}

std::string EntryName(const fs::path& file) { return Md5Hex(ThumbnailUri(file)) + ".png"; }

bool WriteEntry(const fs::path& entry, const Picture& picture, std::vector<PngText> text) {
  text.push_back({"Software", std::string("Tessaly ") + VersionText()});
  if (!MakePrivateFolders(entry.parent_path())) return false;
  const Bytes file = EncodePng(picture, text);
  if (file.empty()) return false;
  return !WriteFileAtomically(entry, file, FileAccess::kOwnerOnly);
}

}  // namespace

fs::path ThumbnailCacheRoot() {
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache && fs::path(cache).is_absolute())
    return fs::path(cache) / "thumbnails";
  if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".cache" / "thumbnails";
  return {};
}

std::string ThumbnailUri(const fs::path& file) {
  static const char kHex[] = "0123456789ABCDEF";
  const std::string path = AbsolutePath(file).native();
  std::string uri = "file://";
  uri.reserve(uri.size() + path.size() * 3);
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool kept = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                      std::string_view("/-_.!~*'():@&=+$,").find(c) != std::string_view::npos;
    if (kept) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 15];
    }
  }
  return uri;
}

fs::path CachedThumbnailPath(const fs::path& file) {
  const fs::path root = ThumbnailCacheRoot();
  return root.empty() ? fs::path() : root / "normal" / EntryName(file);
}

fs::path FailedThumbnailPath(const fs::path& file) {
  const fs::path root = ThumbnailCacheRoot();
  return root.empty() ? fs::path() : root / "fail" / (std::string("tessaly-") + VersionText()) / EntryName(file);
}

std::optional<Picture> ReadThumbnailEntry(ByteSpan png, std::string_view uri, std::string_view mtime) {
  SpanInput input(png);
  try {
    return ReadEntry(input, uri, mtime);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::optional<Picture> LoadCachedThumbnail(const fs::path& file, PictureSize* original) {
  try {
    const fs::path entry = CachedThumbnailPath(file);
    const std::optional<FileStamp> stamp = StampOf(file);
    if (entry.empty() || !stamp) return std::nullopt;
    return LoadEntry(entry, *stamp, original);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

bool StoreThumbnail(const fs::path& file, const Picture& thumbnail, PictureSize original) {
  try {
    const fs::path root = ThumbnailCacheRoot();
    const std::optional<FileStamp> stamp = StampOf(file);
    if (root.empty() || !stamp || thumbnail.Empty()) return false;
    if (IsInside(AbsolutePath(file), AbsolutePath(root))) return false;
    Picture reduced;
    const Picture* picture = &thumbnail;
    if (thumbnail.width > kCacheThumbnailSize || thumbnail.height > kCacheThumbnailSize) {
      const PictureSize fit = FitInBox(thumbnail.width, thumbnail.height, kCacheThumbnailSize, kCacheThumbnailSize);
      reduced = AreaAveraged(thumbnail, fit.width, fit.height);
      picture = &reduced;
    }
    std::vector<PngText> text = {
        {std::string(kKeyUri), stamp->uri}, {std::string(kKeyMTime), stamp->mtime}, {"Thumb::Size", stamp->size}};
    if (original.width > 0 && original.height > 0) {
      text.push_back({"Thumb::Image::Width", std::to_string(original.width)});
      text.push_back({"Thumb::Image::Height", std::to_string(original.height)});
    }
    return WriteEntry(CachedThumbnailPath(file), *picture, std::move(text));
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool StoreThumbnailFailure(const fs::path& file) {
  try {
    const fs::path root = ThumbnailCacheRoot();
    const std::optional<FileStamp> stamp = StampOf(file);
    if (root.empty() || !stamp) return false;
    if (IsInside(AbsolutePath(file), AbsolutePath(root))) return false;
    return WriteEntry(FailedThumbnailPath(file), Picture::Make(1, 1, 24, 0xFF),
                      {{std::string(kKeyUri), stamp->uri}, {std::string(kKeyMTime), stamp->mtime}});
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool HasFreshFailure(const fs::path& file) {
  try {
    const fs::path entry = FailedThumbnailPath(file);
    const std::optional<FileStamp> stamp = StampOf(file);
    return !entry.empty() && stamp && LoadEntry(entry, *stamp).has_value();
  } catch (const std::bad_alloc&) {
    return false;
  }
}

Picture AlbumCellOfThumbnail(const Picture& thumbnail, RgbQuad background, int cellWidth, int cellHeight) {
  if (thumbnail.Empty()) return {};
  const PictureSize fit = FitInBox(thumbnail.width, thumbnail.height, cellWidth, cellHeight);
  if (fit.width == thumbnail.width && fit.height == thumbnail.height)
    return MakeAlbumThumbnail(thumbnail, background, cellWidth, cellHeight);
  return MakeAlbumThumbnail(AreaAveraged(thumbnail, fit.width, fit.height), background, cellWidth, cellHeight);
}

std::optional<Picture> AlbumThumbnailFromCache(const fs::path& file, RgbQuad background, int cellWidth,
                                               int cellHeight) {
  std::optional<Picture> thumbnail = LoadCachedThumbnail(file);
  if (!thumbnail) return std::nullopt;
  return AlbumCellOfThumbnail(*thumbnail, background, cellWidth, cellHeight);
}

}  // namespace tessaly
