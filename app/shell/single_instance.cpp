#include "shell/single_instance.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "base/file_io.h"

namespace tessaly::shell {
namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 60000));
}

bool FillAddress(const fs::path& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  const std::string& name = path.native();
  if (name.empty() || name.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
  return true;
}

// Waits until fd can be read (or written), or the deadline passes, or (when wake is a
// descriptor) the server is told to stop. True when fd is ready.
bool WaitFor(int fd, short events, Clock::time_point deadline, int wake = -1) {
  for (;;) {
    pollfd fds[2] = {{fd, events, 0}, {wake, POLLIN, 0}};
    int ready = ::poll(fds, wake >= 0 ? 2 : 1, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    if (wake >= 0 && fds[1].revents != 0) return false;
    return fds[0].revents != 0;
  }
}

bool SendAll(int fd, const std::uint8_t* data, std::size_t size, Clock::time_point deadline, int wake = -1) {
  while (size > 0) {
    ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      data += sent;
      size -= static_cast<std::size_t>(sent);
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT, deadline, wake)) continue;
    return false;
  }
  return true;
}

enum class ReadResult { kDone, kClosed, kTimedOut };

ReadResult ReadAll(int fd, std::uint8_t* out, std::size_t size, Clock::time_point deadline, int wake = -1) {
  while (size > 0) {
    ssize_t got = ::recv(fd, out, size, MSG_DONTWAIT);
    if (got > 0) {
      out += got;
      size -= static_cast<std::size_t>(got);
      continue;
    }
    if (got == 0) return ReadResult::kClosed;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return ReadResult::kClosed;
    if (!WaitFor(fd, POLLIN, deadline, wake)) return ReadResult::kTimedOut;
  }
  return ReadResult::kDone;
}

// True when the other side has closed its end: a start that gave up waiting.
bool PeerHasGone(int fd) {
  pollfd query{fd, POLLIN | POLLRDHUP, 0};
  if (::poll(&query, 1, 0) <= 0) return false;
  if (query.revents & (POLLHUP | POLLRDHUP | POLLERR)) return true;
  std::uint8_t byte;
  return ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

std::optional<InstanceCommand> CommandOf(CAppCommandLineInfo::ShellCommand command) {
  using Command = CAppCommandLineInfo::ShellCommand;
  switch (command) {
    case Command::kNew:
    case Command::kOpen: return InstanceCommand::kOpen;
    case Command::kPrint: return InstanceCommand::kPrint;
    case Command::kPrintTo: return InstanceCommand::kPrintTo;
    case Command::kDde: return InstanceCommand::kDde;
  }
  return std::nullopt;
}

bool OnlyPrints(const CAppCommandLineInfo& info) {
  using Command = CAppCommandLineInfo::ShellCommand;
  if (info.entries.empty()) return false;
  for (const auto& entry : info.entries)
    if (entry.command != Command::kPrint && entry.command != Command::kPrintTo) return false;
  return true;
}

}  // namespace

// ---------------------------------------------------------------- where the starts meet

InstanceEnvironment InstanceEnvironment::FromProcess() {
  InstanceEnvironment environment;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) environment.runtimeDir = runtime;
  if (const char* id = std::getenv("DESKTOP_STARTUP_ID")) environment.startupId = id;
  if (const char* token = std::getenv("XDG_ACTIVATION_TOKEN")) environment.activationToken = token;
  environment.displayKey =
      InstanceDisplayKey(std::getenv("GDK_BACKEND"), std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"));
  environment.uid = ::getuid();
  return environment;
}

FolderCheck CheckPrivateFolder(const fs::path& folder, uid_t uid) {
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) return FolderCheck::kMissing;
  if (!S_ISDIR(info.st_mode)) return FolderCheck::kNotFolder;
  if (info.st_uid != uid) return FolderCheck::kOtherOwner;
  if ((info.st_mode & 077) != 0) return FolderCheck::kOpenToOthers;
  return FolderCheck::kPrivate;
}

