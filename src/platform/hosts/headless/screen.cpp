#include "platform/hosts/headless/screen.h"

#include <algorithm>
#include <cstring>

#include "platform/core/pixels.h"

namespace platform::headless {

using Type = HostEvent::Type;

int ScreenModel::CreateWindow(int x, int y, int width, int height) {
  if (width < 1 || height < 1) return 0;
  ScreenWindow w;
  w.id = ++lastId_;
  w.x = x;
  w.y = y;
  w.width = width;
  w.height = height;
  windows_.push_back(std::move(w));
  return lastId_;
}

void ScreenModel::DestroyWindow(int id) {
  std::erase_if(windows_, [id](const ScreenWindow& w) { return w.id == id; });
}

ScreenWindow* ScreenModel::Find(int id) {
  for (ScreenWindow& w : windows_) {
    if (w.id == id) return &w;
  }
  return nullptr;
}

const ScreenWindow* ScreenModel::Find(int id) const {
  return const_cast<ScreenModel*>(this)->Find(id);
}

int ScreenModel::MainId() const {
  return windows_.empty() ? 0 : windows_.front().id;
}

bool ScreenModel::Present(int id, const std::uint32_t* pixels, int width, int height, int pitch) {
  ScreenWindow* w = Find(id);
  if (w == nullptr || pixels == nullptr || width < 1 || height < 1) return false;
  w->imageWidth = width;
  w->imageHeight = height;
  w->image.resize(static_cast<std::size_t>(width) * height);
  const auto* bytes = reinterpret_cast<const unsigned char*>(pixels);
  for (int row = 0; row < height; ++row) {
    std::memcpy(&w->image[static_cast<std::size_t>(row) * width],
                bytes + static_cast<std::ptrdiff_t>(row) * pitch, std::size_t(width) * 4);
  }
  return true;
}

int ScreenModel::WindowUnderPointer() const {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    const Rect area{it->x, it->y, static_cast<std::int64_t>(it->x) + it->width,
                    static_cast<std::int64_t>(it->y) + it->height};
    if (it->shown && !it->minimized && area.Contains(pointer_.x, pointer_.y)) return it->id;
  }
  return MainId();
}

void ScreenModel::MovePointer(bool absolute, HostEvent& event) {
  std::int64_t dx = event.dx, dy = event.dy;
  if (absolute) {
    dx = static_cast<std::int64_t>(event.x) - pointer_.x;
    dy = static_cast<std::int64_t>(event.y) - pointer_.y;
  }
  event.dx = static_cast<int>(dx);
  event.dy = static_cast<int>(dy);
  if (relative_) return;
  pointer_.x = static_cast<LONG>(std::clamp<std::int64_t>(pointer_.x + dx, 0, width_ - 1));
  pointer_.y = static_cast<LONG>(std::clamp<std::int64_t>(pointer_.y + dy, 0, height_ - 1));
}

bool ScreenModel::PlaceAtPointer(HostEvent& event) const {
  event.window = WindowUnderPointer();
  const ScreenWindow* w = Find(event.window);
  if (w == nullptr) return false;
  event.x = pointer_.x - w->x;
  event.y = pointer_.y - w->y;
  return true;
}

bool ScreenModel::ApplyWindowChange(HostEvent& event) {
  if (event.window == 0) event.window = MainId();
  ScreenWindow* w = Find(event.window);
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

Image ScreenModel::Read() const {
  Image screen{width_, height_, {}};
  screen.pixels.assign(static_cast<std::size_t>(screen.width) * screen.height, 0);
  const PixelTarget target{screen.pixels.data(), screen.width, screen.height, screen.width};
  for (const ScreenWindow& w : windows_) {
    if (!w.shown || w.minimized || w.image.empty()) continue;
    const PixelTarget image{const_cast<std::uint32_t*>(w.image.data()), w.imageWidth, w.imageHeight,
                            w.imageWidth};
    const Rect onto = image.Bounds().Moved(w.x, w.y);
    CopyScaled(target, onto, target.Bounds(), image, image.Bounds(), nullptr);
  }
  return screen;
}

Image ScreenModel::ReadWindow(int id, int top) const {
  const ScreenWindow* w = Find(id);
  if (w == nullptr || top >= w->imageHeight) return {};
  Image client{w->imageWidth, w->imageHeight - top, {}};
  client.pixels.assign(w->image.begin() + static_cast<std::ptrdiff_t>(top) * w->imageWidth,
                       w->image.end());
  return client;
}

}  // namespace platform::headless
