#include "base/instance_protocol.h"

#include <algorithm>
#include <cstring>

#include "base/byte_reader.h"

namespace tessaly {
namespace {

constexpr std::uint8_t kMagic[4] = {'T', 'S', 'L', 'Y'};

bool IsAcceptablePath(std::string_view path) {
  return !path.empty() && path.size() <= kMaxInstancePathBytes && path[0] == '/' &&
         path.find('\0') == std::string_view::npos;
}

void PutU16(std::vector<std::uint8_t>& out, std::size_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xff));
  out.push_back(static_cast<std::uint8_t>(value >> 8 & 0xff));
}

void PutU32(std::vector<std::uint8_t>& out, std::size_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift & 0xff));
}

void PutMagic(std::vector<std::uint8_t>& out, std::uint8_t version) {
  out.insert(out.end(), std::begin(kMagic), std::end(kMagic));
  out.push_back(version);
}

void PutText(std::vector<std::uint8_t>& out, std::string_view text) {
  PutU16(out, text.size());
  out.insert(out.end(), text.begin(), text.end());
}

// A launch id of a version 2 body: its length, then its bytes (empty is allowed here).
std::optional<std::string> ReadLaunchId(ByteReader& reader) {
  std::size_t length = reader.U16LE();
  if (!reader.Ok() || length > kMaxInstanceLaunchIdBytes) return std::nullopt;
  auto bytes = reader.Bytes(length);
  if (!reader.Ok()) return std::nullopt;
  std::string id(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!id.empty() && !IsAcceptableLaunchId(id)) return std::nullopt;
  return id;
}

}  // namespace

bool IsAcceptableLaunchId(std::string_view id) {
  if (id.empty() || id.size() > kMaxInstanceLaunchIdBytes) return false;
  return std::all_of(id.begin(), id.end(), [](char c) { return c >= 0x20 && c <= 0x7e; });
}

std::optional<std::vector<std::uint8_t>> EncodeInstanceRequest(const InstanceRequest& request) {
  if (request.entries.size() > kMaxInstanceEntries) return std::nullopt;
  const bool launched = !request.startupId.empty() || !request.activationToken.empty();
  for (const std::string* id : {&request.startupId, &request.activationToken})
    if (!id->empty() && !IsAcceptableLaunchId(*id)) return std::nullopt;
  std::vector<std::uint8_t> body;
  PutU16(body, request.entries.size());
  for (const InstanceEntry& entry : request.entries) {
    if (!IsAcceptablePath(entry.path) || entry.command > InstanceCommand::kDde) return std::nullopt;
    body.push_back(static_cast<std::uint8_t>(entry.command));
    PutU16(body, entry.path.size());
    body.insert(body.end(), entry.path.begin(), entry.path.end());
  }
  if (launched) {
    PutText(body, request.startupId);
    PutText(body, request.activationToken);
  }
  std::vector<std::uint8_t> message;
  message.reserve(kInstanceHeaderSize + body.size());
  PutMagic(message, launched ? 2 : 1);
  PutU32(message, body.size());
  message.insert(message.end(), body.begin(), body.end());
  return message;
}

InstanceHeader CheckInstanceHeader(std::span<const std::uint8_t> header) {
  InstanceHeader result;
  ByteReader reader(header);
  auto magic = reader.Bytes(4);
  result.version = reader.U8();
  std::uint32_t bodySize = reader.U32LE();
  if (!reader.Ok() || !std::equal(magic.begin(), magic.end(), std::begin(kMagic))) return result;
  // A request of another version may be laid out otherwise after the version byte.
  if (result.version < kInstanceFirstVersion || result.version > kInstanceProtocolVersion) {
    result.check = HeaderCheck::kUnsupportedVersion;
    return result;
  }
  if (bodySize > MaxInstanceBodySize(result.version)) {
    result.check = HeaderCheck::kTooLong;
    return result;
  }
  result.check = HeaderCheck::kComplete;
  result.bodySize = bodySize;
  return result;
}

