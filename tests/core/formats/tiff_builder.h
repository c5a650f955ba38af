// Builds TIFF files by hand, in either byte order, for the reader's tests and the
// command-line golden test's inputs.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/file_io.h"

namespace tessaly::test {

constexpr std::uint16_t kShort = 3, kLong = 4, kByte = 1;

// Value arrays go after the header in the order they are added, the directory last.
class TiffBuilder {
 public:
  explicit TiffBuilder(bool littleEndian = true) : m_le(littleEndian) {
    m_data = {static_cast<std::uint8_t>(m_le ? 'I' : 'M'), static_cast<std::uint8_t>(m_le ? 'I' : 'M')};
    Append(m_data, 42, 2);
    Append(m_data, 0, 4);  // the directory's offset, set by Build()
  }
  std::uint32_t Blob(const Bytes& bytes) {
    auto at = static_cast<std::uint32_t>(m_data.size());
    m_data.insert(m_data.end(), bytes.begin(), bytes.end());
    return at;
  }
  // An entry whose values are given; they go into the value field when they fit.
  TiffBuilder& Values(std::uint16_t tag, std::uint16_t type, const std::vector<std::uint32_t>& values) {
    Bytes encoded;
    for (std::uint32_t v : values) Append(encoded, v, type == kShort ? 2 : type == kByte ? 1 : 4);
    if (encoded.size() > 4) return Raw(tag, type, static_cast<std::uint32_t>(values.size()), Blob(encoded));
    encoded.resize(4, 0);
    m_entries.push_back({tag, type, static_cast<std::uint32_t>(values.size()), encoded});
    return *this;
  }
  TiffBuilder& Short(std::uint16_t tag, std::uint32_t v) { return Values(tag, kShort, {v}); }
  TiffBuilder& Long(std::uint16_t tag, std::uint32_t v) { return Values(tag, kLong, {v}); }
  // An entry with a raw count and value field (for offsets that point anywhere).
  TiffBuilder& Raw(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t field) {
    Bytes bytes;
    Append(bytes, field, 4);
    m_entries.push_back({tag, type, count, bytes});
    return *this;
  }
  // The usual entries of an uncompressed picture with one strip holding pixels.
  TiffBuilder& Picture(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& bits,
                       const Bytes& pixels) {
    std::uint32_t strip = Blob(pixels);
    Long(254, 0).Short(256, width).Short(257, height).Values(258, kShort, bits).Short(259, 1);
    return Long(273, strip).Long(279, static_cast<std::uint32_t>(pixels.size()));
  }
  Bytes Build() const {
    Bytes data = m_data, head;
    Append(head, static_cast<std::uint32_t>(data.size()), 4);
    std::copy(head.begin(), head.end(), data.begin() + 4);
    Append(data, static_cast<std::uint32_t>(m_entries.size()), 2);
    for (const auto& e : m_entries) {
      Append(data, e.tag, 2);
      Append(data, e.type, 2);
      Append(data, e.count, 4);
      data.insert(data.end(), e.field.begin(), e.field.end());
    }
    Append(data, 0, 4);
    return data;
  }

 private:
  struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count;
    Bytes field;
  };
  void Append(Bytes& out, std::uint32_t v, std::size_t width) const {
    for (std::size_t i = 0; i < width; ++i)
      out.push_back(static_cast<std::uint8_t>(v >> (m_le ? 8 * i : 8 * (width - 1 - i))));
  }

  bool m_le;
  Bytes m_data;
  std::vector<Entry> m_entries;
};

}  // namespace tessaly::test
