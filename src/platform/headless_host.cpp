// The headless host: a screen in memory, windows as rectangles holding what was last
// presented, input from a script handed out between the program's idle passes.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/headless.h"
#include "platform/layer.h"

namespace platform::headless {
namespace {

using Type = HostEvent::Type;

constexpr int kTextHeight = 14;
constexpr int kCharWidth = 7;
// After the script: Close, then Quit this many passes later, then give up on the program.
constexpr int kPassesBeforeQuit = 1000;
constexpr int kPassesBeforeGivingUp = 100000;

struct HostWindow {
  int id = 0;
  int x = 0, y = 0, width = 0, height = 0;
  bool shown = false;
  bool minimized = false;
  int imageWidth = 0, imageHeight = 0;
  std::vector<std::uint32_t> image;  // as last presented
};

class HeadlessHost final : public Host {
 public:
  HeadlessHost(Script script, Options options)
      : steps_(std::move(script.steps)), options_(options) {}

  const char* Name() const override { return "headless"; }

  void ScreenSize(int& width, int& height) override {
    width = options_.screenWidth;
    height = options_.screenHeight;
  }

  int CreateWindow(const std::string&, int x, int y, int width, int height) override {
    if (width < 1 || height < 1) return 0;
    HostWindow w;
    w.id = ++lastId_;
    w.x = x;
    w.y = y;
    w.width = width;
    w.height = height;
    windows_.push_back(std::move(w));
    return lastId_;
  }

  void DestroyWindow(int id) override {
    std::erase_if(windows_, [id](const HostWindow& w) { return w.id == id; });
  }

  void ShowWindow(int id, bool show) override {
    if (HostWindow* w = Find(id)) w->shown = show;
  }

  void WindowPosition(int id, int& x, int& y) override {
    const HostWindow* w = Find(id);
    x = w ? w->x : 0;
    y = w ? w->y : 0;
  }

  void WindowSize(int id, int& width, int& height) override {
    const HostWindow* w = Find(id);
    width = w ? w->width : 0;
    height = w ? w->height : 0;
  }

  void Present(int id, const std::uint32_t* pixels, int width, int height, int pitch) override {
    HostWindow* w = Find(id);
    if (w == nullptr || pixels == nullptr || width < 1 || height < 1) return;
    w->imageWidth = width;
    w->imageHeight = height;
    w->image.resize(static_cast<std::size_t>(width) * height);
    const auto* bytes = reinterpret_cast<const unsigned char*>(pixels);
    for (int row = 0; row < height; ++row) {
      std::memcpy(&w->image[static_cast<std::size_t>(row) * width],
                  bytes + static_cast<std::ptrdiff_t>(row) * pitch, std::size_t(width) * 4);
    }
  }

  bool PollEvent(HostEvent& event) override;

  // Never sleeps: a wait that finds nothing counts as a pass of the waiting loop.
  bool WaitEvent(HostEvent& event, int) override {
    if (PollEvent(event)) return true;
    CountPass();
    return false;
  }

  void Idle() override {
    ++idlePasses_;
    CountPass();
  }

  // Where the layer asks, even off the screen: tests check what it asked for.
  void WarpPointer(int screenX, int screenY) override { pointer_ = POINT{screenX, screenY}; }
  void ShowPointer(bool show) override { pointerShown_ = show; }
  void SetRelativeMouse(bool on) override { relative_ = on; }

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

  void MessageBox(int owner, const std::string& caption, const std::string& text) override {
    const Window* w = FindHostWindow(owner);
    boxes_.push_back({w != nullptr ? w->handle : nullptr, caption, text});
  }

  Image Screen() const;
  Image Client(int id, int top) const;
  const std::vector<MessageBoxRecord>& boxes() const { return boxes_; }
  POINT pointer() const { return pointer_; }
  bool pointerShown() const { return pointerShown_; }
  int idlePasses() const { return idlePasses_; }
  int padding() const { return options_.surfaceRowPadding; }

