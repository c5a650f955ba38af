// The port map: which serial device each of the four port slots COM1 ... COM4 stands for.
//
// A slot is taken, in this order, from the environment (TESSALY_COM1 ... TESSALY_COM4),
// from the settings file (section "Port Devices", entries "COM1" ... "COM4"), or else it
// is the N-th serial device present on the machine, counting /dev/ttyUSB*, then
// /dev/ttyACM*, then /dev/ttyS* (COM1 is the first found). A name that starts with "/"
// is a device path and stands for itself.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::serial {

inline constexpr int kPortSlots = 4;

// Where the map looks; the system's sources by default, replaceable for tests.
struct PortMapSources {
  // The device set for slot 1..4 in the environment, if any.
  std::function<std::optional<std::string>(int slot)> environment;
  // The device set for slot 1..4 in the settings file, if any.
  std::function<std::optional<std::string>(int slot)> settings;
  std::filesystem::path deviceFolder = "/dev";
  // Used to skip the /dev/ttyS* nodes that the kernel makes for serial ports that are
  // not fitted (their "type" reads 0).
  std::filesystem::path ttyClassFolder = "/sys/class/tty";
};

PortMapSources SystemPortMapSources();

// 1..4 for "COM1".."COM4" (letters in any case), else 0.
int PortSlot(std::string_view name);

// The serial devices present, in slot order: ttyUSB*, ttyACM*, ttyS*, each group sorted
// by its number.
std::vector<std::filesystem::path> DiscoverSerialDevices(const PortMapSources& sources);

// The device a name stands for, or nothing when the name is no slot and no path, or the
// slot maps to no device.
std::optional<std::string> ResolvePortDevice(std::string_view name, const PortMapSources& sources);
std::optional<std::string> ResolvePortDevice(std::string_view name);

}  // namespace tessaly::serial
