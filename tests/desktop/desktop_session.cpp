#include "desktop_session.h"

#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

extern char** environ;

namespace {

bool HaveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  for (const std::string& entry : extraEnv) putenv(const_cast<char*>(entry.c_str()));
  std::freopen("/dev/null", "r", stdin);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

}  // namespace

void Pause(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool DesktopSession::Start(std::string& error) {
  for (const char* tool : {"Xvfb", "xdotool", "import", "xdpyinfo", "xwininfo"}) {
    if (!HaveTool(tool)) {
      error = std::string(tool) + " is not installed (scripts/deps test installs it)";
      return false;
    }
  }
  for (int n = 90 + static_cast<int>(getpid() % 50); n < 400; ++n) {
    if (std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock") ||
        std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n)))
      continue;
    display_ = ":" + std::to_string(n);
    break;
  }
  if (display_.empty()) {
    error = "no free X display number";
    return false;
  }
  xvfb_ =
      Spawn({"Xvfb", display_, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"}, {});
  setenv("DISPLAY", display_.c_str(), 1);
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
  unsetenv("SDL_VIDEODRIVER");
  unsetenv("WAYLAND_DISPLAY");
  for (int i = 0; i < 100; ++i) {
    if (std::system("xdpyinfo >/dev/null 2>&1") == 0) return true;
    Pause(0.1);
  }
  error = "Xvfb did not start on " + display_;
  return false;
}

DesktopSession::~DesktopSession() {
  for (pid_t pid : launched_) {
    if (kill(pid, 0) == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  if (xvfb_ > 0) {
    kill(xvfb_, SIGTERM);
    waitpid(xvfb_, nullptr, 0);
  }
}

std::string DesktopSession::Run(const std::string& command) const {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  pclose(pipe);
  return out;
}

pid_t DesktopSession::Launch(const std::string& program, const std::vector<std::string>& env) {
  const pid_t pid = Spawn({program}, env);
  launched_.push_back(pid);
  return pid;
}

int DesktopSession::WaitExit(pid_t pid, double seconds) {
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

std::string DesktopSession::FindWindow(const std::string& title) const {
  std::string id =
      Run("timeout 10 xdotool search --sync --onlyvisible --name '^" + title + "$' | head -n 1");
  while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
  return id;
}

std::string DesktopSession::FindInTree(const std::string& name, double seconds) const {
  for (double waited = 0; waited < seconds; waited += 0.1) {
    const std::string id =
        Run("xwininfo -root -tree | grep -F '\"" + name + "\"' | awk '{print $1}' | head -n 1");
    if (!id.empty()) return id.substr(0, id.find('\n'));
    Pause(0.1);
  }
  return "";
}

Image DesktopSession::Screenshot() const {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("shot-" + std::to_string(getpid()) + ".png"))
          .string();
  Run("import -window root png24:" + path);
  Image image;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&png, path.c_str())) {
    png.format = PNG_FORMAT_BGRA;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    if (!png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr)) image = Image{};
    for (auto& p : image.pixels) p &= 0x00FFFFFFu;
  }
  std::filesystem::remove(path);
  return image;
}
