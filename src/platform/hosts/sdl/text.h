#pragma once
// Menu text for the desktop host: one TrueType font, labels rendered once and kept as
// coverage masks, so that redrawing a menu only blends.

#include <SDL_ttf.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::sdl {

// How much of each pixel a rendered label covers, 0..255.
struct Coverage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> alpha;
};

// Blends `colour` (0x00RRGGBB) through `mask` into the pixels with the mask's top-left at
// (x, y), cut to width x height.
void BlendCoverage(std::uint32_t* pixels, int width, int height, int pitch, int x, int y,
                   const Coverage& mask, std::uint32_t colour);

class MenuFont {
 public:
  // Needs TTF_Init; opens the first of `files` that loads.
  explicit MenuFont(const std::vector<std::string>& files);
  ~MenuFont();
  MenuFont(const MenuFont&) = delete;
  MenuFont& operator=(const MenuFont&) = delete;

  int Height() const;
  int Width(const std::string& text) const;
  void Draw(std::uint32_t* pixels, int width, int height, int pitch, int x, int y,
            const std::string& text, std::uint32_t colour);

 private:
  const Coverage* Render(const std::string& text);

  TTF_Font* font_ = nullptr;
  std::unordered_map<std::string, Coverage> cache_;
};

}  // namespace platform::sdl
