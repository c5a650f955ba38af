// The messages a later start of the program sends to the running one, and the names of
// the place where they meet.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/instance_protocol.h"

namespace tessaly {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(std::string_view text) { return Bytes(text.begin(), text.end()); }

// A message written out by hand: header, then the body as given.
Bytes Message(std::uint8_t version, std::uint32_t bodySize, const Bytes& body) {
  Bytes out = Of("TSLY");
  out.push_back(version);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(bodySize >> shift));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}
Bytes Message(const Bytes& body) { return Message(1, static_cast<std::uint32_t>(body.size()), body); }

// count, then (command, length, bytes) per entry.
Bytes Body(std::uint16_t count, const std::vector<std::tuple<std::uint8_t, std::uint16_t, std::string>>& entries) {
  Bytes out = {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8)};
  for (const auto& [command, length, path] : entries) {
    out.push_back(command);
    out.push_back(static_cast<std::uint8_t>(length));
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.insert(out.end(), path.begin(), path.end());
  }
  return out;
}

TEST(InstanceRequest, RoundTripsWhateverTheNames) {
  const std::string shiftJis = "/home/me/\x8e\xca\x90\x5e.jpg";
  InstanceRequest many;
  for (std::size_t i = 0; i < kMaxInstanceEntries; ++i)
    many.entries.push_back({InstanceCommand::kOpen, "/p/" + std::to_string(i) + ".bmp"});
  const std::vector<std::pair<std::string, InstanceRequest>> cases = {
      {"no files: only come to the front", {}},
      {"one file", {{{InstanceCommand::kOpen, "/tmp/a.jpg"}}}},
      {"every command",
       {{{InstanceCommand::kOpen, "/a.bmp"},
         {InstanceCommand::kPrint, "/b.tif"},
         {InstanceCommand::kPrintTo, "/c.jpg"},
         {InstanceCommand::kDde, "/d/"}}}},
      {"a name that is not UTF-8", {{{InstanceCommand::kOpen, shiftJis}}}},
      {"the longest path", {{{InstanceCommand::kOpen, "/" + std::string(kMaxInstancePathBytes - 1, 'x')}}}},
      {"as many files as a command line takes", many},
  };
  for (const auto& [description, request] : cases) {
    SCOPED_TRACE(description);
    std::optional<Bytes> bytes = EncodeInstanceRequest(request);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(ParseInstanceRequest(*bytes), request);
  }
  // The bytes of one small request, as another program would have to write them.
  EXPECT_EQ(EncodeInstanceRequest({{{InstanceCommand::kPrint, "/a"}}}), Message(Bytes{1, 0, 1, 2, 0, '/', 'a'}));
}

TEST(InstanceRequest, WhatWouldBeRefusedIsNotSent) {
  InstanceRequest tooMany;
  tooMany.entries.assign(kMaxInstanceEntries + 1, {InstanceCommand::kOpen, "/a.jpg"});
  const std::vector<std::pair<std::string, InstanceRequest>> cases = {
      {"an empty name", {{{InstanceCommand::kOpen, ""}}}},
      {"a relative name", {{{InstanceCommand::kOpen, "a.jpg"}}}},
      {"a NUL byte", {{{InstanceCommand::kOpen, std::string("/a\0b.jpg", 8)}}}},
      {"a path too long", {{{InstanceCommand::kOpen, "/" + std::string(kMaxInstancePathBytes, 'x')}}}},
      {"too many files", tooMany},
  };
  for (const auto& [description, request] : cases) EXPECT_FALSE(EncodeInstanceRequest(request)) << description;
}

