#pragma once
// How the layer lays out and draws menus: the bar across the top of a window and a popup
// hanging from one of its titles. Shared by the bar drawing and modal tracking.

#include <string>
#include <vector>

#include "platform/core/layer.h"

namespace platform {

// An entry's text as shown: '&' removed ("&&" shows one '&'), the letter after it
// underlined and answering its key.
struct MenuLabel {
  std::string text;
  int mnemonicIndex = -1;  // in `text`
  int mnemonicKey = 0;     // the virtual key: the upper-case letter or digit
};
MenuLabel LabelOf(const std::string& written);

// The entry of `menu` whose mnemonic is `virtualKey`, or -1.
int EntryWithMnemonic(HMENU menu, int virtualKey);

struct BarLayout {
  std::vector<Rect> titles;  // drawable coordinates
};
BarLayout LayOutBar(HMENU bar);

struct PopupLayout {
  Rect frame;
  std::vector<Rect> items;
};
// Hanging below the bar from `title`, pushed left to stay inside `drawableWidth`.
PopupLayout LayOutPopup(HMENU popup, const Rect& title, int drawableWidth);

// `highlighted` item (or -1) picked out.
void DrawPopup(const PixelTarget& drawable, HMENU popup, const PopupLayout& layout,
               int highlighted);

}  // namespace platform
