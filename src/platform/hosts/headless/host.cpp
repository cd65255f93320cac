// The headless host: the screen model shows what the layer presents, the script player
// supplies the input, and message boxes are recorded and answered at once.

#include <memory>

#include "platform/core/layer.h"
#include "platform/hosts/headless/headless.h"
#include "platform/hosts/headless/playback.h"
#include "platform/hosts/headless/screen.h"

namespace platform::headless {
namespace {

constexpr int kTextHeight = 14;
constexpr int kCharWidth = 7;

class HeadlessHost final : public Host {
 public:
  HeadlessHost(Script script, Options options)
      : options_(options),
        screen_(options.screenWidth, options.screenHeight),
        player_(std::move(script), options.idlePassesAfterScript, screen_) {}

  const char* Name() const override { return "headless"; }

  void ScreenSize(int& width, int& height) override {
    width = screen_.width();
    height = screen_.height();
  }

  int CreateWindow(const std::string&, int x, int y, int width, int height) override {
    return screen_.CreateWindow(x, y, width, height);
  }
  void DestroyWindow(int id) override { screen_.DestroyWindow(id); }
  void ShowWindow(int id, bool show) override {
    if (ScreenWindow* w = screen_.Find(id)) w->shown = show;
  }

  void WindowPosition(int id, int& x, int& y) override {
    const ScreenWindow* w = screen_.Find(id);
    x = w ? w->x : 0;
    y = w ? w->y : 0;
  }

  void WindowSize(int id, int& width, int& height) override {
    const ScreenWindow* w = screen_.Find(id);
    width = w ? w->width : 0;
    height = w ? w->height : 0;
  }

  bool Present(int id, const std::uint32_t* pixels, int width, int height, int pitch) override {
    ++presents_;
    return screen_.Present(id, pixels, width, height, pitch);
  }
  void WaitForRefresh(int) override { ++refreshWaits_; }

  bool PollEvent(HostEvent& event) override { return player_.Next(event); }

  // Never sleeps: a wait that finds nothing counts as a pass of the waiting loop.
  bool WaitEvent(HostEvent& event, int) override {
    if (player_.Next(event)) return true;
    player_.CountPass();
    return false;
  }

  void Idle() override {
    ++idlePasses_;
    player_.CountPass();
  }

  // Where the layer asks, even off the screen: tests check what it asked for.
  void WarpPointer(int screenX, int screenY) override {
    screen_.WarpPointer(POINT{screenX, screenY});
  }
  void ShowPointer(bool show) override { screen_.ShowPointer(show); }
  void SetRelativeMouse(bool on) override { screen_.SetRelative(on); }

  int TextHeight() override { return kTextHeight; }
  int TextWidth(const std::string& text) override {
    return kCharWidth * static_cast<int>(text.size());
  }
  // A block for every visible character: deterministic, and enough to see where text is.
  void DrawText(std::uint32_t* pixels, int width, int height, int pitch, int x, int y,
                const std::string& text, std::uint32_t colour) override {
    const PixelTarget target{pixels, width, height, pitch / 4};
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == ' ') continue;
      const std::int64_t left = x + static_cast<std::int64_t>(i) * kCharWidth + 1;
      FillPixels(target, Rect{left, y + 3, left + kCharWidth - 2, y + kTextHeight - 3}, colour);
    }
  }

  int SurfaceRowPadding() const override { return options_.surfaceRowPadding; }

  void MessageBox(int owner, const std::string& caption, const std::string& text) override {
    const Window* w = FindHostWindow(owner);
    boxes_.push_back({w != nullptr ? w->handle : nullptr, caption, text});
  }

  const ScreenModel& screen() const { return screen_; }
  const std::vector<MessageBoxRecord>& boxes() const { return boxes_; }
  int idlePasses() const { return idlePasses_; }
  int presents() const { return presents_; }
  int refreshWaits() const { return refreshWaits_; }

 private:
  Options options_;
  ScreenModel screen_;
  ScriptPlayer player_;
  std::vector<MessageBoxRecord> boxes_;
  int idlePasses_ = 0;
  int presents_ = 0;
  int refreshWaits_ = 0;
};

HeadlessHost* Current() {
  return dynamic_cast<HeadlessHost*>(InstalledHost());
}

}  // namespace

void Install(Script script, Options options) {
  InstallHost(std::make_unique<HeadlessHost>(std::move(script), options));
}

Image ReadScreen() {
  const HeadlessHost* host = Current();
  return host != nullptr ? host->screen().Read() : Image{};
}

Image ReadClient(HWND window) {
  const HeadlessHost* host = Current();
  const Window* w = FindWindow(window);
  if (host == nullptr || w == nullptr) return {};
  return host->screen().ReadWindow(w->hostId, w->BarHeight());
}

const std::vector<MessageBoxRecord>& MessageBoxes() {
  static const std::vector<MessageBoxRecord> none;
  const HeadlessHost* host = Current();
  return host != nullptr ? host->boxes() : none;
}

POINT PointerPosition() {
  const HeadlessHost* host = Current();
  return host != nullptr ? host->screen().pointer() : POINT{0, 0};
}

bool PointerShown() {
  const HeadlessHost* host = Current();
  return host == nullptr || host->screen().pointerShown();
}

int IdlePasses() {
  const HeadlessHost* host = Current();
  return host != nullptr ? host->idlePasses() : 0;
}

int Presents() {
  const HeadlessHost* host = Current();
  return host != nullptr ? host->presents() : 0;
}

int RefreshWaits() {
  const HeadlessHost* host = Current();
  return host != nullptr ? host->refreshWaits() : 0;
}

HWND MainWindow() {
  return FirstWindowSinceReset();
}

}  // namespace platform::headless
