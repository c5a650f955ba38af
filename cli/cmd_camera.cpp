// tessaly-cli camera: the camera window's work from the command line: count, list,
// thumbnails, downloads, sending pictures, and the port probe.
//
// Every transfer shows a progress bar on stderr unless --quiet is given, and Ctrl+C (or
// SIGTERM, or SIGHUP when the terminal goes) stops it the way the window's Cancel button
// does: the camera is told, the line goes back to 9600 bit/s, the summary is printed and
// the command ends with exit status 1. A second signal during that clean-up does not cut
// it short; it only limits it to 3 more seconds.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "base/ini_file.h"
#include "base/prompt.h"
#include "camera/camera_ops.h"
#include "camera/camera_transfers.h"
#include "camera/connection.h"
#include "camera/link.h"
#include "camera/picture_names.h"
#include "camera/port.h"
#include "camera/send_to_camera.h"
#include "cli/commands.h"
#include "formats/bmp.h"
#include "formats/picture_file.h"
#include "retouch/convert.h"
#include "serial/serlnk32.h"

namespace tessaly::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHelp =
    "usage: tessaly-cli camera [--device PATH | --port N] [--speed BPS] [--prefix XXXX] [--quiet]\n"
    "                          [--overwrite] SUBCOMMAND\n"
    "\n"
    "  --device PATH   use PATH as the serial device of port 1 and select port 1\n"
    "  --port N        use port N (1 to 4; default: the stored setting, else the first port found)\n"
    "  --speed BPS     the bulk transfer speed (9600 19200 28800 38400 57600 115200);\n"
    "                  default: the stored setting\n"
    "  --prefix XXXX   the prefix of downloaded pictures' names (at most 4 characters; default AUT_)\n"
    "  --quiet         no progress bar\n"
    "  --overwrite     replace files that exist (get, get-all, thumbnails); without it they are\n"
    "                  skipped before their picture is read\n"
    "\n"
    "  count                      print the number of pictures\n"
    "  list                       one line per picture: its name (AUT_0001.JPG ...)\n"
    "  thumbnails DIR             each 80x60 thumbnail as DIR/AUT_NNNN.bmp (24-bit BMP)\n"
    "  get N [N ...] --to DIR     pictures N... as DIR/<prefix>NNNN.JPG, bytes as the camera sent them\n"
    "  get-all --to DIR           every picture likewise\n"
    "  put FILE [FILE ...]        send pictures to the camera (24-bit, fitted to 320x240 or 640x480, JPEG)\n"
    "  ports                      the four port slots, their devices, which could be opened, and the\n"
    "                             speeds the first usable one accepts\n"
    "\n"
    "get and get-all end with a line that counts every picture asked for (saved, skipped,\n"
    "failed, not tried) and says why the run stopped early. Ctrl+C, SIGTERM and SIGHUP stop\n"
    "a transfer as the window's Cancel button does.\n"
    "\n"
    "Exit status: 0 done, 1 failed (the message is on stderr), 2 usage error.\n";

// ----------------------------------------------------------------------------- Ctrl+C

volatile std::sig_atomic_t g_interrupted = 0;

// The clean-up after a stop (telling the camera, back to 9600) takes well under a second;
// a second signal gives it this long before the program ends anyway.
constexpr unsigned kCleanupLimitSeconds = 3;

void OnStopSignal(int) {
  if (g_interrupted == 0) {
    g_interrupted = 1;
    RequestLinkStop();
    return;
  }
  // SIGALRM's default action ends the program when the clean-up outlasts its limit.
  if (g_interrupted == 1) {
    g_interrupted = 2;
    ::alarm(kCleanupLimitSeconds);
  }
}

// Turns SIGINT, SIGTERM and SIGHUP into a request to stop for as long as it lives; a
// pipe whose reader went away does not end the program either, so that the clean-up
// still runs.
class InterruptGuard {
 public:
  InterruptGuard() {
    g_interrupted = 0;
    ClearLinkStop();
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
      sigaddset(&action.sa_mask, kSignals[i]);
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &action, &m_previous[i]);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &m_previousPipe);
  }
  ~InterruptGuard() {
    for (std::size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &m_previous[i], nullptr);
    ::sigaction(SIGPIPE, &m_previousPipe, nullptr);
    ClearLinkStop();
  }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

 private:
  static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};
  std::array<struct sigaction, 3> m_previous{};
  struct sigaction m_previousPipe {};
};

// ----------------------------------------------------------------------------- progress

