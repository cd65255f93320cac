#include "platform/hosts/sdl/pacing.h"

#include <algorithm>

namespace platform::sdl {

Uint64 RefreshTicks(SDL_Window* window, int fallbackHz) {
  const int display = window != nullptr ? std::max(0, SDL_GetWindowDisplayIndex(window)) : 0;
  SDL_DisplayMode mode{};
  int hz = fallbackHz;
  if (SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0) {
    hz = mode.refresh_rate;
  }
  return SDL_GetPerformanceFrequency() / static_cast<Uint64>(std::max(hz, 1));
}

void RefreshPacer::Wait(Uint64 interval) {
  Uint64 now = SDL_GetPerformanceCounter();
  if (now >= next_) {
    next_ = now - next_ < interval ? next_ + interval : now + interval;
    return;
  }
  const Uint64 frequency = SDL_GetPerformanceFrequency();
  while (now < next_) {
    // Whole milliseconds, rounded up: never a busy wait of 0 ms.
    const Uint64 ms = ((next_ - now) * 1000 + frequency - 1) / frequency;
    if (SDL_WaitEventTimeout(nullptr, static_cast<int>(std::max<Uint64>(ms, 1))) != 0) return;
    now = SDL_GetPerformanceCounter();
  }
  next_ += interval;
}

}  // namespace platform::sdl
