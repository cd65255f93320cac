// The desktop host: real windows through SDL2's window surfaces (no GPU path; the layer
// hands over finished frames), input from SDL's event queue, menu text through SDL2_ttf.

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <utility>

#include "platform/hosts/sdl/events.h"
#include "platform/hosts/sdl/message_box.h"
#include "platform/hosts/sdl/pacing.h"
#include "platform/hosts/sdl/sdl_host.h"
#include "platform/hosts/sdl/text.h"
#include "platform/hosts/sdl/x11_errors.h"

namespace platform {
namespace sdl {
namespace {

constexpr Uint32 kSubsystems = SDL_INIT_VIDEO | SDL_INIT_EVENTS;

std::string EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string NoDisplayError() {
  if (std::string display = EnvOrEmpty("DISPLAY"); !display.empty()) {
    return "no display: cannot open the X display DISPLAY=" + display;
  }
  if (std::string wayland = EnvOrEmpty("WAYLAND_DISPLAY"); !wayland.empty()) {
    return "no display: cannot connect to the Wayland display WAYLAND_DISPLAY=" + wayland;
  }
  return "no display: set DISPLAY to an X server (or WAYLAND_DISPLAY)";
}

bool AskedForDriver() {
  const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  return asked != nullptr && *asked != '\0';
}

bool DisplayNamed() {
  return AskedForDriver() || !EnvOrEmpty("DISPLAY").empty() ||
         !EnvOrEmpty("WAYLAND_DISPLAY").empty();
}

// offscreen and dummy keep windows in memory only.
bool DriverShowsOnScreen() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver != nullptr && SDL_strcmp(driver, "offscreen") != 0 &&
         SDL_strcmp(driver, "dummy") != 0;
}

void ReleaseSdl() {
  SDL_QuitSubSystem(kSubsystems);
  // Another host may still be running; the last one out frees SDL's remaining state.
  if (SDL_WasInit(0) == 0) SDL_Quit();
}

bool StartSdl(std::string& error) {
  // Without a display SDL would still probe every driver (and libraries print their own
  // complaints) before settling on one that shows nothing.
  if (!DisplayNamed()) {
    error = NoDisplayError();
    return false;
  }
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // Closing the last window is the program's decision, not a request to quit.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // A picture that sits still for minutes is no reason to keep the screen awake.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // PollEvent answers "is anything pending", not "anything since the last pump".
  SDL_SetHint(SDL_HINT_POLL_SENTINEL, "0");
  DropErrorsOfEventsSentToDestroyedWindows();
  if (SDL_InitSubSystem(kSubsystems) != 0) {
    error = NoDisplayError() + " (" + SDL_GetError() + ")";
    if (SDL_WasInit(0) == 0) SDL_Quit();
    return false;
  }
  // Failing to reach a display, SDL settles on a driver that shows nothing; a user who
  // asked for one by name (tests ask for "dummy") gets it.
  if (!AskedForDriver() && !DriverShowsOnScreen()) {
    error = NoDisplayError();
    ReleaseSdl();
    return false;
  }
  return true;
}

class SdlHost final : public Host {
 public:
  explicit SdlHost(const Options& options)
      : ttf_(TTF_Init() == 0),
        font_(ttf_ ? options.fontFiles : std::vector<std::string>{}),
        fallbackRefreshHz_(options.fallbackRefreshHz) {}

  ~SdlHost() override {
    for (auto& [id, window] : windows_) SDL_DestroyWindow(window);
    windows_.clear();
    font_.reset();
    if (ttf_) TTF_Quit();
    ReleaseSdl();
  }

  const char* Name() const override { return "sdl"; }

  void ScreenSize(int& width, int& height) override {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) mode.w = mode.h = 0;
    width = mode.w;
    height = mode.h;
  }