// The progress bar on stderr, and the picture that messages are about.
class ProgressBar final : public TransferObserver {
 public:
  // On a terminal the bar is redrawn in place as the bytes come; into a file or a pipe
  // only its final state goes, one line per transfer.
  explicit ProgressBar(bool quiet) : m_quiet(quiet), m_terminal(::isatty(STDERR_FILENO) == 1) {}

  void Begin(std::string_view name, std::uint64_t total) override {
    BreakLine();
    m_label = name.empty() ? std::string("thumbnails") : std::string(name);
    m_total = total;
    m_done = 0;
    m_shownPercent = -1;
    Draw();
  }
  void Item(std::string_view name) override {
    m_context = std::string(name);
    if (m_total != 0) {
      m_label = m_context;
      m_shownPercent = -1;
      Draw();
    }
  }
  bool Progress(std::uint64_t done) override {
    m_done = done;
    Draw();
    return g_interrupted == 0;
  }
  bool Cancelled() override { return g_interrupted != 0; }
  void End() override {
    if (!m_quiet && !m_terminal && m_total != 0) {
      DrawLine();
      std::cerr << '\n';
    }
    if (m_lineOpen && !m_quiet) std::cerr << '\n';
    m_lineOpen = false;
    m_total = 0;
  }
  void Skipped(const fs::path& target) override {
    BreakLine();
    std::cerr << "tessaly-cli: " << target.string() << ": This file already exists; skipped.\n";
  }

  // Ends a half-drawn bar so that a message starts on a line of its own.
  void BreakLine() {
    if (m_lineOpen && !m_quiet) std::cerr << '\n';
    m_lineOpen = false;
    m_shownPercent = -1;
  }
  const std::string& Context() const { return m_context; }
  void ClearContext() { m_context.clear(); }

 private:
  int Percent() const {
    return m_total == 0 ? 100 : static_cast<int>(std::min(m_done, m_total) * 100 / m_total);
  }
  void Draw() {
    if (m_quiet || !m_terminal || Percent() == m_shownPercent) return;
    m_shownPercent = Percent();
    std::cerr << '\r';
    DrawLine();
    m_lineOpen = true;
  }
  void DrawLine() {
    constexpr int kWidth = 30;
    int percent = Percent();
    int filled = percent * kWidth / 100;
    std::cerr << std::left << std::setw(12) << m_label << " [" << std::string(filled, '#')
              << std::string(kWidth - filled, '-') << "] " << std::right << std::setw(3) << percent << "% "
              << std::min(m_done, m_total) << '/' << m_total << " bytes" << std::flush;
  }

  bool m_quiet;
  bool m_terminal;
  std::string m_label;
  std::string m_context;
  std::uint64_t m_total = 0;
  std::uint64_t m_done = 0;
  int m_shownPercent = -1;
  bool m_lineOpen = false;
};

// Messages on stderr, each on a line of its own and, while a picture is being handled,
// with its name in front. Questions are answered from the flags.
class CameraPrompt final : public UserPrompt {
 public:
  CameraPrompt(ProgressBar& bar, bool overwrite) : m_bar(bar), m_stream(StreamPrompt::Answers{overwrite, false}) {}
  using UserPrompt::Show;
  PromptAnswer Show(std::string_view text, PromptButtons buttons) override {
    m_bar.BreakLine();
    if (m_bar.Context().empty()) return m_stream.Show(text, buttons);
    return m_stream.Show(m_bar.Context() + ": " + std::string(text), buttons);
  }

 private:
  ProgressBar& m_bar;
  StreamPrompt m_stream;
};

// ----------------------------------------------------------------------------- arguments

struct CameraArgs {
  std::optional<std::string> device;
  std::optional<int> port;
  std::optional<std::uint32_t> speed;
  std::optional<std::string> prefix;
  std::optional<std::string> to;
  bool quiet = false;
  bool overwrite = false;
  bool help = false;
  std::string subcommand;
  std::vector<std::string> operands;
};

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Options may come before or after the subcommand. Returns an error text, or nothing.
std::optional<std::string> ParseCameraArgs(const Args& args, CameraArgs& out) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (arg == "--help" || arg == "-h") {
      out.help = true;
    } else if (arg == "--quiet" || arg == "-q") {
      out.quiet = true;
    } else if (arg == "--overwrite") {
      out.overwrite = true;
    } else if (arg == "--device" || arg == "--port" || arg == "--speed" || arg == "--prefix" || arg == "--to") {
      auto text = value();
      if (!text) return arg + " needs a value";
      if (arg == "--device") {
        if (text->empty()) return std::string("--device needs a path");
        out.device = *text;
      } else if (arg == "--port") {
        int port = 0;
        if (!ParseNumber(*text, port) || port < 1 || port > kPortCount) return "--port takes 1, 2, 3 or 4, not \"" + *text + "\"";
        out.port = port;
      } else if (arg == "--speed") {
        std::uint32_t speed = 0;
        if (!ParseNumber(*text, speed) || DialogSpeedIndex(speed) < 0)
          return "--speed takes 9600, 19200, 28800, 38400, 57600 or 115200, not \"" + *text + "\"";
        out.speed = speed;
      } else if (arg == "--prefix") {
        if (Utf8Length(*text) > kMaxPicturePrefixLength) return "--prefix takes at most 4 characters";
        out.prefix = *text;
      } else {
        out.to = *text;
      }
    } else if (arg.size() > 1 && arg[0] == '-' && out.subcommand != "put") {
      return "unknown option " + arg;
    } else if (out.subcommand.empty()) {
      out.subcommand = arg;
    } else {
      out.operands.push_back(arg);
    }
  }
  if (out.device && out.port) return std::string("--device and --port exclude each other");
  return std::nullopt;
}