 private:
  HostWindow* Find(int id) {
    for (HostWindow& w : windows_) {
      if (w.id == id) return &w;
    }
    return nullptr;
  }
  const HostWindow* Find(int id) const { return const_cast<HeadlessHost*>(this)->Find(id); }
  int MainId() const { return windows_.empty() ? 0 : windows_.front().id; }
  int WindowUnderPointer() const;
  void CountPass();
  bool AfterScript(HostEvent& event);
  bool Deliver(const Script::Step& step, HostEvent& event);
  void MovePointer(const Script::Step& step, HostEvent& event);
  bool PlaceAtPointer(HostEvent& event);
  bool ApplyToWindow(HostEvent& event);

  std::vector<Script::Step> steps_;
  std::size_t next_ = 0;
  int idleCredit_ = 0;  // passes counted towards the Idle step at next_
  int passesAfterScript_ = 0;
  bool closeSent_ = false, quitSent_ = false;
  Options options_;
  std::vector<HostWindow> windows_;  // creation order
  int lastId_ = 0;
  POINT pointer_{0, 0};
  bool pointerShown_ = true;
  bool relative_ = false;
  std::vector<MessageBoxRecord> boxes_;
  int idlePasses_ = 0;
};

bool HeadlessHost::PollEvent(HostEvent& event) {
  while (next_ < steps_.size()) {
    const Script::Step& step = steps_[next_];
    if (step.kind == Script::Step::Kind::Idle) {
      if (idleCredit_ < step.passes) return false;
      idleCredit_ = 0;
      ++next_;
    } else if (step.kind == Script::Step::Kind::Call) {
      const std::function<void()> call = step.call;
      ++next_;
      if (call) call();
    } else {
      ++next_;
      if (Deliver(steps_[next_ - 1], event)) return true;
    }
  }
  return AfterScript(event);
}

void HeadlessHost::CountPass() {
  if (next_ < steps_.size()) {
    if (steps_[next_].kind == Script::Step::Kind::Idle) ++idleCredit_;
    return;
  }
  if (++passesAfterScript_ > options_.idlePassesAfterScript + kPassesBeforeGivingUp) {
    std::fprintf(stderr, "headless host: the program ignored Close and Quit; giving up\n");
    std::abort();
  }
}

// So that a program under test always ends: Close to the main window, later Quit.
bool HeadlessHost::AfterScript(HostEvent& event) {
  const int closeAt = options_.idlePassesAfterScript;
  if (!closeSent_ && passesAfterScript_ >= closeAt) {
    closeSent_ = true;
    if (MainId() != 0) {
      event = HostEvent{};
      event.type = Type::Close;
      event.window = MainId();
      return true;
    }
  }
  if (!quitSent_ && passesAfterScript_ >= closeAt + kPassesBeforeQuit) {
    quitSent_ = true;
    event = HostEvent{};
    event.type = Type::Quit;
    return true;
  }
  return false;
}

int HeadlessHost::WindowUnderPointer() const {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    const Rect area{it->x, it->y, static_cast<std::int64_t>(it->x) + it->width,
                    static_cast<std::int64_t>(it->y) + it->height};
    if (it->shown && !it->minimized && area.Contains(pointer_.x, pointer_.y)) return it->id;
  }
  return MainId();
}

// A real pointer stays on the screen; in relative mode it stays put and only reports
// motion.
void HeadlessHost::MovePointer(const Script::Step& step, HostEvent& event) {
  std::int64_t dx = event.dx, dy = event.dy;
  if (step.pointerMove) {
    dx = static_cast<std::int64_t>(event.x) - pointer_.x;
    dy = static_cast<std::int64_t>(event.y) - pointer_.y;
  }
  event.dx = static_cast<int>(dx);
  event.dy = static_cast<int>(dy);
  if (relative_) return;
  pointer_.x =
      static_cast<LONG>(std::clamp<std::int64_t>(pointer_.x + dx, 0, options_.screenWidth - 1));
  pointer_.y =
      static_cast<LONG>(std::clamp<std::int64_t>(pointer_.y + dy, 0, options_.screenHeight - 1));
}

bool HeadlessHost::PlaceAtPointer(HostEvent& event) {
  event.window = WindowUnderPointer();
  const HostWindow* w = Find(event.window);
  if (w == nullptr) return false;
  event.x = pointer_.x - w->x;
  event.y = pointer_.y - w->y;
  return true;
}

// Window steps keep the host's geometry in step with what it reports.
bool HeadlessHost::ApplyToWindow(HostEvent& event) {
  if (event.window == 0) event.window = MainId();
  HostWindow* w = Find(event.window);
  if (w == nullptr) return false;
  if (event.type == Type::Resized) {
    w->width = std::max(1, event.x);
    w->height = std::max(1, event.y);
  } else if (event.type == Type::Moved) {
    w->x = event.x;
    w->y = event.y;
  } else if (event.type == Type::Minimized) {
    w->minimized = true;
  } else if (event.type == Type::Restored) {
    w->minimized = false;
  }
  return true;
}

bool HeadlessHost::Deliver(const Script::Step& step, HostEvent& event) {
  event = step.event;
  switch (event.type) {
    case Type::MouseMove:
      if (event.window != 0 && !step.pointerMove) return true;
      MovePointer(step, event);
      return PlaceAtPointer(event);
    case Type::ButtonDown:
    case Type::ButtonUp:
      return event.window != 0 || PlaceAtPointer(event);
    case Type::KeyDown:
    case Type::KeyUp:
      if (event.window == 0) event.window = MainId();
      return true;
    case Type::Quit:
      return true;
    default:
      return ApplyToWindow(event);
  }
}

Image HeadlessHost::Screen() const {
  Image screen{options_.screenWidth, options_.screenHeight, {}};
  screen.pixels.assign(static_cast<std::size_t>(screen.width) * screen.height, 0);
  const PixelTarget target{screen.pixels.data(), screen.width, screen.height, screen.width};
  for (const HostWindow& w : windows_) {
    if (!w.shown || w.minimized || w.image.empty()) continue;
    const PixelTarget image{const_cast<std::uint32_t*>(w.image.data()), w.imageWidth, w.imageHeight,
                            w.imageWidth};
    const Rect onto = image.Bounds().Moved(w.x, w.y);
    CopyScaled(target, onto, target.Bounds(), image, image.Bounds(), nullptr);
  }
  return screen;
}

Image HeadlessHost::Client(int id, int top) const {
  const HostWindow* w = Find(id);
  if (w == nullptr || top >= w->imageHeight) return {};
  Image client{w->imageWidth, w->imageHeight - top, {}};
  client.pixels.assign(w->image.begin() + static_cast<std::ptrdiff_t>(top) * w->imageWidth,
                       w->image.end());
  return client;
}

HeadlessHost* Current() {
  return dynamic_cast<HeadlessHost*>(InstalledHost());
}

}  // namespace

