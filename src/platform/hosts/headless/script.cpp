// Building headless scripts. Mouse and window steps are left on window 0: the host places
// them at delivery, at its pointer or on the main window.

#include "platform/hosts/headless/headless.h"

namespace platform::headless {
namespace {

using Type = HostEvent::Type;

HostEvent Of(Type type) {
  HostEvent event;
  event.type = type;
  return event;
}

}  // namespace

Script& Script::MoveTo(int screenX, int screenY) {
  HostEvent event = Of(Type::MouseMove);
  event.x = screenX;
  event.y = screenY;
  steps.push_back({Step::Kind::Event, event, 0, {}, true});
  return *this;
}

Script& Script::MoveBy(int dx, int dy) {
  HostEvent event = Of(Type::MouseMove);
  event.dx = dx;
  event.dy = dy;
  return Event(event);
}

Script& Script::Press(int button) {
  HostEvent event = Of(Type::ButtonDown);
  event.button = button;
  return Event(event);
}

Script& Script::Release(int button) {
  HostEvent event = Of(Type::ButtonUp);
  event.button = button;
  return Event(event);
}

Script& Script::Key(int virtualKey) {
  HostEvent event = Of(Type::KeyDown);
  event.key = virtualKey;
  Event(event);
  event.type = Type::KeyUp;
  return Event(event);
}

Script& Script::KeyWithAlt(int virtualKey) {
  HostEvent alt = Of(Type::KeyDown);
  alt.key = VK_MENU;
  alt.alt = true;
  Event(alt);
  HostEvent key = alt;
  key.key = virtualKey;
  Event(key);
  key.type = Type::KeyUp;
  Event(key);
  alt.type = Type::KeyUp;
  return Event(alt);
}

Script& Script::CloseBox() {
  return Event(Of(Type::Close));
}

Script& Script::Resize(int width, int height) {
  HostEvent event = Of(Type::Resized);
  event.x = width;
  event.y = height;
  return Event(event);
}

Script& Script::Minimize() {
  return Event(Of(Type::Minimized));
}
Script& Script::Restore() {
  return Event(Of(Type::Restored));
}

Script& Script::MoveWindow(int screenX, int screenY) {
  HostEvent event = Of(Type::Moved);
  event.x = screenX;
  event.y = screenY;
  return Event(event);
}

Script& Script::Expose() {
  return Event(Of(Type::Exposed));
}
Script& Script::Quit() {
  return Event(Of(Type::Quit));
}

Script& Script::Idle(int passes) {
  steps.push_back({Step::Kind::Idle, {}, passes, {}, false});
  return *this;
}

Script& Script::Call(std::function<void()> check) {
  steps.push_back({Step::Kind::Call, {}, 0, std::move(check), false});
  return *this;
}

Script& Script::Event(const HostEvent& event) {
  steps.push_back({Step::Kind::Event, event, 0, {}, false});
  return *this;
}

}  // namespace platform::headless