// ----------------------------------------------------------------------------- the link

// Probes the ports and applies the stored settings and the flags, as the program does
// at start and in its "Communications Setup" dialog. False (after the message) when the
// port asked for cannot be opened; the probe report goes on without it.
enum class PortRequired { kYes, kNo };
bool SetUpLink(const CameraArgs& args, PortRequired required) {
  // The port map reads TESSALY_COM1 for port 1, so --device is simply port 1's device.
  if (args.device) ::setenv("TESSALY_COM1", args.device->c_str(), 1);
  LinkInit();
  CommSetupDialogData dialog;
  if (!args.device && !args.port) {
    ApplyStoredCommSettings(dialog);
    if (args.speed) dialog.ChooseSpeed(*args.speed);
    return true;
  }
  int port = args.device ? 1 : *args.port;
  if (!SelectPort(port) && required == PortRequired::kYes) {
    Prompt().Show(PortOpenErrorMessage(PortLastOpenError()));
    return false;
  }
  dialog.ChoosePort(port);
  long stored = ReadProfileInt("Last Used Bps", "Comm", 9600);
  dialog.ChooseSpeed(args.speed ? *args.speed : static_cast<std::uint32_t>(std::clamp<long>(stored, 0, 0x7FFFFFFF)));
  return true;
}

std::string DeviceOfPort(int port) {
  char device[4096];
  std::string name = "COM" + std::to_string(port);
  if (MyResolvePortName(name.c_str(), device, sizeof device) < 0) return {};
  return device;
}

std::string OneLine(std::string_view text) {
  std::string line(text);
  std::replace(line.begin(), line.end(), '\n', ' ');
  return line;
}

int RunPorts() {
  const LinkSetup& setup = TheLinkSetup();
  for (int port = 1; port <= kPortCount; ++port) {
    std::string device = DeviceOfPort(port);
    std::cout << "COM" << port << "  " << std::left << std::setw(20) << (device.empty() ? "-" : device) << std::right;
    if (device.empty()) std::cout << "  no device\n";
    else if (IsPortAvailable(port)) std::cout << "  can be opened\n";
    else
      std::cout << "  cannot be opened: "
                << OneLine(MessageText(PortOpenErrorMessage(PortOpenErrorFromErrno(setup.portOpenError[port])))) << '\n';
  }
  if (setup.probePort < 1 || setup.probePort > kPortCount) {
    std::cout << "speeds: none (no port could be opened)\n";
    return kExitOk;
  }
  std::cout << "speeds on COM" << setup.probePort << ":";
  for (std::uint32_t speed : kDialogSpeeds)
    if (IsSpeedAvailable(speed)) std::cout << ' ' << speed;
  std::cout << "\nselected: COM" << setup.currentPort << " at " << setup.currentSpeed << " bit/s\n";
  return kExitOk;
}

// ----------------------------------------------------------------------------- subcommands

int RunCount() {
  int result = CameraConnect();
  std::uint32_t count = 0;
  if (result == kCamDone) {
    result = CameraGetCount(count);
    CameraDisconnect();
  }
  if (result != kCamDone) {
    if (auto message = CameraResultMessage(result)) Prompt().Show(*message);
    return kExitFailure;
  }
  std::cout << count << '\n';
  return kExitOk;
}

int RunList() {
  std::vector<std::string> names;
  SequenceEnd end = ListNames(names);
  for (const auto& name : names) std::cout << name << '\n';
  return end == SequenceEnd::kDone || end == SequenceEnd::kEmpty ? kExitOk : kExitFailure;
}

