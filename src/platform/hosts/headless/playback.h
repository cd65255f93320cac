#pragma once
// Plays a headless script: hands out its events one at a time, holds them back until the
// program has made the passes an Idle step waits for, runs its Call steps, and once the
// script has run out makes sure the program ends.

#include <cstddef>
#include <vector>

#include "platform/hosts/headless/headless.h"
#include "platform/hosts/headless/screen.h"

namespace platform::headless {

class ScriptPlayer {
 public:
  ScriptPlayer(Script script, int idlePassesAfterScript, ScreenModel& screen)
      : steps_(std::move(script.steps)),
        idlePassesAfterScript_(idlePassesAfterScript),
        screen_(screen) {}

  // The next event due now, placed on the screen; false when none is due.
  bool Next(HostEvent& event);
  // The program made a pass without finding an event: an idle pass of its loop, or a wait
  // of a modal loop that found none.
  void CountPass();

 private:
  bool AfterScript(HostEvent& event);
  bool Deliver(const Script::Step& step, HostEvent& event);

  std::vector<Script::Step> steps_;
  std::size_t next_ = 0;
  int idleCredit_ = 0;  // passes counted towards the Idle step at next_
  int idlePassesAfterScript_;
  int passesAfterScript_ = 0;
  bool closeSent_ = false, quitSent_ = false;
  ScreenModel& screen_;
};

}  // namespace platform::headless
