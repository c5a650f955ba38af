// Line errors as the driver counts them, turned into the flags that a read returns once.
#pragma once

#include <cstdint>

#include "serial/serlnk32.h"

namespace tessaly::serial {

// The driver's running totals of line errors since the device was opened.
struct LineErrorCounts {
  std::uint32_t frame = 0;
  std::uint32_t overrun = 0;
  std::uint32_t parity = 0;
  std::uint32_t breaks = 0;
  std::uint32_t bufferOverrun = 0;
};

// The flags of every kind of error that was counted between two readings (0 when none
// was); the counters are compared for change, so that a counter that wraps still counts.
inline std::int32_t LineErrorFlags(const LineErrorCounts& before, const LineErrorCounts& now) {
  std::int32_t flags = 0;
  if (now.bufferOverrun != before.bufferOverrun) flags |= SERLNK32_CE_RXOVER;
  if (now.overrun != before.overrun) flags |= SERLNK32_CE_OVERRUN;
  if (now.parity != before.parity) flags |= SERLNK32_CE_RXPARITY;
  if (now.frame != before.frame) flags |= SERLNK32_CE_FRAME;
  if (now.breaks != before.breaks) flags |= SERLNK32_CE_BREAK;
  return flags;
}

// The write time-out for a write of count bytes, in milliseconds: 5 ms a byte, plus 5 ms
// for a single control byte (so that the protocol's handshake bytes never stall it) or
// 3000 ms for anything longer.
inline std::int64_t WriteTimeoutMs(std::int32_t count) {
  std::int64_t bytes = count > 0 ? count : 0;
  return 5 * bytes + (bytes == 1 ? 5 : 3000);
}

}  // namespace tessaly::serial
