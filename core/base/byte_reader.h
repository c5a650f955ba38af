// Bounds-checked reading of outside bytes (files, the serial line, the clipboard).
//
// Every read checks that its bytes exist; a failed read makes the reader fail for good
// and returns zero, so a parser can read a whole header and test Ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tessaly {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes, std::size_t offset = 0)
      : m_bytes(bytes), m_pos(offset), m_ok(offset <= bytes.size()) {}

  bool Ok() const { return m_ok; }
  std::size_t Position() const { return m_pos; }
  std::size_t Size() const { return m_bytes.size(); }
  std::size_t Remaining() const { return m_ok && m_pos <= m_bytes.size() ? m_bytes.size() - m_pos : 0; }
  bool Has(std::size_t count) const { return m_ok && count <= Remaining(); }

  void Seek(std::size_t offset) {
    if (offset > m_bytes.size())
      m_ok = false;
    else
      m_pos = offset;
  }
  void Skip(std::size_t count) {
    if (!Has(count))
      m_ok = false;
    else
      m_pos += count;
  }

  std::uint8_t U8() { return Has(1) ? m_bytes[m_pos++] : Fail(); }
  std::uint16_t U16LE() {
    if (!Has(2)) return Fail();
    std::uint16_t v = static_cast<std::uint16_t>(m_bytes[m_pos] | m_bytes[m_pos + 1] << 8);
    m_pos += 2;
    return v;
  }
  std::uint16_t U16BE() {
    if (!Has(2)) return Fail();
    std::uint16_t v = static_cast<std::uint16_t>(m_bytes[m_pos] << 8 | m_bytes[m_pos + 1]);
    m_pos += 2;
    return v;
  }
  std::uint32_t U32LE() {
    if (!Has(4)) return Fail();
    std::uint32_t v = static_cast<std::uint32_t>(m_bytes[m_pos]) | static_cast<std::uint32_t>(m_bytes[m_pos + 1]) << 8 |
                      static_cast<std::uint32_t>(m_bytes[m_pos + 2]) << 16 |
                      static_cast<std::uint32_t>(m_bytes[m_pos + 3]) << 24;
    m_pos += 4;
    return v;
  }
  std::uint32_t U32BE() {
    if (!Has(4)) return Fail();
    std::uint32_t v =
        static_cast<std::uint32_t>(m_bytes[m_pos]) << 24 | static_cast<std::uint32_t>(m_bytes[m_pos + 1]) << 16 |
        static_cast<std::uint32_t>(m_bytes[m_pos + 2]) << 8 | static_cast<std::uint32_t>(m_bytes[m_pos + 3]);
    m_pos += 4;
    return v;
  }
  std::int32_t I32LE() { return static_cast<std::int32_t>(U32LE()); }

  // The next count bytes, or an empty span (and failure) when they are not all there.
  std::span<const std::uint8_t> Bytes(std::size_t count) {
    if (!Has(count)) {
      m_ok = false;
      return {};
    }
    auto span = m_bytes.subspan(m_pos, count);
    m_pos += count;
    return span;
  }

  // count bytes at an absolute offset, or an empty span when they are not all in the data;
  // does not move the reader and does not make it fail.
  std::span<const std::uint8_t> At(std::size_t offset, std::size_t count) const {
    if (offset > m_bytes.size() || count > m_bytes.size() - offset) return {};
    return m_bytes.subspan(offset, count);
  }

 private:
  std::uint8_t Fail() {
    m_ok = false;
    return 0;
  }

  std::span<const std::uint8_t> m_bytes;
  std::size_t m_pos;
  bool m_ok;
};

}  // namespace tessaly
