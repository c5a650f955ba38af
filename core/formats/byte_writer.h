// Builds a file image in memory, little- or big-endian, for the format writers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/file_io.h"

namespace tessaly {

class ByteWriter {
 public:
  // expectedSize is reserved up front, so that a whole file is built in one block.
  explicit ByteWriter(std::size_t expectedSize = 0) { m_bytes.reserve(expectedSize); }

  std::size_t Size() const { return m_bytes.size(); }

  void U8(std::uint8_t v) { m_bytes.push_back(v); }
  void U16LE(std::uint16_t v) {
    m_bytes.push_back(static_cast<std::uint8_t>(v));
    m_bytes.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void U32LE(std::uint32_t v) {
    U16LE(static_cast<std::uint16_t>(v));
    U16LE(static_cast<std::uint16_t>(v >> 16));
  }
  void Append(std::span<const std::uint8_t> bytes) { m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end()); }
  void Zeros(std::size_t count) { m_bytes.resize(m_bytes.size() + count, 0); }

  // Hands the bytes over; the writer is empty afterwards.
  Bytes Take() { return std::move(m_bytes); }

 private:
  Bytes m_bytes;
};

}  // namespace tessaly