InstanceLocation LocateInstance(const InstanceEnvironment& environment) {
  InstanceLocation location;
  if (environment.displayKey.empty()) return location;
  // $XDG_RUNTIME_DIR is the user's own by definition; in /tmp anyone could have made
  // the folder first, so what is found there is checked before it is trusted.
  location.folder = !environment.runtimeDir.empty()
                        ? fs::path(environment.runtimeDir) / "tessaly"
                        : fs::path(environment.tmpRoot) / ("tessaly-" + std::to_string(environment.uid));
  ::mkdir(location.folder.c_str(), 0700);
  location.check = CheckPrivateFolder(location.folder, environment.uid);
  location.socket = location.folder / InstanceSocketName(environment.displayKey);
  location.lock = location.folder / InstanceLockName(environment.displayKey);
  return location;
}

// ---------------------------------------------------------------- the lock

std::optional<InstanceLock> InstanceLock::Acquire(const fs::path& path, std::chrono::milliseconds timeout) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return std::nullopt;
  const Clock::time_point deadline = Clock::now() + timeout;
  // flock has no time-out of its own; a start that holds the lock does so for a moment.
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return InstanceLock(fd);
    if (errno != EWOULDBLOCK && errno != EINTR) break;
    if (Clock::now() >= deadline) break;
    ::usleep(10000);
  }
  ::close(fd);
  return std::nullopt;
}

InstanceLock::~InstanceLock() {
  if (m_fd >= 0) ::close(m_fd);  // closing drops the flock
}

// ---------------------------------------------------------------- the later start's side

Probe ConnectToInstance(const fs::path& socket, std::chrono::milliseconds timeout) {
  Probe probe;
  sockaddr_un address;
  if (!FillAddress(socket, address)) {
    probe.error = ENAMETOOLONG;
    return probe;
  }
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    probe.error = errno;
    return probe;
  }
  // A listening program whose queue of connections is full (it is stopped) makes
  // connect wait; the send time-out bounds that wait.
  timeval limit{static_cast<time_t>(timeout.count() / 1000), static_cast<suseconds_t>(timeout.count() % 1000 * 1000)};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  int result;
  do {
    result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  } while (result != 0 && errno == EINTR);
  if (result == 0) {
    probe.result = ProbeResult::kConnected;
    probe.fd = fd;
    return probe;
  }
  probe.error = errno;
  ::close(fd);
  // No socket, or a socket nobody listens on any more: no program is running.
  probe.result = probe.error == ENOENT || probe.error == ECONNREFUSED ? ProbeResult::kNoInstance : ProbeResult::kError;
  return probe;
}

HandOffResult HandOff(int fd, const std::vector<std::uint8_t>& request, const InstanceTimeouts& timeouts) {
  auto finish = [fd](HandOffResult result) {
    ::close(fd);
    return result;
  };
  const Clock::time_point answerDeadline = Clock::now() + timeouts.answer;
  if (!SendAll(fd, request.data(), request.size(), answerDeadline)) {
    // A program that is still there but reads nothing is stopped; one that went away
    // reset the connection.
    return finish(errno == EAGAIN || errno == EWOULDBLOCK ? HandOffResult::kNotAnswering : HandOffResult::kGone);
  }
  bool received = false;
  for (;;) {
    std::uint8_t bytes[kInstanceAnswerSize];
    const Clock::time_point deadline = received ? Clock::now() + timeouts.taken : answerDeadline;
    ReadResult read = ReadAll(fd, bytes, sizeof bytes, deadline);
    if (read == ReadResult::kTimedOut) return finish(HandOffResult::kNotAnswering);
    if (read == ReadResult::kClosed) return finish(HandOffResult::kGone);
    std::optional<InstanceAnswer> answer = ParseInstanceAnswer(bytes);
    if (!answer) return finish(HandOffResult::kOtherVersion);
    switch (*answer) {
      case InstanceAnswer::kReceived:
        if (received) return finish(HandOffResult::kRefused);
        received = true;
        break;
      case InstanceAnswer::kTaken: return finish(HandOffResult::kTaken);
      case InstanceAnswer::kRefused: return finish(HandOffResult::kRefused);
      case InstanceAnswer::kUnsupportedVersion: return finish(HandOffResult::kOtherVersion);
    }
  }
}

// ---------------------------------------------------------------- the running program's side

