#pragma once
// The headless host's desktop: a fixed screen, windows as rectangles holding what was last
// presented in them, and the real pointer. It answers where things are; the script player
// decides what happens next.

#include <cstdint>
#include <vector>

#include "platform/hosts/headless/headless.h"
#include "platform/hosts/host.h"

namespace platform::headless {

struct ScreenWindow {
  int id = 0;
  int x = 0, y = 0, width = 0, height = 0;
  bool shown = false;
  bool minimized = false;
  int imageWidth = 0, imageHeight = 0;
  std::vector<std::uint32_t> image;  // as last presented
};

class ScreenModel {
 public:
  ScreenModel(int width, int height) : width_(width), height_(height) {}

  int width() const { return width_; }
  int height() const { return height_; }

  // 0 when the size is not positive.
  int CreateWindow(int x, int y, int width, int height);
  void DestroyWindow(int id);
  ScreenWindow* Find(int id);
  const ScreenWindow* Find(int id) const;
  // The first window created that still exists, or 0.
  int MainId() const;
  // Keeps a copy of the pixels as the window's picture; false when there is nothing to keep.
  bool Present(int id, const std::uint32_t* pixels, int width, int height, int pitch);

  // The real pointer. It stays on the screen; in relative mode it stays put.
  POINT pointer() const { return pointer_; }
  void WarpPointer(POINT to) { pointer_ = to; }
  bool pointerShown() const { return pointerShown_; }
  void ShowPointer(bool show) { pointerShown_ = show; }
  void SetRelative(bool on) { relative_ = on; }

  // A motion event: its dx, dy as the pointer really moves (from its x, y as a screen
  // position when `absolute`), and the pointer moved by them.
  void MovePointer(bool absolute, HostEvent& event);
  // Gives a mouse event the window under the pointer (the main window when none is) and
  // the pointer's position in it; false when there is no window.
  bool PlaceAtPointer(HostEvent& event) const;
  // A window change (resize, move, minimise, restore) for window 0 goes to the main
  // window; the window's geometry follows it. false when there is no such window.
  bool ApplyWindowChange(HostEvent& event);

  // Every shown window's picture at its place, black elsewhere.
  Image Read() const;
  // The rows of window `id`'s picture from row `top` on.
  Image ReadWindow(int id, int top) const;

 private:
  int WindowUnderPointer() const;

  int width_, height_;
  std::vector<ScreenWindow> windows_;  // creation order
  int lastId_ = 0;
  POINT pointer_{0, 0};
  bool pointerShown_ = true;
  bool relative_ = false;
};

}  // namespace platform::headless
