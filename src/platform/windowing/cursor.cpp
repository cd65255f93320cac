// The cursor: the layer's own position in screen coordinates, its display count, and the
// host's relative mode while the cursor is hidden and a button is held, so that a drag
// never stops at a screen edge.

#include "platform/core/layer.h"
#include "platform/windowing/windowing.h"

namespace platform {
namespace {

struct Cursor {
  POINT position{0, 0};
  int displayCount = 0;
  bool relative = false;
  unsigned buttons = 0;  // bit (button - 1) for each button the host reports held
};

Cursor& State() {
  static Cursor cursor;
  return cursor;
}

void UpdateRelativeMode() {
  Cursor& c = State();
  const bool wanted = c.displayCount < 0 && c.buttons != 0;
  if (wanted == c.relative) return;
  c.relative = wanted;
  Host& host = ActiveHost();
  host.SetRelativeMouse(wanted);
  // The real pointer comes back where the layer's cursor went.
  if (!wanted) host.WarpPointer(c.position.x, c.position.y);
}

void NoteButton(const HostEvent& event) {
  if (event.button < 1 || event.button > 3) return;
  const unsigned bit = 1u << (event.button - 1);
  if (event.type == HostEvent::Type::ButtonDown) State().buttons |= bit;
  if (event.type == HostEvent::Type::ButtonUp) State().buttons &= ~bit;
}

}  // namespace

void ObserveMouse(const Window* window, const HostEvent& event) {
  Cursor& c = State();
  NoteButton(event);
  if (c.relative) {
    if (event.type == HostEvent::Type::MouseMove) {
      c.position.x += event.dx;
      c.position.y += event.dy;
    }
  } else if (window != nullptr) {
    const POINT origin = DrawableOrigin(*window);
    c.position = POINT{origin.x + event.x, origin.y + event.y};
  }
  UpdateRelativeMode();
}

POINT CursorPosition() {
  return State().position;
}

WPARAM HeldButtons() {
  const unsigned b = State().buttons;
  return ((b & 1) ? MK_LBUTTON : 0) | ((b & 2) ? MK_MBUTTON : 0) | ((b & 4) ? MK_RBUTTON : 0);
}

void ResetCursor() {
  State() = Cursor{};
}

}  // namespace platform

BOOL GetCursorPos(POINT* point) {
  if (point == nullptr) return FALSE;
  *point = platform::CursorPosition();
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  platform::Cursor& c = platform::State();
  c.position = POINT{x, y};
  if (!c.relative) platform::ActiveHost().WarpPointer(x, y);
  return TRUE;
}

int ShowCursor(BOOL show) {
  platform::Cursor& c = platform::State();
  const bool wasShown = c.displayCount >= 0;
  c.displayCount += show ? 1 : -1;
  const bool shown = c.displayCount >= 0;
  if (shown != wasShown) platform::ActiveHost().ShowPointer(shown);
  platform::UpdateRelativeMode();
  return c.displayCount;
}
