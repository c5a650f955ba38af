#include "base/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

std::error_code WriteThroughTemporary(const std::filesystem::path& path, std::initializer_list<ByteSpan> parts,
                                      Replace replace) {
  std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  std::string pattern = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) return LastError();
  FileDescriptor file(fd);
  std::string temporary = pattern;

  auto fail = [&](std::error_code ec) {
    ::unlink(temporary.c_str());
    return ec;
  };

  struct stat existing {};
  mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : NewFileMode();
  ::fchmod(file.Get(), mode);

  for (ByteSpan part : parts) {
    if (auto ec = WriteAll(file.Get(), part)) return fail(ec);
  }
  if (::fsync(file.Get()) != 0) return fail(LastError());
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

std::error_code WriteFileAtomically(const std::filesystem::path& path, std::initializer_list<ByteSpan> parts) {
  return WriteThroughTemporary(path, parts, Replace::kAllowed);
}

std::error_code WriteNewFileAtomically(const std::filesystem::path& path, std::initializer_list<ByteSpan> parts) {
  return WriteThroughTemporary(path, parts, Replace::kRefused);
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