std::unique_ptr<InstanceServer> InstanceServer::Listen(const InstanceLocation& location,
                                                       const InstanceTimeouts& timeouts) {
  sockaddr_un address;
  if (location.check != FolderCheck::kPrivate || !FillAddress(location.socket, address)) return nullptr;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return nullptr;
  // Whatever is left at the name is a dead program's socket (the caller found nobody
  // listening, holding the lock).
  ::unlink(location.socket.c_str());
  struct stat info {};
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, SOMAXCONN) != 0 ||
      ::lstat(location.socket.c_str(), &info) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<InstanceServer>(new InstanceServer(location, timeouts, fd, info.st_ino, info.st_dev));
}

InstanceServer::InstanceServer(const InstanceLocation& location, const InstanceTimeouts& timeouts, int listenFd,
                               ino_t inode, dev_t device)
    : m_location(location), m_timeouts(timeouts), m_listenFd(listenFd), m_inode(inode), m_device(device) {
  if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) m_wake[0] = m_wake[1] = -1;
  m_thread = std::thread([this] { Run(); });
}

InstanceServer::~InstanceServer() {
  {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->stop = true;
    m_shared->handler = nullptr;
  }
  m_shared->changed.notify_all();
  if (m_wake[1] >= 0) {
    const char byte = 0;
    [[maybe_unused]] ssize_t written = ::write(m_wake[1], &byte, 1);
  }
  if (m_thread.joinable()) m_thread.join();
  ::close(m_listenFd);
  // The name goes only while it is still our socket: a start that found us gone may
  // already have put its own there. The lock keeps that start from doing so meanwhile;
  // when it cannot be had soon the name stays, and is stale like a crashed program's.
  if (auto lock = InstanceLock::Acquire(m_location.lock, std::chrono::milliseconds(500))) {
    struct stat info {};
    if (::lstat(m_location.socket.c_str(), &info) == 0 && info.st_ino == m_inode && info.st_dev == m_device)
      ::unlink(m_location.socket.c_str());
  }
  for (int fd : m_wake)
    if (fd >= 0) ::close(fd);
}

void InstanceServer::SetHandler(Handler handler) {
  {
    std::lock_guard<std::mutex> calling(m_shared->calling);
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->handler = std::move(handler);
  }
  m_shared->changed.notify_all();
}

void InstanceServer::Run() {
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(m_shared->mutex);
      if (m_shared->stop) return;
    }
    pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    int ready = ::poll(fds, m_wake[0] >= 0 ? 2 : 1, m_wake[0] >= 0 ? -1 : 200);
    if (ready < 0 && errno != EINTR) return;
    if (fds[1].revents != 0) return;
    if (ready <= 0 || fds[0].revents == 0) continue;
    int connection = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (connection < 0) continue;
    Serve(connection);
    ::close(connection);
  }
}

bool InstanceServer::ReadExactly(int fd, std::uint8_t* out, std::size_t size, Clock::time_point deadline) {
  return ReadAll(fd, out, size, deadline, m_wake[0]) == ReadResult::kDone;
}

