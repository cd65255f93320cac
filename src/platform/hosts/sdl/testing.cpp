// Hooks for the desktop host's tests, which may not include SDL themselves.

#include <SDL.h>

#include "platform/hosts/sdl/sdl_host.h"

namespace platform::sdl::testing {
namespace {

Uint8 WindowEventId(WindowChange change) {
  switch (change) {
    case WindowChange::Shown:
      return SDL_WINDOWEVENT_SHOWN;
    case WindowChange::Exposed:
      return SDL_WINDOWEVENT_EXPOSED;
    case WindowChange::Moved:
      return SDL_WINDOWEVENT_MOVED;
    case WindowChange::Resized:
      return SDL_WINDOWEVENT_RESIZED;
    case WindowChange::SizeChanged:
      return SDL_WINDOWEVENT_SIZE_CHANGED;
    case WindowChange::Minimized:
      return SDL_WINDOWEVENT_MINIMIZED;
    case WindowChange::Maximized:
      return SDL_WINDOWEVENT_MAXIMIZED;
    case WindowChange::Restored:
      return SDL_WINDOWEVENT_RESTORED;
    case WindowChange::FocusGained:
      return SDL_WINDOWEVENT_FOCUS_GAINED;
    case WindowChange::Close:
      return SDL_WINDOWEVENT_CLOSE;
  }
  return SDL_WINDOWEVENT_NONE;
}

void Push(SDL_Event event) {
  SDL_PushEvent(&event);
}

}  // namespace

void PushMouseMotion(int window, int x, int y, int dx, int dy) {
  SDL_Event event{};
  event.motion.type = SDL_MOUSEMOTION;
  event.motion.windowID = static_cast<Uint32>(window);
  event.motion.x = x;
  event.motion.y = y;
  event.motion.xrel = dx;
  event.motion.yrel = dy;
  Push(event);
}

void PushMouseButton(int window, int button, bool down, int x, int y) {
  SDL_Event event{};
  event.button.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  event.button.windowID = static_cast<Uint32>(window);
  event.button.button = static_cast<Uint8>(button);
  event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.button.clicks = 1;
  event.button.x = x;
  event.button.y = y;
  Push(event);
}

bool PushKey(int window, const char* keyName, bool down, bool alt, bool repeat) {
  const SDL_Keycode key = SDL_GetKeyFromName(keyName);
  if (key == SDLK_UNKNOWN) return false;
  SDL_Event event{};
  event.key.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.windowID = static_cast<Uint32>(window);
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.repeat = repeat ? 1 : 0;
  event.key.keysym.sym = key;
  event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
  event.key.keysym.mod = alt ? KMOD_LALT : KMOD_NONE;
  Push(event);
  return true;
}

void PushTextInput(int window, const char* text) {
  SDL_Event event{};
  event.text.type = SDL_TEXTINPUT;
  event.text.windowID = static_cast<Uint32>(window);
  SDL_strlcpy(event.text.text, text, sizeof event.text.text);
  Push(event);
}

void PushWindowEvent(int window, WindowChange change, int data1, int data2) {
  SDL_Event event{};
  event.window.type = SDL_WINDOWEVENT;
  event.window.windowID = static_cast<Uint32>(window);
  event.window.event = WindowEventId(change);
  event.window.data1 = data1;
  event.window.data2 = data2;
  Push(event);
}

void PushQuit() {
  SDL_Event event{};
  event.quit.type = SDL_QUIT;
  Push(event);
}

void ResizeWindow(int window, int width, int height) {
  if (SDL_Window* sdlWindow = SDL_GetWindowFromID(static_cast<Uint32>(window))) {
    SDL_SetWindowSize(sdlWindow, width, height);
  }
}

std::vector<std::uint32_t> ReadWindow(int window, int& width, int& height) {
  width = height = 0;
  SDL_Window* sdlWindow = SDL_GetWindowFromID(static_cast<Uint32>(window));
  SDL_Surface* surface = sdlWindow != nullptr ? SDL_GetWindowSurface(sdlWindow) : nullptr;
  if (surface == nullptr) return {};
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(surface->w) * surface->h);
  if (SDL_ConvertPixels(surface->w, surface->h, surface->format->format, surface->pixels,
                        surface->pitch, SDL_PIXELFORMAT_XRGB8888, pixels.data(),
                        surface->w * 4) != 0) {
    return {};
  }
  for (std::uint32_t& pixel : pixels) pixel &= 0x00FFFFFF;
  width = surface->w;
  height = surface->h;
  return pixels;
}

std::string VideoDriver() {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return {};
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver != nullptr ? driver : "";
}

}  // namespace platform::sdl::testing
