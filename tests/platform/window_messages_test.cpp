// Windows through the headless host: the messages of their life, painting, closing and
// the queue's order.

#include <gtest/gtest.h>

#include "layer_test_support.h"

namespace layer_test {
namespace {

constexpr UINT WM_APP_FIRST = 0x8000;
constexpr int kBar = 14 + 6;  // the headless host's text height plus the bar's margin

TEST(WindowLife, CreationSendsItsMessagesInOrderAndLeavesTheWindowHidden) {
  Start();
  HWND window = MakeWindow(true, 30, 40);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(TakeMessages(), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}));
  RECT client{};
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client.right, 512);
  EXPECT_EQ(client.bottom, 512 - kBar);
  EXPECT_EQ(hl::MainWindow(), window);
  EXPECT_EQ(hl::ReadScreen().At(40, 50), 0u);  // not shown yet
}

TEST(WindowLife, SizeAndMoveCarryTheClientSizeAndItsScreenOrigin) {
  Start();
  MakeWindow(true, 30, 40);
  ASSERT_EQ(Log().size(), 4u);
  EXPECT_EQ(GET_X_LPARAM(Log()[2].lParam), 512);
  EXPECT_EQ(GET_Y_LPARAM(Log()[2].lParam), 512 - kBar);
  EXPECT_EQ(GET_X_LPARAM(Log()[3].lParam), 30);
  EXPECT_EQ(GET_Y_LPARAM(Log()[3].lParam), 40 + kBar);
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

TEST(WindowLife, TheFirstShowActivatesAndFocusesOnce) {
  Start();
  HWND window = MakeWindow();
  Log().clear();
  EXPECT_FALSE(ShowWindow(window, SW_SHOWNORMAL));
  EXPECT_EQ(TakeMessages(), (std::vector<UINT>{WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS}));
  EXPECT_EQ(GetFocus(), window);
  EXPECT_TRUE(ShowWindow(window, SW_SHOW));
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_TRUE(ShowWindow(window, SW_HIDE));
  EXPECT_FALSE(ShowWindow(window, SW_SHOW));
  EXPECT_EQ(TakeMessages(), (std::vector<UINT>{WM_SHOWWINDOW, WM_SHOWWINDOW}));
}

TEST(WindowLife, DestroySendsDestroyThenNcDestroyAndEveryLaterCallFailsHarmlessly) {
  Start();
  HWND window = MakeShownWindow();
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_EQ(TakeMessages(), (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(IsWindow(window));
  RECT r{1, 2, 3, 4};
  POINT p{5, 6};
  MSG stale{window, WM_PAINT, 0, 0, 0, {0, 0}};
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_FALSE(ShowWindow(window, SW_SHOW));
  EXPECT_FALSE(UpdateWindow(window));
  EXPECT_FALSE(GetClientRect(window, &r));
  EXPECT_FALSE(ClientToScreen(window, &p));
  EXPECT_FALSE(InvalidateRect(window, nullptr, FALSE));
  EXPECT_FALSE(PostMessageA(window, WM_APP_FIRST, 0, 0));
  EXPECT_EQ(DispatchMessageA(&stale), 0);
  EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
  EXPECT_EQ(r.right, 3);
  EXPECT_EQ(p.x, 5);
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_EQ(hl::ReadScreen().At(10, 10), 0u);  // the host window went with it
}

TEST(WindowLife, QueuedMessagesOfADestroyedWindowAreDropped) {
  Start();
  HWND window = MakeShownWindow();
  PostMessageA(window, WM_APP_FIRST, 0, 0);
  DestroyWindow(window);
  MSG m{};
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_QUIT);
}

TEST(Painting, OnePaintAfterShowingAndNoneRepeated) {
  Start();
  HWND window = MakeWindow();
  ShowWindow(window, SW_SHOWNORMAL);
  MSG m{};
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_PAINT);
  EXPECT_EQ(m.hwnd, window);
  DispatchMessageA(&m);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST(Painting, UpdateWindowPaintsAtOnceOnlyWhileInvalid) {
  Start();
  HWND window = MakeWindow();
  UpdateWindow(window);  // hidden: nothing to paint
  ShowWindow(window, SW_SHOWNORMAL);
  Log().clear();
  UpdateWindow(window);
  EXPECT_EQ(TakeMessages(), std::vector<UINT>{WM_PAINT});
  UpdateWindow(window);
  EXPECT_TRUE(TakeMessages().empty());
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
  EXPECT_EQ(TakeMessages(), std::vector<UINT>{WM_PAINT});
}

TEST(Painting, PaintComesAfterEveryQueuedMessage) {
  Start();
  HWND window = MakeWindow();
  ShowWindow(window, SW_SHOWNORMAL);
  PostMessageA(window, WM_APP_FIRST, 0, 0);
  MSG m{};
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_APP_FIRST);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_PAINT);
}

