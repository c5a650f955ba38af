// Where a reader takes a file's bytes from: a file image in memory, or the open file
// itself, read piece by piece, so that a picture reduced while it is decoded never needs
// the whole file in memory either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "base/file_io.h"

namespace tessaly {

class ByteInput {
 public:
  virtual ~ByteInput() = default;
  // Copies up to count bytes from the current position; fewer only at the end (or on a
  // read error). Moves the position by what it returns.
  virtual std::size_t Read(std::uint8_t* to, std::size_t count) = 0;
  // Moves to an absolute position; false beyond the end.
  virtual bool Seek(std::uint64_t position) = 0;
  virtual std::uint64_t Position() const = 0;
  virtual std::uint64_t Size() const = 0;
  // The whole file image when it is in memory already.
  virtual const std::uint8_t* Image() const { return nullptr; }
};

class SpanInput final : public ByteInput {
 public:
  explicit SpanInput(ByteSpan bytes) : m_bytes(bytes) {}
  std::size_t Read(std::uint8_t* to, std::size_t count) override;
  bool Seek(std::uint64_t position) override;
  std::uint64_t Position() const override { return m_position; }
  std::uint64_t Size() const override { return m_bytes.size(); }
  const std::uint8_t* Image() const override { return m_bytes.data(); }

 private:
  ByteSpan m_bytes;
  std::size_t m_position = 0;
};

class FileInput final : public ByteInput {
 public:
  FileInput() = default;
  FileInput(const FileInput&) = delete;
  FileInput& operator=(const FileInput&) = delete;
  ~FileInput() override;
  // Opens a regular file for reading.
  std::error_code Open(const std::filesystem::path& path);
  std::size_t Read(std::uint8_t* to, std::size_t count) override;
  bool Seek(std::uint64_t position) override;
  std::uint64_t Position() const override { return m_position; }
  std::uint64_t Size() const override { return m_size; }

 private:
  int m_fd = -1;
  std::uint64_t m_position = 0;
  std::uint64_t m_size = 0;
};

// The whole input, for the readers that take a file image: the image itself when it is
// in memory, else read into storage.
std::error_code WholeImage(ByteInput& input, Bytes& storage, ByteSpan& image);

}  // namespace tessaly
