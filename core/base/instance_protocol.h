// What one start of the program tells the one already running for the same user and
// display (the files a file manager asked it to open), and where the two meet.
//
// A request is
//   "TSLY", version (1 byte), body length (4 bytes, little-endian), body
// and its body (version 1) is
//   entry count (2 bytes LE), then per entry: command (1 byte), path length (2 bytes LE),
//   the path's bytes.
// Version 2 adds what the launcher gave the later start to end its launch feedback:
//   the version 1 body, then startup id length (2 bytes LE) and bytes, then activation
//   token length (2 bytes LE) and bytes; at least one of the two is not empty.
// A request without either is written as version 1, so that a running program of an
// earlier release still takes it; the running program reads both versions.
// An answer is "TSLY", version, status (6 bytes); answers are the same for both request
// versions and keep version 1. The running program reads requests from outside, so
// every length is bounded before anything is allocated and anything that is not
// exactly a request is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// The request versions this program reads; it writes the lowest that says everything.
inline constexpr std::uint8_t kInstanceFirstVersion = 1;
inline constexpr std::uint8_t kInstanceProtocolVersion = 2;
inline constexpr std::uint8_t kInstanceAnswerVersion = 1;
inline constexpr std::size_t kInstanceHeaderSize = 9;
inline constexpr std::size_t kInstanceAnswerSize = 6;
// As many files as a command line takes, each path no longer than the system allows.
inline constexpr std::size_t kMaxInstanceEntries = 100;
inline constexpr std::size_t kMaxInstancePathBytes = 4096;
inline constexpr std::size_t kMaxInstanceBodySizeV1 = 2 + kMaxInstanceEntries * (3 + kMaxInstancePathBytes);
// Startup ids and activation tokens are short opaque names; this is far above any seen.
inline constexpr std::size_t kMaxInstanceLaunchIdBytes = 1024;
inline constexpr std::size_t kMaxInstanceBodySize = kMaxInstanceBodySizeV1 + 2 * (2 + kMaxInstanceLaunchIdBytes);
// The longest body a request of the version can have (0 for a version not read).
constexpr std::size_t MaxInstanceBodySize(std::uint8_t version) {
  return version == 1 ? kMaxInstanceBodySizeV1 : version == 2 ? kMaxInstanceBodySize : 0;
}

// What the running program does with a path: the command-line commands.
enum class InstanceCommand : std::uint8_t { kOpen = 0, kPrint = 1, kPrintTo = 2, kDde = 3 };

struct InstanceEntry {
  InstanceCommand command = InstanceCommand::kOpen;
  std::string path;  // absolute, the file name's bytes as the file system has them
  bool operator==(const InstanceEntry&) const = default;
};

// No entries: the running program only comes to the front.
struct InstanceRequest {
  std::vector<InstanceEntry> entries;
  // What the launcher of the later start put in its environment: DESKTOP_STARTUP_ID
  // (X11 startup notification) and XDG_ACTIVATION_TOKEN (Wayland); empty when unset.
  // (Initialised, so that a request written {{entries}} says all it means.)
  std::string startupId = {};
  std::string activationToken = {};
  bool operator==(const InstanceRequest&) const = default;
};

// Whether a startup id or activation token can be carried: not empty, no longer than
// kMaxInstanceLaunchIdBytes, printable ASCII (space included) only.
bool IsAcceptableLaunchId(std::string_view id);

// The request's bytes (version 1 when it has no startup id and no token, else 2), or
// nothing when it breaks a limit (too many entries, a path that is empty, relative, too
// long or holds a NUL byte, a launch id that is not acceptable): such a request would
// be refused.
std::optional<std::vector<std::uint8_t>> EncodeInstanceRequest(const InstanceRequest& request);

enum class HeaderCheck {
  kComplete,            // the header is good; the body length is known
  kWrongMagic,          // not a request of this program
  kUnsupportedVersion,  // a request of a version this program does not read
  kTooLong,             // a body longer than any request of its version can be
};
struct InstanceHeader {
  HeaderCheck check = HeaderCheck::kWrongMagic;
  std::uint8_t version = 0;
  std::size_t bodySize = 0;
};
// Looks at the first kInstanceHeaderSize bytes (fewer is kWrongMagic).
InstanceHeader CheckInstanceHeader(std::span<const std::uint8_t> header);

// The body of a request of the version (from its header) as a request, or nothing when
// it is not exactly one: a count above the limit, an unknown command, a path that is
// empty, relative, too long or holds a NUL byte, a launch id that is not acceptable,
// none at all in version 2, bytes missing or left over, an unknown version.
std::optional<InstanceRequest> ParseInstanceBody(std::span<const std::uint8_t> body, std::uint8_t version);

// A whole message (header and body) as a request; nothing for anything else.
std::optional<InstanceRequest> ParseInstanceRequest(std::span<const std::uint8_t> message);

enum class InstanceAnswer : std::uint8_t {
  kReceived = 1,            // the request is good and was read; the program will take it
  kTaken = 2,               // the program has the files: the asking start may end
  kRefused = 3,             // the request was malformed
  kUnsupportedVersion = 4,  // the running program speaks another version
};
std::vector<std::uint8_t> EncodeInstanceAnswer(InstanceAnswer answer);
// Nothing unless the bytes are exactly one answer (of version 1).
std::optional<InstanceAnswer> ParseInstanceAnswer(std::span<const std::uint8_t> bytes);

// Which display a start belongs to, as the toolkit would choose it: X11 when GDK_BACKEND
// asks for it, else a Wayland display when there is one, else the X display. The
// result is a short name fit for a file name ("x11-0" for ":0.0", "wl-wayland-0"), or
// empty when there is no display at all. Arguments are the environment's values (null
// when unset).
std::string InstanceDisplayKey(const char* gdkBackend, const char* waylandDisplay, const char* x11Display);

// The display name made fit for a file name: letters, digits, "-" and "_" kept, "."
// kept except at the start, everything else "_"; a long name is cut and given a hash of
// the whole so that two long names stay apart.
std::string SanitisedDisplayName(std::string_view name);

// "instance-<key>.sock" and "instance-<key>.lock".
std::string InstanceSocketName(std::string_view displayKey);
std::string InstanceLockName(std::string_view displayKey);

}  // namespace tessaly
