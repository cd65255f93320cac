#pragma once
// An X server of one's own: Xvfb on a free display number, with a window manager on it
// if asked for, and programs started against it. Shared by the real-window tests and the
// desktop benchmark; needs nothing but the tools it starts.

#include <sys/types.h>

#include <string>
#include <vector>

enum class WindowManager { Absent, Openbox };

class XServer {
 public:
  XServer() = default;
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;
  // Ends what it started: the programs, the window manager, the server.
  ~XServer();

  // Starts Xvfb (1280 x 1024, 24 bits) and the window manager, and points DISPLAY at it;
  // `error` says why not (a missing tool, no free display).
  bool Start(WindowManager manager, std::string& error);

  // Runs a shell command against the display; its standard output.
  std::string Run(const std::string& command) const;
  // Starts a program with extra environment entries ("NAME=value").
  pid_t Launch(const std::string& program, const std::vector<std::string>& env = {});
  // The program's exit status, waiting up to `seconds`; -1 if it has not ended.
  int WaitExit(pid_t pid, double seconds);
  const std::string& display() const { return display_; }

 private:
  bool StartWindowManager(std::string& error);

  pid_t xvfb_ = -1;
  pid_t windowManager_ = -1;
  std::string display_;
  std::vector<pid_t> launched_;
};

// Whether the shell finds the program.
bool HaveTool(const char* name);
void Pause(double seconds);
