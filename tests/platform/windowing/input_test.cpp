// Mouse, keyboard and cursor through the headless host.

#include <gtest/gtest.h>

#include <tuple>

#include "layer_test_support.h"

namespace layer_test {
namespace {

TEST(KeyState, FollowsTheMessagesTakenNotTheEventsArrived) {
  hl::Script s;
  s.MoveTo(100, 200).Press(1).Release(1).Key(VK_SHIFT);
  Start(s);
  MakeShownWindow();
  EXPECT_EQ(Take().message, WM_MOUSEMOVE);  // the rest is queued behind it
  EXPECT_FALSE(Held(VK_LBUTTON));
  EXPECT_FALSE(Held(VK_SHIFT));
  EXPECT_EQ(Take().message, WM_LBUTTONDOWN);
  EXPECT_TRUE(Held(VK_LBUTTON));
  EXPECT_EQ(Take().message, WM_LBUTTONUP);
  EXPECT_FALSE(Held(VK_LBUTTON));
  EXPECT_EQ(Take().message, WM_KEYDOWN);
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);  // held reads negative
  EXPECT_EQ(GetKeyState(VK_SHIFT) & 1, 1);
  EXPECT_EQ(Take().message, WM_KEYUP);
  EXPECT_EQ(GetKeyState(VK_SHIFT), 1);  // only the toggle bit left
}

TEST(Mouse, ClientMessagesCarryClientCoordinatesAndTheButtonsHeld) {
  hl::Script s;
  s.MoveWindow(100, 50).MoveTo(150, 250).Press(3).Press(1);
  Start(s);
  HWND window = MakeShownWindow();
  const MSG move = Take(), right = Take(), left = Take();
  EXPECT_EQ(move.message, WM_MOUSEMOVE);
  EXPECT_EQ(move.hwnd, window);
  EXPECT_EQ(move.lParam, (200 - kBar) << 16 | 50);
  EXPECT_EQ(right.message, WM_RBUTTONDOWN);
  EXPECT_EQ(right.wParam, MK_RBUTTON);
  EXPECT_EQ(left.message, WM_LBUTTONDOWN);
  EXPECT_EQ(left.wParam, MK_LBUTTON | MK_RBUTTON);
  EXPECT_EQ(At(left.pt), XY(150, 250));
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
    EXPECT_TRUE(m.message != WM_CHAR || m.wParam == 'q');
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
  const std::tuple<BOOL, int, bool> steps[] = {
      {FALSE, -1, false}, {FALSE, -2, false}, {TRUE, -1, false}, {TRUE, 0, true}, {TRUE, 1, true}};
  for (const auto& [show, count, shown] : steps) {
    EXPECT_EQ(ShowCursor(show), count);
    EXPECT_EQ(hl::PointerShown(), shown) << count;
  }
}

TEST(Cursor, FollowsThePointerWhichStaysOnTheScreenAndSetCursorPosWarpsIt) {
  hl::Script s;
  s.MoveTo(100, 200).Idle(1).MoveBy(-500, 0);
  Start(s);
  MakeShownWindow();
  RunLoop({}, 1);
  EXPECT_EQ(Cursor(), XY(100, 200));
  RunLoop({}, 2);
  EXPECT_EQ(Cursor(), XY(0, 200));
  EXPECT_EQ(At(hl::PointerPosition()), XY(0, 200));
  SetCursorPos(321, 123);
  EXPECT_EQ(Cursor(), XY(321, 123));
  EXPECT_EQ(At(hl::PointerPosition()), XY(321, 123));
}

// The drag's cursor: hidden with a button held it moves by relative motion, beyond the
// screen if need be, while the real pointer stays. Shown again, or with the button
// released, the pointer comes back where the cursor went and motion is absolute again.
TEST(Cursor, HiddenWithAButtonHeldItMovesByRelativeMotionBeyondTheScreen) {
  hl::Script s;
  s.MoveTo(100, 200).Press(1).Idle(1).MoveBy(-500, 30).Idle(1);
  Start(s);
  MakeShownWindow();
  RunLoop({}, 2);  // move, press
  ShowCursor(FALSE);
  SetCursorPos(256, 246);  // parked: the real pointer stays where it is
  RunLoop({}, 2);          // idle, motion
  EXPECT_EQ(Cursor(), XY(256 - 500, 246 + 30));
  EXPECT_EQ(At(hl::PointerPosition()), XY(100, 200));
  ShowCursor(TRUE);
  EXPECT_EQ(At(hl::PointerPosition()), XY(256 - 500, 246 + 30));
}

TEST(Cursor, ReleasingTheButtonEndsRelativeMotion) {
  hl::Script s;
  s.MoveTo(100, 200).Press(1).Idle(1).Release(1).Idle(1).MoveBy(5, 5);
  Start(s);
  MakeShownWindow();
  RunLoop({}, 2);
  ShowCursor(FALSE);
  SetCursorPos(40, 40);
  RunLoop({}, 2);  // idle, release
  EXPECT_EQ(At(hl::PointerPosition()), XY(40, 40));
  RunLoop({}, 2);
  EXPECT_EQ(Cursor(), XY(45, 45));
}

}  // namespace
}  // namespace layer_test
