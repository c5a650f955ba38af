/* Loaded into tessaly-cli with LD_PRELOAD by the camera tests that stop the program in
 * the middle of saving a file. While TESSALY_TEST_SLOW_SAVE_MS is set, each write into a
 * regular file takes at most 4 KiB and then pauses that many milliseconds, so that a save
 * takes a known while. The standard streams, the serial line and everything else are
 * written as they are; without the variable nothing changes at all. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static long PauseMs(void) {
  static long pause = -1;
  if (pause < 0) {
    const char* text = getenv("TESSALY_TEST_SLOW_SAVE_MS");
    long value = text ? atol(text) : 0;
    pause = value < 0 ? 0 : value > 10000 ? 10000 : value;
  }
  return pause;
}

ssize_t write(int fd, const void* buffer, size_t count) {
  static ssize_t (*next)(int, const void*, size_t);
  if (next == NULL) *(void**)&next = dlsym(RTLD_NEXT, "write");
  const long pause = PauseMs();
  struct stat info;
  if (pause == 0 || fd <= 2 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return next(fd, buffer, count);
  const int saved = errno;
  ssize_t written = next(fd, buffer, count < 4096 ? count : 4096);
  if (written < 0) return written;
  struct timespec wait = {pause / 1000, (pause % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
  errno = saved;
  return written;
}