TEST(InstanceRequest, MalformedMessagesAreRefused) {
  const Bytes good = Body(1, {{0, 2, "/a"}});
  const std::vector<std::pair<std::string, Bytes>> cases = {
      {"nothing", {}},
      {"another program's bytes", Of("GET / HTTP/1.1\r\n\r\n")},
      {"a header cut short", Of(std::string("TSLY\x01\x07\x00\x00", 8))},
      {"a version not read", Message(3, static_cast<std::uint32_t>(good.size()), good)},
      {"version 0", Message(0, static_cast<std::uint32_t>(good.size()), good)},
      {"version 2 without its launch ids", Message(2, static_cast<std::uint32_t>(good.size()), good)},
      {"a body longer than any request", Message(1, kMaxInstanceBodySize + 1, good)},
      {"a body length beyond the bytes", Message(1, static_cast<std::uint32_t>(good.size() + 1), good)},
      {"a body length short of the bytes", Message(1, static_cast<std::uint32_t>(good.size() - 1), good)},
      {"no entry count", Message(Bytes{})},
      {"more entries than a command line takes", Message(Body(101, {}))},
      {"an entry missing", Message(Body(2, {{0, 2, "/a"}}))},
      {"an entry left over", Message(Body(0, {{0, 2, "/a"}}))},
      {"an unknown command", Message(Body(1, {{4, 2, "/a"}}))},
      {"an empty path", Message(Body(1, {{0, 0, ""}}))},
      {"a relative path", Message(Body(1, {{0, 1, "a"}}))},
      {"a NUL byte in a path", Message(Body(1, {{0, 3, std::string("/\0a", 3)}}))},
      {"a path length beyond the body", Message(Body(1, {{0, 9, "/a"}}))},
      {"a path longer than any",
       Message(Body(1, {{0, kMaxInstancePathBytes + 1, "/" + std::string(kMaxInstancePathBytes, 'x')}}))},
  };
  for (const auto& [description, bytes] : cases) EXPECT_FALSE(ParseInstanceRequest(bytes)) << description;
  const Bytes whole = Message(Body(2, {{0, 6, "/a.jpg"}, {1, 2, "/b"}}));
  ASSERT_TRUE(ParseInstanceRequest(whole));
  for (std::size_t size = 0; size < whole.size(); ++size)
    EXPECT_FALSE(ParseInstanceRequest(std::span(whole).first(size))) << "cut after " << size << " bytes";
}

TEST(InstanceRequest, TheHeaderTellsWhatToReadNext) {
  struct Case {
    std::string description;
    Bytes header;
    HeaderCheck check;
    std::size_t bodySize;
  };
  const std::vector<Case> cases = {
      {"a request", Message(1, 7, {}), HeaderCheck::kComplete, 7},
      {"the longest body", Message(1, kMaxInstanceBodySizeV1, {}), HeaderCheck::kComplete, kMaxInstanceBodySizeV1},
      {"longer than version 1 allows", Message(1, kMaxInstanceBodySizeV1 + 1, {}), HeaderCheck::kTooLong, 0},
      {"the longest body with launch ids", Message(2, kMaxInstanceBodySize, {}), HeaderCheck::kComplete,
       kMaxInstanceBodySize},
      {"longer than version 2 allows", Message(2, kMaxInstanceBodySize + 1, {}), HeaderCheck::kTooLong, 0},
      {"a longer body: nothing is allocated", Message(1, 0xffffffff, {}), HeaderCheck::kTooLong, 0},
      {"another version, whatever follows", Message(7, 0xffffffff, {}), HeaderCheck::kUnsupportedVersion, 0},
      {"another magic", Of("TSLZ\x01\x00\x00\x00\x00"), HeaderCheck::kWrongMagic, 0},
      {"too short", Of("TSLY\x01"), HeaderCheck::kWrongMagic, 0},
  };
  for (const Case& c : cases) {
    InstanceHeader header = CheckInstanceHeader(c.header);
    EXPECT_EQ(header.check, c.check) << c.description;
    EXPECT_EQ(header.bodySize, c.bodySize) << c.description;
  }
}

// Length (2 bytes LE) and bytes: a launch id of a version 2 body.
Bytes Text(std::uint16_t length, std::string_view text) {
  Bytes out(2 + text.size());
  out[0] = static_cast<std::uint8_t>(length);
  out[1] = static_cast<std::uint8_t>(length >> 8);
  std::copy(text.begin(), text.end(), out.begin() + 2);
  return out;
}
Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Bytes MessageV2(const Bytes& body) { return Message(2, static_cast<std::uint32_t>(body.size()), body); }

