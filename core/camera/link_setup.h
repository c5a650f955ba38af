// The port and the line speed the camera operations use, and what the start-up probe
// found; chosen by the connection setup above the camera layer.
#pragma once

#include <array>
#include <cstdint>

namespace tessaly {

struct LinkSetup {
  int currentPort = 1;                           // 1..4
  std::uint32_t currentSpeed = 9600;             // bits per second for bulk transfers
  std::array<std::uint8_t, 5> portAvailable{};   // [1..4]: the port could be opened at start
  std::array<std::uint8_t, 7> speedAvailable{};  // by speed code: the probe port took the speed
  int probePort = 0;                             // the port the speeds were tried on (5: none)
  std::array<int, 5> portOpenError{};            // [1..4]: the errno of a failed probe open
};
LinkSetup& TheLinkSetup();

}  // namespace tessaly
