// Handing files to the running program, without the toolkit: where the starts meet, the
// stale-socket and lock rules, and the server's answers to good and bad requests.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <future>
#include <thread>

#include "shell/single_instance.h"
#include "test_support/temp_folder.h"

namespace tessaly::shell {
namespace {

using namespace std::chrono_literals;

// Time-outs short where a test waits for something that never comes, long where it
// must come: no test depends on how fast the machine is.
InstanceTimeouts Patient() { return InstanceTimeouts{30s, 30s, 60s, 30s}; }

// A socket left at the path as a killed program leaves it: bound, then closed.
void LeaveStaleSocket(const fs::path& path) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
}

int ConnectRaw(const fs::path& path) {
  Probe probe = ConnectToInstance(path, 5s);
  EXPECT_EQ(probe.result, ProbeResult::kConnected);
  return probe.fd;
}

std::vector<std::uint8_t> ReadAnswerBytes(int fd) {
  std::vector<std::uint8_t> bytes(kInstanceAnswerSize);
  std::size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = ::recv(fd, bytes.data() + got, bytes.size() - got, 0);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

std::optional<InstanceAnswer> SendRaw(const fs::path& socket, const std::vector<std::uint8_t>& bytes) {
  int fd = ConnectRaw(socket);
  EXPECT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
  std::optional<InstanceAnswer> answer = ParseInstanceAnswer(ReadAnswerBytes(fd));
  ::close(fd);
  return answer;
}

CAppCommandLineInfo Line(const std::vector<std::string>& args) { return CAppCommandLineInfo::Parse(args); }

class SingleInstance : public ::testing::Test {
 protected:
  InstanceEnvironment Environment() const {
    InstanceEnvironment environment;
    environment.runtimeDir = m_runtime.string();
    environment.tmpRoot = (m_folder / "tmp").string();
    environment.displayKey = "x11-7";
    environment.uid = ::getuid();
    environment.startupId = m_startupId;
    environment.activationToken = m_activationToken;
    return environment;
  }
  InstanceLocation Location() const { return LocateInstance(Environment()); }
  StartDecision Decide(const std::vector<std::string>& args, InstanceTimeouts timeouts = Patient()) {
    return DecideStart(Line(args), Environment(), m_folder.Path(), timeouts);
  }
  // A server whose main thread takes every request at once, as the program's does.
  std::unique_ptr<InstanceServer> Serve() {
    StartDecision decision = Decide({});
    EXPECT_EQ(decision.outcome, StartOutcome::kServe);
    if (decision.server) decision.server->SetHandler(Recorder());
    return std::move(decision.server);
  }
  InstanceServer::Handler Recorder() {
    return [this](InstanceRequest request, std::function<void()> taken) {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_taken.push_back(std::move(request));
      taken();
    };
  }
  std::vector<InstanceRequest> Taken() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_taken;
  }

  test::TempFolder m_folder;
  fs::path m_runtime = [this] {
    fs::path runtime = m_folder / "run";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    return runtime;
  }();
  std::mutex m_mutex;
  std::vector<InstanceRequest> m_taken;
  std::string m_startupId, m_activationToken;  // the launcher's, for the later starts
};

TEST_F(SingleInstance, TheMeetingPlaceIsAPrivateFolderOfTheUser) {
  InstanceLocation location = Location();
  EXPECT_EQ(location.folder, m_runtime / "tessaly");
  EXPECT_EQ(location.socket, m_runtime / "tessaly" / "instance-x11-7.sock");
  EXPECT_EQ(location.lock, m_runtime / "tessaly" / "instance-x11-7.lock");
  EXPECT_EQ(location.check, FolderCheck::kPrivate);
  EXPECT_EQ(fs::status(location.folder).permissions() & fs::perms::all, fs::perms::owner_all);

  InstanceEnvironment noRuntime = Environment();
  noRuntime.runtimeDir.clear();
  fs::create_directory(m_folder / "tmp");
  location = LocateInstance(noRuntime);
  EXPECT_EQ(location.folder, m_folder / "tmp" / ("tessaly-" + std::to_string(::getuid())));
  EXPECT_EQ(location.check, FolderCheck::kPrivate);

  InstanceEnvironment noDisplay = Environment();
  noDisplay.displayKey.clear();
  EXPECT_TRUE(LocateInstance(noDisplay).folder.empty());
  EXPECT_EQ(Decide({}, Patient()).outcome, StartOutcome::kServe);
  EXPECT_EQ(DecideStart(Line({}), noDisplay, m_folder.Path()).outcome, StartOutcome::kAlone);
}

TEST_F(SingleInstance, AFolderInTmpThatIsNotPrivateIsNotUsed) {
  const fs::path tmp = m_folder / "tmp";
  fs::create_directory(tmp);
  const fs::path folder = tmp / ("tessaly-" + std::to_string(::getuid()));
  InstanceEnvironment environment = Environment();
  environment.runtimeDir.clear();
  struct Case {
    std::string description;
    std::function<void()> make;
    FolderCheck check;
  };
  const std::vector<Case> cases = {
      {"open to the group and others",
       [&] {
         fs::create_directory(folder);
         fs::permissions(folder, fs::perms::all);
       },
       FolderCheck::kOpenToOthers},
      {"a link to a private folder",
       [&] {
         fs::create_directory(m_folder / "elsewhere");
         fs::permissions(m_folder / "elsewhere", fs::perms::owner_all);
         fs::create_directory_symlink(m_folder / "elsewhere", folder);
       },
       FolderCheck::kNotFolder},
      {"a file", [&] { std::ofstream(folder) << "x"; }, FolderCheck::kNotFolder},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    fs::remove_all(folder);
    c.make();
    EXPECT_EQ(LocateInstance(environment).check, c.check);
    StartDecision decision = DecideStart(Line({"/a.jpg"}), environment, m_folder.Path(), Patient());
    EXPECT_EQ(decision.outcome, StartOutcome::kAlone);
    ASSERT_EQ(decision.notices.size(), 1u);
    EXPECT_EQ(decision.notices[0].notice, InstanceNotice::kFolderNotPrivate);
    EXPECT_EQ(decision.notices[0].folder, folder.string());
  }
  if (::geteuid() == 0) {
    fs::remove_all(folder);
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_all);
    ASSERT_EQ(::chown(folder.c_str(), 12345, 12345), 0);
    EXPECT_EQ(LocateInstance(environment).check, FolderCheck::kOtherOwner);
  }
}