TEST(InstanceRequest, TheLaunchersIdsTravelWithTheFiles) {
  const std::string startupId = "launcher-4711-host-tessaly-0_TIME123456";
  const std::string token = "9f2c1ab7e3d54e0b8a6c2d1f0e7b3a45";
  const std::vector<std::pair<std::string, InstanceRequest>> cases = {
      {"a startup id (X11)", {{{InstanceCommand::kOpen, "/a.jpg"}}, startupId, ""}},
      {"an activation token (Wayland)", {{{InstanceCommand::kOpen, "/a.jpg"}}, "", token}},
      {"both, as a Wayland launcher may set them", {{{InstanceCommand::kPrint, "/b.jpg"}}, token, token}},
      {"no files: only come to the front", {{}, startupId, ""}},
      {"with spaces and the longest id", {{}, "id with spaces", std::string(kMaxInstanceLaunchIdBytes, '~')}},
  };
  for (const auto& [description, request] : cases) {
    SCOPED_TRACE(description);
    std::optional<Bytes> bytes = EncodeInstanceRequest(request);
    ASSERT_TRUE(bytes);
    EXPECT_EQ((*bytes)[4], 2) << "version 2: the request has a launch id";
    EXPECT_EQ(ParseInstanceRequest(*bytes), request);
  }
  // The bytes, as another program would have to write them.
  EXPECT_EQ(EncodeInstanceRequest({{{InstanceCommand::kPrint, "/a"}}, "s1", ""}),
            MessageV2(Bytes{1, 0, 1, 2, 0, '/', 'a'} + Text(2, "s1") + Text(0, "")));
  EXPECT_EQ(EncodeInstanceRequest({{}, "", "t"}), MessageV2(Bytes{0, 0} + Text(0, "") + Text(1, "t")));
}

// A program of an earlier release reads version 1 only: a request without a launch id
// stays version 1, byte for byte, and this program still reads what the earlier one sent.
TEST(InstanceRequest, RequestsOfTheEarlierReleaseAreStillRead) {
  const Bytes earlier = Message(Body(2, {{0, 6, "/a.jpg"}, {1, 2, "/b"}}));
  const InstanceRequest request{{{InstanceCommand::kOpen, "/a.jpg"}, {InstanceCommand::kPrint, "/b"}}, "", ""};
  EXPECT_EQ(ParseInstanceRequest(earlier), request);
  EXPECT_EQ(EncodeInstanceRequest(request), earlier);
  InstanceHeader header = CheckInstanceHeader(earlier);
  EXPECT_EQ(header.check, HeaderCheck::kComplete);
  EXPECT_EQ(header.version, 1);
}

TEST(InstanceRequest, MalformedLaunchIdsAreRefused) {
  const Bytes entries = Body(1, {{0, 2, "/a"}});
  const std::string tooLong(kMaxInstanceLaunchIdBytes + 1, 'x');
  const std::vector<std::pair<std::string, Bytes>> cases = {
      {"neither id: that is a version 1 request", MessageV2(entries + Text(0, "") + Text(0, ""))},
      {"no token length", MessageV2(entries + Text(2, "s1"))},
      {"half a token length", MessageV2(entries + Text(2, "s1") + Bytes{0})},
      {"an id length beyond the body", MessageV2(entries + Text(9, "s1") + Text(0, ""))},
      {"a token length beyond the body", MessageV2(entries + Text(0, "") + Text(3, "t"))},
      {"an id longer than any", MessageV2(entries + Text(kMaxInstanceLaunchIdBytes + 1, tooLong) + Text(0, ""))},
      {"a token longer than any", MessageV2(entries + Text(0, "") + Text(kMaxInstanceLaunchIdBytes + 1, tooLong))},
      {"a control character", MessageV2(entries + Text(3, "s\n1") + Text(0, ""))},
      {"a NUL byte", MessageV2(entries + Text(0, "") + Text(3, std::string("t\0t", 3)))},
      {"a byte above ASCII", MessageV2(entries + Text(2, "s\xe9") + Text(0, ""))},
      {"a byte left over", MessageV2(entries + Text(2, "s1") + Text(0, "") + Bytes{0})},
      {"launch ids in version 1", Message(entries + Text(2, "s1") + Text(0, ""))},
  };
  for (const auto& [description, bytes] : cases) EXPECT_FALSE(ParseInstanceRequest(bytes)) << description;
  const Bytes whole = MessageV2(entries + Text(2, "s1") + Text(1, "t"));
  ASSERT_TRUE(ParseInstanceRequest(whole));
  for (std::size_t size = 0; size < whole.size(); ++size)
    EXPECT_FALSE(ParseInstanceRequest(std::span(whole).first(size))) << "cut after " << size << " bytes";

  // What would be refused is not sent.
  for (const std::string& id : {tooLong, std::string("a\tb"), std::string("\x7f"), std::string("\xc3\xa9")}) {
    EXPECT_FALSE(EncodeInstanceRequest({{}, id, ""})) << testing::PrintToString(id);
    EXPECT_FALSE(EncodeInstanceRequest({{}, "", id})) << testing::PrintToString(id);
    EXPECT_FALSE(IsAcceptableLaunchId(id));
  }
  EXPECT_FALSE(IsAcceptableLaunchId(""));
  EXPECT_TRUE(IsAcceptableLaunchId(" "));
}

