// Whole-file reads and safe whole-file writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <system_error>
#include <vector>

namespace tessaly {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

// Reads the whole file. On failure the error tells why (no such file, access, ...).
std::error_code ReadWholeFile(const std::filesystem::path& path, Bytes& out);

// Writes the pieces one after another into a temporary file in the target's folder and
// renames it over the target only when every byte is on disk, so a failed write (a full
// disk, a removed folder) leaves the old file exactly as it was. A new file gets the
// usual permissions (0666 less the umask); a replaced file keeps its own.
std::error_code WriteFileAtomically(const std::filesystem::path& path, std::initializer_list<ByteSpan> parts);
inline std::error_code WriteFileAtomically(const std::filesystem::path& path, ByteSpan data) {
  return WriteFileAtomically(path, {data});
}

// As WriteFileAtomically, but fails with std::errc::file_exists instead of replacing a
// file that exists (the check and the rename are one step, so a file that appears in
// the meantime is not replaced either).
std::error_code WriteNewFileAtomically(const std::filesystem::path& path, std::initializer_list<ByteSpan> parts);

// The program's private folder for temporary files: $XDG_RUNTIME_DIR/tessaly when that
// exists, else a folder made with mkdtemp under $TMPDIR (or /tmp) that only the user can
// enter. Made on first use; an empty path when no folder could be made.
std::filesystem::path PrivateTempDir();

}  // namespace tessaly
