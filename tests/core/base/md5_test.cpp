#include "base/md5.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaly {
namespace {

struct Md5Case {
  const char* description;
  std::string input;
  const char* expected;
};

// RFC 1321's test suite, and lengths around the padding's block boundary (55, 56, 63,
// 64 and 65 bytes), whose digests come from another implementation.
TEST(Md5, DigestsOfKnownInputs) {
  const Md5Case cases[] = {
      {"empty", "", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"alphabet", "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"alphanumerics", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"eighty digits", "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      {"55 bytes", std::string(55, 'x'), "04364420e25c512fd958a70738aa8f72"},
      {"56 bytes", std::string(56, 'x'), "668a72d5ba17f08e62dabcafad6db14b"},
      {"63 bytes", std::string(63, 'x'), "7dc2ca208106a2f703567bdff99d8981"},
      {"64 bytes", std::string(64, 'x'), "c1bb4f81d892b2d57947682aeb252456"},
      {"65 bytes", std::string(65, 'x'), "1bc932052302d074bdec39795fe00cf6"},
  };
  for (const Md5Case& c : cases) EXPECT_EQ(Md5Hex(c.input), c.expected) << c.description;
}

}  // namespace
}  // namespace tessaly