void InstanceServer::Serve(int connection) {
  // Only the user's own starts may hand over files (the folder already keeps others out).
  ucred peer{};
  socklen_t length = sizeof peer;
  if (::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::getuid()) return;

  const Clock::time_point deadline = Clock::now() + m_timeouts.request;
  auto answer = [&](InstanceAnswer what) {
    std::vector<std::uint8_t> bytes = EncodeInstanceAnswer(what);
    return SendAll(connection, bytes.data(), bytes.size(), Clock::now() + m_timeouts.request, m_wake[0]);
  };
  std::uint8_t headerBytes[kInstanceHeaderSize];
  if (!ReadExactly(connection, headerBytes, sizeof headerBytes, deadline)) return;
  InstanceHeader header = CheckInstanceHeader(headerBytes);
  if (header.check == HeaderCheck::kUnsupportedVersion) {
    answer(InstanceAnswer::kUnsupportedVersion);
    return;
  }
  if (header.check != HeaderCheck::kComplete) {
    answer(InstanceAnswer::kRefused);
    return;
  }
  // The length was bounded by the header check before this allocation.
  std::vector<std::uint8_t> body(header.bodySize);
  if (!ReadExactly(connection, body.data(), body.size(), deadline)) return;
  std::optional<InstanceRequest> request = ParseInstanceBody(body, header.version);
  if (!request) {
    answer(InstanceAnswer::kRefused);
    return;
  }
  if (!answer(InstanceAnswer::kReceived)) return;

  // The main thread may run the callback after this server is gone (a program that
  // ends with the request still queued): it holds the shared state, never the server.
  std::shared_ptr<Shared> shared = m_shared;
  auto taken = std::make_shared<bool>(false);
  std::unique_lock<std::mutex> lock(shared->mutex);
  shared->changed.wait(lock, [&] { return shared->stop || shared->handler != nullptr; });
  if (shared->stop) return;
  lock.unlock();
  // A start that gave up waiting has started on its own and opened its files itself.
  if (PeerHasGone(connection)) return;
  {
    // Clearing the handler waits for a call under way (the program is ending).
    std::lock_guard<std::mutex> calling(shared->calling);
    Handler handler;
    {
      std::lock_guard<std::mutex> state(shared->mutex);
      handler = shared->handler;
    }
    if (!handler) return;
    handler(std::move(*request), [shared, taken] {
      {
        std::lock_guard<std::mutex> done(shared->mutex);
        *taken = true;
      }
      shared->changed.notify_all();
    });
  }
  lock.lock();
  shared->changed.wait(lock, [&] { return shared->stop || *taken; });
  if (!*taken) return;
  lock.unlock();
  answer(InstanceAnswer::kTaken);
}

// ---------------------------------------------------------------- command lines

std::optional<InstanceRequest> RequestOfCommandLine(const CAppCommandLineInfo& info, const fs::path& cwd) {
  InstanceRequest request;
  for (const CAppCommandLineInfo::Entry& entry : info.entries) {
    fs::path path(entry.fileName);
    if (path.is_relative()) {
      if (cwd.empty()) return std::nullopt;
      path = cwd / path;
    }
    std::optional<InstanceCommand> command = CommandOf(entry.command);
    if (!command) return std::nullopt;
    request.entries.push_back({*command, path.native()});
  }
  if (!EncodeInstanceRequest(request)) return std::nullopt;
  return request;
}

std::string LaunchIdToUse(const InstanceRequest& request, bool wayland) {
  // A Wayland compositor knows the activation token; launchers that predate it (and the
  // toolkit's own Wayland launcher) pass the startup id there too. On X11 only the
  // startup id means anything.
  if (wayland && !request.activationToken.empty()) return request.activationToken;
  return request.startupId;
}

CAppCommandLineInfo CommandLineOfRequest(const InstanceRequest& request) {
  using Command = CAppCommandLineInfo::ShellCommand;
  CAppCommandLineInfo info;
  info.showLogo = false;
  for (const InstanceEntry& entry : request.entries) {
    CAppCommandLineInfo::Entry line;
    line.fileName = entry.path;
    switch (entry.command) {
      case InstanceCommand::kOpen: line.command = Command::kOpen; break;
      case InstanceCommand::kPrint: line.command = Command::kPrint; break;
      case InstanceCommand::kPrintTo: line.command = Command::kPrintTo; break;
      case InstanceCommand::kDde: line.command = Command::kDde; break;
    }
    info.entries.push_back(std::move(line));
  }
  return info;
}

// ---------------------------------------------------------------- the decision at start

