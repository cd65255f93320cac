// wsprintfA and message boxes.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "layer_test_support.h"

namespace layer_test {
namespace {

constexpr std::size_t kLimit = 1024;

// A buffer with a guard zone behind the 1024 characters the format may fill.
struct Guarded {
  std::string bytes = std::string(kLimit + 64, '#');
  char* data() { return bytes.data(); }
  bool GuardIntact() const { return bytes.find_first_not_of('#', kLimit) == std::string::npos; }
};

std::string Format(const char* format, auto... args) {
  Guarded out;
  const int n = wsprintfA(out.data(), format, args...);
  EXPECT_TRUE(out.GuardIntact());
  EXPECT_EQ(static_cast<std::size_t>(n), std::strlen(out.data()));
  return out.data();
}

TEST(Format, TheConversionsTheProgramAndItsMessagesUse) {
  EXPECT_EQ(Format("Direct Draw Init Failed (%08lx)\n", static_cast<unsigned long>(0x8876017c)),
            "Direct Draw Init Failed (8876017c)\n");
  EXPECT_EQ(Format("%08lx", static_cast<unsigned long>(0x17c)), "0000017c");
  EXPECT_EQ(Format("%X|%x", 0xBEEFu, 0xBEEFu), "BEEF|beef");
  EXPECT_EQ(Format("%d|%i|%u", -42, 42, 4294967295u), "-42|42|4294967295");
  EXPECT_EQ(Format("%ld", -5L), "-5");
  EXPECT_EQ(Format("[%5d][%-5d][%05d]", -12, -12, -12), "[  -12][-12  ][-0012]");
  EXPECT_EQ(Format("[%c][%3c][%%]", 'q', 'r'), "[q][  r][%]");
  EXPECT_EQ(Format("[%s][%-4s][%4s]", "ab", "ab", "ab"), "[ab][ab  ][  ab]");
  EXPECT_EQ(Format("%s", static_cast<const char*>(nullptr)), "(null)");
  EXPECT_EQ(Format("%d", -2147483647 - 1), "-2147483648");
}

TEST(Format, NeverWritesPast1024CharactersWhateverTheArguments) {
  const std::string longText(5000, 'x');
  Guarded out;
  EXPECT_EQ(wsprintfA(out.data(), "<%s>", longText.c_str()), 1023);
  EXPECT_TRUE(out.GuardIntact());
  EXPECT_EQ(out.bytes[1023], '\0');
  EXPECT_EQ(out.bytes[0], '<');
  Guarded wide;
  EXPECT_EQ(wsprintfA(wide.data(), "%100000d", 7), 1023);
  EXPECT_TRUE(wide.GuardIntact());
  Guarded widths;
  EXPECT_EQ(wsprintfA(widths.data(), "%99999999999999999999s", "a"), 1023);
  EXPECT_TRUE(widths.GuardIntact());
}

TEST(MessageBox, RecordsTheOwnerCaptionAndTextAndAnswersOk) {
  Start();
  HWND window = MakeShownWindow();
  EXPECT_EQ(MessageBoxA(window, "text", "caption", MB_OK), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "alone", nullptr, MB_OK), IDOK);
  ASSERT_EQ(hl::MessageBoxes().size(), 2u);
  EXPECT_EQ(hl::MessageBoxes()[0].owner, window);
  EXPECT_EQ(hl::MessageBoxes()[0].caption, "caption");
  EXPECT_EQ(hl::MessageBoxes()[0].text, "text");
  EXPECT_EQ(hl::MessageBoxes()[1].owner, nullptr);
  EXPECT_EQ(hl::MessageBoxes()[1].caption, "Error");
}

}  // namespace
}  // namespace layer_test
