#include "shell/comm_setup_dialog.h"

#include <wx/control.h>
#include <wx/dcclient.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/xrc/xmlres.h>

#include <algorithm>
#include <string>

#include "camera/picture_names.h"
#include "camera/port.h"
#include "serial/serlnk32.h"
#include "ui/app_state.h"

namespace tessaly::shell {
namespace {

const char* const kSpeedNames[] = {"IDC_SPEED_9600",  "IDC_SPEED_19200", "IDC_SPEED_28800",
                                   "IDC_SPEED_38400", "IDC_SPEED_57600", "IDC_SPEED_115200"};
const char* const kPortNames[] = {"IDC_PORT1", "IDC_PORT2", "IDC_PORT3", "IDC_PORT4"};

bool PermissionDenied(int port) {
  return PortOpenErrorFromErrno(TheLinkSetup().portOpenError[static_cast<std::size_t>(port)]) ==
         PortOpenError::kPermission;
}

// The device a port slot stands for, or an empty text.
wxString DeviceOfPort(int port) {
  char device[4096];
  const std::string name = "COM" + std::to_string(port);
  if (MyResolvePortName(name.c_str(), device, sizeof device) < 0) return {};
  return wxString::FromUTF8(device);
}

// The slot's label in the room the dialog gives its button: a device path too long for
// it is shortened in the middle, where its least telling part is, and the whole path is
// the button's tool tip.
void ShowPortLabel(wxRadioButton* button, int port) {
  const wxString label = PortButtonLabel(port);
  button->SetLabel(label);
  const wxString path = DeviceOfPort(port);
  const int room = button->GetSize().GetWidth();
  const int wanted = button->GetBestSize().GetWidth();
  if (path.empty() || wanted <= room) return;
  wxClientDC dc(button);
  dc.SetFont(button->GetFont());
  const int pathRoom = dc.GetTextExtent(path).GetWidth() - (wanted - room);
  const wxString shortened = wxControl::Ellipsize(path, dc, wxELLIPSIZE_MIDDLE, std::max(pathRoom, 0));
  wxString fitted = label;
  fitted.Replace(path, shortened, false);
  button->SetLabel(fitted);
  button->SetToolTip(path);
}

}  // namespace

wxString PortButtonLabel(int port) {
  const wxString slot = wxString::Format("COM%d", port);
  const wxString path = DeviceOfPort(port);
  if (path.empty()) return wxString::Format("%s (%s)", slot, _("none"));
  if (PermissionDenied(port)) return wxString::Format("%s (%s: %s)", slot, path, _("permission denied"));
  return wxString::Format("%s (%s)", slot, path);
}

wxString PortPermissionHelp() {
  for (int port = 1; port <= 4; ++port) {
    if (PermissionDenied(port))
      return _(
          "A serial device exists but may not be opened: add your user to the \"dialout\" group "
          "(sudo adduser $USER dialout), then log out and in again.");
  }
  return wxString();
}

CCommSetupDialog::CCommSetupDialog(wxWindow* parent, const ui::AppState& state) {
  wxXmlResource::Get()->LoadDialog(this, parent, "IDD_COMM_SETUP");
  for (std::size_t i = 0; i < m_speeds.size(); ++i) m_speeds[i] = XRCCTRL(*this, kSpeedNames[i], wxRadioButton);
  for (std::size_t i = 0; i < m_ports.size(); ++i) m_ports[i] = XRCCTRL(*this, kPortNames[i], wxRadioButton);
  m_prefix = XRCCTRL(*this, "IDC_PREFIX", wxTextCtrl);
  m_help = XRCCTRL(*this, "IDC_PORT_HELP", wxStaticText);

  m_data.ChoosePort(state.lastPort <= 0 ? -1 : state.lastPort);
  m_data.ChooseSpeed(state.lastBps);
  m_data.prefix = state.savePrefix;
  m_result = {state.lastPort, state.lastBps, state.savePrefix};

  for (int port = 1; port <= 4; ++port) {
    wxRadioButton* button = m_ports[static_cast<std::size_t>(port - 1)];
    ShowPortLabel(button, port);
    button->Enable(IsPortAvailable(port) != 0);
    button->Bind(wxEVT_RADIOBUTTON, &CCommSetupDialog::OnPort, this);
  }
  for (std::size_t i = 0; i < m_speeds.size(); ++i) {
    m_speeds[i]->Enable(IsSpeedAvailable(kDialogSpeeds[i]) != 0);
    m_speeds[i]->Bind(wxEVT_RADIOBUTTON, &CCommSetupDialog::OnSpeed, this);
  }
  // The limit counts characters, so that four characters of any script fit.
  m_prefix->SetMaxLength(static_cast<unsigned long>(kMaxPicturePrefixLength));
  m_prefix->ChangeValue(wxString::FromUTF8(m_data.prefix));
  const wxString help = PortPermissionHelp();
  m_help->SetLabel(help);
  m_help->Wrap(m_help->GetSize().GetWidth());
  if (help.empty()) {
    // Without the line the buttons move up into its place.
    const int shift = FindWindow(wxID_OK)->GetPosition().y - m_help->GetPosition().y;
    m_help->Hide();
    for (int id : {wxID_OK, wxID_CANCEL}) {
      wxWindow* button = FindWindow(id);
      button->Move(button->GetPosition().x, button->GetPosition().y - shift);
    }
    SetClientSize(GetClientSize().GetWidth(), GetClientSize().GetHeight() - shift);
  }
  Bind(wxEVT_BUTTON, &CCommSetupDialog::OnOk, this, wxID_OK);
  ShowChoices();
  CentreOnParent();
}

wxString CCommSetupDialog::PermissionHelp() const { return m_help->IsShown() ? m_help->GetLabel() : wxString(); }

void CCommSetupDialog::ShowChoices() {
  if (m_data.speedIndex >= 0 && m_data.speedIndex < static_cast<int>(m_speeds.size()))
    m_speeds[static_cast<std::size_t>(m_data.speedIndex)]->SetValue(true);
  if (m_data.portIndex >= 0 && m_data.portIndex < static_cast<int>(m_ports.size()))
    m_ports[static_cast<std::size_t>(m_data.portIndex)]->SetValue(true);
}

void CCommSetupDialog::OnSpeed(wxCommandEvent& event) {
  for (std::size_t i = 0; i < m_speeds.size(); ++i) {
    if (event.GetEventObject() == m_speeds[i]) m_data.ChooseSpeed(kDialogSpeeds[i]);
  }
  ShowChoices();
}

void CCommSetupDialog::OnPort(wxCommandEvent& event) {
  for (std::size_t i = 0; i < m_ports.size(); ++i) {
    if (event.GetEventObject() == m_ports[i]) m_data.ChoosePort(static_cast<int>(i) + 1);
  }
  ShowChoices();
}

void CCommSetupDialog::OnOk(wxCommandEvent& event) {
  m_data.prefix = m_prefix->GetValue().utf8_string();
  CommSettings settings = m_result;
  if (!ConfirmCommSetup(m_data, settings)) {
    m_prefix->SetFocus();
    m_prefix->SelectAll();
    return;
  }
  m_result = settings;
  event.Skip();
}

}  // namespace tessaly::shell
