// Communications Setup: what the dialog shows for the ports found at start, what each
// click does to the link, and what OK and Cancel keep. Present ports are
// pseudo-terminals; a speed can be made one that the "device" refuses.
#include "shell/comm_setup_dialog.h"

#include <gtest/gtest.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include <wx/tooltip.h>
#include <wx/uiaction.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <set>

#include "base/ini_file.h"
#include "camera/port.h"
#include "shell/app_settings.h"
#include "shell_test_support.h"
#include "test_support/forwarding_backend.h"
#include "test_support/pseudo_terminal.h"
#include "test_support/recorded_prompt.h"
#include "test_support/temp_folder.h"
#include "ui/app_state.h"
#include "workflows/connection.h"

namespace tessaly::shell {
namespace {

namespace fs = std::filesystem;

class RefusingBackend final : public test::ForwardingBackend {
 public:
  explicit RefusingBackend(std::set<std::int32_t> refused) : m_refused(std::move(refused)) {}
  std::int32_t SetupConnect(std::int32_t handle, std::int32_t speed) override {
    return m_refused.count(speed) ? 0 : ForwardingBackend::SetupConnect(handle, speed);
  }

 private:
  std::set<std::int32_t> m_refused;
};

void Click(wxRadioButton* button) {
  button->SetValue(true);
  wxCommandEvent click(wxEVT_RADIOBUTTON, button->GetId());
  click.SetEventObject(button);
  click.SetInt(1);
  button->HandleWindowEvent(click);
}

class CommSetupTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (ThePort().isOpen) PortClose();
    if (m_backendSet) SetPortBackend(std::move(m_previous));
  }
  // COM<n> is a pseudo-terminal when present[n - 1]; the settings hold port and speed;
  // then the program's start: the probe and the stored settings applied.
  void Start(std::array<bool, 4> present, long port, long speed, std::set<std::int32_t> refused = {}) {
    m_previous = SetPortBackend(std::make_unique<RefusingBackend>(std::move(refused)));
    m_backendSet = true;
    for (int slot = 1; slot <= 4; ++slot) {
      std::string device = (m_folder / ("missing-tty" + std::to_string(slot))).string();
      if (present[slot - 1]) device = m_terminals.emplace_back(std::make_unique<test::PseudoTerminal>())->Path();
      m_env.push_back(std::make_unique<test::ScopedEnv>(("TESSALY_COM" + std::to_string(slot)).c_str(), device));
    }
    WriteProfileInt("Last Used Port", "Comm", port);
    WriteProfileInt("Last Used Bps", "Comm", speed);
    LinkInit();
    m_state = ui::AppState{};
    ApplyStartupPortAndSpeed(m_state);
  }
  long Stored(const char* section) { return ReadProfileInt(section, "Comm", -7); }

  test::TempFolder m_folder;
  test::ScopedEnv m_ini{"TESSALY_INI", (m_folder / "Tessaly.ini").string()};
  std::vector<std::unique_ptr<test::PseudoTerminal>> m_terminals;
  std::vector<std::unique_ptr<test::ScopedEnv>> m_env;
  std::unique_ptr<PortBackend> m_previous;
  bool m_backendSet = false;
  ui::AppState m_state;
  test::RecordedPrompt m_prompt;
};

TEST_F(CommSetupTest, OnlyPortTwoPresent) {
  Start({false, true, false, false}, 0, 9600);
  EXPECT_EQ(m_state.lastPort, 2) << "a stored port 0 becomes the first usable port";
  EXPECT_EQ(TheLinkSetup().probePort, 2) << "the speeds were tried on COM2";
  CCommSetupDialog dialog(nullptr, m_state);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(dialog.PortButton(i)->IsEnabled(), i == 1) << "COM" << i + 1;
  EXPECT_TRUE(dialog.PortButton(1)->GetValue());
  EXPECT_EQ(dialog.PortButton(1)->GetLabel(), "COM2 (" + m_terminals[0]->Path() + ")");
  EXPECT_TRUE(dialog.SpeedButton(0)->GetValue());
  EXPECT_TRUE(dialog.PermissionHelp().empty());
}

TEST_F(CommSetupTest, ALongDevicePathIsShortenedInItsMiddleAndWholeInTheToolTip) {
  Start({false, true, false, false}, 0, 9600);
  // The stable name a USB adapter gets, as long as such names are.
  const fs::path device =
      m_folder / "serial" / "by-id" / "usb-Prolific_Technology_Inc._USB-Serial_Controller_D-if00-port0-with-more";
  fs::create_directories(device.parent_path());
  fs::create_symlink(m_terminals[0]->Path(), device);
  test::ScopedEnv com2{"TESSALY_COM2", device.string()};
  CCommSetupDialog dialog(nullptr, m_state);
  wxRadioButton* button = dialog.PortButton(1);
  const wxString label = button->GetLabel();
  EXPECT_TRUE(label.StartsWith("COM2 (")) << label;
  EXPECT_TRUE(label.EndsWith("with-more)")) << "the end of the path stays: " << label;
  EXPECT_NE(label.Find("..."), wxNOT_FOUND) << "shortened in the middle: " << label;
  EXPECT_LE(button->GetBestSize().GetWidth(), button->GetSize().GetWidth()) << "it fits its button";
  ASSERT_NE(button->GetToolTip(), nullptr);
  EXPECT_EQ(button->GetToolTip()->GetTip(), wxString::FromUTF8(device.string()));
}

