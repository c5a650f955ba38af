// What the running program reads from a later start: any bytes at its socket. A request
// it accepts must come out of the encoder byte for byte, and must keep the limits.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

#include "base/instance_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaly;
  const std::span<const std::uint8_t> bytes(data, size);

  InstanceHeader header = CheckInstanceHeader(bytes);
  if (header.check == HeaderCheck::kComplete && header.bodySize > kMaxInstanceBodySize) std::abort();
  if (header.check == HeaderCheck::kComplete && size >= kInstanceHeaderSize) {
    // The server reads exactly the body the header announces, as far as it is there.
    std::span<const std::uint8_t> body = bytes.subspan(kInstanceHeaderSize);
    if (body.size() > header.bodySize) body = body.first(header.bodySize);
    (void)ParseInstanceBody(body);
  }

  if (std::optional<InstanceRequest> request = ParseInstanceRequest(bytes)) {
    if (request->entries.size() > kMaxInstanceEntries) std::abort();
    for (const InstanceEntry& entry : request->entries)
      if (entry.path.empty() || entry.path.size() > kMaxInstancePathBytes || entry.path[0] != '/') std::abort();
    std::optional<std::vector<std::uint8_t>> again = EncodeInstanceRequest(*request);
    if (!again || !std::equal(again->begin(), again->end(), bytes.begin(), bytes.end())) std::abort();
  }
  if (std::optional<InstanceAnswer> answer = ParseInstanceAnswer(bytes)) {
    std::vector<std::uint8_t> again = EncodeInstanceAnswer(*answer);
    if (!std::equal(again.begin(), again.end(), bytes.begin(), bytes.end())) std::abort();
  }
  return 0;
}
