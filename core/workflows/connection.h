// Which port (COM1 to COM4) and which line speed the camera link uses.
//
// At start the program finds out which port slots can be opened and which speeds the
// first of them accepts; it then applies the port and speed stored in the settings, and
// the "Communications Setup" dialog lets the user choose among those found. A choice
// reaches the link only after a test open of the port succeeded, so the current port
// and speed always name something that could be opened at that moment. The camera is
// not involved in any of this.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "camera/link_setup.h"

namespace tessaly {

// The start-up probe: forgets the port, the picture count and every choice, opens and
// closes COM1 to COM4, and tries the six speeds from 9600 to 115200 on the first port
// that opened (on COM5, which never exists, when none did).
void LinkInit();
// Opens "COM<port>" and closes it again: 1 when the open succeeded.
int PortProbe(int port);
// Opens "COM<port>", sets the line up at the speed and closes: 1 when the set-up succeeded.
int PortProbeSpeed(std::uint32_t speed, int port);
// Test-opens the port at the current speed; on success it becomes the current port (1).
int SelectPort(int port);
// Test-opens the current port at the speed; on success it becomes the current speed (1).
// Speeds the camera has no code for are refused: the camera would be told 9600 while
// our side switched to the other speed.
int SelectSpeed(std::uint32_t speed);
int IsPortAvailable(int port);
// A speed not in the camera's table reads the entry of 9600.
int IsSpeedAvailable(std::uint32_t speed);

// The speeds the dialog offers, by radio index.
inline constexpr std::array<std::uint32_t, 6> kDialogSpeeds = {9600, 19200, 28800, 38400, 57600, 115200};
// The radio index of a speed, or -1.
int DialogSpeedIndex(std::uint32_t speed);

// What the application keeps: the port (0: none chosen yet; -1: no port exists), the
// speed, and the prefix of the names of pictures saved from the camera (not stored).
struct CommSettings {
  int port = 0;
  std::uint32_t speed = 9600;
  std::string prefix = "AUT_";
};

// The state and the logic of the "Communications Setup" dialog; the window shows it,
// the choices are made here.
struct CommSetupDialogData {
  int speedIndex = -1;  // radio index of the speed group
  int portIndex = -1;   // radio index of the port group: port - 1
  int portState = 0;    // 0 when a port is selected, -1 when no port exists
  std::string prefix;

  // The first available port (or -1 when there is none), chosen with ChoosePort.
  int ChooseFirstPort();
  // Marks the port and applies it to the link; -1 marks that there is no port.
  void ChoosePort(int port);
  // Marks the speed and applies it to the link. A speed the port does not take leaves
  // the link at 9600, and 9600 is what the dialog then marks.
  void ChooseSpeed(std::uint32_t speed);
};

// Reads "Last Used Port" and "Last Used Bps" (entry "Comm") and applies them through
// the dialog's logic, as the program does at start: a stored port of 0 or one that could
// not be opened gives the first available port. Returns the application's settings.
CommSettings ApplyStoredCommSettings(CommSetupDialogData& dialog);

// The prefix check of the dialog's OK: a prefix longer than 4 characters (of any script,
// counted as characters, not bytes) gets the
// length message, one with a space, a double quote or one of |=+][><)(.?*;,:/ the
// message "The file name contains the characters which are not allowed to use...".
// True when the prefix may be used.
bool CheckPicturePrefix(std::string_view prefix);

// The dialog's OK: checks the prefix (false and nothing changed when refused), then
// takes port, speed and prefix into the application's settings and writes speed and port
// to the settings file.
bool ConfirmCommSetup(const CommSetupDialogData& dialog, CommSettings& settings);

}  // namespace tessaly
