#include "formats/byte_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tessaly {

std::size_t SpanInput::Read(std::uint8_t* to, std::size_t count) {
  const std::size_t n = std::min(count, m_bytes.size() - m_position);
  if (n > 0) std::memcpy(to, m_bytes.data() + m_position, n);
  m_position += n;
  return n;
}

bool SpanInput::Seek(std::uint64_t position) {
  if (position > m_bytes.size()) return false;
  m_position = static_cast<std::size_t>(position);
  return true;
}

FileInput::~FileInput() {
  if (m_fd >= 0) ::close(m_fd);
}

std::error_code FileInput::Open(const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {errno, std::generic_category()};
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    const int error = S_ISDIR(info.st_mode) ? EISDIR : (errno != 0 ? errno : EINVAL);
    ::close(fd);
    return {error, std::generic_category()};
  }
  if (m_fd >= 0) ::close(m_fd);
  m_fd = fd;
  m_size = static_cast<std::uint64_t>(info.st_size);
  m_position = 0;
  return {};
}

std::size_t FileInput::Read(std::uint8_t* to, std::size_t count) {
  std::size_t done = 0;
  while (done < count && m_fd >= 0) {
    const ssize_t n = ::pread(m_fd, to + done, count - done, static_cast<off_t>(m_position));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
    m_position += static_cast<std::uint64_t>(n);
  }
  return done;
}

bool FileInput::Seek(std::uint64_t position) {
  if (position > m_size) return false;
  m_position = position;
  return true;
}

std::error_code WholeImage(ByteInput& input, Bytes& storage, ByteSpan& image) {
  if (input.Image() != nullptr || input.Size() == 0) {
    image = ByteSpan(input.Image(), static_cast<std::size_t>(input.Size()));
    return {};
  }
  if (!input.Seek(0)) return std::make_error_code(std::errc::io_error);
  storage.resize(static_cast<std::size_t>(input.Size()));  // may throw std::bad_alloc
  if (input.Read(storage.data(), storage.size()) != storage.size()) return std::make_error_code(std::errc::io_error);
  image = storage;
  return {};
}

}  // namespace tessaly