std::optional<InstanceRequest> ParseInstanceBody(std::span<const std::uint8_t> body, std::uint8_t version) {
  if (version < kInstanceFirstVersion || version > kInstanceProtocolVersion ||
      body.size() > MaxInstanceBodySize(version))
    return std::nullopt;
  ByteReader reader(body);
  std::size_t count = reader.U16LE();
  if (!reader.Ok() || count > kMaxInstanceEntries) return std::nullopt;
  InstanceRequest request;
  request.entries.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t command = reader.U8();
    std::size_t length = reader.U16LE();
    if (!reader.Ok() || command > static_cast<std::uint8_t>(InstanceCommand::kDde) || length > kMaxInstancePathBytes)
      return std::nullopt;
    auto bytes = reader.Bytes(length);
    if (!reader.Ok()) return std::nullopt;
    InstanceEntry entry{static_cast<InstanceCommand>(command),
                        std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size())};
    if (!IsAcceptablePath(entry.path)) return std::nullopt;
    request.entries.push_back(std::move(entry));
  }
  if (version >= 2) {
    std::optional<std::string> startupId = ReadLaunchId(reader);
    if (!startupId) return std::nullopt;
    std::optional<std::string> activationToken = ReadLaunchId(reader);
    if (!activationToken) return std::nullopt;
    // A request without either is written as version 1: this one is not a request.
    if (startupId->empty() && activationToken->empty()) return std::nullopt;
    request.startupId = std::move(*startupId);
    request.activationToken = std::move(*activationToken);
  }
  if (reader.Remaining() != 0) return std::nullopt;
  return request;
}

std::optional<InstanceRequest> ParseInstanceRequest(std::span<const std::uint8_t> message) {
  InstanceHeader header = CheckInstanceHeader(message);
  if (header.check != HeaderCheck::kComplete || message.size() - kInstanceHeaderSize != header.bodySize)
    return std::nullopt;
  return ParseInstanceBody(message.subspan(kInstanceHeaderSize), header.version);
}

std::vector<std::uint8_t> EncodeInstanceAnswer(InstanceAnswer answer) {
  std::vector<std::uint8_t> out;
  PutMagic(out, kInstanceAnswerVersion);
  out.push_back(static_cast<std::uint8_t>(answer));
  return out;
}

std::optional<InstanceAnswer> ParseInstanceAnswer(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kInstanceAnswerSize || !std::equal(bytes.begin(), bytes.begin() + 4, std::begin(kMagic)) ||
      bytes[4] != kInstanceAnswerVersion)
    return std::nullopt;
  std::uint8_t status = bytes[5];
  if (status < static_cast<std::uint8_t>(InstanceAnswer::kReceived) ||
      status > static_cast<std::uint8_t>(InstanceAnswer::kUnsupportedVersion))
    return std::nullopt;
  return static_cast<InstanceAnswer>(status);
}

std::string SanitisedDisplayName(std::string_view name) {
  constexpr std::size_t kMaxLength = 64, kKept = 47;
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
                 (c == '.' && !out.empty());
    out.push_back(plain ? c : '_');
  }
  if (out.size() <= kMaxLength) return out;
  // FNV-1a over the whole name: two long names that share their start stay apart.
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
  static const char kHex[] = "0123456789abcdef";
  out.resize(kKept);
  out.push_back('-');
  for (int shift = 60; shift >= 0; shift -= 4) out.push_back(kHex[hash >> shift & 0xf]);
  return out;
}

std::string InstanceDisplayKey(const char* gdkBackend, const char* waylandDisplay, const char* x11Display) {
  auto set = [](const char* value) { return value != nullptr && *value != '\0'; };
  const bool x11Asked = set(gdkBackend) && std::strncmp(gdkBackend, "x11", 3) == 0;
  if (!x11Asked && set(waylandDisplay)) return "wl-" + SanitisedDisplayName(waylandDisplay);
  if (!set(x11Display)) return {};
  // ":0" and ":0.0" are the same display: its screens share one program.
  std::string_view display = x11Display;
  std::size_t colon = display.rfind(':');
  if (colon != std::string_view::npos) {
    std::size_t dot = display.find('.', colon);
    if (dot != std::string_view::npos) display = display.substr(0, dot);
  }
  if (display.starts_with(':')) display.remove_prefix(1);
  if (display.empty()) return {};
  return "x11-" + SanitisedDisplayName(display);
}

std::string InstanceSocketName(std::string_view displayKey) { return "instance-" + std::string(displayKey) + ".sock"; }

std::string InstanceLockName(std::string_view displayKey) { return "instance-" + std::string(displayKey) + ".lock"; }

}  // namespace tessaly
