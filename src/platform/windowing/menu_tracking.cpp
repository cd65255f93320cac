// Modal menu tracking: while a menu is open the program's loop waits inside DefWindowProcA
// and the layer reads mouse and keys itself, drawing the bar and the open popup over the
// window's last picture. A chosen item is posted as WM_COMMAND.

#include <optional>

#include "platform/core/layer.h"
#include "platform/windowing/menu_view.h"
#include "platform/windowing/windowing.h"

namespace platform {
namespace {

// Long enough to idle, short enough that a window change is seen at once.
constexpr int kWaitMilliseconds = 50;

struct Tracker {
  HWND window = nullptr;
  HMENU bar = nullptr;
  int title = 0;
  bool open = false;  // the title's popup hangs below the bar
  int item = -1;      // highlighted item of the open popup
  bool done = false;
  bool altPressed = false;  // Alt went down while tracking: its release closes the menu
  std::optional<UINT> chosen;
};

int Count(HMENU menu) {
  const std::vector<MenuEntry>* entries = FindMenuEntries(menu);
  return entries == nullptr ? 0 : static_cast<int>(entries->size());
}

HMENU Popup(const Tracker& t) {
  return GetSubMenu(t.bar, t.title);
}

bool Trackable(HWND window) {
  const Window* w = FindWindow(window);
  return w != nullptr && w->visible && !w->minimized && Count(w->menu) > 0;
}

PopupLayout LayOutOpenPopup(const Tracker& t, const Window& w) {
  const BarLayout bar = LayOutBar(t.bar);
  return LayOutPopup(Popup(t), bar.titles[static_cast<std::size_t>(t.title)], w.width);
}

// Composes on a copy, so that closing the menu shows the window's own picture again.
void Show(const Tracker& t) {
  Window* w = FindWindow(t.window);
  if (w == nullptr) return;
  std::vector<std::uint32_t> picture = w->pixels;
  const PixelTarget target{picture.data(), w->width, w->height, w->width};
  DrawMenuBar(target, t.bar, t.title);
  if (t.open) DrawPopup(target, Popup(t), LayOutOpenPopup(t, *w), t.item);
  ActiveHost().Present(w->hostId, picture.data(), w->width, w->height, w->width * 4);
  w->shown = false;
}

void Choose(Tracker& t, int item) {
  t.chosen = GetMenuItemID(Popup(t), item);
  t.done = true;
}

// The message's point in the tracked window's drawable coordinates; none for another
// window's message.
std::optional<POINT> DrawablePoint(const Tracker& t, const MSG& m) {
  const Window* w = FindWindow(t.window);
  if (w == nullptr || m.hwnd != t.window) return std::nullopt;
  const int x = GET_X_LPARAM(m.lParam), y = GET_Y_LPARAM(m.lParam);
  if (m.message >= WM_NCMOUSEMOVE && m.message <= WM_NCMBUTTONDOWN + 2) {
    const POINT origin = DrawableOrigin(*w);
    return POINT{x - origin.x, y - origin.y};
  }
  return POINT{x, y + w->BarHeight()};
}

int Hit(const std::vector<Rect>& rects, std::optional<POINT> p) {
  if (!p) return -1;
  for (std::size_t i = 0; i < rects.size(); ++i) {
    if (rects[i].Contains(p->x, p->y)) return static_cast<int>(i);
  }
  return -1;
}

void OnMouse(Tracker& t, const MSG& m) {
  const Window* w = FindWindow(t.window);
  if (w == nullptr) return;
  const std::optional<POINT> p = DrawablePoint(t, m);
  const int title = Hit(LayOutBar(t.bar).titles, p);
  const PopupLayout popup = t.open ? LayOutOpenPopup(t, *w) : PopupLayout{};
  const int item = Hit(popup.items, p);
  const bool inPopup = p && t.open && popup.frame.Contains(p->x, p->y);
  const UINT message = m.message;
  if (message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE) {
    if (title >= 0 && title != t.title) {
      t.title = title;
      t.item = -1;
    } else if (t.open && title < 0) {
      t.item = item;
    }
  } else if (message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP) {
    if (item >= 0) Choose(t, item);
  } else if (title >= 0) {  // a button pressed on a title: the open one closes the menu
    t.done = t.open && title == t.title;
    t.title = title;
    t.open = true;
    t.item = -1;
  } else if (inPopup) {
    t.item = item;
  } else {
    t.done = true;  // pressed elsewhere
  }
}

int Wrapped(int value, int count) {
  return count == 0 ? -1 : (value % count + count) % count;
}

void OpenFromKeyboard(Tracker& t, bool fromBottom) {
  t.open = true;
  t.item = Count(Popup(t)) == 0 ? -1 : (fromBottom ? Count(Popup(t)) - 1 : 0);
}

void OnCharacterKey(Tracker& t, int key) {
  if (t.open) {
    const int item = EntryWithMnemonic(Popup(t), key);
    if (item >= 0) Choose(t, item);
    return;
  }
  const int title = EntryWithMnemonic(t.bar, key);
  if (title < 0) return;
  t.title = title;
  OpenFromKeyboard(t, false);
}

void OnKey(Tracker& t, int key) {
  switch (key) {
    case VK_ESCAPE:
    case VK_F10:
      t.done = true;
      break;
    case VK_MENU:
      t.altPressed = true;
      break;
    case VK_LEFT:
    case VK_RIGHT:
      t.title = Wrapped(t.title + (key == VK_RIGHT ? 1 : -1), Count(t.bar));
      t.item = t.open && Count(Popup(t)) > 0 ? 0 : -1;
      break;
    case VK_UP:
    case VK_DOWN:
      if (!t.open) {
        OpenFromKeyboard(t, key == VK_UP);
      } else if (t.item < 0) {
        t.item = key == VK_DOWN ? Wrapped(0, Count(Popup(t))) : Count(Popup(t)) - 1;
      } else {
        t.item = Wrapped(t.item + (key == VK_DOWN ? 1 : -1), Count(Popup(t)));
      }
      break;
    case VK_RETURN:
      if (!t.open) {
        OpenFromKeyboard(t, false);
      } else if (t.item >= 0) {
        Choose(t, t.item);
      }
      break;
    default:
      OnCharacterKey(t, key);
      break;
  }
}

// One input or event; false when none came within the wait.
bool Step(Tracker& t) {
  MSG m{};
  switch (TakeMenuInput(m)) {
    case MenuInput::Closing:
      t.done = true;
      return true;
    case MenuInput::Taken:
      if (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) {
        OnKey(t, static_cast<int>(m.wParam));
      } else if (m.message == WM_KEYUP || m.message == WM_SYSKEYUP) {
        t.done = m.wParam == VK_MENU && t.altPressed;
      } else {
        OnMouse(t, m);
      }
      return true;
    case MenuInput::None:
      break;
  }
  HostEvent event;
  if (!ActiveHost().WaitEvent(event, kWaitMilliseconds)) return false;
  TranslateHostEvent(event);
  return true;
}

void Track(Tracker t) {
  SendMessageA(t.window, WM_ENTERMENULOOP, FALSE, 0);
  bool changed = true;
  while (!t.done && Trackable(t.window)) {
    if (changed) Show(t);
    changed = Step(t);
  }
  if (Window* w = FindWindow(t.window)) PresentWindow(*w);
  if (t.chosen) PostMessageA(t.window, WM_COMMAND, *t.chosen & 0xFFFF, 0);
  SendMessageA(t.window, WM_EXITMENULOOP, FALSE, 0);
}

std::optional<Tracker> Start(HWND window) {
  if (!Trackable(window)) return std::nullopt;
  Tracker t;
  t.window = window;
  t.bar = FindWindow(window)->menu;
  return t;
}

}  // namespace

void TrackMenuAt(HWND window, POINT screen) {
  std::optional<Tracker> t = Start(window);
  if (!t) return;
  const POINT origin = DrawableOrigin(*FindWindow(window));
  const POINT p{screen.x - origin.x, screen.y - origin.y};
  t->title = Hit(LayOutBar(t->bar).titles, p);
  if (t->title < 0) return;
  t->open = true;
  Track(*t);
}

void TrackMenuMnemonic(HWND window, int virtualKey) {
  std::optional<Tracker> t = Start(window);
  if (!t) return;
  t->title = EntryWithMnemonic(t->bar, virtualKey);
  if (t->title < 0) return;
  OpenFromKeyboard(*t, false);
  Track(*t);
}

void TrackMenuBar(HWND window) {
  std::optional<Tracker> t = Start(window);
  if (t) Track(*t);
}

}  // namespace platform