TEST_F(SingleInstance, WhatALeftoverAtTheSocketsNameMeansNobodyIsRunning) {
  const fs::path socket = Location().socket;
  struct Case {
    std::string description;
    std::function<void()> leave;
  };
  const std::vector<Case> cases = {
      {"nothing", [] {}},
      {"the socket of a killed program", [&] { LeaveStaleSocket(socket); }},
      {"a file", [&] { std::ofstream(socket) << "x"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    fs::remove(socket);
    c.leave();
    EXPECT_EQ(ConnectToInstance(socket, 5s).result, ProbeResult::kNoInstance);
    StartDecision decision = Decide({"/a.jpg"});
    EXPECT_EQ(decision.outcome, StartOutcome::kServe);
    EXPECT_TRUE(decision.notices.empty());
    ASSERT_TRUE(decision.server);
    EXPECT_EQ(ConnectToInstance(socket, 5s).result, ProbeResult::kConnected) << "the newcomer serves";
    decision.server.reset();
    EXPECT_FALSE(fs::exists(fs::symlink_status(socket))) << "an ending program removes its socket";
  }
}

TEST_F(SingleInstance, StartsForOtherProgramsNeitherHandOverNorServe) {
  auto server = Serve();
  ASSERT_TRUE(server);
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"-Embedding", "/a.jpg"}, {"-Automation"}, {"--lang", "fr", "/a.jpg"}}) {
    StartDecision decision = Decide(args);
    EXPECT_EQ(decision.outcome, StartOutcome::kAlone) << args[0];
    EXPECT_FALSE(decision.server);
  }
  EXPECT_TRUE(Taken().empty());
  server.reset();
  StartDecision embedded = Decide({"-Embedding"});
  EXPECT_EQ(embedded.outcome, StartOutcome::kAlone);
  EXPECT_FALSE(fs::exists(Location().socket)) << "an embedded start does not serve";
  StartDecision printing = Decide({"-p", "/a.jpg"});
  EXPECT_EQ(printing.outcome, StartOutcome::kAlone) << "a start that only prints ends at once";
  EXPECT_FALSE(fs::exists(Location().socket));
}

