#include "platform/hosts/sdl/message_box.h"

#include <algorithm>
#include <vector>

namespace platform::sdl {
namespace {

constexpr int kMargin = 16;
constexpr int kButtonWidth = 80, kButtonHeight = 26;
constexpr int kMinWidth = 220;
constexpr std::uint32_t kFace = 0xF0F0F0, kInk = 0x000000;
constexpr std::uint32_t kButtonFace = 0xE1E1E1, kButtonEdge = 0x707070;

struct Rect {
  int x, y, w, h;
  bool Contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

class Box {
 public:
  Box(const std::string& text, MenuFont& font) : lines_(Lines(text)), font_(font) {
    int textWidth = 0;
    for (const std::string& line : lines_) textWidth = std::max(textWidth, font.Width(line));
    width_ = std::max({kMinWidth, textWidth + 2 * kMargin, kButtonWidth + 2 * kMargin});
    const int textHeight = static_cast<int>(lines_.size()) * font.Height();
    height_ = kMargin + textHeight + kMargin + kButtonHeight + kMargin;
    button_ = {(width_ - kButtonWidth) / 2, height_ - kMargin - kButtonHeight, kButtonWidth,
               kButtonHeight};
    pixels_.assign(static_cast<std::size_t>(width_) * height_, kFace);
    Paint();
  }

  int Width() const { return width_; }
  int Height() const { return height_; }
  const Rect& Button() const { return button_; }
  void Present(SDL_Window* window) {
    PresentPixels(window, pixels_.data(), width_, height_, width_ * 4);
  }

 private:
  void Fill(const Rect& r, std::uint32_t colour) {
    for (int y = r.y; y < r.y + r.h; ++y) {
      std::fill_n(&pixels_[static_cast<std::size_t>(y) * width_ + r.x], r.w, colour);
    }
  }

  void Print(int x, int y, const std::string& text) {
    font_.Draw(pixels_.data(), width_, height_, width_ * 4, x, y, text, kInk);
  }

  void Paint() {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      Print(kMargin, kMargin + static_cast<int>(i) * font_.Height(), lines_[i]);
    }
    Fill(button_, kButtonEdge);
    Fill({button_.x + 1, button_.y + 1, button_.w - 2, button_.h - 2}, kButtonFace);
    Print(button_.x + (button_.w - font_.Width("OK")) / 2,
          button_.y + (button_.h - font_.Height()) / 2, "OK");
  }

  std::vector<std::string> lines_;
  MenuFont& font_;
  int width_ = 0, height_ = 0;
  Rect button_{};
  std::vector<std::uint32_t> pixels_;
};

// Keyboard and mouse events other windows must not get while the box is up. Releases still
// reach them, so that nothing stays held down for the program.
bool Swallowed(Uint32 type) {
  return type >= SDL_KEYDOWN && type < SDL_JOYAXISMOTION && type != SDL_KEYUP &&
         type != SDL_MOUSEBUTTONUP;
}

bool Confirms(SDL_Keycode key) {
  return key == SDLK_RETURN || key == SDLK_KP_ENTER || key == SDLK_ESCAPE || key == SDLK_SPACE;
}

// Like a button on the desktop, the box acts on the release of a key or button pressed
// while it was up, so that neither a key still held from before nor the release arriving
// after it closed goes astray.
class Dismissal {
 public:
  Dismissal(Uint32 boxId, const Rect& button) : boxId_(boxId), button_(button) {}

  // true when `event` closes the box. `consumed`: a release the box took for itself.
  bool Closes(const SDL_Event& event, bool& consumed) {
    consumed = false;
    switch (event.type) {
      case SDL_KEYDOWN:  // the box is modal: keys count wherever the desktop sent them
        if (Confirms(event.key.keysym.sym)) armedKey_ = event.key.keysym.sym;
        return false;
      case SDL_KEYUP:
        consumed = event.key.keysym.sym == armedKey_;
        return consumed;
      case SDL_MOUSEBUTTONDOWN:
        buttonArmed_ = OnButton(event.button);
        return false;
      case SDL_MOUSEBUTTONUP:
        consumed = event.button.windowID == boxId_;
        return buttonArmed_ && OnButton(event.button);
      case SDL_WINDOWEVENT:
        return event.window.windowID == boxId_ && event.window.event == SDL_WINDOWEVENT_CLOSE;
      default:
        return false;
    }
  }