void Install(Script script, Options options) {
  InstallHost(std::make_unique<HeadlessHost>(std::move(script), options));
}

Image ReadScreen() {
  const HeadlessHost* host = Current();
  return host != nullptr ? host->Screen() : Image{};
}

Image ReadClient(HWND window) {
  const HeadlessHost* host = Current();
  const Window* w = FindWindow(window);
  if (host == nullptr || w == nullptr) return {};
  return host->Client(w->hostId, w->BarHeight());
}

const std::vector<MessageBoxRecord>& MessageBoxes() {
  static const std::vector<MessageBoxRecord> none;
  const HeadlessHost* host = Current();
  return host != nullptr ? host->boxes() : none;
}

POINT PointerPosition() {
  const HeadlessHost* host = Current();
  return host != nullptr ? host->pointer() : POINT{0, 0};
}

bool PointerShown() {
  const HeadlessHost* host = Current();
  return host == nullptr || host->pointerShown();
}

int IdlePasses() {
  const HeadlessHost* host = Current();
  return host != nullptr ? host->idlePasses() : 0;
}

HWND MainWindow() {
  return FirstWindowSinceReset();
}

}  // namespace platform::headless

namespace platform {

int SurfaceRowPadding() {
  const auto* host = dynamic_cast<const headless::HeadlessHost*>(InstalledHost());
  return host != nullptr ? host->padding() : 0;
}

}  // namespace platform
