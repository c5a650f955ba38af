#include "base/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tessaly {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  ~FileDescriptor() {
    if (m_fd >= 0) ::close(m_fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return m_fd; }
  // Closes now and reports a failed close, which on some file systems is where a
  // full disk shows itself.
  bool Close() {
    int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0;
  }

 private:
  int m_fd;
};

std::error_code WriteAll(int fd, ByteSpan data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    data = data.subspan(static_cast<std::size_t>(n));
  }
  return {};
}

mode_t NewFileMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

enum class Replace { kAllowed, kRefused };

std::filesystem::path FolderOf(const std::filesystem::path& path) {
  return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// An unnamed file in the folder, or -1 with errno; EOPNOTSUPP and the like where the
// file system (or the kernel) has none.
int OpenUnnamed(const std::filesystem::path& folder, mode_t mode) {
  return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
}

bool NoUnnamedFiles(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOSYS; }

// A name for the temporary file: "." + the target's name + "." + six characters.
std::string TemporaryPattern(const std::filesystem::path& path) {
  return (FolderOf(path) / ("." + path.filename().string() + ".XXXXXX")).string();
}

std::error_code WriteThroughTemporary(const std::filesystem::path& path, std::initializer_list<ByteSpan> parts,
                                      Replace replace, FileAccess access = FileAccess::kUsual) {
  struct stat existing {};
  mode_t mode = access == FileAccess::kOwnerOnly       ? 0600
                : ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777)
                                                       : NewFileMode();

  std::string temporary;  // the temporary file's name while it has one
  int fd = OpenUnnamed(FolderOf(path), mode);
  if (fd < 0 && !NoUnnamedFiles(errno)) return LastError();
  if (fd < 0) {
    temporary = TemporaryPattern(path);
    fd = ::mkstemp(temporary.data());
    if (fd < 0) return LastError();
  }
  FileDescriptor file(fd);
  auto fail = [&](std::error_code ec) {
    if (!temporary.empty()) ::unlink(temporary.c_str());
    return ec;
  };
  ::fchmod(file.Get(), mode);

  for (ByteSpan part : parts) {
    if (auto ec = WriteAll(file.Get(), part)) return fail(ec);
  }
  if (::fsync(file.Get()) != 0) return fail(LastError());

  if (temporary.empty()) {
    // The unnamed file gets its name only now that it is complete.
    std::string self = "/proc/self/fd/" + std::to_string(file.Get());
    if (replace == Replace::kRefused) {
      // linkat() fails with EEXIST instead of replacing.
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0) return LastError();
      if (!file.Close()) return LastError();
      return {};
    }
    // Replacing: a name of its own first, then the rename over the target, which is
    // atomic; only between these two steps does a temporary name exist.
    for (int attempt = 0; attempt < 100 && temporary.empty(); ++attempt) {
      std::string candidate = TemporaryPattern(path);
      static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
      unsigned seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                      static_cast<unsigned>(::getpid()) ^ static_cast<unsigned>(attempt * 7919);
      for (std::size_t i = candidate.size() - 6; i < candidate.size(); ++i) {
        seed = seed * 1103515245u + 12345u;
        candidate[i] = kChars[(seed >> 16) % (sizeof kChars - 1)];
      }
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0)
        temporary = candidate;
      else if (errno != EEXIST)
        return LastError();
    }
    if (temporary.empty()) return std::make_error_code(std::errc::file_exists);
  }
  if (!file.Close()) return fail(LastError());

  if (replace == Replace::kRefused) {
    // link() fails with EEXIST instead of replacing, which rename() would do.
    if (::link(temporary.c_str(), path.c_str()) != 0) return fail(LastError());
    ::unlink(temporary.c_str());
    return {};
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) return fail(LastError());
  return {};
}

}  // namespace

std::optional<std::filesystem::path> FollowShortcut(const std::filesystem::path& path, std::error_code& error) {
  error.clear();
  if (!std::filesystem::is_symlink(path, error)) {
    // A path that names nothing at all is not a link either: it is itself.
    error.clear();
    return path;
  }
  std::filesystem::path target = std::filesystem::canonical(path, error);
  if (error) return std::nullopt;
  return target;
}

std::error_code ReadWholeFile(const std::filesystem::path& path, Bytes& out) {
  out.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return LastError();
  FileDescriptor file(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0) return LastError();
  if (S_ISDIR(info.st_mode)) return std::make_error_code(std::errc::is_a_directory);
  if (info.st_size > 0) out.reserve(static_cast<std::size_t>(info.st_size));
  std::uint8_t buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (n == 0) break;
    out.insert(out.end(), buffer, buffer + n);
  }
  return {};
}

std::error_code WriteFileAtomically(const std::filesystem::path& path, std::initializer_list<ByteSpan> parts,
                                    FileAccess access) {
  return WriteThroughTemporary(path, parts, Replace::kAllowed, access);
}

std::error_code WriteNewFileAtomically(const std::filesystem::path& path, std::initializer_list<ByteSpan> parts) {
  return WriteThroughTemporary(path, parts, Replace::kRefused);
}

std::error_code ProbeFolderWritable(const std::filesystem::path& folder) {
  int fd = OpenUnnamed(folder, 0600);
  if (fd >= 0) {
    ::close(fd);
    return {};
  }
  if (!NoUnnamedFiles(errno)) return LastError();
  std::string probe = (folder / ".tessaly-probe.XXXXXX").string();
  fd = ::mkstemp(probe.data());
  if (fd < 0) return LastError();
  ::close(fd);
  ::unlink(probe.c_str());
  return {};
}

int RemoveStaleTemporaries(const std::filesystem::path& folder, const std::function<bool(std::string_view)>& ours) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  int removed = 0;
  while (dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    // "." + target + "." + six characters of mkstemp's alphabet.
    if (name.size() < 9 || name[0] != '.' || name[name.size() - 7] != '.') continue;
    std::string_view suffix = name.substr(name.size() - 6);
    if (!std::all_of(suffix.begin(), suffix.end(),
                     [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }))
      continue;
    if (!ours(name.substr(1, name.size() - 8))) continue;
    struct stat info {};
    if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) continue;
    if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

std::filesystem::path PrivateTempDir() {
  static std::filesystem::path folder = [] {
    std::error_code ec;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
      std::filesystem::path candidate = std::filesystem::path(runtime) / "tessaly";
      ::mkdir(candidate.c_str(), 0700);
      struct stat info {};
      if (::lstat(candidate.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid())
        return candidate;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tessaly-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return std::filesystem::path();
    return std::filesystem::path(pattern);
  }();
  return folder;
}

}  // namespace tessaly