TEST_F(SingleInstance, ALaterStartHandsOverItsFilesMadeAbsolute) {
  auto server = Serve();
  ASSERT_TRUE(server);
  const std::string shiftJis = "\x8e\xca\x90\x5e.jpg";
  const std::string here = m_folder.Path().string();
  StartDecision decision = Decide({"--lang", "ja", "a.jpg", "/abs/b.bmp", "sub/", shiftJis, "-p", "c.tif"});
  EXPECT_EQ(decision.outcome, StartOutcome::kHandedOver);
  EXPECT_FALSE(decision.server);
  EXPECT_EQ(Decide({}).outcome, StartOutcome::kHandedOver) << "no files: the running one comes to the front";
  std::vector<InstanceRequest> taken = Taken();
  ASSERT_EQ(taken.size(), 2u);
  EXPECT_EQ(taken[0], (InstanceRequest{{{InstanceCommand::kOpen, here + "/a.jpg"},
                                        {InstanceCommand::kOpen, "/abs/b.bmp"},
                                        {InstanceCommand::kOpen, here + "/sub/"},
                                        {InstanceCommand::kOpen, here + "/" + shiftJis},
                                        {InstanceCommand::kPrint, here + "/c.tif"}}}));
  EXPECT_TRUE(taken[1].entries.empty());

  CAppCommandLineInfo carried = CommandLineOfRequest(taken[0]);
  ASSERT_EQ(carried.entries.size(), 5u);
  EXPECT_EQ(carried.entries[3].fileName, here + "/" + shiftJis);
  EXPECT_EQ(carried.entries[4].command, CAppCommandLineInfo::ShellCommand::kPrint);
  EXPECT_TRUE(carried.language.empty()) << "the language does not travel";
}

// A start from a launcher that shows feedback (a spinning cursor, a dock's "starting"
// entry) hands its startup id or activation token to the running program with the files.
TEST_F(SingleInstance, ALaterStartHandsOverTheLaunchersIds) {
  auto server = Serve();
  ASSERT_TRUE(server);
  m_startupId = "launcher-4711-host-tessaly-0_TIME123456";
  EXPECT_EQ(Decide({"/a.jpg"}).outcome, StartOutcome::kHandedOver);
  m_startupId = "";
  m_activationToken = "9f2c1ab7e3d54e0b8a6c2d1f0e7b3a45";
  EXPECT_EQ(Decide({}).outcome, StartOutcome::kHandedOver);
  m_startupId = m_activationToken;
  EXPECT_EQ(Decide({"/b.jpg"}).outcome, StartOutcome::kHandedOver);
  // An id that cannot be carried is left out; the files still go.
  m_startupId = "bad\nid";
  m_activationToken = std::string(kMaxInstanceLaunchIdBytes + 1, 't');
  EXPECT_EQ(Decide({"/c.jpg"}).outcome, StartOutcome::kHandedOver);
  m_startupId = m_activationToken = "";
  EXPECT_EQ(Decide({"/d.jpg"}).outcome, StartOutcome::kHandedOver);

  std::vector<InstanceRequest> taken = Taken();
  ASSERT_EQ(taken.size(), 5u);
  EXPECT_EQ(taken[0],
            (InstanceRequest{{{InstanceCommand::kOpen, "/a.jpg"}}, "launcher-4711-host-tessaly-0_TIME123456", ""}));
  EXPECT_EQ(taken[1], (InstanceRequest{{}, "", "9f2c1ab7e3d54e0b8a6c2d1f0e7b3a45"}));
  EXPECT_EQ(taken[2], (InstanceRequest{{{InstanceCommand::kOpen, "/b.jpg"}},
                                       "9f2c1ab7e3d54e0b8a6c2d1f0e7b3a45",
                                       "9f2c1ab7e3d54e0b8a6c2d1f0e7b3a45"}));
  EXPECT_EQ(taken[3], (InstanceRequest{{{InstanceCommand::kOpen, "/c.jpg"}}, "", ""}));
  EXPECT_EQ(taken[4], (InstanceRequest{{{InstanceCommand::kOpen, "/d.jpg"}}, "", ""}));

  // Which id the running program uses: the token on Wayland, else the startup id.
  EXPECT_EQ(LaunchIdToUse(taken[0], false), "launcher-4711-host-tessaly-0_TIME123456");
  EXPECT_EQ(LaunchIdToUse(taken[0], true), "launcher-4711-host-tessaly-0_TIME123456");
  EXPECT_EQ(LaunchIdToUse(taken[1], true), "9f2c1ab7e3d54e0b8a6c2d1f0e7b3a45");
  EXPECT_EQ(LaunchIdToUse(taken[1], false), "") << "a Wayland token means nothing to an X server";
  EXPECT_EQ(LaunchIdToUse(InstanceRequest{{}, "x11-id", "wayland-token"}, true), "wayland-token");
  EXPECT_EQ(LaunchIdToUse(InstanceRequest{{}, "x11-id", "wayland-token"}, false), "x11-id");
  EXPECT_EQ(LaunchIdToUse(taken[4], true), "");
}

