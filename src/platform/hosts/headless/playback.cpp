#include "platform/hosts/headless/playback.h"

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace platform::headless {
namespace {

using Type = HostEvent::Type;

// After the script: Close, then Quit this many passes later, then give up on the program.
constexpr int kPassesBeforeQuit = 1000;
constexpr int kPassesBeforeGivingUp = 100000;

}  // namespace

bool ScriptPlayer::Next(HostEvent& event) {
  while (next_ < steps_.size()) {
    const Script::Step& step = steps_[next_];
    if (step.kind == Script::Step::Kind::Idle) {
      if (idleCredit_ < step.passes) return false;
      idleCredit_ = 0;
      ++next_;
    } else if (step.kind == Script::Step::Kind::Call) {
      const std::function<void()> call = step.call;
      ++next_;
      if (call) call();
    } else {
      ++next_;
      if (Deliver(steps_[next_ - 1], event)) return true;
    }
  }
  return AfterScript(event);
}

void ScriptPlayer::CountPass() {
  if (next_ < steps_.size()) {
    if (steps_[next_].kind == Script::Step::Kind::Idle) ++idleCredit_;
    return;
  }
  if (++passesAfterScript_ > idlePassesAfterScript_ + kPassesBeforeGivingUp) {
    std::fprintf(stderr, "headless host: the program ignored Close and Quit; giving up\n");
    std::abort();
  }
}

// So that a program under test always ends: Close to the main window, later Quit.
bool ScriptPlayer::AfterScript(HostEvent& event) {
  const int closeAt = idlePassesAfterScript_;
  if (!closeSent_ && passesAfterScript_ >= closeAt) {
    closeSent_ = true;
    if (screen_.MainId() != 0) {
      event = HostEvent{};
      event.type = Type::Close;
      event.window = screen_.MainId();
      return true;
    }
  }
  if (!quitSent_ && passesAfterScript_ >= closeAt + kPassesBeforeQuit) {
    quitSent_ = true;
    event = HostEvent{};
    event.type = Type::Quit;
    return true;
  }
  return false;
}

// Fills in what a step leaves to the host (see Script::Event); false drops the step.
bool ScriptPlayer::Deliver(const Script::Step& step, HostEvent& event) {
  event = step.event;
  switch (event.type) {
    case Type::MouseMove:
      if (event.window != 0 && !step.pointerMove) return true;
      screen_.MovePointer(step.pointerMove, event);
      return screen_.PlaceAtPointer(event);
    case Type::ButtonDown:
    case Type::ButtonUp:
      return event.window != 0 || screen_.PlaceAtPointer(event);
    case Type::KeyDown:
    case Type::KeyUp:
      if (event.window == 0) event.window = screen_.MainId();
      return true;
    case Type::Quit:
      return true;
    default:
      return screen_.ApplyWindowChange(event);
  }
}

}  // namespace platform::headless
