#include "serial/line_speed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace tessaly::serial {

bool SetLineSpeed(int fd, unsigned bitsPerSecond) {
  if (bitsPerSecond == 0) return false;
  termios2 settings{};
  if (::ioctl(fd, TCGETS2, &settings) != 0) return false;
  settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  settings.c_ispeed = bitsPerSecond;
  settings.c_ospeed = bitsPerSecond;
  if (::ioctl(fd, TCSETS2, &settings) != 0) return false;
  // A driver may round to what its clock can make; a speed far off is a refusal, since
  // the camera would read nothing but noise.
  unsigned actual = GetLineSpeed(fd);
  unsigned difference = actual > bitsPerSecond ? actual - bitsPerSecond : bitsPerSecond - actual;
  return actual != 0 && difference * 50 <= bitsPerSecond;
}

unsigned GetLineSpeed(int fd) {
  termios2 settings{};
  if (::ioctl(fd, TCGETS2, &settings) != 0) return 0;
  return settings.c_ospeed;
}

}  // namespace tessaly::serial