// The program of an earlier release reads requests of version 1 only and answers any
// other with "unsupported version". Serves on the socket's name until stopped; records
// the versions it was sent and the requests it took.
class EarlierReleaseProgram {
 public:
  explicit EarlierReleaseProgram(const fs::path& socket) {
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, socket.c_str());
    ::unlink(socket.c_str());
    m_listening = ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(m_fd, 4) == 0;
    if (m_listening) m_thread = std::thread([this] { Run(); });
  }
  ~EarlierReleaseProgram() {
    Stop();
    ::close(m_fd);
  }
  // Ends the serving; what it recorded can be read afterwards.
  void Stop() {
    ::shutdown(m_fd, SHUT_RDWR);  // wakes the accept
    if (m_thread.joinable()) m_thread.join();
  }
  bool Listening() const { return m_listening; }
  std::vector<int> versions;
  std::vector<InstanceRequest> taken;

 private:
  static bool ReadAll(int fd, std::uint8_t* out, std::size_t size) {
    while (size > 0) {
      ssize_t got = ::recv(fd, out, size, 0);
      if (got <= 0) return false;
      out += got;
      size -= static_cast<std::size_t>(got);
    }
    return true;
  }
  static void Answer(int fd, InstanceAnswer answer) {
    std::vector<std::uint8_t> bytes = EncodeInstanceAnswer(answer);
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }
  void Run() {
    for (;;) {
      int connection = ::accept(m_fd, nullptr, nullptr);
      if (connection < 0) return;
      std::uint8_t header[kInstanceHeaderSize];
      if (ReadAll(connection, header, sizeof header)) {
        versions.push_back(header[4]);
        InstanceHeader checked = CheckInstanceHeader(header);
        if (header[4] != 1) {
          Answer(connection, InstanceAnswer::kUnsupportedVersion);
        } else if (checked.check == HeaderCheck::kComplete) {
          std::vector<std::uint8_t> body(checked.bodySize);
          if (ReadAll(connection, body.data(), body.size())) {
            if (std::optional<InstanceRequest> request = ParseInstanceBody(body, 1)) {
              Answer(connection, InstanceAnswer::kReceived);
              taken.push_back(*request);
              Answer(connection, InstanceAnswer::kTaken);
            } else {
              Answer(connection, InstanceAnswer::kRefused);
            }
          }
        }
      }
      ::close(connection);
    }
  }
  int m_fd = -1;
  bool m_listening = false;
  std::thread m_thread;
};