TEST(Painting, AResizeResizesTheClientAreaAndInvalidatesIt) {
  hl::Script s;
  s.Resize(700, 300);
  Start(s);
  HWND window = MakeShownWindow();
  MSG m{};
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_PAINT);
  const std::vector<UINT> sent = TakeMessages();
  ASSERT_EQ(sent, std::vector<UINT>{WM_SIZE});
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 700);
  EXPECT_EQ(client.bottom, 300 - kBar);
}

TEST(Painting, AMinimisedWindowHasNoClientAreaAndNoPaint) {
  hl::Script s;
  s.Minimize().Idle(1).Restore();
  Start(s);
  HWND window = MakeShownWindow();
  MSG m{};
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));  // takes Minimize; idles
  RECT client{1, 1, 1, 1};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 0);
  EXPECT_EQ(client.bottom, 0);
  ASSERT_FALSE(Log().empty());
  EXPECT_EQ(Log().back().message, WM_SIZE);
  EXPECT_EQ(Log().back().wParam, SIZE_MINIMIZED);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));  // restored: paint again
  EXPECT_EQ(m.message, WM_PAINT);
  GetClientRect(window, &client);
  EXPECT_EQ(client.bottom, 512 - kBar);
}

TEST(Painting, ExposeAsksForAPaint) {
  hl::Script s;
  s.Expose();
  Start(s);
  MakeShownWindow();
  MSG m{};
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_PAINT);
}

TEST(Closing, TheCloseBoxClosesDestroysAndQuits) {
  hl::Script s;
  s.Idle(1).CloseBox();
  Start(s);
  HWND window = MakeShownWindow();
  EXPECT_EQ(RunLoop(), 7);
  const std::vector<UINT> m = TakeMessages();
  const auto close = std::find(m.begin(), m.end(), WM_CLOSE);
  ASSERT_NE(close, m.end());
  EXPECT_EQ(std::vector<UINT>(close, m.end()),
            (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(IsWindow(window));
}

TEST(Closing, QuitClosesEveryWindow) {
  hl::Script s;
  s.Quit();
  Start(s);
  HWND first = MakeShownWindow();
  HWND second = MakeShownWindow();
  RunLoop({}, 20);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_FALSE(IsWindow(second));
}

TEST(Closing, AProgramThatIgnoresTheScriptStillGetsClosed) {
  Start({}, hl::Options{1280, 1024, 0, 3});
  MakeShownWindow();
  int frames = 0;
  EXPECT_EQ(RunLoop([&] { ++frames; }), 7);
  EXPECT_EQ(frames, 3);
}

TEST(Queue, QuitComesOnceTheQueueHoldsNothingElse) {
  Start();
  HWND window = MakeShownWindow();
  ValidateRect(window, nullptr);
  PostMessageA(window, WM_APP_FIRST, 0, 0);
  PostQuitMessage(3);
  PostMessageA(nullptr, WM_APP_FIRST + 1, 0, 0);
  std::vector<UINT> taken;
  MSG m{};
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) taken.push_back(m.message);
  EXPECT_EQ(taken, (std::vector<UINT>{WM_APP_FIRST, WM_APP_FIRST + 1, WM_QUIT}));
  EXPECT_EQ(m.wParam, 3u);
}

TEST(Queue, PeekingWithoutRemovingLeavesTheMessageAndAnEmptyQueueIsAnIdlePass) {
  Start();
  HWND window = MakeShownWindow();
  ValidateRect(window, nullptr);
  PostMessageA(window, WM_APP_FIRST, 1, 2);
  MSG m{};
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.wParam, 1u);
  const int before = hl::IdlePasses();
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(hl::IdlePasses(), before + 1);
}

TEST(Geometry, AdjustWindowRectGrowsOnlyForAMenu) {
  Start();
  RECT r{0, 0, 512, 512};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, FALSE);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.bottom, 512);
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, TRUE);
  EXPECT_EQ(r.top, -kBar);
}

TEST(Geometry, ClientCoordinatesFollowTheWindowWhenItMoves) {
  hl::Script s;
  s.MoveWindow(100, 50);
  Start(s);
  HWND window = MakeShownWindow();
  MSG m{};
  PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);
  EXPECT_EQ(Log().back().message, WM_MOVE);
  POINT p{3, 4};
  ClientToScreen(window, &p);
  EXPECT_EQ(p.x, 103);
  EXPECT_EQ(p.y, 54 + kBar);
  ScreenToClient(window, &p);
  EXPECT_EQ(p.x, 3);
  EXPECT_EQ(p.y, 4);
}

}  // namespace
}  // namespace layer_test
