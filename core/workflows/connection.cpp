#include "workflows/connection.h"

#include <string>

#include "base/ini_file.h"
#include "base/prompt.h"
#include "camera/camera_ops.h"
#include "camera/link.h"
#include "camera/picture_names.h"
#include "camera/port.h"

namespace tessaly {
namespace {

// The link's choices, which the camera operations read.
LinkSetup& g_setup = TheLinkSetup();

std::string PortName(int port) { return "COM" + std::to_string(port); }

// Whatever a previous step left open is closed first: the library keeps one port only.
void CloseIfOpen() {
  if (ThePort().isOpen) PortClose();
}

}  // namespace

void LinkInit() {
  CloseIfOpen();
  g_setup = LinkSetup{};
  TheCameraState() = CameraState{};
  PortReset(1);
  LinkForgetTransfer();
  for (int port = 1; port <= kPortCount; ++port)
    g_setup.portAvailable[port] = static_cast<std::uint8_t>(PortProbe(port));
  int probe = 1;
  while (probe <= kPortCount && !g_setup.portAvailable[probe]) ++probe;
  g_setup.probePort = probe;
  for (std::size_t code = 1; code < kSpeedOfCode.size(); ++code)
    g_setup.speedAvailable[code] = static_cast<std::uint8_t>(PortProbeSpeed(kSpeedOfCode[code], probe));
}

int PortProbe(int port) {
  CloseIfOpen();
  std::int32_t handle = PortLine().OpenComm(PortName(port).c_str());
  if (handle == -1) {
    if (port >= 1 && port <= kPortCount) g_setup.portOpenError[port] = PortLine().LastOpenError();
    return 0;
  }
  PortLine().CloseComm();
  if (port >= 1 && port <= kPortCount) g_setup.portOpenError[port] = 0;
  return 1;
}

int PortProbeSpeed(std::uint32_t speed, int port) {
  CloseIfOpen();
  std::int32_t handle = PortLine().OpenComm(PortName(port).c_str());
  if (handle == -1) return 0;
  std::int32_t result = PortLine().SetupConnect(handle, static_cast<std::int32_t>(speed));
  PortLine().CloseComm();
  return result != 0 ? 1 : 0;
}

int SelectPort(int port) {
  CloseIfOpen();
  if (!PortOpen(g_setup.currentSpeed, port)) return 0;
  PortClose();
  g_setup.currentPort = port;
  return 1;
}

int SelectSpeed(std::uint32_t speed) {
  CloseIfOpen();
  if (!IsCameraSpeed(speed)) return 0;
  if (!PortOpen(speed, g_setup.currentPort)) return 0;
  PortClose();
  g_setup.currentSpeed = speed;
  return 1;
}

int IsPortAvailable(int port) { return port >= 1 && port <= kPortCount ? g_setup.portAvailable[port] : 0; }

int IsSpeedAvailable(std::uint32_t speed) { return g_setup.speedAvailable[SpeedCode(speed)]; }

int DialogSpeedIndex(std::uint32_t speed) {
  for (std::size_t i = 0; i < kDialogSpeeds.size(); ++i)
    if (kDialogSpeeds[i] == speed) return static_cast<int>(i);
  return -1;
}

int CommSetupDialogData::ChooseFirstPort() {
  int port = 1;
  while (port <= kPortCount && !IsPortAvailable(port)) ++port;
  if (port > kPortCount) port = -1;
  ChoosePort(port);
  return port;
}

void CommSetupDialogData::ChoosePort(int port) {
  if (port == -1) {
    portIndex = 0;
    portState = -1;
    return;
  }
  portIndex = port - 1;
  SelectPort(port);
  portState = 0;
}

void CommSetupDialogData::ChooseSpeed(std::uint32_t speed) {
  if (portState == -1) {
    // No port exists: every speed button is disabled and nothing is applied.
    speedIndex = static_cast<int>(kDialogSpeeds.size()) - 1;
    return;
  }
  int index = DialogSpeedIndex(speed);
  if (index < 0 || !IsSpeedAvailable(speed)) {
    // The link falls back to 9600, and the dialog shows what the link uses, so that OK
    // stores the speed that is really in effect.
    SelectSpeed(kDialogSpeeds[0]);
    speedIndex = 0;
    return;
  }
  speedIndex = index;
  SelectSpeed(speed);
}

CommSettings ApplyStoredCommSettings(CommSetupDialogData& dialog) {
  CommSettings settings;
  long port = ReadProfileInt("Last Used Port", "Comm", 0);
  long speed = ReadProfileInt("Last Used Bps", "Comm", 9600);
  if (port < 1 || port > kPortCount || !IsPortAvailable(static_cast<int>(port))) {
    settings.port = dialog.ChooseFirstPort();
  } else {
    settings.port = static_cast<int>(port);
    dialog.ChoosePort(settings.port);
  }
  // A stored value that is no speed at all (negative, garbage) is treated as one the
  // port does not take.
  settings.speed = speed > 0 && speed <= 0x7FFFFFFF ? static_cast<std::uint32_t>(speed) : 0;
  dialog.ChooseSpeed(settings.speed);
  if (settings.speed == 0) settings.speed = 9600;
  return settings;
}

bool CheckPicturePrefix(std::string_view prefix) {
  if (Utf8Length(prefix) > kMaxPicturePrefixLength) {
    Prompt().Show(MessageTextWith(kMsgParseStringSize, std::to_string(kMaxPicturePrefixLength)));
    return false;
  }
  if (!IsValidPicturePrefix(prefix)) {
    Prompt().Show(kMsgBadFileNameChars);
    return false;
  }
  return true;
}

bool ConfirmCommSetup(const CommSetupDialogData& dialog, CommSettings& settings) {
  if (!CheckPicturePrefix(dialog.prefix)) return false;
  settings.port = dialog.portIndex + 1;
  int index =
      dialog.speedIndex >= 0 && dialog.speedIndex < static_cast<int>(kDialogSpeeds.size()) ? dialog.speedIndex : 0;
  settings.speed = kDialogSpeeds[static_cast<std::size_t>(index)];
  WriteProfileInt("Last Used Bps", "Comm", static_cast<long>(settings.speed));
  WriteProfileInt("Last Used Port", "Comm", settings.port);
  settings.prefix = dialog.prefix;
  return true;
}

}  // namespace tessaly
