// The "Communications Setup" dialog: port, line speed and the prefix of the names of
// pictures saved from the camera. The choices are made by the core's dialog logic; this
// window shows them and passes the clicks on.
#pragma once

#include <wx/dialog.h>

#include <array>

#include "workflows/connection.h"

class wxRadioButton;
class wxStaticText;
class wxTextCtrl;

namespace tessaly::ui {
struct AppState;
}

namespace tessaly::shell {

// What a port button says: "COM1 (/dev/ttyUSB0)", "COM2 (none)", or the device with
// "permission denied" when it exists but this user may not open it.
wxString PortButtonLabel(int port);
// The line under the buttons that tells how to get permission for the serial devices,
// or an empty text when every port could be opened or is simply missing.
wxString PortPermissionHelp();

class CCommSetupDialog : public wxDialog {
 public:
  // Marks the application's port and speed (applying them to the link, as every choice
  // is) and shows its prefix.
  CCommSetupDialog(wxWindow* parent, const ui::AppState& state);

  // After OK: the port, speed and prefix to keep; the speed and port have been written
  // to the settings file.
  const CommSettings& Result() const { return m_result; }

  wxRadioButton* SpeedButton(int index) const { return m_speeds[static_cast<std::size_t>(index)]; }
  wxRadioButton* PortButton(int index) const { return m_ports[static_cast<std::size_t>(index)]; }
  wxTextCtrl* PrefixBox() const { return m_prefix; }
  wxString PermissionHelp() const;

 private:
  void ShowChoices();
  void OnSpeed(wxCommandEvent& event);
  void OnPort(wxCommandEvent& event);
  void OnOk(wxCommandEvent& event);

  CommSetupDialogData m_data;
  CommSettings m_result;
  std::array<wxRadioButton*, 6> m_speeds{};
  std::array<wxRadioButton*, 4> m_ports{};
  wxTextCtrl* m_prefix = nullptr;
  wxStaticText* m_help = nullptr;
};

}  // namespace tessaly::shell
