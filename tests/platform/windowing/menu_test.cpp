// Menus: the resource, its parser, and choosing commands by mouse and keyboard.

#include <gtest/gtest.h>

#include "layer_test_support.h"
#include "platform/windowing/resources.h"

namespace layer_test {
namespace {

// Where the headless host's 7-pixel characters put things: the "About" title spans
// x 0..50 of the 20-pixel bar, its popup's items are 20 pixels tall from y 21.
constexpr int kTitleX = 20, kTitleY = 10;
constexpr int kItemX = 40;
int ItemY(int index) {
  return 31 + 20 * index;
}

TEST(MenuResource, ResourceOneIsTheAboutPopupWithItsSevenItemsAndNoOtherLoads) {
  Start();
  HMENU bar = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 1);
  char text[64];
  EXPECT_EQ(GetMenuStringA(bar, 0, text, sizeof text, MF_BYPOSITION), 6);
  EXPECT_STREQ(text, "&About");
  HMENU popup = GetSubMenu(bar, 0);
  ASSERT_NE(popup, nullptr);
  std::vector<UINT> ids;
  for (int i = 0; i < GetMenuItemCount(popup); ++i) ids.push_back(GetMenuItemID(popup, i));
  EXPECT_EQ(ids, (std::vector<UINT>{40002, 40001, 40003, 40005, 40006, 40007, 40008}));
  GetMenuStringA(popup, 1, text, 6, MF_BYPOSITION);
  EXPECT_STREQ(text, "&This");  // cut to the buffer
  EXPECT_EQ(GetMenuItemID(bar, 0), 0xFFFFFFFFu);
  EXPECT_EQ(GetSubMenu(popup, 7), nullptr);
  EXPECT_EQ(LoadMenuA(nullptr, MAKEINTRESOURCEA(2)), nullptr);
  EXPECT_EQ(LoadMenuA(nullptr, "MENU1"), nullptr);
  EXPECT_EQ(GetMenuItemCount(reinterpret_cast<HMENU>(&GetMenuItemCount)), -1);
}

TEST(MenuResource, MalformedTextLoadsNothing) {
  Start();
  const char* const bad[] = {
      "",
      "MENU 5\n",                                   // no popup
      "POPUP \"a\"\nITEM 1 \"b\"\n",                // no header
      "MENU 5\nITEM 1 \"b\"\n",                     // item before any popup
      "MENU 5\nPOPUP a\n",                          // unquoted
      "MENU 5\nPOPUP \"a\n",                        // unterminated
      "MENU 5\nPOPUP \"a\"\nITEM 70000 \"b\"\n",    // id beyond 16 bits
      "MENU 5\nPOPUP \"a\"\nITEM -1 \"b\"\n",       // negative id
      "MENU 5\nPOPUP \"a\"\nITEM 1\n",              // no text
      "MENU 5\nPOPUP \"a\"\nSEPARATOR\n",           // unknown entry
      "MENU 5\nPOPUP \"a\"\nITEM 1 \"b\" \"c\"\n",  // two texts
      "MENU x\nPOPUP \"a\"\n",                      // bad header
  };
  int id = 100;
  for (const char* text : bad) {
    platform::RegisterMenuResource(id, text);
    EXPECT_EQ(LoadMenuA(nullptr, MAKEINTRESOURCEA(id)), nullptr) << text;
    ++id;
  }
  platform::RegisterMenuResource(id, "# comment\r\n\r\nMENU 9\r\n  POPUP \"&File\"\r\n");
  EXPECT_NE(LoadMenuA(nullptr, MAKEINTRESOURCEA(id)), nullptr);
}

// Runs the loop over `script` and gives the commands the window procedure received.
std::vector<WPARAM> CommandsAfter(hl::Script script) {
  script.Idle(1).Call([] { PostMessageA(hl::MainWindow(), WM_CLOSE, 0, 0); });
  Start(script);
  MakeShownWindow();
  EXPECT_EQ(RunLoop(), 7);
  return Commands();
}

TEST(MenuByMouse, ClickTheTitleThenAnItemAndTheCommandIsQueuedForTheLoop) {
  hl::Script s;
  s.MoveTo(kTitleX, kTitleY).Click(1).MoveTo(kItemX, ItemY(1)).Click(1);
  EXPECT_EQ(CommandsAfter(s), std::vector<WPARAM>{40001});
  EXPECT_FALSE(Held(VK_LBUTTON));  // the releases the menu took still count
  std::vector<UINT> order;
  for (const Recorded& r : Log()) {
    if (r.message == WM_NCLBUTTONDOWN || r.message == WM_ENTERMENULOOP ||
        r.message == WM_EXITMENULOOP || r.message == WM_COMMAND) {
      order.push_back(r.message);
    }
    EXPECT_TRUE(r.message != WM_COMMAND || r.lParam == 0);
  }
  EXPECT_EQ(order,
            (std::vector<UINT>{WM_NCLBUTTONDOWN, WM_ENTERMENULOOP, WM_EXITMENULOOP, WM_COMMAND}));
}

TEST(MenuByMouse, DragOntoAnItemChoosesItAClickElsewhereOrOnTheTitleChoosesNothing) {
  hl::Script drag;
  drag.MoveTo(kTitleX, kTitleY).Press(1).MoveTo(kItemX, ItemY(3)).Release(1);
  EXPECT_EQ(CommandsAfter(drag), std::vector<WPARAM>{40005});
  hl::Script elsewhere;
  elsewhere.MoveTo(kTitleX, kTitleY).Click(1).MoveTo(400, 400).Click(1);
  EXPECT_TRUE(CommandsAfter(elsewhere).empty());
  EXPECT_FALSE(Held(VK_LBUTTON));
  hl::Script title;
  title.MoveTo(kTitleX, kTitleY).Click(1).Click(1);
  EXPECT_TRUE(CommandsAfter(title).empty());
}

TEST(MenuByKeyboard, KeysOpenTheMenuMoveInItChooseAndClose) {
  const std::pair<hl::Script, std::vector<WPARAM>> cases[] = {
      {hl::Script().KeyWithAlt('A').Key(VK_DOWN).Key(VK_RETURN), {40001}},
      {hl::Script().KeyWithAlt('A').Key('T'), {40001}},  // an item's letter
      {hl::Script().KeyWithAlt('A').Key(VK_RETURN), {40002}},
      {hl::Script().KeyWithAlt('A').Key(VK_UP).Key(VK_RETURN), {40008}},  // wraps
      {hl::Script().Key(VK_F10).Key(VK_DOWN).Key(VK_DOWN).Key(VK_RETURN), {40001}},
      {hl::Script().Key(VK_MENU).Key(VK_RETURN).Key(VK_RETURN), {40002}},
      {hl::Script().KeyWithAlt('A').Key(VK_DOWN).Key(VK_ESCAPE).Key(VK_RETURN), {}},
      {hl::Script().KeyWithAlt('Z').Key(VK_RETURN).Key('T'), {}},
      {hl::Script().Key(VK_MENU).Key(VK_MENU).Key(VK_RETURN), {}},  // Alt toggles it off
  };
  int index = 0;
  for (const auto& [script, commands] : cases) {
    EXPECT_EQ(CommandsAfter(script), commands) << "case " << index++;
  }
}

TEST(MenuDrawing, TheOpenPopupCoversTheWindowUntilItClosesAndTheBarStays) {
  hl::Script s;
  std::uint32_t open = 0, bar = 0, afterwards = 1;
  // The idle step lets the menu's own loop run: the check happens while it is open.
  s.KeyWithAlt('A').Idle(1).Call([&] { open = hl::ReadScreen().At(kItemX - 30, ItemY(2) + 8); });
  s.Key(VK_ESCAPE).Idle(1).Call([&] {
    const hl::Image screen = hl::ReadScreen();
    afterwards = screen.At(kItemX - 30, ItemY(2) + 8);
    bar = screen.At(200, 2);
  });
  CommandsAfter(s);
  EXPECT_EQ(open, 0xFFFFFFu);  // the popup's background
  EXPECT_EQ(afterwards, 0u);   // the client area as it was
  EXPECT_EQ(bar, 0xF0F0F0u);
}

TEST(MenuTracking, TheCloseBoxOrTheScriptsEndEndsTrackingAndTheWindowCloses) {
  for (hl::Script script :
       {hl::Script().KeyWithAlt('A').CloseBox(), hl::Script().KeyWithAlt('A')}) {
    Start(script);
    HWND window = MakeShownWindow();
    EXPECT_EQ(RunLoop(), 7);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(Commands().empty());
  }
}

}  // namespace
}  // namespace layer_test
