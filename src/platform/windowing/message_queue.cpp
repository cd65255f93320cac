// The thread's message queue: posting, taking (with the key state that follows what is
// taken), synthesised WM_PAINT and WM_QUIT, sending and dispatching.

#include <array>
#include <deque>

#include "platform/core/layer.h"
#include "platform/windowing/windowing.h"

namespace platform {
namespace {

struct MessageQueue {
  std::deque<MSG> messages;
  bool quitPosted = false;
  int quitCode = 0;
  DWORD clock = 0;  // message times: a count, so that runs are reproducible
  std::array<BYTE, 256> keys{};
  int lastKeyDown = 0;
};

MessageQueue& Queue() {
  static MessageQueue queue;
  return queue;
}

bool IsKeyMessage(UINT m) {
  return m == WM_KEYDOWN || m == WM_KEYUP || m == WM_SYSKEYDOWN || m == WM_SYSKEYUP;
}

bool IsMouseMessage(UINT m) {
  return (m >= WM_MOUSEMOVE && m <= WM_MBUTTONUP) || (m >= WM_NCMOUSEMOVE && m <= 0x00A9);
}

bool Matches(const MSG& m, HWND window, UINT low, UINT high) {
  if (window != nullptr && m.hwnd != window) return false;
  return (low == 0 && high == 0) || (m.message >= low && m.message <= high);
}

void SetKey(int key, bool down) {
  BYTE& state = Queue().keys[static_cast<std::size_t>(key) & 0xFF];
  if (down && (state & 0x80) == 0) state ^= 0x01;
  state = down ? (state | 0x80) : (state & 0x01);
}

int ButtonKey(UINT m) {
  switch (m) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_NCLBUTTONDOWN:
      return VK_LBUTTON;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_NCRBUTTONDOWN:
      return VK_RBUTTON;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_NCMBUTTONDOWN:
      return VK_MBUTTON;
    default:
      return 0;
  }
}

bool IsButtonDown(UINT m) {
  return m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN ||
         m == WM_NCLBUTTONDOWN || m == WM_NCRBUTTONDOWN || m == WM_NCMBUTTONDOWN;
}

// The thread sees keys and buttons change as it takes their messages.
void NoteTaken(const MSG& m) {
  if (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) {
    SetKey(static_cast<int>(m.wParam), true);
    Queue().lastKeyDown = static_cast<int>(m.wParam);
  } else if (m.message == WM_KEYUP || m.message == WM_SYSKEYUP) {
    SetKey(static_cast<int>(m.wParam), false);
  } else if (const int button = ButtonKey(m.message); button != 0) {
    SetKey(button, IsButtonDown(m.message));
  }
}

void Enqueue(MSG m, bool front) {
  MessageQueue& q = Queue();
  m.time = ++q.clock;
  m.pt = CursorPosition();
  if (front) {
    q.messages.push_front(m);
  } else {
    q.messages.push_back(m);
  }
}

void GatherHostEvents() {
  Host& host = ActiveHost();
  for (HostEvent event; host.PollEvent(event);) TranslateHostEvent(event);
}

bool TakeQueued(MSG& out, HWND window, UINT low, UINT high, bool remove) {
  auto& messages = Queue().messages;
  for (auto it = messages.begin(); it != messages.end(); ++it) {
    if (!Matches(*it, window, low, high)) continue;
    out = *it;
    if (remove) {
      messages.erase(it);
      NoteTaken(out);
    }
    return true;
  }
  return false;
}

bool TakeQuit(MSG& out, UINT low, UINT high, bool remove) {
  MessageQueue& q = Queue();
  if (!q.quitPosted) return false;
  const MSG m{nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, q.clock, CursorPosition()};
  if (!Matches(m, nullptr, low, high)) return false;
  out = m;
  if (remove) q.quitPosted = false;
  return true;
}

bool TakePaint(MSG& out, HWND window, UINT low, UINT high) {
  const HWND paint = WindowToPaint(window);
  if (paint == nullptr) return false;
  const MSG m{paint, WM_PAINT, 0, 0, Queue().clock, CursorPosition()};
  if (!Matches(m, window, low, high)) return false;
  out = m;
  return true;
}

}  // namespace

MenuInput TakeMenuInput(MSG& message) {
  MessageQueue& q = Queue();
  if (q.quitPosted) return MenuInput::Closing;
  for (auto it = q.messages.begin(); it != q.messages.end(); ++it) {
    if (it->message == WM_CLOSE) return MenuInput::Closing;
    if (!IsKeyMessage(it->message) && !IsMouseMessage(it->message)) continue;
    message = *it;
    q.messages.erase(it);
    NoteTaken(message);
    return MenuInput::Taken;
  }
  return MenuInput::None;
}

int LastKeyDown() {
  return Queue().lastKeyDown;
}

void DropWindowMessages(HWND window) {
  std::erase_if(Queue().messages, [window](const MSG& m) { return m.hwnd == window; });
}

void ResetMessages() {
  Queue() = MessageQueue{};
}

}  // namespace platform

BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
  if (message == nullptr) return FALSE;
  platform::GatherHostEvents();
  const bool take = (remove & PM_REMOVE) != 0;
  MSG found{};
  const bool any = platform::TakeQueued(found, window, filterMin, filterMax, take) ||
                   ((window == nullptr && platform::TakeQuit(found, filterMin, filterMax, take)) ||
                    platform::TakePaint(found, window, filterMin, filterMax));
  if (!any) {
    platform::ActiveHost().Idle();
    return FALSE;
  }
  *message = found;
  return TRUE;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window != nullptr && !IsWindow(window)) return FALSE;
  platform::Enqueue(MSG{window, message, wParam, lParam, 0, {0, 0}}, false);
  return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const platform::Window* w = platform::FindWindow(window);
  if (w == nullptr) return 0;
  return w->proc(window, message, wParam, lParam);
}

LRESULT DispatchMessageA(const MSG* message) {
  if (message == nullptr) return 0;
  return SendMessageA(message->hwnd, message->message, message->wParam, message->lParam);
}

void PostQuitMessage(int code) {
  platform::MessageQueue& q = platform::Queue();
  q.quitPosted = true;
  q.quitCode = code;
}

BOOL TranslateMessage(const MSG* message) {
  if (message == nullptr) return FALSE;
  const UINT m = message->message;
  if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN) return FALSE;
  const int key = static_cast<int>(message->wParam);
  const bool letter = key >= 'A' && key <= 'Z', digit = key >= '0' && key <= '9';
  if (!letter && !digit && key != VK_SPACE) return FALSE;
  const bool shift = (GetKeyState(VK_SHIFT) & 0x80) != 0;
  const int character = letter && !shift ? key - 'A' + 'a' : key;
  // The character comes next, ahead of input that arrived after its key.
  platform::Enqueue(MSG{message->hwnd,
                        m == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR,
                        static_cast<WPARAM>(character),
                        message->lParam,
                        0,
                        {0, 0}},
                    true);
  return TRUE;
}

SHORT GetKeyState(int virtualKey) {
  const BYTE state = platform::Queue().keys[static_cast<std::size_t>(virtualKey) & 0xFF];
  // Held keys read negative as on the original platform, with 0x80 set as callers test.
  const int held = (state & 0x80) != 0 ? 0xFF80 : 0;
  return static_cast<SHORT>(held | (state & 0x01));
}
