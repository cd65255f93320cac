#pragma once
// Modal message boxes for the desktop host.

#include <SDL.h>

#include <cstdint>
#include <string>

#include "platform/hosts/sdl/text.h"

namespace platform::sdl {

// Copies width x height 0x00RRGGBB words to the window's surface, as much as fits, and
// shows them. false when nothing could be shown.
bool PresentPixels(SDL_Window* window, const std::uint32_t* pixels, int width, int height,
                   int pitch);

// A box drawn by the host itself, for desktops where SDL's own cannot draw (it needs X
// core fonts many servers lack). Returns once dismissed: Return, Escape, Space, the OK
// button or the close box. false when no box could be opened.
bool ShowOwnMessageBox(SDL_Window* owner, const std::string& caption, const std::string& text,
                       MenuFont& font);

}  // namespace platform::sdl