TEST_F(SingleInstance, AProgramOfTheEarlierReleaseStillTakesTheFiles) {
  EarlierReleaseProgram earlier(Location().socket);
  ASSERT_TRUE(earlier.Listening());
  m_startupId = "launcher-1-host-tessaly-0_TIME42";
  StartDecision decision = Decide({"/a.jpg"});
  m_startupId = "";
  EXPECT_EQ(Decide({"/b.jpg"}).outcome, StartOutcome::kHandedOver);
  earlier.Stop();
  EXPECT_EQ(decision.outcome, StartOutcome::kHandedOver);
  EXPECT_TRUE(decision.notices.empty());
  EXPECT_EQ(earlier.versions, (std::vector<int>{2, 1, 1})) << "asked with the id, then again without it";
  EXPECT_EQ(earlier.taken, (std::vector<InstanceRequest>{{{{InstanceCommand::kOpen, "/a.jpg"}}, "", ""},
                                                         {{{InstanceCommand::kOpen, "/b.jpg"}}, "", ""}}));
}

TEST_F(SingleInstance, TheAnswerComesOnlyOnceTheMainThreadHasTheFiles) {
  StartDecision first = Decide({});
  ASSERT_EQ(first.outcome, StartOutcome::kServe);
  // The running program is still starting: it has no handler yet.
  auto later = std::async(std::launch::async, [this] { return Decide({"/x.jpg"}).outcome; });
  EXPECT_EQ(later.wait_for(300ms), std::future_status::timeout) << "no answer before the files are taken";
  std::promise<std::function<void()>> held;
  first.server->SetHandler([&](InstanceRequest, std::function<void()> taken) { held.set_value(taken); });
  std::function<void()> taken = held.get_future().get();
  EXPECT_EQ(later.wait_for(300ms), std::future_status::timeout) << "received, but not yet taken";
  taken();
  EXPECT_EQ(later.get(), StartOutcome::kHandedOver);
}

TEST_F(SingleInstance, TwoStartsAtOnceGiveOneServerThatHasBothFiles) {
  std::promise<void> go;
  std::shared_future<void> ready = go.get_future().share();
  auto start = [&](std::string file) {
    return std::async(std::launch::async, [&, file] {
      ready.wait();
      return Decide({file});
    });
  };
  auto a = start("/a.jpg"), b = start("/b.jpg");
  go.set_value();
  // The one that serves has no handler until its main thread runs: whoever got there
  // first is found by the other, which waits for it.
  std::future<StartDecision>* first = nullptr;
  while (!first) {
    if (a.wait_for(10ms) == std::future_status::ready)
      first = &a;
    else if (b.wait_for(10ms) == std::future_status::ready)
      first = &b;
  }
  StartDecision served = first->get();
  ASSERT_EQ(served.outcome, StartOutcome::kServe);
  served.server->SetHandler(Recorder());
  StartDecision other = (first == &a ? b : a).get();
  EXPECT_EQ(other.outcome, StartOutcome::kHandedOver);
  ASSERT_EQ(Taken().size(), 1u);
  EXPECT_EQ(Taken()[0].entries.size(), 1u);
}

TEST_F(SingleInstance, AProgramThatDoesNotAnswerKeepsNoStartWaitingForLong) {
  const InstanceLocation location = Location();
  // A listening socket nobody accepts on: a stopped program.
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, location.socket.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(fd, 4), 0);
  InstanceTimeouts shortWait = Patient();
  shortWait.answer = 200ms;
  StartDecision decision = Decide({"/a.jpg"}, shortWait);
  EXPECT_EQ(decision.outcome, StartOutcome::kAlone) << "it starts on its own";
  EXPECT_FALSE(decision.server) << "and leaves the socket to its owner";
  ASSERT_EQ(decision.notices.size(), 1u);
  EXPECT_EQ(decision.notices[0].notice, InstanceNotice::kNotAnswering);
  EXPECT_TRUE(fs::exists(location.socket));
  ::close(fd);

  // Another start that holds the lock and does not let go.
  std::optional<InstanceLock> held = InstanceLock::Acquire(location.lock, 1s);
  ASSERT_TRUE(held);
  InstanceTimeouts shortLock = Patient();
  shortLock.lock = 100ms;
  decision = Decide({"/a.jpg"}, shortLock);
  EXPECT_EQ(decision.outcome, StartOutcome::kAlone);
  ASSERT_EQ(decision.notices.size(), 1u);
  EXPECT_EQ(decision.notices[0].notice, InstanceNotice::kNotAnswering);
}

