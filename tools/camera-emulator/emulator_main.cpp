// tessaly-camera-emulator: the camera's side of the serial line on a pseudo-terminal.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_io.h"
#include "base/version.h"
#include "tools/camera-emulator/camera.h"

namespace {

using namespace tessaly::emulator;

constexpr const char* kUsage =
    "usage: tessaly-camera-emulator [OPTIONS]\n"
    "\n"
    "Plays the camera's side of the serial line on a pseudo-terminal and prints the\n"
    "device path it serves (point port 1 at it: TESSALY_COM1=<path>).\n"
    "\n"
    "The memory card (default: --generate 12):\n"
    "  --card DIR             the JPEG files of DIR in name order; pictures sent to the\n"
    "                         camera are written into DIR as AUT_NNNN.JPG\n"
    "  --generate N           N pictures of 320x240 in the camera's own layout, with\n"
    "                         their thumbnails, kept in memory\n"
    "  --free-memory BYTES    free memory reported to the host (default 4000000)\n"
    "\n"
    "Running:\n"
    "  --path-file F          also write the device path to F\n"
    "  --log F                one JSON line per control byte, frame or event, with the\n"
    "                         direction (\"from\"), letters, block number and bytes\n"
    "  --realtime             deliver every byte when the line would have carried it\n"
    "                         at the current speed (10 bits a byte), both ways\n"
    "  After each of its frames the camera waits for the host's ACK; a host that starts\n"
    "  a new exchange instead is served, logged as \"event\":\"missing-ack\" and counted\n"
    "  in the summary line (log and stderr) when the emulator ends.\n"
    "\n"
    "Faults (each counted exactly; numbers count from 1):\n"
    "  --silent-enqs N        no answer to the host's first N ENQs\n"
    "  --enq-collision N      answer the host's N-th ENQ with ENQ and send \"CC\"\n"
    "  --corrupt-block K      send block K of every transfer damaged the first time\n"
    "  --misnumber-block K    send block K of every transfer numbered K+1 the first time\n"
    "  --ng-thumbnail N       answer \"NG\" when the thumbnail of picture N is asked for\n"
    "  --card-changed-after N answer \"MC\" to every picture command (FS, RD, RM) after\n"
    "                         the first N (0: to all of them)\n"
    "  --report-count N       report N pictures to \"RN\" (1000: more than 999 pictures)\n"
    "  --cancel-block K       stop every transfer at block K with a \"CC\" of our own\n"
    "                         (sending: instead of block K; receiving: answering the\n"
    "                         host's ENQ for block K with ENQ)\n"
    "  --cancel-code R        the reason code of that \"CC\" and of --enq-collision (0)\n"
    "  --stray-byte N         a stray byte 0xFF goes out before the camera's N-th ENQ\n"
    "  --size-extra N         answer \"FS\" with N bytes more than the picture has, so\n"
    "                         that its transfer ends short\n"
    "  --refuse-store         answer \"NG\" to the \"DE\" that ends a picture sent to us\n"
    "  --die-at-transfer N    end the process at once after the first block of the N-th\n"
    "                         transfer (\"RD\" or \"RM\") that we send\n"
    "  --hang-up-at-transfer N  close our end of the line there instead and stay on\n"
    "  -h, --help             this text\n"
    "  -V, --version          the program's version\n";

void OnSignal(int) { g_stopRequested = 1; }

bool ParseNumber(std::string_view text, long long& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value >= 0;
}

int Fail(const std::string& text) {
  std::cerr << "tessaly-camera-emulator: " << text << '\n';
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string cardFolder, pathFile, logFile;
  long long generate = -1, freeMemory = 4'000'000;
  bool realtime = false;
  Faults faults;

  std::vector<std::string_view> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view option = args[i];
    if (option == "--help" || option == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (option == "--version" || option == "-V") {
      std::cout << "tessaly-camera-emulator " << tessaly::VersionText() << '\n';
      return 0;
    }
    if (option == "--realtime") {
      realtime = true;
      continue;
    }
    if (option == "--refuse-store") {
      faults.refuseStore = true;
      continue;
    }
    if (i + 1 >= args.size()) return Fail("missing value after " + std::string(option));
    std::string_view value = args[++i];
    long long number = 0;
    bool numeric = ParseNumber(value, number);
    auto needNumber = [&](long long limit) { return numeric && number <= limit; };
    if (option == "--card")
      cardFolder = value;
    else if (option == "--path-file")
      pathFile = value;
    else if (option == "--log")
      logFile = value;
    else if (option == "--generate" && needNumber(9999))
      generate = number;
    else if (option == "--free-memory" && needNumber(0xFFFFFFFF))
      freeMemory = number;
    else if (option == "--silent-enqs" && needNumber(1 << 30))
      faults.silentEnqs = static_cast<int>(number);
    else if (option == "--enq-collision" && needNumber(1 << 30))
      faults.enqCollision = static_cast<int>(number);
    else if (option == "--corrupt-block" && needNumber(65535))
      faults.corruptBlock = static_cast<int>(number);
    else if (option == "--misnumber-block" && needNumber(65534))
      faults.misnumberBlock = static_cast<int>(number);
    else if (option == "--ng-thumbnail" && needNumber(1 << 30))
      faults.ngThumbnail = static_cast<int>(number);
    else if (option == "--card-changed-after" && needNumber(1 << 30))
      faults.cardChangedAfter = static_cast<int>(number);
    else if (option == "--report-count" && needNumber(0xFFFFFFFF))
      faults.reportCount = static_cast<std::uint32_t>(number);
    else if (option == "--cancel-block" && needNumber(65535))
      faults.cancelBlock = static_cast<int>(number);
    else if (option == "--cancel-code" && needNumber(65535))
      faults.cancelCode = static_cast<std::uint16_t>(number);
    else if (option == "--stray-byte" && needNumber(1 << 30))
      faults.strayByte = static_cast<int>(number);
    else if (option == "--die-at-transfer" && needNumber(1 << 30))
      faults.dieAtTransfer = static_cast<int>(number);
    else if (option == "--hang-up-at-transfer" && needNumber(1 << 30))
      faults.hangUpAtTransfer = static_cast<int>(number);
    else if (option == "--size-extra" && needNumber(1 << 20))
      faults.sizeExtra = static_cast<std::uint32_t>(number);
    else
      return Fail("unknown option or bad value: " + std::string(option) + " " + std::string(value));
  }
  if (!cardFolder.empty() && generate >= 0) return Fail("--card and --generate exclude each other");

  MemoryCard card;
  if (!cardFolder.empty()) {
    std::string error;
    if (!card.LoadFolder(cardFolder, error)) return Fail(error);
  } else {
    card.Generate(generate >= 0 ? static_cast<int>(generate) : 12, 320, 240);
  }

  EventLog log;
  if (!logFile.empty() && !log.Open(logFile)) return Fail("cannot write " + logFile + ": " + std::strerror(errno));

  int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
    return Fail(std::string("no pseudo-terminal: ") + std::strerror(errno));
  const char* slaveName = ::ptsname(master);
  if (slaveName == nullptr) return Fail("no pseudo-terminal name");
  std::string devicePath = slaveName;
  // Our own descriptor of the host's end keeps the terminal alive between the host's
  // connections, and puts it into raw mode before the host sets it up, so that nothing
  // we send is echoed or translated.
  int keepAlive = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (keepAlive < 0) return Fail(devicePath + ": " + std::strerror(errno));
  termios raw{};
  ::tcgetattr(keepAlive, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(keepAlive, TCSANOW, &raw);
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  // Sleeps to absolute times are what pacing is made of; keep the kernel's slack small.
  ::prctl(PR_SET_TIMERSLACK, 1000UL);

  struct sigaction action {};
  action.sa_handler = OnSignal;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGHUP, &action, nullptr);

  if (!pathFile.empty()) {
    std::string text = devicePath + "\n";
    if (tessaly::WriteFileAtomically(pathFile,
                                     std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())))
      return Fail("cannot write " + pathFile);
  }
  std::cout << devicePath << std::endl;

  Line line(master, realtime);
  Camera camera(line, log, card, faults, static_cast<std::uint32_t>(freeMemory));
  camera.Serve();
  camera.LogPending();
  camera.LogSummary();
  ::close(keepAlive);
  line.HangUp();
  return 0;
}
