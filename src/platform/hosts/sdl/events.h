#pragma once
// Turning SDL's events into the host contract's.

#include <SDL.h>

#include "platform/hosts/host.h"

namespace platform::sdl {

// The virtual-key code for an SDL key, or 0 for keys the program has no code for.
int VirtualKey(SDL_Keycode key);

// Fills `out` from `event`; false for events the layer has no use for.
bool Translate(const SDL_Event& event, HostEvent& out);

}  // namespace platform::sdl
