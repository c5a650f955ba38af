// One running program per user and display: a later start (a file manager's "Open
// With") hands its files to the running program and ends.
//
// The two meet at a Unix socket in a folder only the user can enter
// ($XDG_RUNTIME_DIR/tessaly, else /tmp/tessaly-<uid>). The later start decides in plain
// POSIX before the toolkit starts, so handing over is quick and shows no window; the
// running program listens on a thread of its own that hands the files to the main
// thread. wx's IPC classes were not used for this: they need the toolkit's event loop
// on both sides (so the later start would have to bring up GTK first), give no control
// over the time-outs that keep a start from hanging on a stopped program, and cannot
// tell a stale socket from a busy one. Nothing here includes a wx header.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/instance_protocol.h"
#include "shell/command_line.h"

namespace tessaly::shell {

namespace fs = std::filesystem;

// What a start looks at: the environment's values, passed in so that tests can choose.
struct InstanceEnvironment {
  std::string runtimeDir;  // $XDG_RUNTIME_DIR, empty when unset
  std::string tmpRoot = "/tmp";
  std::string displayKey;  // InstanceDisplayKey; empty: no display, no meeting
  uid_t uid = 0;
  std::string startupId;        // $DESKTOP_STARTUP_ID, handed over with the files
  std::string activationToken;  // $XDG_ACTIVATION_TOKEN, likewise
  static InstanceEnvironment FromProcess();
};

enum class FolderCheck { kPrivate, kMissing, kNotFolder, kOtherOwner, kOpenToOthers };
// Whether the folder is a real folder (not a link) of uid that nobody else can enter.
FolderCheck CheckPrivateFolder(const fs::path& folder, uid_t uid);

struct InstanceLocation {
  fs::path folder, socket, lock;
  FolderCheck check = FolderCheck::kMissing;
};
// The meeting place, the folder made (mode 0700) when missing and then checked.
// Nothing (an empty folder) without a display.
InstanceLocation LocateInstance(const InstanceEnvironment& environment);

struct InstanceTimeouts {
  std::chrono::milliseconds lock{5000};     // waiting for another start to decide
  std::chrono::milliseconds answer{5000};   // a running program's first answer
  std::chrono::milliseconds taken{30000};   // its main thread taking the files
  std::chrono::milliseconds request{5000};  // the running program reading a request
};

// The lock that makes "is one running? then I serve" one step for starts racing each
// other. An flock on the lock file: the system drops it when its process dies.
class InstanceLock {
 public:
  static std::optional<InstanceLock> Acquire(const fs::path& path, std::chrono::milliseconds timeout);
  InstanceLock(InstanceLock&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
  InstanceLock& operator=(InstanceLock&&) = delete;
  ~InstanceLock();

 private:
  explicit InstanceLock(int fd) : m_fd(fd) {}
  int m_fd = -1;
};

// Connecting to the socket: a refused connection or no socket means that no program
// is running (a crashed one leaves its socket behind); other failures are errors.
enum class ProbeResult { kConnected, kNoInstance, kError };
struct Probe {
  ProbeResult result = ProbeResult::kError;
  int fd = -1;  // the connection, owned by the caller, when kConnected
  int error = 0;
};
Probe ConnectToInstance(const fs::path& socket, std::chrono::milliseconds timeout);

enum class HandOffResult {
  kTaken,         // the running program has the files
  kGone,          // it closed the connection before taking them (it is ending)
  kNotAnswering,  // no answer in time: stopped or hung
  kRefused,       // it found the request malformed
  kOtherVersion,  // it speaks another version
};
// Sends the request over the connection (closed before returning) and waits for the
// two answers.
HandOffResult HandOff(int fd, const std::vector<std::uint8_t>& request, const InstanceTimeouts& timeouts);

// The running program's side: a listening socket and a thread that reads one request
// at a time, answers "received", hands it to the handler, and answers "taken" once the
// handler's callback has run (on the main thread, after the files were queued there).
class InstanceServer {
 public:
  // Called on the server's thread; must only queue the request for the main thread and
  // call taken (from any thread) once the files are queued there.
  using Handler = std::function<void(InstanceRequest request, std::function<void()> taken)>;