TEST(InstanceAnswer, OnlyExactAnswersOfThisVersionCount) {
  for (InstanceAnswer answer : {InstanceAnswer::kReceived, InstanceAnswer::kTaken, InstanceAnswer::kRefused,
                                InstanceAnswer::kUnsupportedVersion}) {
    Bytes bytes = EncodeInstanceAnswer(answer);
    EXPECT_EQ(bytes.size(), kInstanceAnswerSize);
    EXPECT_EQ(ParseInstanceAnswer(bytes), answer);
  }
  const std::vector<std::pair<std::string, Bytes>> cases = {
      {"empty", {}},
      {"short", Of("TSLY\x01")},
      {"long", Of(std::string("TSLY\x01\x02\x00", 7))},
      {"another magic", Of("XSLY\x01\x02")},
      {"another version", Of("TSLY\x02\x02")},
      {"no status", Of(std::string("TSLY\x01\x00", 6))},
      {"an unknown status", Of("TSLY\x01\x05")},
  };
  for (const auto& [description, bytes] : cases) EXPECT_FALSE(ParseInstanceAnswer(bytes)) << description;
}

TEST(InstanceNames, OneProgramPerDisplayAsTheToolkitChoosesIt) {
  struct Case {
    const char *gdkBackend, *wayland, *x11;
    std::string key;
  };
  const std::vector<Case> cases = {
      {nullptr, nullptr, ":0", "x11-0"},
      {nullptr, nullptr, ":0.0", "x11-0"},  // a screen of the same display
      {nullptr, nullptr, ":0.1", "x11-0"},
      {nullptr, nullptr, ":1", "x11-1"},
      {nullptr, "", "localhost:10.0", "x11-localhost_10"},
      {nullptr, "wayland-0", ":0", "wl-wayland-0"},  // the toolkit prefers Wayland
      {"x11", "wayland-0", ":0", "x11-0"},
      {"x11,wayland", "wayland-0", ":1", "x11-1"},
      {"wayland", "wayland-1", ":0", "wl-wayland-1"},
      {nullptr, "/run/user/1000/wayland-0", nullptr, "wl-_run_user_1000_wayland-0"},
      {nullptr, nullptr, nullptr, ""},
      {nullptr, nullptr, "", ""},
      {"x11", "wayland-0", nullptr, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(InstanceDisplayKey(c.gdkBackend, c.wayland, c.x11), c.key)
        << (c.gdkBackend ? c.gdkBackend : "-") << " " << (c.wayland ? c.wayland : "-") << " " << (c.x11 ? c.x11 : "-");
  EXPECT_EQ(InstanceSocketName("x11-0"), "instance-x11-0.sock");
  EXPECT_EQ(InstanceLockName("x11-0"), "instance-x11-0.lock");
}

TEST(InstanceNames, DisplayNamesBecomePlainFileNames) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"wayland-0", "wayland-0"}, {"host.example:3", "host.example_3"}, {"../../etc/passwd", "_._.._etc_passwd"},
      {".hidden", "_hidden"},     {"a b\tc/\xe5", "a_b_c__"},
  };
  for (const auto& [name, sanitised] : cases) EXPECT_EQ(SanitisedDisplayName(name), sanitised) << name;
  const std::string longA = std::string(80, 'a') + "1", longB = std::string(80, 'a') + "2";
  EXPECT_LE(SanitisedDisplayName(longA).size(), 64u);
  EXPECT_NE(SanitisedDisplayName(longA), SanitisedDisplayName(longB)) << "long names that differ late stay apart";
  EXPECT_EQ(SanitisedDisplayName(longA), SanitisedDisplayName(longA));
}

}  // namespace
}  // namespace tessaly