TEST_F(SingleInstance, TheServerRefusesGarbageAndGoesOnServing) {
  auto server = Serve();
  ASSERT_TRUE(server);
  const fs::path socket = server->SocketPath();
  auto header = [](std::uint8_t version, std::uint32_t size) {
    std::vector<std::uint8_t> bytes = {'T', 'S', 'L', 'Y', version};
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(size >> shift));
    return bytes;
  };
  std::vector<std::uint8_t> badBody = header(1, 4);
  badBody.insert(badBody.end(), {1, 0, 9, 0});  // one entry with an unknown command, cut short
  const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> cases = {
      {"another program's bytes", {'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P'}},
      {"a body longer than any request", header(1, 0x7fffffff)},
      {"a malformed body", badBody},
  };
  for (const auto& [description, bytes] : cases)
    EXPECT_EQ(SendRaw(socket, bytes), InstanceAnswer::kRefused) << description;
  EXPECT_EQ(SendRaw(socket, header(9, 0)), InstanceAnswer::kUnsupportedVersion);
  EXPECT_TRUE(Taken().empty());
  EXPECT_EQ(Decide({"/a.jpg"}).outcome, StartOutcome::kHandedOver) << "the server still serves";
  EXPECT_EQ(Taken().size(), 1u);
}

TEST_F(SingleInstance, ARequestWhoseSenderGaveUpIsNotCarriedOut) {
  StartDecision first = Decide({});
  ASSERT_EQ(first.outcome, StartOutcome::kServe);
  // The sender reads "received" and leaves (it timed out and started on its own).
  int fd = ConnectRaw(first.server->SocketPath());
  std::vector<std::uint8_t> request = *EncodeInstanceRequest({{{InstanceCommand::kOpen, "/gave-up.jpg"}}});
  ASSERT_EQ(::send(fd, request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
  EXPECT_EQ(ParseInstanceAnswer(ReadAnswerBytes(fd)), InstanceAnswer::kReceived);
  ::close(fd);
  first.server->SetHandler(Recorder());
  EXPECT_EQ(Decide({"/next.jpg"}).outcome, StartOutcome::kHandedOver);
  ASSERT_EQ(Taken().size(), 1u);
  EXPECT_EQ(Taken()[0].entries[0].path, "/next.jpg");
}

TEST_F(SingleInstance, AnEndingProgramRemovesOnlyItsOwnSocket) {
  StartDecision first = Decide({});
  ASSERT_TRUE(first.server);
  const fs::path socket = first.server->SocketPath();
  // A start that took the program for dead has put its own socket at the name.
  fs::remove(socket);
  LeaveStaleSocket(socket);
  first.server.reset();
  EXPECT_TRUE(fs::exists(fs::symlink_status(socket)));
}

TEST(SingleInstanceRequest, NamesAreMadeAbsoluteAndLimitsKept) {
  CAppCommandLineInfo info =
      CAppCommandLineInfo::Parse({"a.jpg", "../b.bmp", "/c.tif", "-dde", "d.jpg", "-pt", "e.jpg"});
  std::optional<InstanceRequest> request = RequestOfCommandLine(info, "/home/me");
  ASSERT_TRUE(request);
  EXPECT_EQ(*request, (InstanceRequest{{{InstanceCommand::kOpen, "/home/me/a.jpg"},
                                        {InstanceCommand::kOpen, "/home/me/../b.bmp"},
                                        {InstanceCommand::kOpen, "/c.tif"},
                                        {InstanceCommand::kDde, "/home/me/d.jpg"},
                                        {InstanceCommand::kPrintTo, "/home/me/e.jpg"}}}));
  EXPECT_FALSE(RequestOfCommandLine(info, "")) << "relative names without a folder to resolve them";
  EXPECT_TRUE(RequestOfCommandLine(CAppCommandLineInfo::Parse({"/abs.jpg"}), ""));
  EXPECT_FALSE(RequestOfCommandLine(CAppCommandLineInfo::Parse({"/" + std::string(5000, 'x')}), "/"));
}

}  // namespace
}  // namespace tessaly::shell
