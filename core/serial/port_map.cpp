#include "serial/port_map.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "base/ini_file.h"

namespace tessaly::serial {
namespace {

namespace fs = std::filesystem;

// The number after a device name's prefix ("ttyUSB12" with prefix "ttyUSB" gives 12),
// or -1 when the rest is not a plain number.
long DeviceNumber(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return -1;
  std::string_view digits = name.substr(prefix.size());
  if (digits.size() > 6) return -1;
  long number = 0;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

// A ttyS node whose port is not fitted reports the port type 0 (unknown).
bool SerialPortFitted(const PortMapSources& sources, const std::string& name) {
  std::ifstream type(sources.ttyClassFolder / name / "type");
  if (!type) return true;
  int value = -1;
  type >> value;
  return !type || value != 0;
}

}  // namespace

PortMapSources SystemPortMapSources() {
  PortMapSources sources;
  sources.environment = [](int slot) -> std::optional<std::string> {
    std::string variable = "TESSALY_COM" + std::to_string(slot);
    const char* value = std::getenv(variable.c_str());
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
  };
  sources.settings = [](int slot) -> std::optional<std::string> {
    std::string value = ReadProfileString("Port Devices", "COM" + std::to_string(slot), "");
    if (value.empty()) return std::nullopt;
    return value;
  };
  return sources;
}

int PortSlot(std::string_view name) {
  if (name.size() != 4) return 0;
  for (std::size_t i = 0; i < 3; ++i)
    if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
  if (name[3] < '1' || name[3] > '0' + kPortSlots) return 0;
  return name[3] - '0';
}

std::vector<fs::path> DiscoverSerialDevices(const PortMapSources& sources) {
  std::vector<fs::path> found;
  for (std::string_view prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
    std::vector<std::pair<long, std::string>> group;
    std::error_code ec;
    for (fs::directory_iterator it(sources.deviceFolder, ec), end; !ec && it != end; it.increment(ec)) {
      std::string name = it->path().filename().string();
      long number = DeviceNumber(name, prefix);
      if (number < 0) continue;
      if (prefix == "ttyS" && !SerialPortFitted(sources, name)) continue;
      group.emplace_back(number, name);
    }
    std::sort(group.begin(), group.end());
    for (const auto& [number, name] : group) found.push_back(sources.deviceFolder / name);
  }
  return found;
}

std::optional<std::string> ResolvePortDevice(std::string_view name, const PortMapSources& sources) {
  if (!name.empty() && name.front() == '/') return std::string(name);
  int slot = PortSlot(name);
  if (slot == 0) return std::nullopt;
  if (sources.environment)
    if (auto device = sources.environment(slot)) return device;
  if (sources.settings)
    if (auto device = sources.settings(slot)) return device;
  auto devices = DiscoverSerialDevices(sources);
  if (static_cast<std::size_t>(slot) > devices.size()) return std::nullopt;
  return devices[static_cast<std::size_t>(slot) - 1].string();
}

std::optional<std::string> ResolvePortDevice(std::string_view name) {
  return ResolvePortDevice(name, SystemPortMapSources());
}

}  // namespace tessaly::serial
