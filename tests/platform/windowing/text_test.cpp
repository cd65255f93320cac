// wsprintfA, as the program's messages use it.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "layer_test_support.h"

namespace layer_test {
namespace {

constexpr std::size_t kLimit = 1024;

// Formats into a buffer with a guard zone behind the 1024 characters the format may fill;
// checks the guard and the count returned.
std::string Format(const char* format, auto... args) {
  std::string out(kLimit + 64, '#');
  const int n = wsprintfA(out.data(), format, args...);
  EXPECT_EQ(out.find_first_not_of('#', kLimit), std::string::npos) << "written past " << kLimit;
  EXPECT_EQ(static_cast<std::size_t>(n), std::strlen(out.data()));
  return out.data();
}

TEST(Format, TheConversionsTheProgramAndItsMessagesUse) {
  EXPECT_EQ(Format("Direct Draw Init Failed (%08lx)\n", static_cast<unsigned long>(0x8876017c)),
            "Direct Draw Init Failed (8876017c)\n");
  EXPECT_EQ(Format("%08lx", static_cast<unsigned long>(0x17c)), "0000017c");
  EXPECT_EQ(Format("%X|%d|%i|%u|%ld", 0xBEEFu, -42, 42, 4294967295u, -5L),
            "BEEF|-42|42|4294967295|-5");
  EXPECT_EQ(Format("[%5d][%-5d][%05d]", -12, -12, -12), "[  -12][-12  ][-0012]");
  EXPECT_EQ(Format("[%c][%3c][%%]", 'q', 'r'), "[q][  r][%]");
  EXPECT_EQ(Format("[%s][%-4s][%4s]", "ab", "ab", "ab"), "[ab][ab  ][  ab]");
  EXPECT_EQ(Format("%s", static_cast<const char*>(nullptr)), "(null)");
  EXPECT_EQ(Format("%d", -2147483647 - 1), "-2147483648");
}

TEST(Format, NeverWritesPast1024CharactersWhateverTheArguments) {
  const std::string longText(5000, 'x');
  const std::string cut = Format("<%s>", longText.c_str());
  EXPECT_EQ(cut, "<" + std::string(1022, 'x'));
  EXPECT_EQ(Format("%100000d", 7).size(), 1023u);
  EXPECT_EQ(Format("%99999999999999999999s", "a").size(), 1023u);
}

}  // namespace
}  // namespace layer_test
