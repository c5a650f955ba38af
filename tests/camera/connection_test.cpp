// Connection setup: the start-up probe over the port map, the stored settings, the
// dialog's choices and the prefix check.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>

#include "base/ini_file.h"
#include "base/prompt.h"
#include "camera/camera_ops.h"
#include "camera/connection.h"
#include "camera/port.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

using Texts = std::vector<std::string>;

// A pseudo-terminal whose far end stands for a serial device.
class PseudoTerminal {
 public:
  PseudoTerminal() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0) m_path = ::ptsname(m_master);
  }
  ~PseudoTerminal() {
    if (m_master >= 0) ::close(m_master);
  }
  const std::string& Path() const { return m_path; }

 private:
  int m_master = -1;
  std::string m_path;
};

// The real serial line with a record of what was opened and set up, and speeds that the
// "device" refuses.
struct LineRecord {
  Texts opened;                                   // names given to OpenComm
  std::vector<std::pair<std::string, std::int32_t>> setups;  // (last name opened, speed)
  std::set<std::int32_t> refusedSpeeds;
};

class RecordingBackend final : public PortBackend {
 public:
  explicit RecordingBackend(std::shared_ptr<LineRecord> record)
      : m_inner(MakeSerialLineBackend()), m_record(std::move(record)) {}
  std::int32_t OpenComm(const char* name) override {
    m_record->opened.emplace_back(name);
    return m_inner->OpenComm(name);
  }
  std::int32_t CloseComm() override { return m_inner->CloseComm(); }
  std::int32_t SetupConnect(std::int32_t handle, std::int32_t speed) override {
    m_record->setups.emplace_back(m_record->opened.back(), speed);
    if (m_record->refusedSpeeds.count(speed)) return 0;
    return m_inner->SetupConnect(handle, speed);
  }
  std::int32_t ReadBytes(std::uint8_t* buffer, std::int32_t maxCount, std::int32_t& countRead) override {
    return m_inner->ReadBytes(buffer, maxCount, countRead);
  }
  std::int32_t WriteBytes(const std::uint8_t* buffer, std::int32_t count) override {
    return m_inner->WriteBytes(buffer, count);
  }
  std::int32_t EscapeCommFunction(std::int32_t handle, std::int32_t function) override {
    return m_inner->EscapeCommFunction(handle, function);
  }
  std::int32_t FlushComm(std::int32_t handle, std::int32_t flags) override { return m_inner->FlushComm(handle, flags); }
  std::int32_t WaitReadable(std::int32_t timeoutMs, std::int32_t minBytes) override {
    return m_inner->WaitReadable(timeoutMs, minBytes);
  }
  std::int32_t LastOpenError() override { return m_inner->LastOpenError(); }

 private:
  std::unique_ptr<PortBackend> m_inner;
  std::shared_ptr<LineRecord> m_record;
};

class ConnectionSetup : public ::testing::Test {
 protected:
  // Each slot gets a pseudo-terminal when present[slot - 1] is set, else a device that
  // does not exist; the settings file holds the stored port and speed.
  void Ports(std::array<bool, 4> present) {
    for (int slot = 1; slot <= 4; ++slot) {
      std::string variable = "TESSALY_COM" + std::to_string(slot);
      std::string device = (m_folder / ("missing-tty" + std::to_string(slot))).string();
      if (present[slot - 1]) {
        m_terminals.push_back(std::make_unique<PseudoTerminal>());
        device = m_terminals.back()->Path();
      }
      m_env.push_back(std::make_unique<test::ScopedEnv>(variable.c_str(), device));
    }
  }
  void Stored(long port, long speed) {
    WriteProfileInt("Last Used Port", "Comm", port);
    WriteProfileInt("Last Used Bps", "Comm", speed);
  }
  void SetUp() override {
    m_previous = SetPortBackend(std::make_unique<RecordingBackend>(m_record));
  }
  void TearDown() override {
    if (ThePort().isOpen) PortClose();
    SetPortBackend(std::move(m_previous));
  }

  test::TempFolder m_folder;
  test::ScopedEnv m_ini{"TESSALY_INI", (m_folder / "Tessaly.ini").string()};
  std::vector<std::unique_ptr<PseudoTerminal>> m_terminals;
  std::vector<std::unique_ptr<test::ScopedEnv>> m_env;
  std::shared_ptr<LineRecord> m_record = std::make_shared<LineRecord>();
  std::unique_ptr<PortBackend> m_previous;
  ScriptedPrompt* m_prompt = nullptr;
  ScopedPrompt m_scope{[this] {
    auto prompt = std::make_unique<ScriptedPrompt>();
    m_prompt = prompt.get();
    return prompt;
  }()};
};

TEST_F(ConnectionSetup, WithOnlyCom2PresentAStoredPort0SelectsCom2AndTheSpeedsAreProbedThere) {
  Ports({false, true, false, false});
  Stored(0, 115200);
  LinkInit();
  const LinkSetup& setup = TheLinkSetup();
  EXPECT_EQ(setup.portAvailable, (std::array<std::uint8_t, 5>{0, 0, 1, 0, 0}));
  EXPECT_EQ(setup.probePort, 2);
  // Every speed set-up of the probe went to COM2; 4800 is never probed.
  std::vector<std::pair<std::string, std::int32_t>> expected;
  for (std::int32_t speed : {9600, 19200, 28800, 38400, 57600, 115200}) expected.emplace_back("COM2", speed);
  EXPECT_EQ(m_record->setups, expected);
  EXPECT_EQ(setup.speedAvailable, (std::array<std::uint8_t, 7>{0, 1, 1, 1, 1, 1, 1}));

  CommSetupDialogData dialog;
  CommSettings settings = ApplyStoredCommSettings(dialog);
  EXPECT_EQ(settings.port, 2);
  EXPECT_EQ(setup.currentPort, 2);
  EXPECT_EQ(dialog.portIndex, 1);
  EXPECT_EQ(dialog.portState, 0);
  EXPECT_EQ(setup.currentSpeed, 115200u);
  EXPECT_EQ(dialog.speedIndex, 5);
  // What the dialog disables.
  EXPECT_EQ(IsPortAvailable(1) + IsPortAvailable(3) + IsPortAvailable(4), 0);
}

