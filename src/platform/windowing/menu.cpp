// Menu resources and menus: the registered texts, their parser, and the loaded menus
// that windows carry.

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <string_view>

#include "platform/core/layer.h"
#include "platform/windowing/resources.h"
#include "platform/windowing/windowing.h"

namespace platform {
namespace {

// Registered before main by static objects, so constructed on first use.
std::map<int, const char*>& Resources() {
  static std::map<int, const char*> resources;
  return resources;
}

std::map<HMENU, std::vector<MenuEntry>>& Menus() {
  static std::map<HMENU, std::vector<MenuEntry>> menus;
  return menus;
}

struct ParsedPopup {
  std::string title;
  std::vector<MenuEntry> items;
};

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// Splits off the first word; `rest` keeps what follows, trimmed.
std::string_view FirstWord(std::string_view line, std::string_view& rest) {
  const auto end = line.find_first_of(" \t");
  rest = end == std::string_view::npos ? std::string_view{} : Trim(line.substr(end));
  return line.substr(0, end);
}

std::optional<std::string> Quoted(std::string_view s) {
  if (s.size() < 2 || s.front() != '"' || s.back() != '"') return std::nullopt;
  const std::string_view inside = s.substr(1, s.size() - 2);
  if (inside.find('"') != std::string_view::npos) return std::nullopt;
  return std::string(inside);
}

std::optional<unsigned> Number(std::string_view s, unsigned max) {
  if (s.empty() || s.size() > 10) return std::nullopt;
  unsigned long value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > max) return std::nullopt;
  return static_cast<unsigned>(value);
}

// One line into the popups; false when it is not a line of the format.
bool ParseLine(std::string_view line, bool& sawHeader, std::vector<ParsedPopup>& popups) {
  std::string_view rest;
  const std::string_view keyword = FirstWord(line, rest);
  if (!sawHeader) {
    sawHeader = keyword == "MENU" && Number(rest, 0xFFFF).has_value();
    return sawHeader;
  }
  if (keyword == "POPUP") {
    std::optional<std::string> title = Quoted(rest);
    if (!title) return false;
    popups.push_back({std::move(*title), {}});
    return true;
  }
  if (keyword != "ITEM" || popups.empty()) return false;
  std::string_view text;
  const std::optional<unsigned> id = Number(FirstWord(rest, text), 0xFFFF);
  std::optional<std::string> label = Quoted(text);
  if (!id || !label) return false;
  popups.back().items.push_back({std::move(*label), *id, nullptr});
  return true;
}

std::optional<std::vector<ParsedPopup>> ParseMenu(std::string_view text) {
  std::vector<ParsedPopup> popups;
  bool sawHeader = false;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    if (!ParseLine(line, sawHeader, popups)) return std::nullopt;
  }
  if (popups.empty()) return std::nullopt;
  return popups;
}

HMENU AddMenu(std::vector<MenuEntry> entries) {
  const HMENU handle = NewHandle<HMENU>();
  Menus().emplace(handle, std::move(entries));
  return handle;
}

const MenuEntry* EntryAt(HMENU menu, int position) {
  const std::vector<MenuEntry>* entries = FindMenuEntries(menu);
  if (entries == nullptr || position < 0 || position >= static_cast<int>(entries->size())) {
    return nullptr;
  }
  return &(*entries)[static_cast<std::size_t>(position)];
}

}  // namespace

void RegisterMenuResource(int id, const char* text) {
  Resources()[id] = text;
}

const char* FindMenuResource(int id) {
  auto it = Resources().find(id);
  return it == Resources().end() ? nullptr : it->second;
}

const std::vector<MenuEntry>* FindMenuEntries(HMENU menu) {
  auto it = Menus().find(menu);
  return it == Menus().end() ? nullptr : &it->second;
}

void ResetMenus() {
  Menus().clear();
}

}  // namespace platform

HMENU LoadMenuA(HINSTANCE, LPCSTR id) {
  const auto number = reinterpret_cast<std::uintptr_t>(id);
  if (number == 0 || number >= 0x10000) return nullptr;  // only numbered resources
  const char* text = platform::FindMenuResource(static_cast<int>(number));
  if (text == nullptr) return nullptr;
  auto popups = platform::ParseMenu(text);
  if (!popups) return nullptr;
  std::vector<platform::MenuEntry> bar;
  for (platform::ParsedPopup& popup : *popups) {
    const HMENU handle = platform::AddMenu(std::move(popup.items));
    bar.push_back({std::move(popup.title), 0, handle});
  }
  return platform::AddMenu(std::move(bar));
}

int GetMenuItemCount(HMENU menu) {
  const auto* entries = platform::FindMenuEntries(menu);
  return entries == nullptr ? -1 : static_cast<int>(entries->size());
}

HMENU GetSubMenu(HMENU menu, int position) {
  const platform::MenuEntry* entry = platform::EntryAt(menu, position);
  return entry == nullptr ? nullptr : entry->popup;
}

UINT GetMenuItemID(HMENU menu, int position) {
  const platform::MenuEntry* entry = platform::EntryAt(menu, position);
  return entry == nullptr || entry->popup != nullptr ? 0xFFFFFFFFu : entry->id;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR text, int size, UINT flags) {
  if ((flags & MF_BYPOSITION) == 0) return 0;
  const platform::MenuEntry* entry = platform::EntryAt(menu, static_cast<int>(item));
  if (entry == nullptr || text == nullptr || size <= 0) return 0;
  const std::size_t length = std::min(entry->text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(text, entry->text.data(), length);
  text[length] = '\0';
  return static_cast<int>(length);
}
