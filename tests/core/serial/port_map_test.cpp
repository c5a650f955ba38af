#include "serial/port_map.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "test_support/temp_folder.h"

namespace tessaly::serial {
namespace {

class PortMap : public ::testing::Test {
 protected:
  PortMap() {
    std::filesystem::create_directories(m_folder / "dev");
    std::filesystem::create_directories(m_folder / "sys");
    m_sources.deviceFolder = m_folder / "dev";
    m_sources.ttyClassFolder = m_folder / "sys";
    m_sources.environment = [this](int slot) -> std::optional<std::string> {
      auto it = m_environment.find(slot);
      return it == m_environment.end() ? std::nullopt : std::optional(it->second);
    };
    m_sources.settings = [this](int slot) -> std::optional<std::string> {
      auto it = m_settings.find(slot);
      return it == m_settings.end() ? std::nullopt : std::optional(it->second);
    };
  }
  void Device(const std::string& name) { std::ofstream(m_folder / "dev" / name) << ""; }
  std::string Dev(const std::string& name) { return (m_folder / "dev" / name).string(); }

  test::TempFolder m_folder;
  PortMapSources m_sources;
  std::map<int, std::string> m_environment, m_settings;
};

TEST_F(PortMap, SlotsCountUsbThenAcmThenBuiltInPortsInNumberOrder) {
  for (const char* name : {"ttyS1", "ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyUSBx", "tty1", "console"})
    Device(name);
  // ttyS0 is a node without a fitted port.
  std::filesystem::create_directories(m_folder / "sys" / "ttyS0");
  std::ofstream(m_folder / "sys" / "ttyS0" / "type") << "0\n";
  std::filesystem::create_directories(m_folder / "sys" / "ttyS1");
  std::ofstream(m_folder / "sys" / "ttyS1" / "type") << "4\n";

  EXPECT_EQ(ResolvePortDevice("COM1", m_sources), Dev("ttyUSB2"));
  EXPECT_EQ(ResolvePortDevice("COM2", m_sources), Dev("ttyUSB10"));
  EXPECT_EQ(ResolvePortDevice("COM3", m_sources), Dev("ttyACM0"));
  EXPECT_EQ(ResolvePortDevice("COM4", m_sources), Dev("ttyS1"));
  EXPECT_EQ(ResolvePortDevice("COM5", m_sources), std::nullopt);
}

TEST_F(PortMap, EnvironmentBeatsSettingsBeatsDiscovery) {
  Device("ttyUSB0");
  m_settings[1] = "/dev/settings";
  m_environment[1] = "/dev/environment";
  m_settings[2] = "/dev/settings2";
  EXPECT_EQ(ResolvePortDevice("COM1", m_sources), "/dev/environment");
  EXPECT_EQ(ResolvePortDevice("COM2", m_sources), "/dev/settings2");
  // Discovery counts devices, not the slots taken by settings.
  EXPECT_EQ(ResolvePortDevice("COM3", m_sources), std::nullopt);
  m_environment.clear();
  m_settings.clear();
  EXPECT_EQ(ResolvePortDevice("COM1", m_sources), Dev("ttyUSB0"));
  EXPECT_EQ(ResolvePortDevice("COM2", m_sources), std::nullopt);
}

TEST_F(PortMap, NamesThatAreNoSlot) {
  struct Row {
    const char* name;
    int slot;
  };
  for (auto [name, slot] : {Row{"COM1", 1}, Row{"com4", 4}, Row{"COM0", 0}, Row{"COM5", 0}, Row{"COM10", 0},
                            Row{"CON1", 0}, Row{"", 0}, Row{"/dev/ttyS0", 0}}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(PortSlot(name), slot);
  }
  EXPECT_EQ(ResolvePortDevice("/some/path", m_sources), "/some/path");
  EXPECT_EQ(ResolvePortDevice("ttyUSB0", m_sources), std::nullopt);
}

}  // namespace
}  // namespace tessaly::serial