// The folder a subcommand writes into is made when it does not exist yet, before the
// camera is asked anything; a path that cannot be a folder is refused.
bool CheckFolder(const fs::path& folder) {
  std::error_code error;
  if (fs::is_directory(folder, error)) return true;
  if (!fs::exists(folder, error) && fs::create_directories(folder, error)) return true;
  Prompt().Show(MessageText(kMsgInvalidPath));
  return false;
}

// The summary of a run: every picture asked for is counted once, and a run that ended
// early says why.
std::string_view StopText(SaveStop stop) {
  switch (stop) {
    case SaveStop::kNone: return {};
    case SaveStop::kCancelled: return "cancelled";
    case SaveStop::kDiskFull: return "disk full";
    case SaveStop::kNoAnswer: return "the camera did not answer";
    case SaveStop::kDisconnected: return "the serial device was disconnected";
    case SaveStop::kCardChanged: return "the memory card was changed";
    case SaveStop::kCannotOpen: return "the serial device could not be opened";
    case SaveStop::kFolder: return "the folder cannot take files";
    case SaveStop::kFailed: return "a picture failed";
  }
  return {};
}

void PrintSummary(const SaveTally& tally) {
  std::cout << tally.saved << " saved, " << tally.skipped << " skipped, " << tally.failed << " failed";
  if (tally.asked >= 0) std::cout << ", " << tally.notTried << " not tried";
  if (tally.stopped != SaveStop::kNone) std::cout << "; stopped: " << StopText(tally.stopped);
  if (tally.asked < 0) std::cout << " (the number of pictures is not known)";
  std::cout << '\n' << std::flush;
}

void PrintThumbnailSummary(const SaveTally& tally) {
  std::cout << tally.saved << " saved, " << tally.skipped << " skipped, " << tally.failed << " failed";
  if (tally.stopped != SaveStop::kNone) std::cout << "; stopped: " << StopText(tally.stopped);
  std::cout << '\n' << std::flush;
}

void ReportCancel(ProgressBar& bar) {
  bar.BreakLine();
  std::cerr << "tessaly-cli: cancelled\n";
}

// Writes the thumbnails as DIR/AUT_NNNN.bmp.
class BmpFolderSink final : public ThumbnailSink {
 public:
  BmpFolderSink(fs::path folder, bool overwrite, ProgressBar& bar)
      : m_folder(std::move(folder)), m_overwrite(overwrite), m_bar(bar) {}

  bool Wanted(std::uint32_t, const std::string& name) override {
    fs::path target = Target(name);
    std::error_code ignored;
    if (m_overwrite || !fs::exists(fs::symlink_status(target, ignored))) return true;
    m_bar.Skipped(target);
    ++skipped;
    return false;
  }
  void Add(std::uint32_t, const std::string& name, const Picture& thumbnail, bool) override {
    fs::path target = Target(name);
    // The placeholder has 16 colours; every file is written with 24 bits.
    Bytes file = CBMP::SetupBmpWrite(thumbnail.bitsPerPixel == 24 ? thumbnail : ConvertedTo24(thumbnail),
                                     BmpHeaderStyle::kWindows);
    std::error_code error = m_overwrite ? WriteFileAtomically(target, file) : WriteNewFileAtomically(target, {file});
    if (error == std::errc::file_exists) {
      m_bar.Skipped(target);
      ++skipped;
    } else if (error) {
      ReportFileError(error, target);
      ++failed;
    } else {
      ++saved;
    }
  }

  int saved = 0, skipped = 0, failed = 0;

 private:
  fs::path Target(const std::string& name) const { return m_folder / (name.substr(0, name.size() - 4) + ".bmp"); }

  fs::path m_folder;
  bool m_overwrite;
  ProgressBar& m_bar;
};

int RunThumbnails(const CameraArgs& args, ProgressBar& bar) {
  fs::path folder = args.operands[0];
  if (!CheckFolder(folder)) return kExitFailure;
  BmpFolderSink sink(folder, args.overwrite, bar);
  SequenceEnd end = ListThumbnails(sink, bar);
  bar.ClearContext();
  if (end == SequenceEnd::kCancelled) ReportCancel(bar);
  SaveTally tally;
  tally.saved = sink.saved;
  tally.skipped = sink.skipped;
  tally.failed = sink.failed;
  tally.asked = -1;  // a listing counts only what it got to
  if (end == SequenceEnd::kCancelled) tally.stopped = SaveStop::kCancelled;
  else if (end == SequenceEnd::kFailed)
    tally.stopped = ThePort().lineGone ? SaveStop::kDisconnected : SaveStop::kNoAnswer;
  PrintThumbnailSummary(tally);
  bool ok = (end == SequenceEnd::kDone || end == SequenceEnd::kEmpty) && sink.failed == 0;
  return ok ? kExitOk : kExitFailure;
}