TEST_F(CommSetupTest, ARefusedStoredSpeedLeavesTheLinkAt9600) {
  Start({true, false, false, false}, 1, 57600, {57600});
  EXPECT_EQ(TheLinkSetup().currentSpeed, 9600u);
  CCommSetupDialog dialog(nullptr, m_state);
  EXPECT_FALSE(dialog.SpeedButton(4)->IsEnabled()) << "57600 is not offered";
  EXPECT_TRUE(dialog.SpeedButton(5)->IsEnabled());
  EXPECT_TRUE(dialog.SpeedButton(0)->GetValue()) << "the dialog shows the speed in effect";
}

TEST_F(CommSetupTest, NoPortAtAllDisablesEveryButton) {
  Start({false, false, false, false}, 2, 19200);
  EXPECT_EQ(m_state.lastPort, -1);
  CCommSetupDialog dialog(nullptr, m_state);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(dialog.PortButton(i)->IsEnabled());
  for (int i = 0; i < 6; ++i) EXPECT_FALSE(dialog.SpeedButton(i)->IsEnabled());
}

TEST_F(CommSetupTest, PrefixIsCheckedOnOk) {
  struct Case {
    const char* prefix;
    bool accepted;
  };
  Start({true, false, false, false}, 1, 9600);
  for (const Case& c : {Case{"A B", false}, Case{"A/B", false}, Case{"AUT_", true}, Case{"A\\B", true},
                        Case{"写真", true}, Case{"写真写真", true}}) {
    m_prompt->Clear();
    CCommSetupDialog dialog(nullptr, m_state);
    bool stayedOpen = false;
    int answer = test::RunModal(dialog, [&] {
      dialog.PrefixBox()->SetValue(wxString::FromUTF8(c.prefix));
      test::PressButton(dialog, wxID_OK);
      stayedOpen = dialog.IsModal();
      if (stayedOpen) test::PressButton(dialog, wxID_CANCEL);
    });
    EXPECT_EQ(answer == wxID_OK, c.accepted) << c.prefix;
    EXPECT_EQ(stayedOpen, !c.accepted) << c.prefix;
    if (c.accepted) {
      EXPECT_TRUE(m_prompt.Texts().empty()) << c.prefix;
      EXPECT_EQ(dialog.Result().prefix, c.prefix);
    } else {
      EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{std::string(MessageText(kMsgBadFileNameChars))}) << c.prefix;
    }
  }
}

TEST_F(CommSetupTest, AFifthCharacterCannotBeTyped) {
  Start({true, false, false, false}, 1, 9600);
  CCommSetupDialog dialog(nullptr, m_state);
  wxString typed;
  test::RunModal(dialog, [&] {
    dialog.PrefixBox()->SetFocus();
    dialog.PrefixBox()->SelectAll();
    test::Pump(100);
    wxUIActionSimulator keys;
    keys.Text("ABCDE");
    test::Pump(300);
    typed = dialog.PrefixBox()->GetValue();
    test::PressButton(dialog, wxID_CANCEL);
  });
  EXPECT_EQ(typed, "ABCD");
}

TEST_F(CommSetupTest, OkWritesSpeedThenPortAndCancelKeepsTheClicksOnTheLink) {
  Start({true, true, true, false}, 1, 9600);
  {
    CCommSetupDialog dialog(nullptr, m_state);
    int answer = test::RunModal(dialog, [&] {
      Click(dialog.PortButton(2));
      test::PressButton(dialog, wxID_CANCEL);
    });
    EXPECT_EQ(answer, wxID_CANCEL);
  }
  EXPECT_EQ(TheLinkSetup().currentPort, 3) << "the click was applied at once";
  EXPECT_EQ(Stored("Last Used Port"), 1) << "Cancel writes nothing";

  IniFile fresh;
  fresh.Save(SettingsFilePath());
  CCommSetupDialog dialog(nullptr, m_state);
  int answer = test::RunModal(dialog, [&] {
    Click(dialog.PortButton(1));
    Click(dialog.SpeedButton(3));
    test::PressButton(dialog, wxID_OK);
  });
  ASSERT_EQ(answer, wxID_OK);
  EXPECT_EQ(dialog.Result().port, 2);
  EXPECT_EQ(dialog.Result().speed, 38400u);
  EXPECT_EQ(TheLinkSetup().currentSpeed, 38400u);
  IniFile written;
  ASSERT_TRUE(written.Load(SettingsFilePath()));
  const std::string text = written.Text();
  EXPECT_LT(text.find("Last Used Bps"), text.find("Last Used Port")) << "speed first, then port";
  EXPECT_EQ(written.GetInt("Last Used Port", "Comm", 0), 2);
  EXPECT_EQ(written.GetInt("Last Used Bps", "Comm", 0), 38400);
}

TEST_F(CommSetupTest, APortWithoutPermissionSaysHowToGetIt) {
  Start({true, true, false, false}, 1, 9600);
  TheLinkSetup().portOpenError[2] = EACCES;
  CCommSetupDialog dialog(nullptr, m_state);
  EXPECT_TRUE(dialog.PortButton(1)->GetLabel().Contains("permission denied"));
  EXPECT_TRUE(dialog.PermissionHelp().Contains("dialout"));
  TheLinkSetup().portOpenError[2] = 0;
}

}  // namespace
}  // namespace tessaly::shell
