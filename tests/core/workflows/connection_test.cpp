// Connection setup: the start-up probe over the port map, the stored settings, the
// dialog's choices and the prefix check. Present ports are pseudo-terminals; a speed
// can be made one the "device" refuses.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "base/ini_file.h"
#include "camera/camera_ops.h"
#include "test_support/case_name.h"
#include "test_support/forwarding_backend.h"
#include "test_support/pseudo_terminal.h"
#include "test_support/recorded_prompt.h"
#include "test_support/temp_folder.h"
#include "workflows/connection.h"

namespace tessaly {
namespace {

struct LineRecord {
  std::vector<std::string> opened;                           // names given to OpenComm
  std::vector<std::pair<std::string, std::int32_t>> setups;  // (last name opened, speed)
  std::set<std::int32_t> refusedSpeeds;
};

class RecordingBackend final : public test::ForwardingBackend {
 public:
  explicit RecordingBackend(std::shared_ptr<LineRecord> record) : m_record(std::move(record)) {}
  std::int32_t OpenComm(const char* name) override {
    m_record->opened.emplace_back(name);
    return ForwardingBackend::OpenComm(name);
  }
  std::int32_t SetupConnect(std::int32_t handle, std::int32_t speed) override {
    m_record->setups.emplace_back(m_record->opened.back(), speed);
    return m_record->refusedSpeeds.count(speed) ? 0 : ForwardingBackend::SetupConnect(handle, speed);
  }

 private:
  std::shared_ptr<LineRecord> m_record;
};

class ConnectionSetup : public ::testing::Test {
 protected:
  // COM<n> is a pseudo-terminal when present[n - 1], else a device that does not exist;
  // the settings file holds the stored port and speed. Then the start-up probe runs.
  void Probe(std::array<bool, 4> present, long port, long speed) {
    for (int slot = 1; slot <= 4; ++slot) {
      std::string device = (m_folder / ("missing-tty" + std::to_string(slot))).string();
      if (present[slot - 1]) device = m_terminals.emplace_back(std::make_unique<test::PseudoTerminal>())->Path();
      m_env.push_back(std::make_unique<test::ScopedEnv>(("TESSALY_COM" + std::to_string(slot)).c_str(), device));
    }
    WriteProfileInt("Last Used Port", "Comm", port);
    WriteProfileInt("Last Used Bps", "Comm", speed);
    LinkInit();
  }
  void SetUp() override { m_previous = SetPortBackend(std::make_unique<RecordingBackend>(m_record)); }
  void TearDown() override {
    if (ThePort().isOpen) PortClose();
    SetPortBackend(std::move(m_previous));
  }