  // Removes a stale socket and listens in its place. Call it holding the lock. Null when
  // the socket cannot be made.
  static std::unique_ptr<InstanceServer> Listen(const InstanceLocation& location, const InstanceTimeouts& timeouts);
  ~InstanceServer();
  InstanceServer(const InstanceServer&) = delete;
  InstanceServer& operator=(const InstanceServer&) = delete;

  // Requests wait (answered "received") until there is a handler; none after it is
  // cleared again.
  void SetHandler(Handler handler);
  const fs::path& SocketPath() const { return m_location.socket; }

 private:
  InstanceServer(const InstanceLocation& location, const InstanceTimeouts& timeouts, int listenFd, ino_t inode,
                 dev_t device);
  void Run();
  void Serve(int connection);
  bool ReadExactly(int fd, std::uint8_t* out, std::size_t size, std::chrono::steady_clock::time_point deadline);

  InstanceLocation m_location;
  InstanceTimeouts m_timeouts;
  int m_listenFd = -1;
  int m_wake[2] = {-1, -1};
  ino_t m_inode = 0;  // of the socket file we made, so that we remove only ours
  dev_t m_device = 0;
  struct Shared {
    std::mutex calling;  // held while the handler runs, and while it is changed
    std::mutex mutex;    // the rest
    std::condition_variable changed;
    Handler handler;
    bool stop = false;
  };
  std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
  std::thread m_thread;
};

// The request of a command line: its files made absolute against cwd (file names stay
// bytes). Nothing when a name cannot be sent (relative without cwd, too long).
std::optional<InstanceRequest> RequestOfCommandLine(const CAppCommandLineInfo& info, const fs::path& cwd);
// The id with which the running program ends the launcher's feedback for a request and
// raises its window: the activation token on Wayland (else the startup id), the startup
// id on X11. Empty when the request has none.
std::string LaunchIdToUse(const InstanceRequest& request, bool wayland);
// The command line the running program carries out for a request.
CAppCommandLineInfo CommandLineOfRequest(const InstanceRequest& request);

// What a later start says on stderr before it starts on its own.
enum class InstanceNotice { kNotAnswering, kOtherVersion, kFolderNotPrivate };
struct InstanceNoticeItem {
  InstanceNotice notice;
  std::string folder;  // for kFolderNotPrivate
};

enum class StartOutcome {
  kHandedOver,  // the running program has the files: end with status 0
  kServe,       // no program was running: start and serve later starts
  kAlone,       // start without serving (a start for another program, a stopped one, ...)
};
struct StartDecision {
  StartOutcome outcome = StartOutcome::kAlone;
  std::unique_ptr<InstanceServer> server;  // with kServe
  std::vector<InstanceNoticeItem> notices;
};
// Everything a start decides before the toolkit starts. Starts for another program
// (-Embedding, -Automation), command lines with an error and starts without a display
// neither hand over nor serve; a start that only prints does not serve either.
StartDecision DecideStart(const CAppCommandLineInfo& info, const InstanceEnvironment& environment, const fs::path& cwd,
                          const InstanceTimeouts& timeouts = {});

// The program's own decision, made from main() with the raw arguments; it keeps the
// server (if any) for the application object and the notices for it to print.
StartDecision DecideProgramStart(int argc, char** argv);
void KeepProgramStart(StartDecision decision);
// The arguments after the program's name as main() got them (file names need not be
// UTF-8, and the toolkit's copy loses what its conversion does not understand); null
// when main() did not record them.
const std::vector<std::string>* ProgramArguments();
InstanceServer* TheInstanceServer();
std::vector<InstanceNoticeItem> TakeInstanceNotices();
// Ends the serving at the end of the program.
void EndProgramStart();

// Told the paths of the open documents after start-up and after each hand-over from a
// later start. The program itself sets none; a build for end-to-end tests sets one to see
// what a start opened.
using OpenedDocumentsListener = std::function<void(const std::vector<std::string>& paths)>;
void SetOpenedDocumentsListener(OpenedDocumentsListener listener);
void TellOpenedDocuments(const std::vector<std::string>& paths);

}  // namespace tessaly::shell
