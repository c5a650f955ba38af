// Line speeds in bits per second, including those without a B... constant (28800).
//
// The kernel's second termios interface carries the speed as a number; this file is the
// only one that uses it, because its header cannot be mixed with <termios.h>.
#pragma once

namespace tessaly::serial {

// Sets input and output speed of the terminal device; false when the driver refuses or
// keeps another speed.
bool SetLineSpeed(int fd, unsigned bitsPerSecond);
// The output speed of the device (of the slave when fd is a pseudo-terminal master), or
// 0 when it cannot be read.
unsigned GetLineSpeed(int fd);

}  // namespace tessaly::serial