int RunGet(const CameraArgs& args, const std::vector<std::uint32_t>& numbers, ProgressBar& bar) {
  fs::path folder = *args.to;
  if (!CheckFolder(folder)) return kExitFailure;
  SaveOptions options;
  options.folder = folder;
  options.prefix = args.prefix.value_or(std::string(kDefaultPicturePrefix));
  options.existing = args.overwrite ? ExistingTarget::kReplace : ExistingTarget::kSkip;
  options.carryOn = true;
  SaveTally tally = SavePicturesToFolder(numbers, options, bar);
  bar.ClearContext();
  if (tally.end == SequenceEnd::kCancelled) ReportCancel(bar);
  PrintSummary(tally);
  bool ok = (tally.end == SequenceEnd::kDone || tally.end == SequenceEnd::kEmpty) && tally.failed == 0;
  return ok ? kExitOk : kExitFailure;
}

int RunPut(const CameraArgs& args, ProgressBar& bar) {
  std::vector<fs::path> files(args.operands.begin(), args.operands.end());
  SendTally tally = SendPicturesToCamera(files, bar);
  bar.ClearContext();
  if (tally.end == SequenceEnd::kCancelled) ReportCancel(bar);
  return tally.end == SequenceEnd::kDone ? kExitOk : kExitFailure;
}

}  // namespace

int RunCamera(const Args& rawArgs) {
  CameraArgs args;
  if (auto error = ParseCameraArgs(rawArgs, args)) return UsageError("camera", *error);
  if (args.help) {
    std::cout << kHelp;
    return kExitOk;
  }
  const std::string& sub = args.subcommand;
  std::vector<std::uint32_t> numbers;
  if (sub.empty()) return UsageError("camera", "camera needs a subcommand");
  if (sub == "count" || sub == "list" || sub == "ports" || sub == "get-all") {
    if (!args.operands.empty()) return UsageError("camera", sub + " takes no operands");
  } else if (sub == "thumbnails") {
    if (args.operands.size() != 1) return UsageError("camera", "thumbnails takes one folder");
  } else if (sub == "get") {
    if (args.operands.empty()) return UsageError("camera", "get takes one or more picture numbers");
    for (const auto& operand : args.operands) {
      std::uint32_t number = 0;
      if (!ParseNumber(operand, number) || number < 1 || number > 9999)
        return UsageError("camera", "not a picture number (1 to 9999): \"" + operand + "\"");
      numbers.push_back(number);
    }
  } else if (sub == "put") {
    if (args.operands.empty()) return UsageError("camera", "put takes one or more picture files");
  } else {
    return UsageError("camera", "unknown camera subcommand \"" + sub + "\"");
  }
  if ((sub == "get" || sub == "get-all") != args.to.has_value())
    return UsageError("camera", args.to ? "--to belongs to get and get-all" : sub + " needs --to DIR");

  ProgressBar bar(args.quiet);
  ScopedPrompt prompt(std::make_unique<CameraPrompt>(bar, args.overwrite));
  // A prefix the program would refuse in its dialog is refused here too, as a usage error.
  if (args.prefix && !CheckPicturePrefix(*args.prefix)) return kExitUsage;
  // Ctrl+C ends the short commands at once; a transfer is stopped the way Cancel does.
  std::optional<InterruptGuard> interrupts;
  if (sub == "thumbnails" || sub == "get" || sub == "get-all" || sub == "put") interrupts.emplace();
  if (!SetUpLink(args, sub == "ports" ? PortRequired::kNo : PortRequired::kYes)) return kExitFailure;
  // The device stays ours for the whole command, also while the port is closed between
  // two pictures.
  std::optional<PortReservation> reservation;
  if (sub != "ports") {
    reservation.emplace(TheLinkSetup().currentPort);
    if (!reservation->Held()) {
      Prompt().Show(PortOpenErrorMessage(PortOpenErrorFromErrno(reservation->Error())));
      return kExitFailure;
    }
  }

  int status = kExitFailure;
  if (sub == "ports") status = RunPorts();
  else if (sub == "count") status = RunCount();
  else if (sub == "list") status = RunList();
  else if (sub == "thumbnails") status = RunThumbnails(args, bar);
  else if (sub == "get" || sub == "get-all") status = RunGet(args, numbers, bar);
  else if (sub == "put") status = RunPut(args, bar);
  CameraDisconnect();
  return status;
}

}  // namespace tessaly::cli
