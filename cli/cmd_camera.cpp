// tessaly-cli camera: the camera window's work from the command line: count, list,
// thumbnails, downloads, sending pictures, and the port probe.
//
// Every transfer shows its progress on stderr unless --quiet is given, and Ctrl+C (or
// SIGTERM, or SIGHUP when the terminal goes) stops it the way the window's Cancel button
// does: the camera is told, the line goes back to 9600 bit/s, the summary is printed and
// the command ends with 128 plus the signal's number as its status (130 for Ctrl+C), as
// a shell expects of a program a signal ended. A second signal during that clean-up does
// not cut it short; it only limits it to 3 more seconds.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "base/ini_file.h"
#include "base/prompt.h"
#include "camera/camera_ops.h"
#include "camera/link.h"
#include "camera/picture_names.h"
#include "camera/port.h"
#include "cli/catalog.h"
#include "cli/cli_commands.h"
#include "cli/json.h"
#include "cli/report.h"
#include "formats/bmp.h"
#include "formats/picture_file.h"
#include "retouch/convert.h"
#include "serial/serlnk32.h"
#include "workflows/camera_transfers.h"
#include "workflows/connection.h"
#include "workflows/send_to_camera.h"

namespace tessaly::cli {
namespace {

namespace fs = std::filesystem;

enum CameraOption : unsigned {
  kDevice = 1u << 0,
  kPort = 1u << 1,
  kSpeed = 1u << 2,
  kPrefix = 1u << 3,
  kQuiet = 1u << 4,
  kOverwrite = 1u << 5,
  kTo = 1u << 6,
  kJson = 1u << 7,
};

constexpr std::array kOptions = {
    OptionDef{kDevice, "device", 0, "PATH", N_("use PATH as the serial device of port 1 and select port 1")},
    OptionDef{kPort, "port", 0, "N", N_("use port N (1 to 4; default: the stored setting, else the first port found)")},
    OptionDef{kSpeed, "speed", 0, "BPS",
              N_("the bulk transfer speed (9600 19200 28800 38400 57600 115200; default: the stored setting)")},
    OptionDef{kPrefix, "prefix", 0, "XXXX",
              N_("the prefix of downloaded pictures' names (at most 4 characters; default AUT_)")},
    OptionDef{kTo, "to", 0, "DIR", N_("the folder that get and get-all save into")},
    OptionDef{kOverwrite, "overwrite", 0, "",
              N_("replace files that exist; without it they are skipped before their picture is read")},
    OptionDef{kQuiet, "quiet", 'q', "", N_("no progress display")},
    OptionDef{kJson, "json", 0, "", N_("one JSON object per line on the standard output")},
    kHelpOption,
    kLangOption,
};

constexpr unsigned kLine = kDevice | kPort | kSpeed;

struct Subcommand {
  std::string_view name;
  std::string_view operands;     // as the help shows them
  std::string_view description;  // one line
  unsigned options;              // the options that mean something to it
};

constexpr std::array kSubcommands = {
    Subcommand{"count", "", N_("print the number of pictures"), kLine | kJson},
    Subcommand{"list", "", N_("one line per picture: its name (AUT_0001.JPG ...)"), kLine | kPrefix | kJson},
    Subcommand{"thumbnails", "DIR", N_("each 80x60 thumbnail as DIR/AUT_NNNN.bmp (24-bit BMP)"),
               kLine | kQuiet | kOverwrite | kJson},
    Subcommand{"get", "N [N ...] --to DIR", N_("pictures N... as DIR/<prefix>NNNN.JPG, bytes as the camera sent them"),
               kLine | kPrefix | kTo | kQuiet | kOverwrite | kJson},
    Subcommand{"get-all", "--to DIR", N_("every picture, likewise as DIR/<prefix>NNNN.JPG"),
               kLine | kPrefix | kTo | kQuiet | kOverwrite | kJson},
    Subcommand{"put", "FILE [FILE ...]", N_("send pictures to the camera (24-bit, fitted to 320x240 or 640x480, JPEG)"),
               kLine | kQuiet | kJson},
    Subcommand{"ports", "",
               N_("the four port slots, their devices, which could be opened, and the speeds of the first usable one"),
               kLine | kJson},
};

const Subcommand* FindSubcommand(std::string_view name) {
  for (const auto& sub : kSubcommands)
    if (sub.name == name) return &sub;
  return nullptr;
}

std::vector<OptionDef> OptionsOf(unsigned mask) {
  std::vector<OptionDef> defs;
  for (const auto& def : kOptions)
    if ((static_cast<unsigned>(def.id) & mask) != 0 || def.id >= kOptHelp) defs.push_back(def);
  return defs;
}

void PrintCameraHelp() {
  std::cout << "usage: tessaly-cli camera [OPTIONS] SUBCOMMAND [ARGS]\n"
            << "       tessaly-cli camera SUBCOMMAND --help\n\n"
            << OptionsHelp(kOptions) << '\n';
  std::size_t width = 0;
  for (const auto& sub : kSubcommands) width = std::max(width, sub.name.size() + 1 + sub.operands.size());
  for (const auto& sub : kSubcommands) {
    std::string left = std::string(sub.name) + (sub.operands.empty() ? "" : " " + std::string(sub.operands));
    std::cout << "  " << left << std::string(width - left.size() + 2, ' ') << Tr(sub.description) << '\n';
  }
  std::cout
      << '\n'
      << Wrapped(Tr("get and get-all end with a line that counts every picture asked for (saved, skipped, failed, not "
                    "tried) and says why the run stopped early. Ctrl+C, SIGTERM and SIGHUP stop a transfer as the "
                    "window's Cancel button does."))
      << "\n\n"
      << Wrapped(Tr("Exit status: 0 done, 1 failed (the message is on stderr), 2 usage error, 130 stopped by Ctrl+C, "
                    "143 stopped by SIGTERM."))
      << '\n';
}

void PrintSubcommandHelp(const Subcommand& sub) {
  std::string usage = "tessaly-cli camera [OPTIONS] " + std::string(sub.name);
  if (!sub.operands.empty()) usage += " " + std::string(sub.operands);
  std::vector<OptionDef> defs = OptionsOf(sub.options);
  std::cout << "usage: " << usage << "\n\n" << Wrapped(Tr(sub.description)) << "\n\n" << OptionsHelp(defs);
}

// ----------------------------------------------------------------------------- Ctrl+C

// The first stop signal that came (0: none).
volatile std::sig_atomic_t g_stopSignal = 0;
volatile std::sig_atomic_t g_signalsSeen = 0;

// The clean-up after a stop (telling the camera, back to 9600) takes well under a second;
// a second signal gives it this long before the program ends anyway.
constexpr unsigned kCleanupLimitSeconds = 3;

void OnStopSignal(int signal) {
  if (g_signalsSeen == 0) {
    g_signalsSeen = 1;
    g_stopSignal = signal;
    RequestLinkStop();
    return;
  }
  // SIGALRM's default action ends the program when the clean-up outlasts its limit.
  if (g_signalsSeen == 1) {
    g_signalsSeen = 2;
    ::alarm(kCleanupLimitSeconds);
  }
}

bool StopRequested() { return g_signalsSeen != 0; }

// Turns SIGINT, SIGTERM and SIGHUP into a request to stop for as long as it lives; a
// pipe whose reader went away does not end the program either, so that the clean-up
// still runs.
class InterruptGuard {
 public:
  InterruptGuard() {
    g_signalsSeen = 0;
    g_stopSignal = 0;
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

using Clock = std::chrono::steady_clock;

// "1:05", "0:07": minutes and seconds.
std::string Duration(double seconds) {
  auto whole = static_cast<long long>(std::max(0.0, seconds) + 0.5);
  std::string text = std::to_string(whole / 60) + ":";
  if (whole % 60 < 10) text += '0';
  return text + std::to_string(whole % 60);
}

std::string_view OutcomeText(PictureOutcome outcome) {
  switch (outcome) {
    case PictureOutcome::kSaved: return N_("saved");
    case PictureOutcome::kSkipped: return N_("skipped");
    case PictureOutcome::kFailed: return N_("failed");
  }
  return {};
}

// The progress on stderr, the picture that messages are about, and the --json lines of
// the pictures of a save.
//
// On a terminal one line is redrawn in place: for a save, picture k of N, the bytes of
// this picture, the rate and the time left for the whole save. The time left counts the
// bytes still to come: the rest of this picture, and for each picture after it the mean
// size of the pictures whose sizes the camera has told so far; the rate is the one
// measured since the save began (overheads between pictures included), or the line
// speed before there is anything to measure. Into a file or a pipe one line goes per
// finished picture (per finished transfer for the other commands).
class ProgressLine final : public TransferObserver {
 public:
  ProgressLine(bool quiet, bool json, CliPrompt& prompt)
      : m_quiet(quiet), m_json(json), m_terminal(::isatty(STDERR_FILENO) == 1), m_prompt(prompt) {}

  void Begin(std::string_view name, std::uint64_t total) override {
    m_label = name.empty() ? Tr("thumbnails") : std::string(name);
    m_total = total;
    m_done = 0;
    if (!m_planned) {
      m_start = Clock::now();
      m_batchBytes = 0;
    }
    Draw(true);
  }
  void Item(std::string_view name) override {
    ++m_index;
    m_picture.reset();
    m_picture.emplace(std::string(name), ObjectKind::kPicture);
    m_prompt.ClearLastMessage();
    m_current = std::string(name);
    if (m_planned) m_total = m_done = 0;
    if (!m_planned && m_total != 0) {
      m_label = m_current;
      Draw(true);
    }
  }
  bool Progress(std::uint64_t done) override {
    m_done = std::min(done, m_total);
    Draw(false);
    return !StopRequested();
  }
  bool Cancelled() override { return StopRequested(); }
  void End() override {
    if (m_planned) return;  // the save's line goes on with the next picture
    if (!m_quiet && !m_terminal && m_total != 0) {
      std::cerr << LineText() << '\n' << std::flush;
    }
    BreakLine();
    m_total = 0;
  }
  void Skipped(const fs::path& target) override {
    BreakLine();
    PrintError(target.string(), N_("This file already exists; skipped."));
  }
  void Planned(std::size_t count) override {
    m_planned = true;
    m_count = count;
    m_index = 0;
    m_start = Clock::now();
    m_batchBytes = 0;
    m_sizedPictures = 0;
  }
  void Settled(std::uint32_t number, const fs::path& target, std::uint64_t size, PictureOutcome outcome) override {
    if (size != 0) {
      m_batchBytes += size;
      ++m_sizedPictures;
    }
    m_total = m_done = 0;
    if (m_json) {
      JsonObject line;
      line.Add("file", target.string())
          .Add("number", std::int64_t{number})
          .Add("size", static_cast<std::int64_t>(size))
          .Add("status", OutcomeText(outcome));
      if (outcome != PictureOutcome::kSaved && !m_prompt.LastMessage().empty())
        line.Add("reason", m_prompt.LastMessage());
      else if (outcome == PictureOutcome::kSkipped)
        line.Add("reason", "This file already exists; skipped.");
      line.Print();
    }
    if (!m_quiet && !m_terminal) {
      std::cerr << TrFormat("%1 of %2: %3, %4 bytes, %5",
                            {std::to_string(m_index), std::to_string(m_count), target.filename().string(),
                             std::to_string(size), Tr(OutcomeText(outcome))})
                << '\n'
                << std::flush;
    }
  }

  // Ends a line being redrawn, so that a message starts on a line of its own.
  void BreakLine() {
    if (m_lineOpen && !m_quiet) std::cerr << '\n' << std::flush;
    m_lineOpen = false;
  }
  // The run is over: no picture is current any more.
  void Finish() {
    BreakLine();
    m_picture.reset();
    m_planned = false;
  }

 private:
  // Bytes a second: measured since the run began, or the line's own rate (10 bits a
  // byte) while too little has moved to tell.
  double Rate() const {
    const double seconds = std::chrono::duration<double>(Clock::now() - m_start).count();
    const std::uint64_t moved = m_batchBytes + m_done;
    if (seconds >= 1.0 && moved > 0) return static_cast<double>(moved) / seconds;
    return TheLinkSetup().currentSpeed / 10.0;
  }
  double SecondsLeft() const {
    double bytesLeft = static_cast<double>(m_total - m_done);
    if (m_planned && m_count > m_index) {
      const double knownBytes = static_cast<double>(m_batchBytes + m_total);
      const std::size_t known = m_sizedPictures + (m_total != 0 ? 1 : 0);
      if (known != 0) bytesLeft += static_cast<double>(m_count - m_index) * knownBytes / static_cast<double>(known);
    }
    const double rate = Rate();
    return rate > 0 ? bytesLeft / rate : 0;
  }
  std::string LineText() const {
    std::string head =
        m_planned ? TrFormat("%1 of %2: %3", {std::to_string(m_index), std::to_string(m_count), m_current}) : m_label;
    int percent = m_total == 0 ? 100 : static_cast<int>(m_done * 100 / m_total);
    return TrFormat("%1  %2/%3 bytes (%4%)  %5 B/s  %6 left",
                    {head, std::to_string(m_done), std::to_string(m_total), std::to_string(percent),
                     std::to_string(static_cast<long long>(Rate() + 0.5)), Duration(SecondsLeft())});
  }
  // Redraws at most ten times a second, and always at a picture's start and end.
  void Draw(bool force) {
    if (m_quiet || !m_terminal || m_total == 0) return;
    const auto now = Clock::now();
    if (!force && m_done != m_total && now - m_lastDraw < std::chrono::milliseconds(100)) return;
    m_lastDraw = now;
    std::cerr << '\r' << LineText() << "\033[K" << std::flush;
    m_lineOpen = true;
  }

  bool m_quiet;
  bool m_json;
  bool m_terminal;
  CliPrompt& m_prompt;
  std::optional<ObjectScope> m_picture;
  std::string m_label;
  std::string m_current;
  std::uint64_t m_total = 0;
  std::uint64_t m_done = 0;
  bool m_planned = false;
  std::size_t m_count = 0;
  std::size_t m_index = 0;
  std::uint64_t m_batchBytes = 0;   // bytes of the pictures settled so far
  std::size_t m_sizedPictures = 0;  // how many of them came over the line
  Clock::time_point m_start{};
  Clock::time_point m_lastDraw{};
  bool m_lineOpen = false;
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
  bool json = false;
  bool help = false;
  std::string subcommand;
  std::vector<std::string> operands;
};

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Checks the values of the options. Returns an error text, or nothing.
std::optional<std::string> ReadCameraArgs(const ParsedArgs& parsed, CameraArgs& out) {
  for (const ParsedOption& option : parsed.options) {
    const std::string& text = option.value;
    switch (option.id) {
      case kDevice:
        if (text.empty()) return Tr("--device needs a path");
        out.device = text;
        break;
      case kPort: {
        int port = 0;
        if (!ParseNumber(text, port) || port < 1 || port > kPortCount)
          return TrWith("--port takes 1, 2, 3 or 4, not \"%1\"", text);
        out.port = port;
        break;
      }
      case kSpeed: {
        std::uint32_t speed = 0;
        if (!ParseNumber(text, speed) || DialogSpeedIndex(speed) < 0)
          return TrWith("--speed takes 9600, 19200, 28800, 38400, 57600 or 115200, not \"%1\"", text);
        out.speed = speed;
        break;
      }
      case kPrefix:
        if (Utf8Length(text) > kMaxPicturePrefixLength) return Tr("--prefix takes at most 4 characters");
        out.prefix = text;
        break;
      case kTo: out.to = text; break;
      case kQuiet: out.quiet = true; break;
      case kOverwrite: out.overwrite = true; break;
      case kJson: out.json = true; break;
      case kOptHelp: out.help = true; break;
      default: break;
    }
  }
  if (!parsed.operands.empty()) {
    out.subcommand = parsed.operands[0];
    out.operands.assign(parsed.operands.begin() + 1, parsed.operands.end());
  }
  if (out.device && out.port) return Tr("--device and --port exclude each other");
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

// The line as messages name it: "/dev/ttyUSB0 (COM1, 115200 bit/s)".
std::string LineObjectText(const CameraArgs& args) {
  const LinkSetup& setup = TheLinkSetup();
  int port = args.device ? 1 : args.port.value_or(setup.currentPort);
  std::string device = args.device.value_or(DeviceOfPort(port));
  return TrFormat("%1 (COM%2, %3 bit/s)",
                  {device.empty() ? "-" : device, std::to_string(port), std::to_string(setup.currentSpeed)});
}

int RunPorts(bool json) {
  const LinkSetup& setup = TheLinkSetup();
  for (int port = 1; port <= kPortCount; ++port) {
    std::string device = DeviceOfPort(port);
    std::string_view status = device.empty()          ? N_("no device")
                              : IsPortAvailable(port) ? N_("can be opened")
                                                      : N_("cannot be opened");
    std::string reason;
    if (!device.empty() && !IsPortAvailable(port))
      reason = OneLine(MessageText(PortOpenErrorMessage(PortOpenErrorFromErrno(setup.portOpenError[port]))));
    if (json) {
      JsonObject line;
      line.Add("port", std::int64_t{port}).Add("device", device).Add("status", status);
      if (!reason.empty()) line.Add("reason", reason);
      line.Print();
      continue;
    }
    std::string shown = device.empty() ? "-" : device;
    shown.resize(std::max<std::size_t>(shown.size(), 20), ' ');
    std::cout << "COM" << port << "  " << shown << "  " << Tr(status);
    if (!reason.empty()) std::cout << ": " << OneLine(Tr(reason));
    std::cout << '\n';
  }
  const bool probed = setup.probePort >= 1 && setup.probePort <= kPortCount;
  std::vector<std::uint32_t> speeds;
  if (probed)
    for (std::uint32_t speed : kDialogSpeeds)
      if (IsSpeedAvailable(speed)) speeds.push_back(speed);
  if (json) {
    std::string list = "[";
    for (std::uint32_t speed : speeds) list += (list.size() > 1 ? "," : "") + std::to_string(speed);
    JsonObject line;
    line.AddRaw("speeds", list + "]");
    if (probed) {
      line.Add("speeds_port", std::int64_t{setup.probePort})
          .Add("selected_port", std::int64_t{setup.currentPort})
          .Add("selected_speed", std::int64_t{setup.currentSpeed});
    }
    line.Print();
    return kExitOk;
  }
  if (!probed) {
    std::cout << Tr("speeds: none (no port could be opened)") << '\n';
    return kExitOk;
  }
  std::cout << TrWith("speeds on COM%1:", std::to_string(setup.probePort));
  for (std::uint32_t speed : speeds) std::cout << ' ' << speed;
  std::cout << '\n'
            << TrWith("selected: COM%1 at %2 bit/s", std::to_string(setup.currentPort),
                      std::to_string(setup.currentSpeed))
            << '\n';
  return kExitOk;
}

// ----------------------------------------------------------------------------- subcommands

int RunCount(bool json) {
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
  if (json)
    JsonObject().Add("count", std::int64_t{count}).Print();
  else
    std::cout << count << '\n';
  return kExitOk;
}

int RunList(bool json) {
  std::vector<std::string> names;
  SequenceEnd end = ListNames(names);
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (json)
      JsonObject().Add("number", static_cast<std::int64_t>(i + 1)).Add("file", names[i]).Print();
    else
      std::cout << names[i] << '\n';
  }
  return end == SequenceEnd::kDone || end == SequenceEnd::kEmpty ? kExitOk : kExitFailure;
}

// The folder a subcommand writes into is made when it does not exist yet, before the
// camera is asked anything; a path that cannot be a folder is refused.
bool CheckFolder(const fs::path& folder) {
  std::error_code error;
  if (fs::is_directory(folder, error)) return true;
  if (!fs::exists(folder, error) && fs::create_directories(folder, error)) return true;
  ObjectScope object(folder.string());
  Prompt().Show(MessageText(kMsgInvalidPath));
  return false;
}

// The summary of a run: every picture asked for is counted once, and a run that ended
// early says why.
std::string_view StopText(SaveStop stop) {
  switch (stop) {
    case SaveStop::kNone: return {};
    case SaveStop::kCancelled: return N_("cancelled");
    case SaveStop::kDiskFull: return N_("disk full");
    case SaveStop::kNoAnswer: return N_("the camera did not answer");
    case SaveStop::kDisconnected: return N_("the serial device was disconnected");
    case SaveStop::kCardChanged: return N_("the memory card was changed");
    case SaveStop::kCannotOpen: return N_("the serial device could not be opened");
    case SaveStop::kFolder: return N_("the folder cannot take files");
    case SaveStop::kFailed: return N_("a picture failed");
  }
  return {};
}

// The summary line; with --json the same counts as one object, "not_tried" only when the
// number of pictures is known, "reason" only when the run stopped early.
void PrintSummary(const SaveTally& tally, bool json, bool countsNotTried, std::string_view what) {
  if (json) {
    JsonObject line;
    line.Add("summary", what)
        .Add("saved", std::int64_t{tally.saved})
        .Add("skipped", std::int64_t{tally.skipped})
        .Add("failed", std::int64_t{tally.failed});
    if (countsNotTried && tally.asked >= 0) line.Add("not_tried", std::int64_t{tally.notTried});
    line.Add("status", tally.stopped == SaveStop::kNone ? "done" : "stopped");
    if (tally.stopped != SaveStop::kNone) line.Add("reason", StopText(tally.stopped));
    line.Print();
    return;
  }
  std::cout << TrFormat("%1 saved, %2 skipped, %3 failed",
                        {std::to_string(tally.saved), std::to_string(tally.skipped), std::to_string(tally.failed)});
  if (countsNotTried && tally.asked >= 0) std::cout << TrWith(", %1 not tried", std::to_string(tally.notTried));
  if (tally.stopped != SaveStop::kNone) std::cout << TrWith("; stopped: %1", Tr(StopText(tally.stopped)));
  if (countsNotTried && tally.asked < 0) std::cout << Tr(" (the number of pictures is not known)");
  std::cout << '\n' << std::flush;
}

void ReportCancel(ProgressLine& progress) {
  progress.BreakLine();
  PrintError("", N_("cancelled"));
}

// Writes the thumbnails as DIR/AUT_NNNN.bmp.
class BmpFolderSink final : public ThumbnailSink {
 public:
  BmpFolderSink(fs::path folder, bool overwrite, bool json, ProgressLine& progress)
      : m_folder(std::move(folder)), m_overwrite(overwrite), m_json(json), m_progress(progress) {}

  bool Wanted(std::uint32_t number, const std::string& name) override {
    fs::path target = Target(name);
    std::error_code ignored;
    if (m_overwrite || !fs::exists(fs::symlink_status(target, ignored))) return true;
    Skip(number, target);
    return false;
  }
  void Add(std::uint32_t number, const std::string& name, const Picture& thumbnail, bool) override {
    fs::path target = Target(name);
    // The placeholder has 16 colours; every file is written with 24 bits.
    Bytes file = CBMP::SetupBmpWrite(thumbnail.bitsPerPixel == 24 ? thumbnail : ConvertedTo24(thumbnail),
                                     BmpHeaderStyle::kWindows);
    std::error_code error = m_overwrite ? WriteFileAtomically(target, file) : WriteNewFileAtomically(target, {file});
    if (error == std::errc::file_exists) {
      Skip(number, target);
    } else if (error) {
      ReportFileError(error, target);
      ++failed;
      Line(number, target, 0, "failed", OneLine(MessageTextWith(kMsgFileGeneric, target.string())));
    } else {
      ++saved;
      Line(number, target, file.size(), "saved", {});
    }
  }

  int saved = 0, skipped = 0, failed = 0;

 private:
  fs::path Target(const std::string& name) const { return m_folder / (name.substr(0, name.size() - 4) + ".bmp"); }
  void Skip(std::uint32_t number, const fs::path& target) {
    m_progress.Skipped(target);
    ++skipped;
    Line(number, target, 0, "skipped", "This file already exists; skipped.");
  }
  void Line(std::uint32_t number, const fs::path& target, std::uint64_t size, std::string_view status,
            std::string_view reason) const {
    if (!m_json) return;
    JsonObject line;
    line.Add("file", target.string())
        .Add("number", std::int64_t{number})
        .Add("size", static_cast<std::int64_t>(size))
        .Add("status", status);
    if (!reason.empty()) line.Add("reason", reason);
    line.Print();
  }

  fs::path m_folder;
  bool m_overwrite;
  bool m_json;
  ProgressLine& m_progress;
};

int RunThumbnails(const CameraArgs& args, ProgressLine& progress) {
  fs::path folder = args.operands[0];
  if (!CheckFolder(folder)) return kExitFailure;
  BmpFolderSink sink(folder, args.overwrite, args.json, progress);
  SequenceEnd end = ListThumbnails(sink, progress);
  progress.Finish();
  if (end == SequenceEnd::kCancelled) ReportCancel(progress);
  SaveTally tally;
  tally.saved = sink.saved;
  tally.skipped = sink.skipped;
  tally.failed = sink.failed;
  tally.asked = -1;  // a listing counts only what it got to
  if (end == SequenceEnd::kCancelled)
    tally.stopped = SaveStop::kCancelled;
  else if (end == SequenceEnd::kFailed)
    tally.stopped = ThePort().lineGone ? SaveStop::kDisconnected : SaveStop::kNoAnswer;
  PrintSummary(tally, args.json, false, "thumbnails");
  bool ok = (end == SequenceEnd::kDone || end == SequenceEnd::kEmpty) && sink.failed == 0;
  return ok ? kExitOk : kExitFailure;
}

int RunGet(const CameraArgs& args, const std::vector<std::uint32_t>& numbers, ProgressLine& progress) {
  fs::path folder = *args.to;
  if (!CheckFolder(folder)) return kExitFailure;
  SaveOptions options;
  options.folder = folder;
  options.prefix = args.prefix.value_or(std::string(kDefaultPicturePrefix));
  options.existing = args.overwrite ? ExistingTarget::kReplace : ExistingTarget::kSkip;
  options.carryOn = true;
  SaveTally tally;
  {
    // Messages before the first picture and after the last are about the folder.
    ObjectScope object(folder.string());
    tally = SavePicturesToFolder(numbers, options, progress);
    progress.Finish();
  }
  if (tally.end == SequenceEnd::kCancelled) ReportCancel(progress);
  PrintSummary(tally, args.json, true, args.subcommand);
  bool ok = (tally.end == SequenceEnd::kDone || tally.end == SequenceEnd::kEmpty) && tally.failed == 0;
  return ok ? kExitOk : kExitFailure;
}

int RunPut(const CameraArgs& args, ProgressLine& progress) {
  std::vector<fs::path> files(args.operands.begin(), args.operands.end());
  SendTally tally = SendPicturesToCamera(files, progress);
  progress.Finish();
  if (tally.end == SequenceEnd::kCancelled) ReportCancel(progress);
  if (args.json) {
    JsonObject line;
    line.Add("summary", "put").Add("sent", std::int64_t{tally.sent}).Add("failed", std::int64_t{tally.failed});
    line.Add("status", tally.end == SequenceEnd::kDone ? "done" : "stopped");
    if (tally.end == SequenceEnd::kCancelled) line.Add("reason", "cancelled");
    line.Print();
  }
  return tally.end == SequenceEnd::kDone ? kExitOk : kExitFailure;
}

}  // namespace

int RunCamera(const Args& rawArgs) {
  ParsedArgs parsed;
  int status = kExitOk;
  if (!ReadOptions("camera", rawArgs, kOptions, parsed, status)) return status;
  CameraArgs args;
  if (auto error = ReadCameraArgs(parsed, args)) return UsageError("camera", *error);
  const std::string& sub = args.subcommand;
  const Subcommand* found = FindSubcommand(sub);
  if (args.help) {
    if (found)
      PrintSubcommandHelp(*found);
    else if (sub.empty())
      PrintCameraHelp();
    else
      return UsageError("camera", TrWith("unknown camera subcommand \"%1\"", sub));
    return kExitOk;
  }
  std::vector<std::uint32_t> numbers;
  if (sub.empty()) return UsageError("camera", Tr("camera needs a subcommand"));
  if (found == nullptr) return UsageError("camera", TrWith("unknown camera subcommand \"%1\"", sub));
  const std::string command = "camera " + sub;
  if (sub == "count" || sub == "list" || sub == "ports" || sub == "get-all") {
    if (!args.operands.empty()) return UsageError(command, TrWith("%1 takes no operands", sub));
  } else if (sub == "thumbnails") {
    if (args.operands.size() != 1) return UsageError(command, Tr("thumbnails takes one folder"));
  } else if (sub == "get") {
    if (args.operands.empty()) return UsageError(command, Tr("get takes one or more picture numbers"));
    for (const auto& operand : args.operands) {
      std::uint32_t number = 0;
      if (!ParseNumber(operand, number) || number < 1 || number > 9999)
        return UsageError(command, TrWith("not a picture number (1 to 9999): \"%1\"", operand));
      numbers.push_back(number);
    }
  } else if (sub == "put") {
    if (args.operands.empty()) return UsageError(command, Tr("put takes one or more picture files"));
  }
  if ((sub == "get" || sub == "get-all") != args.to.has_value())
    return UsageError(command, args.to ? Tr("--to belongs to get and get-all") : TrWith("%1 needs --to DIR", sub));

  auto prompt = std::make_unique<CliPrompt>(StreamPrompt::Answers{args.overwrite, false});
  CliPrompt& cliPrompt = *prompt;
  ScopedPrompt installed(std::move(prompt));
  ProgressLine progress(args.quiet, args.json, cliPrompt);
  cliPrompt.SetBeforeMessage([&progress] { progress.BreakLine(); });
  SetLineObject([&args] { return LineObjectText(args); });
  // A prefix the program would refuse in its dialog is refused here too, as a usage error.
  if (args.prefix) {
    ObjectScope object("--prefix");
    if (!CheckPicturePrefix(*args.prefix)) return kExitUsage;
  }
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

  status = kExitFailure;
  if (sub == "ports")
    status = RunPorts(args.json);
  else if (sub == "count")
    status = RunCount(args.json);
  else if (sub == "list")
    status = RunList(args.json);
  else if (sub == "thumbnails")
    status = RunThumbnails(args, progress);
  else if (sub == "get" || sub == "get-all")
    status = RunGet(args, numbers, progress);
  else if (sub == "put")
    status = RunPut(args, progress);
  CameraDisconnect();
  SetLineObject({});
  // A run that a signal stopped ends as the signal would have ended it.
  if (g_stopSignal != 0) return kExitSignalBase + g_stopSignal;
  return status;
}

}  // namespace tessaly::cli
