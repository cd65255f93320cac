#include "platform/hosts/sdl/text.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>

#include "platform/hosts/sdl/sdl_host.h"

namespace platform::sdl {
namespace {

constexpr int kPointSize = 12;
// Menu labels are few and fixed; the bound only guards against a caller drawing
// ever-changing text.
constexpr std::size_t kMaxCachedLabels = 256;
constexpr const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::string MatchedFile(FcConfig* config, FcPattern* pattern) {
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  if (match == nullptr) return {};
  FcChar8* file = nullptr;
  std::string path;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
    path = reinterpret_cast<const char*>(file);
  }
  FcPatternDestroy(match);
  return path;
}

std::size_t CodePoints(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::uint32_t BlendChannel(std::uint32_t over, std::uint32_t under, std::uint32_t alpha) {
  return (over * alpha + under * (255 - alpha) + 127) / 255;
}

std::uint32_t BlendPixel(std::uint32_t colour, std::uint32_t under, std::uint32_t alpha) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    out |= BlendChannel((colour >> shift) & 0xFF, (under >> shift) & 0xFF, alpha) << shift;
  }
  return out;
}

// The coverage of a label rendered in white: the blended renderer's alpha channel.
Coverage CoverageOf(SDL_Surface* rendered) {
  Coverage mask;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
  if (argb == nullptr) return mask;
  mask.width = argb->w;
  mask.height = argb->h;
  mask.alpha.resize(static_cast<std::size_t>(argb->w) * argb->h);
  for (int row = 0; row < argb->h; ++row) {
    const auto* line =
        reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(argb->pixels) +
                                               static_cast<std::size_t>(row) * argb->pitch);
    for (int col = 0; col < argb->w; ++col) {
      mask.alpha[static_cast<std::size_t>(row) * argb->w + col] =
          static_cast<std::uint8_t>(line[col] >> 24);
    }
  }
  SDL_FreeSurface(argb);
  return mask;
}

}  // namespace

std::string MatchSansSerifFont() {
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) return {};
  std::string path;
  if (FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"))) {
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    path = MatchedFile(config, pattern);
    FcPatternDestroy(pattern);
  }
  FcConfigDestroy(config);
  return path;
}

std::vector<std::string> DefaultFontFiles() {
  std::vector<std::string> files;
  if (std::string matched = MatchSansSerifFont(); !matched.empty()) files.push_back(matched);
  if (files.empty() || files.front() != kDejaVuSans) files.emplace_back(kDejaVuSans);
  return files;
}

void BlendCoverage(std::uint32_t* pixels, int width, int height, int pitch, int x, int y,
                   const Coverage& mask, std::uint32_t colour) {
  const int left = std::max(0, -x), right = std::min(mask.width, width - x);
  const int top = std::max(0, -y), bottom = std::min(mask.height, height - y);
  for (int row = top; row < bottom; ++row) {
    auto* line = reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(pixels) +
                                                  static_cast<std::ptrdiff_t>(y + row) * pitch);
    const std::uint8_t* alpha = &mask.alpha[static_cast<std::size_t>(row) * mask.width];
    for (int col = left; col < right; ++col) {
      if (alpha[col] == 0) continue;
      line[x + col] = BlendPixel(colour, line[x + col], alpha[col]);
    }
  }
}

MenuFont::MenuFont(const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    font_ = TTF_OpenFont(file.c_str(), kPointSize);
    if (font_ != nullptr) break;
  }
}

MenuFont::~MenuFont() {
  if (font_ != nullptr) TTF_CloseFont(font_);
}

int MenuFont::Height() const {
  return font_ != nullptr ? TTF_FontHeight(font_) : kFallbackTextHeight;
}

int MenuFont::Width(const std::string& text) const {
  if (font_ == nullptr) return static_cast<int>(CodePoints(text)) * kFallbackCharWidth;
  int width = 0;
  if (text.empty() || TTF_SizeUTF8(font_, text.c_str(), &width, nullptr) != 0) return 0;
  return width;
}

void MenuFont::Draw(std::uint32_t* pixels, int width, int height, int pitch, int x, int y,
                    const std::string& text, std::uint32_t colour) {
  if (const Coverage* mask = Render(text)) {
    BlendCoverage(pixels, width, height, pitch, x, y, *mask, colour);
  }
}

const Coverage* MenuFont::Render(const std::string& text) {
  if (font_ == nullptr || text.empty()) return nullptr;
  if (auto found = cache_.find(text); found != cache_.end()) return &found->second;
  SDL_Surface* rendered =
      TTF_RenderUTF8_Blended(font_, text.c_str(), SDL_Color{255, 255, 255, 255});
  if (rendered == nullptr) return nullptr;
  Coverage mask = CoverageOf(rendered);
  SDL_FreeSurface(rendered);
  if (cache_.size() >= kMaxCachedLabels) cache_.clear();
  return &cache_.emplace(text, std::move(mask)).first->second;
}

}  // namespace platform::sdl
