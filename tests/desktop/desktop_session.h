#pragma once
// A real X server for one test: Xvfb on a free display, the real program started on it,
// xdotool for input and ImageMagick's import for screenshots.

#include <sys/types.h>

#include <string>
#include <vector>

#include "golden.h"

class DesktopSession {
 public:
  // Starts Xvfb; `error` says why not (a missing tool, no free display).
  bool Start(std::string& error);
  ~DesktopSession();

  // Runs a shell command against the display; its standard output.
  std::string Run(const std::string& command) const;
  // Starts the program with extra environment entries ("NAME=value").
  pid_t Launch(const std::string& program, const std::vector<std::string>& env = {});
  // The program's exit status, waiting up to `seconds`; -1 if it did not end (it is then
  // killed).
  int WaitExit(pid_t pid, double seconds);
  // The id of the visible window with exactly this title, waiting up to 10 s; "" if none.
  std::string FindWindow(const std::string& title) const;
  // The id of a window whose name is `name` in the window tree (message boxes); "" if none
  // appears within `seconds`.
  std::string FindInTree(const std::string& name, double seconds) const;
  Image Screenshot() const;
  const std::string& display() const { return display_; }

 private:
  pid_t xvfb_ = -1;
  std::string display_;
  std::vector<pid_t> launched_;
};

void Pause(double seconds);