TEST_F(ConnectionSetup, AStoredSpeedThePortRefusesLeavesTheLinkAt9600) {
  Ports({true, false, false, false});
  Stored(1, 57600);
  m_record->refusedSpeeds = {57600};
  LinkInit();
  EXPECT_EQ(IsSpeedAvailable(57600), 0);
  EXPECT_EQ(IsSpeedAvailable(115200), 1);
  CommSetupDialogData dialog;
  CommSettings settings = ApplyStoredCommSettings(dialog);
  EXPECT_EQ(TheLinkSetup().currentSpeed, 9600u);
  EXPECT_EQ(dialog.speedIndex, 0);
  // The application keeps what was stored; only the link falls back.
  EXPECT_EQ(settings.speed, 57600u);
}

TEST_F(ConnectionSetup, AStoredPortThatOpensIsTakenAndAClickChangesTheLinkWithoutStoringIt) {
  Ports({true, true, true, false});
  Stored(3, 38400);
  LinkInit();
  CommSetupDialogData dialog;
  ApplyStoredCommSettings(dialog);
  EXPECT_EQ(TheLinkSetup().currentPort, 3);
  EXPECT_EQ(TheLinkSetup().currentSpeed, 38400u);
  EXPECT_EQ(dialog.speedIndex, 3);
  // A click on COM1 applies at once; Cancel writes nothing.
  dialog.ChoosePort(1);
  EXPECT_EQ(TheLinkSetup().currentPort, 1);
  EXPECT_EQ(ReadProfileInt("Last Used Port", "Comm", 0), 3);
}

TEST_F(ConnectionSetup, AStoredPortThatCannotBeOpenedGivesTheFirstAvailable) {
  Ports({false, false, true, true});
  Stored(1, 9600);
  LinkInit();
  CommSetupDialogData dialog;
  CommSettings settings = ApplyStoredCommSettings(dialog);
  EXPECT_EQ(settings.port, 3);
  EXPECT_EQ(TheLinkSetup().currentPort, 3);
}

TEST_F(ConnectionSetup, WithoutAnyPortTheLinkKeepsPort1AndConnectingFailsWith22) {
  Ports({false, false, false, false});
  Stored(2, 19200);
  LinkInit();
  EXPECT_EQ(TheLinkSetup().probePort, 5);
  EXPECT_EQ(TheLinkSetup().speedAvailable, (std::array<std::uint8_t, 7>{}));
  CommSetupDialogData dialog;
  CommSettings settings = ApplyStoredCommSettings(dialog);
  EXPECT_EQ(settings.port, -1);
  EXPECT_EQ(dialog.portState, -1);
  EXPECT_EQ(dialog.speedIndex, 5);
  EXPECT_EQ(TheLinkSetup().currentPort, 1);
  EXPECT_EQ(TheLinkSetup().currentSpeed, 9600u);
  EXPECT_EQ(CameraConnect(), kCamCannotOpen);
  EXPECT_EQ(CameraResultMessage(kCamCannotOpen), kMsgSerialMissing);
}

TEST_F(ConnectionSetup, SpeedsTheCameraHasNoCodeForAreNeverSelected) {
  Ports({true, false, false, false});
  LinkInit();
  EXPECT_EQ(SelectSpeed(14400), 0);
  EXPECT_EQ(TheLinkSetup().currentSpeed, 9600u);
  CommSetupDialogData dialog;
  dialog.ChoosePort(1);
  dialog.ChooseSpeed(14400);
  EXPECT_EQ(TheLinkSetup().currentSpeed, 9600u);
  EXPECT_EQ(dialog.speedIndex, 0);
}

TEST_F(ConnectionSetup, OkChecksThePrefixBeforeAnythingIsStored) {
  Ports({true, true, false, false});
  LinkInit();
  CommSetupDialogData dialog;
  dialog.ChoosePort(2);
  dialog.ChooseSpeed(28800);
  CommSettings settings;
  for (const char* refused : {"A B", "A/B", "AB.", "ABCDE"}) {
    dialog.prefix = refused;
    EXPECT_FALSE(ConfirmCommSetup(dialog, settings)) << refused;
  }
  EXPECT_EQ(m_prompt->Texts(),
            (Texts{"The file name contains the characters which are not allowed to use.\nEnter it again.",
                   "The file name contains the characters which are not allowed to use.\nEnter it again.",
                   "The file name contains the characters which are not allowed to use.\nEnter it again.",
                   "Please enter no more than 4 characters."}));
  EXPECT_EQ(ReadProfileInt("Last Used Port", "Comm", -7), -7);
  EXPECT_EQ(settings.prefix, "AUT_");

  dialog.prefix = "A\\B";
  ASSERT_TRUE(ConfirmCommSetup(dialog, settings));
  EXPECT_EQ(settings.port, 2);
  EXPECT_EQ(settings.speed, 28800u);
  EXPECT_EQ(settings.prefix, "A\\B");
  EXPECT_EQ(ReadProfileInt("Last Used Port", "Comm", 0), 2);
  EXPECT_EQ(ReadProfileInt("Last Used Bps", "Comm", 0), 28800);
}

}  // namespace
}  // namespace tessaly