StartDecision DecideStart(const CAppCommandLineInfo& info, const InstanceEnvironment& environment, const fs::path& cwd,
                          const InstanceTimeouts& timeouts) {
  StartDecision decision;
  // A start for another program is a server process of its own; one whose command line
  // is wrong says so itself.
  if (info.runEmbedded || info.runAutomated || !info.error.empty()) return decision;
  std::optional<InstanceRequest> request = RequestOfCommandLine(info, cwd);
  if (!request) return decision;
  // The launcher's feedback for this start is the running program's to end. What
  // cannot be carried is left out: the files matter more.
  if (IsAcceptableLaunchId(environment.startupId)) request->startupId = environment.startupId;
  if (IsAcceptableLaunchId(environment.activationToken)) request->activationToken = environment.activationToken;
  std::optional<std::vector<std::uint8_t>> bytes = EncodeInstanceRequest(*request);
  InstanceLocation location = LocateInstance(environment);
  if (location.folder.empty() || !bytes) return decision;
  if (location.check == FolderCheck::kMissing) return decision;
  if (location.check != FolderCheck::kPrivate) {
    decision.notices.push_back({InstanceNotice::kFolderNotPrivate, location.folder.string()});
    return decision;
  }
  // A program that is ending closes the connection unanswered; the next try finds its
  // socket gone (or the program that took its place).
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::optional<InstanceLock> lock = InstanceLock::Acquire(location.lock, timeouts.lock);
    if (!lock) {
      decision.notices.push_back({InstanceNotice::kNotAnswering, {}});
      return decision;
    }
    Probe probe = ConnectToInstance(location.socket, timeouts.answer);
    if (probe.result == ProbeResult::kNoInstance) {
      // A start that only prints ends at once: it does not take over from anyone.
      if (OnlyPrints(info)) return decision;
      decision.server = InstanceServer::Listen(location, timeouts);
      if (decision.server) decision.outcome = StartOutcome::kServe;
      return decision;
    }
    if (probe.result == ProbeResult::kError) {
      if (probe.error == EAGAIN || probe.error == EWOULDBLOCK)
        decision.notices.push_back({InstanceNotice::kNotAnswering, {}});
      return decision;
    }
    lock.reset();
    switch (HandOff(probe.fd, *bytes, timeouts)) {
      case HandOffResult::kTaken: decision.outcome = StartOutcome::kHandedOver; return decision;
      case HandOffResult::kGone: continue;
      case HandOffResult::kNotAnswering:
        decision.notices.push_back({InstanceNotice::kNotAnswering, {}});
        return decision;
      case HandOffResult::kOtherVersion:
        // A program of an earlier release reads only requests without a launch id: it
        // still takes the files (the launcher's feedback then runs to its time-out).
        if (!request->startupId.empty() || !request->activationToken.empty()) {
          request->startupId.clear();
          request->activationToken.clear();
          bytes = EncodeInstanceRequest(*request);
          if (bytes) continue;
        }
        decision.notices.push_back({InstanceNotice::kOtherVersion, {}});
        return decision;
      case HandOffResult::kRefused: decision.notices.push_back({InstanceNotice::kOtherVersion, {}}); return decision;
    }
  }
  return decision;
}

namespace {

struct ProgramStart {
  std::unique_ptr<InstanceServer> server;
  std::vector<InstanceNoticeItem> notices;
  std::optional<std::vector<std::string>> arguments;
};

ProgramStart& TheProgramStart() {
  static ProgramStart start;
  return start;
}

}  // namespace

StartDecision DecideProgramStart(int argc, char** argv) {
  // The raw bytes of the arguments: file names need not be UTF-8.
  std::vector<std::string> args(argv + 1, argv + argc);
  TheProgramStart().arguments = args;
  std::error_code error;
  fs::path cwd = fs::current_path(error);
  if (error) cwd.clear();
  return DecideStart(CAppCommandLineInfo::Parse(args), InstanceEnvironment::FromProcess(), cwd);
}

void KeepProgramStart(StartDecision decision) {
  TheProgramStart().server = std::move(decision.server);
  TheProgramStart().notices = std::move(decision.notices);
}

const std::vector<std::string>* ProgramArguments() {
  return TheProgramStart().arguments ? &*TheProgramStart().arguments : nullptr;
}

InstanceServer* TheInstanceServer() { return TheProgramStart().server.get(); }

std::vector<InstanceNoticeItem> TakeInstanceNotices() { return std::move(TheProgramStart().notices); }

void EndProgramStart() { TheProgramStart().server.reset(); }

namespace {
OpenedDocumentsListener& OpenedListener() {
  static OpenedDocumentsListener listener;
  return listener;
}
}  // namespace

void SetOpenedDocumentsListener(OpenedDocumentsListener listener) { OpenedListener() = std::move(listener); }

void TellOpenedDocuments(const std::vector<std::string>& paths) {
  if (OpenedListener()) OpenedListener()(paths);
}

}  // namespace tessaly::shell
