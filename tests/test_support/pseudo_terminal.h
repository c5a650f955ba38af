// A pseudo-terminal whose far end stands for a serial device; the test keeps the master.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace tessaly::test {

class PseudoTerminal {
 public:
  PseudoTerminal() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0) m_path = ::ptsname(m_master);
  }
  ~PseudoTerminal() {
    if (m_master >= 0) ::close(m_master);
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;
  int Master() const { return m_master; }
  const std::string& Path() const { return m_path; }  // empty when none could be had

 private:
  int m_master = -1;
  std::string m_path;
};

}  // namespace tessaly::test
