// serlnk32: the serial line library (C interface).
//
// One open port per process, kept in the library's own data; every argument and result
// is a plain 32-bit value or a caller-owned buffer. "COM1" ... "COM4" are resolved
// through the port map (see serial/port_map.h); a name starting with "/" is a device
// path and is used as it is.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define SERLNK32_API __attribute__((visibility("default")))

// Function codes of MyEscapeCommFunction.
#define SERLNK32_SETXOFF 1
#define SERLNK32_SETXON 2
#define SERLNK32_SETRTS 3
#define SERLNK32_CLRRTS 4
#define SERLNK32_SETDTR 5
#define SERLNK32_CLRDTR 6
#define SERLNK32_SETBREAK 8
#define SERLNK32_CLRBREAK 9

// Flags of MyFlushComm.
#define SERLNK32_PURGE_TXABORT 0x1
#define SERLNK32_PURGE_RXABORT 0x2
#define SERLNK32_PURGE_TXCLEAR 0x4
#define SERLNK32_PURGE_RXCLEAR 0x8

// Line-error flags that MyReadBytes returns once when the driver has counted errors.
#define SERLNK32_CE_RXOVER 0x1
#define SERLNK32_CE_OVERRUN 0x2
#define SERLNK32_CE_RXPARITY 0x4
#define SERLNK32_CE_FRAME 0x8
#define SERLNK32_CE_BREAK 0x10

// Opens the device for reading and writing, exclusively, without becoming its
// controlling terminal. Returns the port handle, or -1 when the name maps to no device,
// the device does not exist, is in use, refuses access, or a port is already open.
SERLNK32_API int32_t MyOpenComm(const char* deviceName);
// Closes the open port; nonzero on success, 0 when no port was open or close failed.
SERLNK32_API int32_t MyCloseComm(int32_t ignored);
// Raw 8N1 at the given speed, no flow control; nonzero on success, 0 when refused.
SERLNK32_API int32_t MySetupConnect(int32_t handle, int32_t speed);
// Never waits: 0 with *countRead bytes (at most maxCount, only what is already queued);
// the line-error flags (and nothing read) when errors were counted since the last call;
// or the system error code when the read fails.
SERLNK32_API int32_t MyReadBytes(void* buffer, int32_t maxCount, int32_t* countRead);
// Writes the whole buffer and waits until it has left the driver, within 5 ms per byte
// plus 5 ms (one byte) or 3000 ms (longer writes); 1 when every byte went out, else 0
// (and the unsent rest is discarded).
SERLNK32_API int32_t MyWriteBytes(const void* buffer, int32_t count);
// 0 on success, else the system error code.
SERLNK32_API int32_t MyEscapeCommFunction(int32_t handle, int32_t function);
// Discards what has arrived and was not read when the flags name the receive queue; the
// transmit flags discard nothing, since every write that returned 1 has already gone out
// and a failed one discarded its own rest. Always 0.
SERLNK32_API int32_t MyFlushComm(int32_t handle, int32_t flags);
// Kept for programs that build a mode text; there is nothing to build here: 1.
SERLNK32_API int32_t MyBuildCommDCB(int32_t port, int32_t speed);
// The library's self-test: writes "Inside MyCallback1" (selector 1) or
// "Inside MyCallback2" to the standard error, captioned "UTSamp32".
SERLNK32_API void GenerateCallback(int32_t selector);

// Additions of the Linux build.

// The errno of the last MyOpenComm that failed (0 after a successful open): ENOENT for
// a name without a device, EACCES without permission, EBUSY for a device in use.
SERLNK32_API int32_t MyLastOpenError(void);
// Waits in the operating system, at most timeoutMs milliseconds, until the open port has
// bytes queued; when some have arrived but fewer than minBytes, it also waits for the
// time the missing ones need at the line speed (within the same limit). Reads nothing.
// Returns 1 when bytes are queued, 0 after the time-out, -1 when the port cannot be
// waited on (not open, hung up).
SERLNK32_API int32_t MyWaitReadable(int32_t timeoutMs, int32_t minBytes);
// Waits at most timeoutMs until every byte written has left the driver: 1 when it has,
// 0 after the time-out or when no port is open.
SERLNK32_API int32_t MyDrainComm(int32_t timeoutMs);
// Keeps the device that the name stands for from other programs until MyReleaseComm,
// also while the port is closed: the lock and the exclusive flag stay on a descriptor of
// the library's own, and MyOpenComm of the same device shares it. Calls nest. 1 on
// success; 0 when the device cannot be opened (MyLastOpenError tells why) or another
// device is reserved or open.
SERLNK32_API int32_t MyReserveComm(const char* deviceName);
// Ends one MyReserveComm; the device is free again after the last. 1, or 0 when none.
SERLNK32_API int32_t MyReleaseComm(void);
// Writes the device that a port name stands for (after the port map) into buffer, zero
// terminated; returns its length, or -1 when the name maps to no device or the buffer
// is too small.
SERLNK32_API int32_t MyResolvePortName(const char* portName, char* buffer, int32_t bufferSize);

#ifdef __cplusplus
}
#endif
