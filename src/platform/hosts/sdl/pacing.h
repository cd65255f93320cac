#pragma once
// How the desktop host paces the program's frames as a display driver would: after each
// present it waits for the display's next refresh, unless an event comes first.

#include <SDL.h>

namespace platform::sdl {

// The display's refresh interval for a window, in performance-counter ticks, with
// `fallbackHz` when SDL does not know the display's rate.
Uint64 RefreshTicks(SDL_Window* window, int fallbackHz);

// Waits out the rest of the current refresh interval. An event that arrives ends the wait
// at once and stays in SDL's queue; the interval is not used up by it, so the next wait
// ends at the same refresh. A caller that is late by less than an interval does not wait
// and keeps the display's rhythm; one late by more starts a new rhythm from now.
class RefreshPacer {
 public:
  void Wait(Uint64 interval);

 private:
  Uint64 next_ = 0;  // the next refresh, in performance-counter ticks
};

}  // namespace platform::sdl
