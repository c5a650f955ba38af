// What the running program reads from a later start: any bytes at its socket, as a
// request of either version. A request it accepts must come out of the encoder byte for
// byte, and must keep the limits.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

#include "base/instance_protocol.h"

namespace {

void CheckLimits(const tessaly::InstanceRequest& request) {
  using namespace tessaly;
  if (request.entries.size() > kMaxInstanceEntries) std::abort();
  for (const InstanceEntry& entry : request.entries)
    if (entry.path.empty() || entry.path.size() > kMaxInstancePathBytes || entry.path[0] != '/') std::abort();
  for (const std::string* id : {&request.startupId, &request.activationToken})
    if (!id->empty() && !IsAcceptableLaunchId(*id)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaly;
  const std::span<const std::uint8_t> bytes(data, size);

  InstanceHeader header = CheckInstanceHeader(bytes);
  if (header.check == HeaderCheck::kComplete &&
      (header.version < kInstanceFirstVersion || header.version > kInstanceProtocolVersion ||
       header.bodySize > MaxInstanceBodySize(header.version) || header.bodySize > kMaxInstanceBodySize))
    std::abort();
  if (header.check == HeaderCheck::kComplete && size >= kInstanceHeaderSize) {
    // The server reads exactly the body the header announces, as far as it is there.
    std::span<const std::uint8_t> body = bytes.subspan(kInstanceHeaderSize);
    if (body.size() > header.bodySize) body = body.first(header.bodySize);
    if (std::optional<InstanceRequest> request = ParseInstanceBody(body, header.version)) CheckLimits(*request);
  }
  // The bytes as a body of every version, known or not.
  for (std::uint8_t version = 0; version <= kInstanceProtocolVersion + 1; ++version) {
    std::optional<InstanceRequest> request = ParseInstanceBody(bytes, version);
    if (!request) continue;
    if (version < kInstanceFirstVersion || version > kInstanceProtocolVersion) std::abort();
    CheckLimits(*request);
    // Version 1 carries no launch id, and version 2 never none.
    const bool launched = !request->startupId.empty() || !request->activationToken.empty();
    if (launched != (version == 2)) std::abort();
  }

  if (std::optional<InstanceRequest> request = ParseInstanceRequest(bytes)) {
    CheckLimits(*request);
    std::optional<std::vector<std::uint8_t>> again = EncodeInstanceRequest(*request);
    if (!again || !std::equal(again->begin(), again->end(), bytes.begin(), bytes.end())) std::abort();
  }
  if (std::optional<InstanceAnswer> answer = ParseInstanceAnswer(bytes)) {
    std::vector<std::uint8_t> again = EncodeInstanceAnswer(*answer);
    if (!std::equal(again.begin(), again.end(), bytes.begin(), bytes.end())) std::abort();
  }
  return 0;
}
