#include "x_server.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

// A server's chatter (Xvfb's, openbox's notes on its menus) is no business of the caller.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
            bool quiet = false) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  for (const std::string& entry : extraEnv) putenv(const_cast<char*>(entry.c_str()));
  // Nothing of the caller's but the standard streams: a server holding a pipe of the
  // caller's (a test runner's) would keep it open after the caller is done.
  for (int fd = 3; fd < 1024; ++fd) close(fd);
  std::freopen("/dev/null", "r", stdin);
  if (quiet) {
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

std::string FreeDisplay() {
  for (int n = 90 + static_cast<int>(getpid() % 50); n < 400; ++n) {
    if (!std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock") &&
        !std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n)))
      return ":" + std::to_string(n);
  }
  return "";
}

}  // namespace

bool HaveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

void Pause(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool XServer::Start(WindowManager manager, std::string& error) {
  for (const char* tool : {"Xvfb", "xdpyinfo"}) {
    if (!HaveTool(tool)) {
      error = std::string(tool) + " is not installed (scripts/deps test installs it)";
      return false;
    }
  }
  display_ = FreeDisplay();
  if (display_.empty()) {
    error = "no free X display number";
    return false;
  }
  xvfb_ = Spawn({"Xvfb", display_, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"},
                {}, true);
  setenv("DISPLAY", display_.c_str(), 1);
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
  unsetenv("SDL_VIDEODRIVER");
  unsetenv("WAYLAND_DISPLAY");
  bool up = false;
  for (int i = 0; i < 100 && !up; ++i) {
    up = std::system("xdpyinfo >/dev/null 2>&1") == 0;
    if (!up) Pause(0.1);
  }
  if (!up) {
    error = "Xvfb did not start on " + display_;
    return false;
  }
  return manager == WindowManager::Absent || StartWindowManager(error);
}

// Openbox with its stock configuration, as Debian installs it; ready once it has
// announced itself on the root window.
bool XServer::StartWindowManager(std::string& error) {
  for (const char* tool : {"openbox", "xprop"}) {
    if (!HaveTool(tool)) {
      error = std::string(tool) + " is not installed (scripts/deps test installs it)";
      return false;
    }
  }
  windowManager_ = Spawn({"openbox", "--sm-disable"}, {}, true);
  for (int i = 0; i < 100; ++i) {
    if (Run("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos) {
      return true;
    }
    Pause(0.1);
  }
  error = "openbox did not start on " + display_;
  return false;
}

XServer::~XServer() {
  for (pid_t pid : launched_) {
    if (kill(pid, 0) == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  for (pid_t server : {windowManager_, xvfb_}) {
    if (server > 0) {
      kill(server, SIGTERM);
      waitpid(server, nullptr, 0);
    }
  }
}

std::string XServer::Run(const std::string& command) const {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  pclose(pipe);
  return out;
}

pid_t XServer::Launch(const std::string& program, const std::vector<std::string>& env) {
  const pid_t pid = Spawn({program}, env);
  launched_.push_back(pid);
  return pid;
}

int XServer::WaitExit(pid_t pid, double seconds) {
  for (double waited = 0; waited < seconds; waited += 0.05) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      std::erase(launched_, pid);
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    Pause(0.05);
  }
  return -1;
}
