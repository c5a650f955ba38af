// serlnk32 over a bare pseudo-terminal: the test holds the far end.
#include "serial/serlnk32.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

#include "serial/line_errors.h"
#include "serial/line_speed.h"
#include "test_support/pseudo_terminal.h"
#include "test_support/temp_folder.h"

namespace tessaly {
namespace {

class SerialLine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(m_terminal.Path().empty());
    m_handle = MyOpenComm(m_terminal.Path().c_str());
    ASSERT_GE(m_handle, 0) << MyLastOpenError();
    ASSERT_NE(MySetupConnect(m_handle, 9600), 0);
  }
  void TearDown() override { MyCloseComm(0); }
  void FromCamera(const std::vector<std::uint8_t>& bytes) {
    ASSERT_EQ(::write(m_terminal.Master(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    // The bytes reach the other end through the kernel's buffer work; wait for them.
    ASSERT_EQ(MyWaitReadable(5000, static_cast<int>(bytes.size())), 1);
    int queued = 0;
    for (int i = 0; i < 500 && queued < static_cast<int>(bytes.size()); ++i) {
      ::ioctl(m_handle, FIONREAD, &queued);
      if (queued < static_cast<int>(bytes.size())) ::usleep(1000);
    }
  }

  test::PseudoTerminal m_terminal;
  int m_handle = -1;
};

TEST_F(SerialLine, ReadNeverWaitsAndTakesOnlyWhatWasAskedFor) {
  std::vector<std::uint8_t> buffer(64, 0xEE);
  std::int32_t count = -1;
  EXPECT_EQ(MyReadBytes(buffer.data(), 16, &count), 0);
  EXPECT_EQ(count, 0);
  std::vector<std::uint8_t> sent(40);
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<std::uint8_t>(i);
  FromCamera(sent);
  EXPECT_EQ(MyReadBytes(buffer.data(), 16, &count), 0);
  ASSERT_EQ(count, 16);
  EXPECT_EQ(buffer[15], 15);
  EXPECT_EQ(buffer[16], 0xEE);
  EXPECT_EQ(MyReadBytes(buffer.data(), 64, &count), 0);
  ASSERT_EQ(count, 24);
  EXPECT_EQ(buffer[0], 16);
  EXPECT_EQ(MyReadBytes(nullptr, 16, &count), EINVAL);
  EXPECT_EQ(MyReadBytes(buffer.data(), 16, nullptr), EINVAL);
  // A flush discards what is queued.
  FromCamera({1, 2, 3, 4});
  EXPECT_EQ(MyFlushComm(m_handle, SERLNK32_PURGE_RXABORT | SERLNK32_PURGE_RXCLEAR | SERLNK32_PURGE_TXABORT |
                                      SERLNK32_PURGE_TXCLEAR),
            0);
  EXPECT_EQ(MyReadBytes(buffer.data(), 8, &count), 0);
  EXPECT_EQ(count, 0);
}

TEST_F(SerialLine, SetupMakesARaw8N1LineAtTheSpeed) {
  for (int speed : {9600, 28800, 115200}) {
    SCOPED_TRACE(speed);
    ASSERT_NE(MySetupConnect(m_handle, speed), 0);
    termios settings{};
    ASSERT_EQ(::tcgetattr(m_handle, &settings), 0);
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    EXPECT_EQ(serial::GetLineSpeed(m_handle), static_cast<unsigned>(speed));
  }
  EXPECT_EQ(MySetupConnect(m_handle, 0), 0);
  EXPECT_EQ(MySetupConnect(m_handle + 100, 9600), 0);
}

// A reader that never drains: the line fills up, and the next write fails within its
// time-out instead of hanging. What it could not send is discarded, so the line works
// again afterwards.
TEST_F(SerialLine, WriteToAStalledReaderFails) {
  std::uint8_t byte = 0x55;
  int accepted = 0;
  while (MyWriteBytes(&byte, 1) == 1) ASSERT_LT(++accepted, 1'000'000);
  EXPECT_GT(accepted, 1000);
  // The same with frames, whose time-out is 3 s and a bit.
  std::vector<std::uint8_t> frame(16, 0x01);
  int frames = 0;
  while (MyWriteBytes(frame.data(), 16) == 1) ASSERT_LT(++frames, 100'000);
  EXPECT_GT(frames, accepted / 32);
  EXPECT_EQ(MyWriteBytes(frame.data(), 16), 1);
}

// A reservation keeps the device from other programs while our port is closed and
// opened again; our own opens share it, and the device is free after the last release.
TEST_F(SerialLine, AReservationKeepsTheDeviceBetweenOpens) {
  const std::string device = m_terminal.Path();
  // Another program honouring the usual lock is what the reservation keeps out.
  auto otherProgramGetsIt = [&] {
    int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return locked;
  };
  ASSERT_EQ(MyReserveComm(device.c_str()), 1);
  ASSERT_EQ(MyReserveComm(device.c_str()), 1);  // nested
  EXPECT_EQ(MyCloseComm(0), 1);
  EXPECT_FALSE(otherProgramGetsIt());
  for (int round = 0; round < 2; ++round) {
    ASSERT_GE(MyOpenComm(device.c_str()), 0) << MyLastOpenError();
    EXPECT_EQ(MyCloseComm(0), 1);
    EXPECT_FALSE(otherProgramGetsIt());
  }
  EXPECT_EQ(MyReserveComm("/dev/null"), 0);  // one device at a time
  EXPECT_EQ(MyReleaseComm(), 1);
  EXPECT_FALSE(otherProgramGetsIt());  // one reservation is still held
  EXPECT_EQ(MyReleaseComm(), 1);
  EXPECT_TRUE(otherProgramGetsIt());
  EXPECT_EQ(MyReleaseComm(), 0);
  m_handle = MyOpenComm(device.c_str());
  ASSERT_GE(m_handle, 0);
}

// What a completed write handed over is never discarded by a purge that follows at once.
TEST_F(SerialLine, APurgeRightAfterAWriteKeepsWhatWasWritten) {
  std::vector<std::uint8_t> frame(16);
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint8_t>(0x30 + i);
  for (int round = 0; round < 50; ++round) {
    ASSERT_EQ(MyWriteBytes(frame.data(), 16), 1);
    MyFlushComm(m_handle,
                SERLNK32_PURGE_RXABORT | SERLNK32_PURGE_RXCLEAR | SERLNK32_PURGE_TXABORT | SERLNK32_PURGE_TXCLEAR);
    std::vector<std::uint8_t> got(16);
    std::size_t have = 0;
    while (have < got.size()) {
      pollfd waiting{m_terminal.Master(), POLLIN, 0};
      if (::poll(&waiting, 1, 1000) <= 0) break;
      ssize_t n = ::read(m_terminal.Master(), got.data() + have, got.size() - have);
      if (n <= 0) break;
      have += static_cast<std::size_t>(n);
    }
    ASSERT_EQ(got, frame) << "round " << round;
  }
  EXPECT_EQ(MyDrainComm(100), 1);
}

TEST_F(SerialLine, OnePortPerProcessAndNotShared) {
  EXPECT_EQ(MyOpenComm(m_terminal.Path().c_str()), -1);
  EXPECT_EQ(MyLastOpenError(), EBUSY);
  // A line without modem lines answers DTR with an error code, never a crash.
  EXPECT_NE(MyEscapeCommFunction(m_handle, 99), 0);
  MyEscapeCommFunction(m_handle, SERLNK32_SETDTR);
  MyEscapeCommFunction(m_handle, SERLNK32_CLRDTR);
  EXPECT_EQ(MyCloseComm(0), 1);
  EXPECT_EQ(MyCloseComm(0), 0);
  m_handle = MyOpenComm(m_terminal.Path().c_str());  // closed, it can be opened again
  EXPECT_GE(m_handle, 0);
}

TEST(Serlnk32, OpeningWhatIsNoSerialDeviceFailsCleanly) {
  test::TempFolder folder;
  std::ofstream(folder / "plain") << "x";
  const std::string plain = (folder / "plain").string(), missing = (folder / "missing").string();
  for (auto [name, error] : {std::pair{missing.c_str(), ENOENT},
                             {"COM5", ENOENT},
                             {"LPT1", ENOENT},
                             {plain.c_str(), ENOTTY},
                             {"", ENOENT}}) {
    EXPECT_EQ(MyOpenComm(name), -1) << name;
    EXPECT_EQ(MyLastOpenError(), error) << name;
  }
  EXPECT_EQ(MyOpenComm(nullptr), -1);
  std::int32_t count = -1;
  std::uint8_t byte = 0;
  EXPECT_NE(MyReadBytes(&byte, 1, &count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(MyWriteBytes(&byte, 1), 0);
  EXPECT_EQ(MyWaitReadable(10, 1), -1);
  EXPECT_EQ(MySetupConnect(3, 9600), 0);
  EXPECT_EQ(MyBuildCommDCB(1, 9600), 1);
}

TEST(Serlnk32, PortNamesResolveThroughEnvironmentThenSettings) {
  test::TempFolder folder;
  std::ofstream(folder / "Tessaly.ini") << "[Port Devices]\nCOM2=/dev/from-settings\nCOM3=/dev/settings-3\n";
  test::ScopedEnv ini("TESSALY_INI", (folder / "Tessaly.ini").string());
  test::ScopedEnv com3("TESSALY_COM3", std::string("/dev/from-environment"));
  char buffer[64];
  for (auto [name, device] :
       {std::pair{"COM2", "/dev/from-settings"}, {"com3", "/dev/from-environment"}, {"/dev/ttyXYZ", "/dev/ttyXYZ"}}) {
    ASSERT_GT(MyResolvePortName(name, buffer, sizeof buffer), 0) << name;
    EXPECT_STREQ(buffer, device);
  }
  EXPECT_EQ(MyResolvePortName("COM2", buffer, 5), -1);
  EXPECT_EQ(MyResolvePortName("COM0", buffer, sizeof buffer), -1);
}

TEST(LineErrors, EachCountedKindIsReportedOnceAndWritesHaveTheirTimeOuts) {
  serial::LineErrorCounts before;
  serial::LineErrorCounts after = before;
  EXPECT_EQ(serial::LineErrorFlags(before, after), 0);
  after.frame = 1;
  after.overrun = 2;
  EXPECT_EQ(serial::LineErrorFlags(before, after), SERLNK32_CE_FRAME | SERLNK32_CE_OVERRUN);
  EXPECT_EQ(serial::LineErrorFlags(after, after), 0);
  serial::LineErrorCounts wrapped, next;
  wrapped.parity = 0xFFFFFFFF;
  next.breaks = 1;
  next.bufferOverrun = 1;
  EXPECT_EQ(serial::LineErrorFlags(wrapped, next), SERLNK32_CE_RXPARITY | SERLNK32_CE_BREAK | SERLNK32_CE_RXOVER);
  EXPECT_EQ(serial::WriteTimeoutMs(1), 10);
  EXPECT_EQ(serial::WriteTimeoutMs(16), 3080);
}

}  // namespace
}  // namespace tessaly
