// The desktop's shared thumbnail cache: the folder of 128-pixel PNG files that file
// managers and picture viewers keep in $XDG_CACHE_HOME/thumbnails, one per picture file,
// named by the MD5 of the file's URI. An entry says in its text chunks which file it is
// of (Thumb::URI) and when that file was last changed (Thumb::MTime); one whose file
// has changed since is stale and is ignored. Files the program could not read get an
// entry of their own under fail/, so that they are not tried again while unchanged.
//
// Nothing here talks to the user: a cache that cannot be read or written is a cache
// that is not there.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/file_io.h"
#include "picture/album_thumbnail.h"
#include "picture/picture.h"

namespace tessaly {

// The larger side of a thumbnail of the cache's "normal" size.
inline constexpr int kCacheThumbnailSize = 128;

// $XDG_CACHE_HOME/thumbnails when XDG_CACHE_HOME is an absolute path, else
// $HOME/.cache/thumbnails; empty when neither is set.
std::filesystem::path ThumbnailCacheRoot();

// "file://" and the file's absolute path (made absolute against the working folder,
// "." and ".." taken out, symbolic links kept as they are), every byte escaped as %XX
// except letters, digits, "/" and -_.!~*'():@&=+$, — the names other programs give.
std::string ThumbnailUri(const std::filesystem::path& file);

// Where the cache keeps the file's thumbnail, and its failure entry.
std::filesystem::path CachedThumbnailPath(const std::filesystem::path& file);
std::filesystem::path FailedThumbnailPath(const std::filesystem::path& file);

// The file's thumbnail from the cache, when there is one for the file as it is now:
// its URI is the file's and its time the file's modification time in seconds. Nothing
// for a stale, damaged or missing entry, or when the file itself is missing. The
// picture is at most 128 x 128 (an oversized entry is reduced), 24 bits.
// With original, also the picture's own size the entry records (Thumb::Image::Width and
// Height), 0 x 0 where it records none.
std::optional<Picture> LoadCachedThumbnail(const std::filesystem::path& file, PictureSize* original = nullptr);

// Writes the thumbnail of the file into the cache: the picture reduced to fit 128 x 128
// (as it is when it fits) with the file's URI, modification time and size, the
// original's size (when given) and the program's name. The folders are made private
// (0700), the entry is 0600 and replaces an old one in one step. False, without a word
// and with the old entry as it was, when it could not be written, and for a file inside
// the cache itself (whose thumbnails would breed without end).
bool StoreThumbnail(const std::filesystem::path& file, const Picture& thumbnail, PictureSize original = {});

// Records that the file could not be read as it is now (a 1 x 1 entry under
// fail/tessaly-VERSION/), and tells whether such a record is there for the file as it
// is now. A changed file is tried again.
bool StoreThumbnailFailure(const std::filesystem::path& file);
bool HasFreshFailure(const std::filesystem::path& file);

// The picture of a cache entry's bytes when the entry is one for uri and mtime (the
// decimal seconds); nothing for any other entry and for bytes that are no PNG file.
std::optional<Picture> ReadThumbnailEntry(ByteSpan png, std::string_view uri, std::string_view mtime);

// The album's cell made of a thumbnail of the cache's size: reduced by area averaging
// to fit the cell, then placed as MakeAlbumThumbnail places a picture (a small one
// enlarged by a whole factor). The cell of the file's fresh cache entry, or nothing.
Picture AlbumCellOfThumbnail(const Picture& thumbnail, RgbQuad background, int cellWidth = kAlbumThumbWidth,
                             int cellHeight = kAlbumThumbHeight);
std::optional<Picture> AlbumThumbnailFromCache(const std::filesystem::path& file, RgbQuad background,
                                               int cellWidth = kAlbumThumbWidth, int cellHeight = kAlbumThumbHeight);

}  // namespace tessaly