  int CreateWindow(const std::string& title, int x, int y, int width, int height) override {
    SDL_Window* window = SDL_CreateWindow(title.c_str(), x, y, width, height,
                                          SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (window == nullptr) return 0;
    const int id = static_cast<int>(SDL_GetWindowID(window));
    windows_[id] = window;
    return id;
  }

  void DestroyWindow(int id) override {
    if (SDL_Window* window = Find(id)) {
      SDL_DestroyWindow(window);
      windows_.erase(id);
    }
  }

  void ShowWindow(int id, bool show) override {
    if (SDL_Window* window = Find(id)) show ? SDL_ShowWindow(window) : SDL_HideWindow(window);
  }

  void WindowPosition(int id, int& x, int& y) override {
    x = y = 0;
    if (SDL_Window* window = Find(id)) SDL_GetWindowPosition(window, &x, &y);
  }

  void WindowSize(int id, int& width, int& height) override {
    width = height = 0;
    if (SDL_Window* window = Find(id)) SDL_GetWindowSize(window, &width, &height);
  }

  bool Present(int id, const std::uint32_t* pixels, int width, int height, int pitch) override {
    SDL_Window* window = Find(id);
    if (window == nullptr || pixels == nullptr) return false;
    return PresentPixels(window, pixels, width, height, pitch);
  }

  void WaitForRefresh(int id) override { pacer_.Wait(RefreshTicks(Find(id), fallbackRefreshHz_)); }

  bool PollEvent(HostEvent& event) override {
    SDL_Event raw;
    while (SDL_PollEvent(&raw) != 0) {
      if (Accept(raw, event)) return true;
    }
    return false;
  }

  bool WaitEvent(HostEvent& event, int milliseconds) override {
    if (PollEvent(event)) return true;
    const Uint64 deadline = SDL_GetTicks64() + static_cast<Uint64>(std::max(milliseconds, 0));
    for (Uint64 now = SDL_GetTicks64(); now < deadline; now = SDL_GetTicks64()) {
      SDL_Event raw;
      if (SDL_WaitEventTimeout(&raw, static_cast<int>(deadline - now)) != 0 && Accept(raw, event)) {
        return true;
      }
    }
    return false;
  }

  void WarpPointer(int screenX, int screenY) override {
    SDL_WarpMouseGlobal(screenX, screenY);
    // Leaving relative mode puts the pointer back where SDL tracked it, which would undo
    // a warp made before; redone then.
    if (relative_) warpAfterRelative_ = std::pair{screenX, screenY};
  }

  void ShowPointer(bool show) override { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }

  void SetRelativeMouse(bool on) override {
    SDL_SetRelativeMouseMode(on ? SDL_TRUE : SDL_FALSE);
    relative_ = on;
    if (on || !warpAfterRelative_) return;
    auto [x, y] = *std::exchange(warpAfterRelative_, std::nullopt);
    SDL_WarpMouseGlobal(x, y);
  }

  int TextHeight() override { return font_->Height(); }
  int TextWidth(const std::string& text) override { return font_->Width(text); }
  void DrawText(std::uint32_t* pixels, int width, int height, int pitch, int x, int y,
                const std::string& text, std::uint32_t colour) override {
    if (pixels != nullptr) font_->Draw(pixels, width, height, pitch, x, y, text, colour);
  }

  void MessageBox(int owner, const std::string& caption, const std::string& text) override {
    SDL_Window* window = Find(owner);
    // Our own box, an ordinary window of the program: SDL's X11 box needs core fonts many
    // X servers lack, and the window it makes before it gives up is briefly on the screen
    // under the caption. A driver that shows nothing would leave a box waiting for a click
    // for ever: there the text goes to stderr.
    if (DriverShowsOnScreen() && ShowOwnMessageBox(window, caption, text, *font_)) return;
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption.c_str(), text.c_str(),
                                 window) == 0) {
      return;
    }
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  }

 private:
  SDL_Window* Find(int id) const {
    auto found = windows_.find(id);
    return found != windows_.end() ? found->second : nullptr;
  }

  // Events for windows already destroyed are dropped; keys may come with no window when
  // the desktop gave none of ours the keyboard.
  bool Accept(const SDL_Event& raw, HostEvent& event) {
    if (!Translate(raw, event)) return false;
    if (event.window == 0) return true;
    SDL_Window* window = Find(event.window);
    if (window == nullptr) return false;
    // The surface still holds the last frame: show it again at once rather than leave the
    // damage until the program's next frame.
    if (event.type == HostEvent::Type::Exposed) SDL_UpdateWindowSurface(window);
    return true;
  }

  bool ttf_;
  std::optional<MenuFont> font_;
  std::map<int, SDL_Window*> windows_;
  bool relative_ = false;
  std::optional<std::pair<int, int>> warpAfterRelative_;
  int fallbackRefreshHz_;
  RefreshPacer pacer_;
};

}  // namespace

std::unique_ptr<Host> MakeHost(const Options& options, std::string& error) {
  if (!StartSdl(error)) return nullptr;
  return std::make_unique<SdlHost>(options);
}

}  // namespace sdl

std::unique_ptr<Host> MakeSdlHost(std::string& error) {
  return sdl::MakeHost({}, error);
}

}  // namespace platform