 private:
  bool OnButton(const SDL_MouseButtonEvent& press) const {
    return press.windowID == boxId_ && press.button == SDL_BUTTON_LEFT &&
           button_.Contains(press.x, press.y);
  }

  Uint32 boxId_;
  Rect button_;
  SDL_Keycode armedKey_ = SDLK_UNKNOWN;
  bool buttonArmed_ = false;
};

bool NeedsRepaint(const SDL_Event& event, Uint32 boxId) {
  return event.type == SDL_WINDOWEVENT && event.window.windowID == boxId &&
         (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
          event.window.event == SDL_WINDOWEVENT_SHOWN);
}

void CentreOver(SDL_Window* owner, int width, int height, int& x, int& y) {
  x = y = SDL_WINDOWPOS_CENTERED;
  if (owner == nullptr) return;
  int ox = 0, oy = 0, ow = 0, oh = 0;
  SDL_GetWindowPosition(owner, &ox, &oy);
  SDL_GetWindowSize(owner, &ow, &oh);
  x = std::max(0, ox + (ow - width) / 2);
  y = std::max(0, oy + (oh - height) / 2);
}

// Runs the box until dismissed. What other windows may still see (releases, their window
// events, a quit request) is handed back for the program.
std::vector<SDL_Event> RunBox(SDL_Window* window, Box& box) {
  const Uint32 boxId = SDL_GetWindowID(window);
  Dismissal dismissal(boxId, box.Button());
  std::vector<SDL_Event> kept;
  box.Present(window);
  for (;;) {
    // Polled, not waited for: a wait makes SDL remember the box as the window to wake,
    // and the events handed back below would then be announced to the destroyed box (an
    // X error that ends the program).
    SDL_Event event;
    if (SDL_PollEvent(&event) == 0) {
      SDL_Delay(10);
      continue;
    }
    bool consumed = false;
    if (dismissal.Closes(event, consumed)) return kept;
    if (NeedsRepaint(event, boxId)) box.Present(window);
    const bool forBox = event.type == SDL_WINDOWEVENT && event.window.windowID == boxId;
    if (!forBox && !consumed && !Swallowed(event.type)) kept.push_back(event);
    if (event.type == SDL_QUIT) return kept;
  }
}

// Destroying the focused box leaves the keyboard with no window on a desktop without a
// window manager.
void RefocusAfterBox(SDL_Window* window) {
  if (window == nullptr) return;
  const Uint32 flags = SDL_GetWindowFlags(window);
  if ((flags & SDL_WINDOW_SHOWN) == 0 || (flags & SDL_WINDOW_MINIMIZED) != 0) return;
  SDL_RaiseWindow(window);
  SDL_SetWindowInputFocus(window);
}

}  // namespace

bool PresentPixels(SDL_Window* window, const std::uint32_t* pixels, int width, int height,
                   int pitch) {
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (surface == nullptr) return false;
  const int w = std::min(width, surface->w), h = std::min(height, surface->h);
  if (w <= 0 || h <= 0) return false;
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return false;
  const int copied = SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_XRGB8888, pixels, pitch,
                                       surface->format->format, surface->pixels, surface->pitch);
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  return copied == 0 && SDL_UpdateWindowSurface(window) == 0;
}

bool ShowOwnMessageBox(SDL_Window* owner, const std::string& caption, const std::string& text,
                       MenuFont& font) {
  SDL_Window* focused = owner != nullptr ? owner : SDL_GetKeyboardFocus();
  Box box(text, font);
  int x = 0, y = 0;
  CentreOver(owner, box.Width(), box.Height(), x, y);
  SDL_Window* window =
      SDL_CreateWindow(caption.c_str(), x, y, box.Width(), box.Height(), SDL_WINDOW_SHOWN);
  if (window == nullptr) return false;
  if (owner != nullptr) SDL_SetWindowModalFor(window, owner);
  SDL_RaiseWindow(window);
  const SDL_bool relative = SDL_GetRelativeMouseMode();
  SDL_SetRelativeMouseMode(SDL_FALSE);
  const int cursor = SDL_ShowCursor(SDL_ENABLE);
  std::vector<SDL_Event> kept = RunBox(window, box);
  SDL_DestroyWindow(window);
  RefocusAfterBox(focused);
  SDL_ShowCursor(cursor);
  SDL_SetRelativeMouseMode(relative);
  for (SDL_Event& event : kept) SDL_PushEvent(&event);
  return true;
}

}  // namespace platform::sdl
