// Mouse, keyboard and cursor through the headless host.

#include <gtest/gtest.h>

#include "layer_test_support.h"

namespace layer_test {
namespace {

constexpr int kBar = 20;

MSG Take() {
  MSG m{};
  EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  return m;
}

TEST(KeyState, FollowsTheMessagesTakenNotTheEventsArrived) {
  hl::Script s;
  s.MoveTo(100, 200).Press(1).Release(1);
  Start(s);
  MakeShownWindow();
  EXPECT_EQ(Take().message, WM_MOUSEMOVE);  // the press and release are queued behind it
  EXPECT_FALSE(Held(VK_LBUTTON));
  EXPECT_EQ(Take().message, WM_LBUTTONDOWN);
  EXPECT_TRUE(Held(VK_LBUTTON));
  EXPECT_EQ(Take().message, WM_LBUTTONUP);
  EXPECT_FALSE(Held(VK_LBUTTON));
}

TEST(KeyState, KeysAndTheToggleBit) {
  hl::Script s;
  s.Key(VK_SHIFT);
  Start(s);
  MakeShownWindow();
  EXPECT_EQ(Take().message, WM_KEYDOWN);
  EXPECT_TRUE(Held(VK_SHIFT));
  EXPECT_EQ(GetKeyState(VK_SHIFT) & 1, 1);
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);  // held reads negative
  EXPECT_EQ(Take().message, WM_KEYUP);
  EXPECT_FALSE(Held(VK_SHIFT));
  EXPECT_EQ(GetKeyState(VK_SHIFT), 1);
}

TEST(Mouse, ClientButtonsCarryClientCoordinatesAndHeldButtons) {
  hl::Script s;
  s.MoveTo(100, 200).Press(3).Press(1);
  Start(s);
  MakeShownWindow();
  const MSG move = Take();
  EXPECT_EQ(GET_X_LPARAM(move.lParam), 100);
  EXPECT_EQ(GET_Y_LPARAM(move.lParam), 200 - kBar);
  const MSG right = Take();
  EXPECT_EQ(right.message, WM_RBUTTONDOWN);
  EXPECT_EQ(right.wParam, MK_RBUTTON);
  const MSG left = Take();
  EXPECT_EQ(left.message, WM_LBUTTONDOWN);
  EXPECT_EQ(left.wParam, MK_LBUTTON | MK_RBUTTON);
  EXPECT_EQ(left.pt.x, 100);
  EXPECT_EQ(left.pt.y, 200);
}

TEST(Mouse, APressOnTheMenuBarIsNonClientAndStillCounts) {
  hl::Script s;
  s.MoveTo(300, 5).Press(1).Release(1);
  Start(s);
  MakeShownWindow();
  EXPECT_EQ(Take().message, WM_NCMOUSEMOVE);
  const MSG press = Take();
  EXPECT_EQ(press.message, WM_NCLBUTTONDOWN);
  EXPECT_EQ(press.wParam, HTMENU);
  EXPECT_EQ(GET_X_LPARAM(press.lParam), 300);  // screen coordinates
  EXPECT_EQ(GET_Y_LPARAM(press.lParam), 5);
  EXPECT_TRUE(Held(VK_LBUTTON));
  const MSG release = Take();
  EXPECT_EQ(release.message, WM_LBUTTONUP);  // releases always reach the client area
  EXPECT_FALSE(Held(VK_LBUTTON));
}

TEST(Keyboard, AltMakesSystemKeysAndCharactersFollowTheirKey) {
  hl::Script s;
  s.Key('Q').KeyWithAlt('W').Key(VK_F10).Key(VK_F1);
  Start(s);
  HWND window = MakeShownWindow();
  std::vector<UINT> taken;
  MSG m{};
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    taken.push_back(m.message);
    if (m.message == WM_CHAR) {
      EXPECT_EQ(m.wParam, static_cast<WPARAM>('q'));
    }
    EXPECT_EQ(m.hwnd, window);
    TranslateMessage(&m);
  }
  EXPECT_EQ(taken, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP,             // Q
                                      WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSCHAR,  // Alt, W
                                      WM_SYSKEYUP, WM_SYSKEYUP,                  // W, Alt
                                      WM_SYSKEYDOWN, WM_SYSKEYUP,                // F10
                                      WM_KEYDOWN, WM_KEYUP}));                   // F1
}

TEST(Cursor, TheDisplayCountShowsAndHidesThePointerOnlyWhenItCrossesZero) {
  Start();
  MakeShownWindow();
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_FALSE(hl::PointerShown());
  EXPECT_EQ(ShowCursor(FALSE), -2);
  EXPECT_EQ(ShowCursor(TRUE), -1);
  EXPECT_FALSE(hl::PointerShown());
  EXPECT_EQ(ShowCursor(TRUE), 0);
  EXPECT_TRUE(hl::PointerShown());
  EXPECT_EQ(ShowCursor(TRUE), 1);
  EXPECT_TRUE(hl::PointerShown());
}

TEST(Cursor, FollowsThePointerWhichStaysOnTheScreen) {
  hl::Script s;
  s.MoveTo(100, 200).Idle(1).MoveBy(-500, 0);
  Start(s);
  MakeShownWindow();
  RunLoop({}, 1);
  POINT p{};
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 100);
  EXPECT_EQ(p.y, 200);
  RunLoop({}, 2);
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(hl::PointerPosition().x, 0);
}

TEST(Cursor, HiddenWithAButtonHeldItMovesByRelativeMotionBeyondTheScreen) {
  hl::Script s;
  s.MoveTo(100, 200).Press(1).Idle(1).MoveBy(-500, 30).Idle(1);
  Start(s);
  MakeShownWindow();
  RunLoop({}, 2);  // move, press
  ShowCursor(FALSE);
  SetCursorPos(256, 246);  // parked: the real pointer stays where it is
  EXPECT_EQ(hl::PointerPosition().x, 100);
  RunLoop({}, 2);  // idle, motion
  POINT p{};
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 256 - 500);
  EXPECT_EQ(p.y, 246 + 30);
  EXPECT_EQ(hl::PointerPosition().x, 100);
  ShowCursor(TRUE);  // the real pointer comes back where the cursor went
  EXPECT_EQ(hl::PointerPosition().x, 256 - 500);
  EXPECT_EQ(hl::PointerPosition().y, 246 + 30);
}

TEST(Cursor, ReleasingTheButtonEndsRelativeMotion) {
  hl::Script s;
  s.MoveTo(100, 200).Press(1).Idle(1).Release(1).Idle(1).MoveBy(5, 5);
  Start(s);
  MakeShownWindow();
  RunLoop({}, 2);
  ShowCursor(FALSE);
  SetCursorPos(40, 40);
  RunLoop({}, 2);                          // idle, release
  EXPECT_EQ(hl::PointerPosition().x, 40);  // warped to the cursor on leaving
  RunLoop({}, 2);
  POINT p{};
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 45);  // absolute motion again
  EXPECT_EQ(p.y, 45);
}

TEST(Cursor, SetCursorPosWarpsThePointerWhenNotRelative) {
  Start();
  MakeShownWindow();
  SetCursorPos(321, 123);
  EXPECT_EQ(hl::PointerPosition().x, 321);
  EXPECT_EQ(hl::PointerPosition().y, 123);
  POINT p{};
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 321);
}

}  // namespace
}  // namespace layer_test
