// Windows through the headless host: the messages of their life, painting, the desktop's
// requests, closing and the queue's order.

#include <gtest/gtest.h>

#include "layer_test_support.h"

namespace layer_test {
namespace {

constexpr UINT WM_APP_FIRST = 0x8000;

TEST(WindowLife, CreateShowUpdateAndDestroySendTheirMessagesInOrder) {
  Start();
  HWND window = MakeWindow(30, 40);
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(Log().size(), 4u);
  EXPECT_EQ(Log()[2].lParam, (512 - kBar) << 16 | 512);  // WM_SIZE: the client size
  EXPECT_EQ(Log()[3].lParam, (40 + kBar) << 16 | 30);    // WM_MOVE: its screen origin
  EXPECT_EQ(TakeMessages(), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}));
  EXPECT_EQ(hl::ReadScreen().At(300, 45), 0u);  // not shown yet
  UpdateWindow(window);                         // hidden: nothing to paint
  EXPECT_FALSE(ShowWindow(window, SW_SHOWNORMAL));
  EXPECT_EQ(TakeMessages(), (std::vector<UINT>{WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS}));
  EXPECT_EQ(GetFocus(), window);
  EXPECT_TRUE(ShowWindow(window, SW_SHOW));
  EXPECT_TRUE(ShowWindow(window, SW_HIDE));
  EXPECT_FALSE(ShowWindow(window, SW_SHOW));
  EXPECT_EQ(TakeMessages(), (std::vector<UINT>{WM_SHOWWINDOW, WM_SHOWWINDOW}));  // once each
  UpdateWindow(window);
  UpdateWindow(window);
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
  EXPECT_EQ(TakeMessages(), (std::vector<UINT>{WM_PAINT, WM_PAINT}));
  EXPECT_EQ(hl::ReadScreen().At(300, 45), 0xF0F0F0u);  // shown: the bar
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_EQ(TakeMessages(), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
  EXPECT_EQ(hl::ReadScreen().At(300, 45), 0u);  // its bar went with the host window
}

TEST(WindowLife, CreationFailsForUnknownClassesAndRefusals) {
  Start();
  EXPECT_EQ(
      CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
      nullptr);
  WNDCLASSA again{};
  again.lpfnWndProc = RecordingProc;
  again.lpszClassName = "layertest";  // names ignore case
  EXPECT_EQ(RegisterClassA(&again), 0);
  Hook() = [](HWND, UINT message, WPARAM, LPARAM) { return message == WM_NCCREATE; };
  EXPECT_EQ(MakeWindow(), nullptr);  // WM_NCCREATE answered 0
  Hook() = nullptr;
  EXPECT_NE(MakeWindow(), nullptr);
}

TEST(WindowLife, EveryCallOnADestroyedWindowFailsHarmlessly) {
  Start();
  HWND window = MakeShownWindow();
  DestroyWindow(window);
  Log().clear();
  RECT r{1, 2, 3, 4};
  POINT p{5, 6};
  MSG stale{window, WM_PAINT, 0, 0, 0, {0, 0}};
  EXPECT_EQ((std::vector<LRESULT>{
                IsWindow(window), DestroyWindow(window), ShowWindow(window, SW_SHOW),
                UpdateWindow(window), GetClientRect(window, &r), ClientToScreen(window, &p),
                InvalidateRect(window, nullptr, FALSE), PostMessageA(window, WM_APP_FIRST, 0, 0),
                DispatchMessageA(&stale), SendMessageA(window, WM_CLOSE, 0, 0), r.right, p.x}),
            (std::vector<LRESULT>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 5}));
  EXPECT_TRUE(Log().empty());
}

TEST(Painting, OnePaintAfterShowingBehindTheQueuedMessagesAndNoneRepeated) {
  Start();
  HWND window = MakeWindow();
  ShowWindow(window, SW_SHOWNORMAL);
  PostMessageA(window, WM_APP_FIRST, 0, 0);
  EXPECT_EQ(Take().message, WM_APP_FIRST);
  MSG m = Take();
  EXPECT_EQ(m.message, WM_PAINT);
  EXPECT_EQ(m.hwnd, window);
  DispatchMessageA(&m);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

// A resize, a restore and an expose each ask for one paint; a minimised window has a
// 0 x 0 client area and is not painted.
TEST(Painting, TheDesktopsRequestsResizeMoveAndInvalidate) {
  hl::Script s;
  s.Resize(700, 300).Idle(1).Minimize().Idle(1).Restore().Idle(1).Expose().Idle(1);
  s.MoveWindow(100, 50);
  Start(s);
  HWND window = MakeShownWindow();
  MSG m{};
  auto paintAfter = [&](const std::vector<UINT>& sent) {
    m = Take();
    EXPECT_EQ(m.message, WM_PAINT);
    EXPECT_EQ(TakeMessages(), sent);
    DispatchMessageA(&m);
    Log().clear();
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  };
  paintAfter({WM_SIZE});
  EXPECT_EQ(ClientSize(window), XY(700, 300 - kBar));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));  // takes Minimize; idles
  EXPECT_EQ(ClientSize(window), XY(0, 0));
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0].wParam, SIZE_MINIMIZED);
  Log().clear();
  paintAfter({WM_SIZE});
  EXPECT_EQ(ClientSize(window), XY(700, 300 - kBar));
  paintAfter({});  // exposed
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(TakeMessages(), std::vector<UINT>{WM_MOVE});
  POINT p{3, 4};
  ClientToScreen(window, &p);
  EXPECT_EQ(At(p), XY(103, 54 + kBar));
  ScreenToClient(window, &p);
  EXPECT_EQ(At(p), XY(3, 4));
}

TEST(Closing, TheCloseBoxClosesDestroysAndQuitsAndQuitClosesEveryWindow) {
  hl::Script s;
  s.Idle(1).CloseBox();
  Start(s);
  HWND window = MakeShownWindow();
  EXPECT_EQ(RunLoop(), 7);
  const std::vector<UINT> m = TakeMessages();
  const auto close = std::find(m.begin(), m.end(), WM_CLOSE);
  EXPECT_EQ(std::vector<UINT>(close, m.end()),
            (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(IsWindow(window));
  hl::Script quit;
  quit.Quit();
  Start(quit);
  HWND first = MakeShownWindow();
  HWND second = MakeShownWindow();
  RunLoop({}, 20);
  EXPECT_FALSE(IsWindow(first) || IsWindow(second));
}

// Posted messages keep their order, those of a destroyed window are dropped, and WM_QUIT
// waits until nothing else is queued.
TEST(Queue, PostedMessagesInOrderThenQuitWithItsCode) {
  Start();
  HWND window = MakeShownWindow();
  HWND doomed = MakeShownWindow();
  ValidateRect(window, nullptr);
  PostMessageA(doomed, WM_APP_FIRST + 9, 0, 0);
  PostMessageA(window, WM_APP_FIRST, 1, 2);
  Hook() = [](HWND, UINT message, WPARAM, LPARAM) { return message == WM_DESTROY; };
  DestroyWindow(doomed);
  PostQuitMessage(3);
  PostMessageA(nullptr, WM_APP_FIRST + 1, 0, 0);
  MSG m{};
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  std::vector<UINT> taken;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) taken.push_back(m.message);
  EXPECT_EQ(taken, (std::vector<UINT>{WM_APP_FIRST, WM_APP_FIRST + 1, WM_QUIT}));
  EXPECT_EQ(m.wParam, 3u);
  const int before = hl::IdlePasses();
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(hl::IdlePasses(), before + 1);
}

}  // namespace
}  // namespace layer_test
