// Test helper: the camera emulator in a child process, serving a pseudo-terminal, with
// its JSON log read back after it stopped.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "test_support/temp_folder.h"

namespace tessaly::test {

class EmulatorProcess {
 public:
  // Starts the emulator with args plus --path-file and --log in a folder of its own and
  // waits until it serves its device.
  explicit EmulatorProcess(std::vector<std::string> args) {
    std::vector<std::string> command{TESSALY_EMULATOR_PATH};
    for (auto& arg : args) command.push_back(std::move(arg));
    for (std::string extra : {std::string("--path-file"), (m_folder / "path").string(), std::string("--log"),
                              (m_folder / "log.jsonl").string()})
      command.push_back(std::move(extra));
    std::vector<char*> argv;
    for (auto& arg : command) argv.push_back(arg.data());
    argv.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
      // The emulator goes when the test goes, whatever way the test ends.
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, STDOUT_FILENO);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      std::ifstream file(m_folder / "path");
      if (file && std::getline(file, m_devicePath) && !m_devicePath.empty()) break;
      int status = 0;
      if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~EmulatorProcess() { Stop(); }
  EmulatorProcess(const EmulatorProcess&) = delete;
  EmulatorProcess& operator=(const EmulatorProcess&) = delete;

  bool Running() const { return m_pid > 0 && !m_devicePath.empty(); }
  const std::string& DevicePath() const { return m_devicePath; }

  void Stop() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
  }

  // The log's lines; stops the emulator first so that every byte it got is in.
  std::vector<std::string> LogLines() {
    Stop();
    std::vector<std::string> lines;
    std::ifstream file(m_folder / "log.jsonl");
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
  }

 private:
  TempFolder m_folder;
  pid_t m_pid = -1;
  std::string m_devicePath;
};

// The raw text of a field of a flat JSON object line: a string without its quotes, or a
// number or true/false as written; empty when the field is absent.
inline std::string JsonField(const std::string& line, const std::string& key) {
  std::string pattern = "\"" + key + "\":";
  auto at = line.find(pattern);
  if (at == std::string::npos) return {};
  at += pattern.size();
  if (at < line.size() && line[at] == '"') {
    auto end = line.find('"', at + 1);
    return line.substr(at + 1, end - at - 1);
  }
  auto end = line.find_first_of(",}", at);
  return line.substr(at, end - at);
}

// The log in short: one token a line, "host:ENQ", "camera:ACK", "host:SM", "camera:DT3"
// (the block number), "camera:byte255"; events and faults are left out.
inline std::vector<std::string> Exchange(const std::vector<std::string>& lines) {
  std::vector<std::string> tokens;
  for (const auto& line : lines) {
    std::string from = JsonField(line, "from");
    if (from.empty()) continue;
    if (auto ctl = JsonField(line, "ctl"); !ctl.empty())
      tokens.push_back(from + ":" + ctl);
    else if (auto frame = JsonField(line, "frame"); !frame.empty())
      tokens.push_back(from + ":" + frame + (frame == "DT" ? JsonField(line, "block") : ""));
    else if (auto byte = JsonField(line, "byte"); !byte.empty())
      tokens.push_back(from + ":byte" + byte);
  }
  return tokens;
}

}  // namespace tessaly::test