  test::TempFolder m_folder;
  test::ScopedEnv m_ini{"TESSALY_INI", (m_folder / "Tessaly.ini").string()};
  std::vector<std::unique_ptr<test::PseudoTerminal>> m_terminals;
  std::vector<std::unique_ptr<test::ScopedEnv>> m_env;
  std::shared_ptr<LineRecord> m_record = std::make_shared<LineRecord>();
  std::unique_ptr<PortBackend> m_previous;
  test::RecordedPrompt m_prompt;
};

struct StoredCase {
  const char* description;
  std::array<bool, 4> present;
  long port, speed;
  std::int32_t refusedSpeed;
  // what follows: the application's port, the link's port and speed, the dialog's marks
  int settingsPort, linkPort;
  std::uint32_t linkSpeed;
  int portIndex, portState, speedIndex;
};

void PrintTo(const StoredCase& c, std::ostream* out) { *out << c.description; }

class StoredSettings : public ConnectionSetup, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(StoredSettings, AreAppliedAsTheDialogWould) {
  const StoredCase& c = GetParam();
  m_record->refusedSpeeds = {c.refusedSpeed};
  Probe(c.present, c.port, c.speed);
  CommSetupDialogData dialog;
  CommSettings settings = ApplyStoredCommSettings(dialog);
  EXPECT_EQ(settings.port, c.settingsPort);
  EXPECT_EQ(settings.speed, static_cast<std::uint32_t>(c.speed));  // kept, even where the link falls back
  EXPECT_EQ(TheLinkSetup().currentPort, c.linkPort);
  EXPECT_EQ(TheLinkSetup().currentSpeed, c.linkSpeed);
  EXPECT_EQ(dialog.portIndex, c.portIndex);
  EXPECT_EQ(dialog.portState, c.portState);
  EXPECT_EQ(dialog.speedIndex, c.speedIndex);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredSettings,
    ::testing::Values(
        StoredCase{"port 0 with only COM2 present", {false, true, false, false}, 0, 115200, 0, 2, 2, 115200, 1, 0, 5},
        StoredCase{"a speed the port refuses", {true, false, false, false}, 1, 57600, 57600, 1, 1, 9600, 0, 0, 0},
        StoredCase{"a port that opens", {true, true, true, false}, 3, 38400, 0, 3, 3, 38400, 2, 0, 3},
        StoredCase{"a port that cannot be opened", {false, false, true, true}, 1, 9600, 0, 3, 3, 9600, 2, 0, 0},
        StoredCase{"no port at all", {false, false, false, false}, 2, 19200, 0, -1, 1, 9600, 0, -1, 5}),
    [](const auto& row) { return test::CaseName(row.param.description); });

TEST_F(ConnectionSetup, TheSpeedsAreProbedOnTheFirstPortThatOpened) {
  Probe({false, true, false, false}, 0, 9600);
  const LinkSetup& setup = TheLinkSetup();
  EXPECT_EQ(setup.portAvailable, (std::array<std::uint8_t, 5>{0, 0, 1, 0, 0}));
  EXPECT_EQ(IsPortAvailable(1) + IsPortAvailable(3) + IsPortAvailable(4), 0);  // what the dialog disables
  EXPECT_EQ(setup.probePort, 2);
  // Every speed set-up of the probe went to COM2; 4800 is never probed.
  std::vector<std::pair<std::string, std::int32_t>> expected;
  for (std::int32_t speed : {9600, 19200, 28800, 38400, 57600, 115200}) expected.emplace_back("COM2", speed);
  EXPECT_EQ(m_record->setups, expected);
  EXPECT_EQ(setup.speedAvailable, (std::array<std::uint8_t, 7>{0, 1, 1, 1, 1, 1, 1}));
}

TEST_F(ConnectionSetup, WithoutAnyPortConnectingFailsWith22) {
  Probe({false, false, false, false}, 2, 19200);
  EXPECT_EQ(TheLinkSetup().probePort, 5);
  EXPECT_EQ(TheLinkSetup().speedAvailable, (std::array<std::uint8_t, 7>{}));
  EXPECT_EQ(CameraConnect(), kCamCannotOpen);
  EXPECT_EQ(CameraResultMessage(kCamCannotOpen), kMsgSerialMissing);
}

TEST_F(ConnectionSetup, AClickChangesTheLinkAtOnceAndOnlyOkStoresIt) {
  Probe({true, true, true, false}, 1, 38400);
  CommSetupDialogData dialog;
  ApplyStoredCommSettings(dialog);
  dialog.ChoosePort(3);
  EXPECT_EQ(TheLinkSetup().currentPort, 3);
  EXPECT_EQ(ReadProfileInt("Last Used Port", "Comm", 0), 1);  // what Cancel leaves

  dialog.ChooseSpeed(28800);
  CommSettings settings;
  for (const char* refused : {"A B", "A/B", "AB.", "ABCDE"}) {
    dialog.prefix = refused;
    EXPECT_FALSE(ConfirmCommSetup(dialog, settings)) << refused;
  }
  std::vector<std::string> expected(
      3, "The file name contains the characters which are not allowed to use.\nEnter it again.");
  expected.push_back("Please enter no more than 4 characters.");
  EXPECT_EQ(m_prompt.Texts(), expected);
  EXPECT_EQ(ReadProfileInt("Last Used Port", "Comm", 0), 1);
  EXPECT_EQ(settings.prefix, "AUT_");

  dialog.prefix = "A\\B";  // a backslash is allowed
  ASSERT_TRUE(ConfirmCommSetup(dialog, settings));
  EXPECT_EQ(settings.port, 3);
  EXPECT_EQ(settings.speed, 28800u);
  EXPECT_EQ(settings.prefix, "A\\B");
  EXPECT_EQ(ReadProfileInt("Last Used Port", "Comm", 0), 3);
  EXPECT_EQ(ReadProfileInt("Last Used Bps", "Comm", 0), 28800);
}

}  // namespace
}  // namespace tessaly
