// Whole-file reads and safe whole-file writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <system_error>
#include <vector>

namespace tessaly {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

// Reads the whole file. On failure the error tells why (no such file, access, ...).
std::error_code ReadWholeFile(const std::filesystem::path& path, Bytes& out);

// What a path names: a symbolic link (the shortcut of this system) is replaced by what it
// finally leads to, any other path is itself. A link that leads nowhere gives no path,
// and error tells why (a missing target, a loop, ...).
std::optional<std::filesystem::path> FollowShortcut(const std::filesystem::path& path, std::error_code& error);

// Writes the pieces one after another into a temporary file in the target's folder and
// renames it over the target only when every byte is on disk, so a failed write (a full
// disk, a removed folder) leaves the old file exactly as it was. Where the file system
// has them the temporary file is unnamed (O_TMPFILE) and linked into place when
// complete, so that a process killed while writing leaves nothing behind; elsewhere it
// is named "." + the target's name + "." + six characters. With FileAccess::kUsual a
// new file gets the usual permissions (0666 less the umask) and a replaced file keeps
// its own; with kOwnerOnly the file is 0600 either way, from its first byte on.
enum class FileAccess { kUsual, kOwnerOnly };
std::error_code WriteFileAtomically(const std::filesystem::path& path, std::initializer_list<ByteSpan> parts,
                                    FileAccess access = FileAccess::kUsual);
inline std::error_code WriteFileAtomically(const std::filesystem::path& path, ByteSpan data,
                                           FileAccess access = FileAccess::kUsual) {
  return WriteFileAtomically(path, {data}, access);
}

// As WriteFileAtomically, but fails with std::errc::file_exists instead of replacing a
// file that exists (the check and the rename are one step, so a file that appears in
// the meantime is not replaced either).
std::error_code WriteNewFileAtomically(const std::filesystem::path& path, std::initializer_list<ByteSpan> parts);

// Whether a file can be created in the folder: tried with an unnamed file (or a named
// one, removed at once), so that permissions, a read-only mount and the like all show.
std::error_code ProbeFolderWritable(const std::filesystem::path& folder);

// Removes the temporary files that a killed write of ours left in the folder: regular
// files named "." + a target name + "." + six characters, for the target names that ours
// accepts. Returns how many were removed.
int RemoveStaleTemporaries(const std::filesystem::path& folder, const std::function<bool(std::string_view)>& ours);

// The program's private folder for temporary files: $XDG_RUNTIME_DIR/tessaly when that
// exists, else a folder made with mkdtemp under $TMPDIR (or /tmp) that only the user can
// enter. Made on first use; an empty path when no folder could be made.
std::filesystem::path PrivateTempDir();

}  // namespace tessaly
