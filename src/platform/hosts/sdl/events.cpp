#include "platform/hosts/sdl/events.h"

#include "platform/windowing/windowing.h"

namespace platform::sdl {
namespace {

struct KeyPair {
  SDL_Keycode sdl;
  int virtualKey;
};

// Keys whose virtual-key codes are not their own characters.
constexpr KeyPair kNamedKeys[] = {
    {SDLK_BACKSPACE, VK_BACK},  {SDLK_TAB, VK_TAB},       {SDLK_RETURN, VK_RETURN},
    {SDLK_KP_ENTER, VK_RETURN}, {SDLK_ESCAPE, VK_ESCAPE}, {SDLK_SPACE, VK_SPACE},
    {SDLK_LSHIFT, VK_SHIFT},    {SDLK_RSHIFT, VK_SHIFT},  {SDLK_LCTRL, VK_CONTROL},
    {SDLK_RCTRL, VK_CONTROL},   {SDLK_LALT, VK_MENU},     {SDLK_RALT, VK_MENU},
    {SDLK_LEFT, VK_LEFT},       {SDLK_UP, VK_UP},         {SDLK_RIGHT, VK_RIGHT},
    {SDLK_DOWN, VK_DOWN},       {SDLK_PAUSE, 0x13},       {SDLK_CAPSLOCK, 0x14},
    {SDLK_PAGEUP, 0x21},        {SDLK_PAGEDOWN, 0x22},    {SDLK_END, 0x23},
    {SDLK_HOME, 0x24},          {SDLK_INSERT, 0x2D},      {SDLK_DELETE, 0x2E},
    {SDLK_KP_MULTIPLY, 0x6A},   {SDLK_KP_PLUS, 0x6B},     {SDLK_KP_MINUS, 0x6D},
    {SDLK_KP_PERIOD, 0x6E},     {SDLK_KP_DIVIDE, 0x6F},
};

int FunctionKey(SDL_Keycode key) {
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
  if (key >= SDLK_F13 && key <= SDLK_F24) return VK_F12 + 1 + (key - SDLK_F13);
  return 0;
}

int KeypadDigit(SDL_Keycode key) {
  constexpr int kNumpad0 = 0x60;
  if (key == SDLK_KP_0) return kNumpad0;
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return kNumpad0 + 1 + (key - SDLK_KP_1);
  return 0;
}

HostEvent MouseMove(const SDL_MouseMotionEvent& motion) {
  HostEvent out;
  out.type = HostEvent::Type::MouseMove;
  out.window = static_cast<int>(motion.windowID);
  out.x = motion.x;
  out.y = motion.y;
  out.dx = motion.xrel;
  out.dy = motion.yrel;
  return out;
}

bool MouseButton(const SDL_MouseButtonEvent& press, HostEvent& out) {
  if (press.button < SDL_BUTTON_LEFT || press.button > SDL_BUTTON_RIGHT) return false;
  out = HostEvent{};
  out.type = press.state == SDL_PRESSED ? HostEvent::Type::ButtonDown : HostEvent::Type::ButtonUp;
  out.window = static_cast<int>(press.windowID);
  out.button = press.button;
  out.x = press.x;
  out.y = press.y;
  return true;
}

bool Key(const SDL_KeyboardEvent& key, HostEvent& out) {
  const int code = VirtualKey(key.keysym.sym);
  if (code == 0) return false;
  out = HostEvent{};
  out.type = key.state == SDL_PRESSED ? HostEvent::Type::KeyDown : HostEvent::Type::KeyUp;
  out.window = static_cast<int>(key.windowID);
  out.key = code;
  out.alt = (key.keysym.mod & KMOD_ALT) != 0;
  out.repeat = key.repeat != 0;
  return true;
}

bool WindowTypeOf(Uint8 change, HostEvent::Type& type) {
  switch (change) {
    case SDL_WINDOWEVENT_CLOSE:
      type = HostEvent::Type::Close;
      return true;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      type = HostEvent::Type::Resized;
      return true;
    case SDL_WINDOWEVENT_MOVED:
      type = HostEvent::Type::Moved;
      return true;
    case SDL_WINDOWEVENT_MINIMIZED:
      type = HostEvent::Type::Minimized;
      return true;
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_RESTORED:
      type = HostEvent::Type::Restored;
      return true;
    case SDL_WINDOWEVENT_EXPOSED:
      type = HostEvent::Type::Exposed;
      return true;
    default:
      return false;  // RESIZED is always followed by SIZE_CHANGED
  }
}

bool Window(const SDL_WindowEvent& change, HostEvent& out) {
  HostEvent::Type type;
  if (!WindowTypeOf(change.event, type)) return false;
  out = HostEvent{};
  out.type = type;
  out.window = static_cast<int>(change.windowID);
  if (type == HostEvent::Type::Resized || type == HostEvent::Type::Moved) {
    out.x = change.data1;
    out.y = change.data2;
  }
  return true;
}

}  // namespace

int VirtualKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return key;
  if (int code = FunctionKey(key)) return code;
  if (int code = KeypadDigit(key)) return code;
  for (const KeyPair& pair : kNamedKeys) {
    if (pair.sdl == key) return pair.virtualKey;
  }
  return 0;
}

bool Translate(const SDL_Event& event, HostEvent& out) {
  switch (event.type) {
    case SDL_MOUSEMOTION:
      out = MouseMove(event.motion);
      return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      return MouseButton(event.button, out);
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      return Key(event.key, out);
    case SDL_WINDOWEVENT:
      return Window(event.window, out);
    case SDL_QUIT:
      out = HostEvent{};
      out.type = HostEvent::Type::Quit;
      return true;
    default:
      return false;
  }
}

}  // namespace platform::sdl
