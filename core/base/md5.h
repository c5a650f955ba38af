// MD5 (RFC 1321): only for naming files where another program's convention asks for
// it (the shared thumbnail cache), never for anything that needs to resist an attacker.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tessaly {

using Md5Digest = std::array<std::uint8_t, 16>;

Md5Digest Md5(std::span<const std::uint8_t> data);
// The digest of the text's bytes as 32 lowercase hex digits.
std::string Md5Hex(std::string_view text);

}  // namespace tessaly
