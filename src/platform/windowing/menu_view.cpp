// Menu layout and drawing: text through the host, everything else as plain rectangles.

#include "platform/windowing/menu_view.h"

#include <algorithm>

namespace platform {
namespace {

constexpr std::uint32_t kBarColour = 0xF0F0F0;
constexpr std::uint32_t kTextColour = 0x000000;
constexpr std::uint32_t kHighlightColour = 0x3875D7;
constexpr std::uint32_t kHighlightTextColour = 0xFFFFFF;
constexpr std::uint32_t kPopupColour = 0xFFFFFF;
constexpr std::uint32_t kBorderColour = 0x7A7A7A;
constexpr int kTitlePadding = 8;
constexpr int kItemPadding = 12;

int TextWidth(const std::string& text) {
  return ActiveHost().TextWidth(text);
}

// The label's text with its mnemonic underlined, its top-left corner at (x, y).
void DrawLabel(const PixelTarget& target, const MenuLabel& label, int x, int y,
               std::uint32_t colour) {
  Host& host = ActiveHost();
  host.DrawText(target.pixels, target.width, target.height, static_cast<int>(target.pitch * 4), x,
                y, label.text, colour);
  if (label.mnemonicIndex < 0) return;
  const std::string before = label.text.substr(0, static_cast<std::size_t>(label.mnemonicIndex));
  const std::string letter = label.text.substr(static_cast<std::size_t>(label.mnemonicIndex), 1);
  const int left = x + TextWidth(before);
  const int underline = y + host.TextHeight();
  FillPixels(target, Rect{left, underline, left + TextWidth(letter), underline + 1}, colour);
}

void DrawFrame(const PixelTarget& target, const Rect& r, std::uint32_t colour) {
  FillPixels(target, {r.left, r.top, r.right, r.top + 1}, colour);
  FillPixels(target, {r.left, r.bottom - 1, r.right, r.bottom}, colour);
  FillPixels(target, {r.left, r.top, r.left + 1, r.bottom}, colour);
  FillPixels(target, {r.right - 1, r.top, r.right, r.bottom}, colour);
}

}  // namespace

MenuLabel LabelOf(const std::string& written) {
  MenuLabel label;
  for (std::size_t i = 0; i < written.size(); ++i) {
    const char c = written[i];
    if (c == '&' && i + 1 < written.size()) {
      const char next = written[++i];
      if (next != '&' && label.mnemonicIndex < 0) {
        label.mnemonicIndex = static_cast<int>(label.text.size());
        label.mnemonicKey = (next >= 'a' && next <= 'z') ? next - 'a' + 'A' : next;
      }
      label.text += next;
    } else {
      label.text += c;
    }
  }
  return label;
}

int EntryWithMnemonic(HMENU menu, int virtualKey) {
  const std::vector<MenuEntry>* entries = FindMenuEntries(menu);
  if (entries == nullptr) return -1;
  for (std::size_t i = 0; i < entries->size(); ++i) {
    const MenuLabel label = LabelOf((*entries)[i].text);
    if (label.mnemonicIndex >= 0 && label.mnemonicKey == virtualKey) return static_cast<int>(i);
  }
  return -1;
}

BarLayout LayOutBar(HMENU bar) {
  BarLayout layout;
  const std::vector<MenuEntry>* entries = FindMenuEntries(bar);
  if (entries == nullptr) return layout;
  const int height = MenuBarHeight();
  int x = 0;
  for (const MenuEntry& entry : *entries) {
    const int width = TextWidth(LabelOf(entry.text).text) + 2 * kTitlePadding;
    layout.titles.push_back(Rect{x, 0, x + width, height});
    x += width;
  }
  return layout;
}

PopupLayout LayOutPopup(HMENU popup, const Rect& title, int drawableWidth) {
  PopupLayout layout;
  const std::vector<MenuEntry>* entries = FindMenuEntries(popup);
  if (entries == nullptr) return layout;
  int widest = 0;
  for (const MenuEntry& entry : *entries) {
    widest = std::max(widest, TextWidth(LabelOf(entry.text).text));
  }
  const int width = widest + 2 * kItemPadding + 2, itemHeight = MenuBarHeight();
  const std::int64_t left =
      std::max<std::int64_t>(0, std::min<std::int64_t>(title.left, drawableWidth - width));
  const std::int64_t top = title.bottom;
  layout.frame = Rect{left, top, left + width,
                      top + static_cast<std::int64_t>(entries->size()) * itemHeight + 2};
  for (std::size_t i = 0; i < entries->size(); ++i) {
    const std::int64_t y = top + 1 + static_cast<std::int64_t>(i) * itemHeight;
    layout.items.push_back(Rect{left + 1, y, left + width - 1, y + itemHeight});
  }
  return layout;
}

void DrawMenuBar(const PixelTarget& drawable, HMENU menu, int highlighted) {
  const int height = MenuBarHeight(), textTop = (height - ActiveHost().TextHeight()) / 2;
  FillPixels(drawable, Rect{0, 0, drawable.width, height}, kBarColour);
  const std::vector<MenuEntry>* entries = FindMenuEntries(menu);
  const BarLayout layout = LayOutBar(menu);
  for (std::size_t i = 0; i < layout.titles.size(); ++i) {
    const Rect& r = layout.titles[i];
    const bool lit = static_cast<int>(i) == highlighted;
    if (lit) FillPixels(drawable, r, kHighlightColour);
    DrawLabel(drawable, LabelOf((*entries)[i].text), static_cast<int>(r.left) + kTitlePadding,
              textTop, lit ? kHighlightTextColour : kTextColour);
  }
}

void DrawPopup(const PixelTarget& drawable, HMENU popup, const PopupLayout& layout,
               int highlighted) {
  const std::vector<MenuEntry>* entries = FindMenuEntries(popup);
  if (entries == nullptr) return;
  FillPixels(drawable, layout.frame, kPopupColour);
  DrawFrame(drawable, layout.frame, kBorderColour);
  const int textTop = (MenuBarHeight() - ActiveHost().TextHeight()) / 2;
  for (std::size_t i = 0; i < layout.items.size(); ++i) {
    const Rect& r = layout.items[i];
    const bool lit = static_cast<int>(i) == highlighted;
    if (lit) FillPixels(drawable, r, kHighlightColour);
    DrawLabel(drawable, LabelOf((*entries)[i].text), static_cast<int>(r.left) + kItemPadding - 1,
              static_cast<int>(r.top) + textTop, lit ? kHighlightTextColour : kTextColour);
  }
}

}  // namespace platform
