// The navigator in a real window under a window manager (Xvfb and openbox), measured from
// outside as the desktop sees it:
//   - the processor time a window nobody touches uses, in percent of one core;
//   - the pictures a drag puts on the screen per second (counted with the X server's
//     damage reports), with motion arriving at a fixed rate;
//   - the delay from a button press to the first preview on the screen.
// Several builds are measured one after the other in one run, each on a fresh server:
//   desktop_bench [--idle-seconds S] [--drag-seconds S] [--presses N] NAVIGATOR...
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "x_server.h"

namespace {

constexpr char kTitle[] = "A mandelbrot navigator by Quelvaren";
// Motion during the drag: one pixel every 4 ms (a 250 Hz mouse), 50 to the left (zooming
// in) and 50 back, so that the view changes with every motion and stays near the set.
constexpr double kMotionInterval = 0.004;
constexpr int kSweep = 50;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Options {
  double idleSeconds = 5;
  double dragSeconds = 3;
  int presses = 10;
  std::vector<std::string> navigators;
};

struct Figures {
  double idleCpuPercent = -1;
  double dragFramesPerSecond = -1;
  std::vector<double> pressToPreviewMs;
};

// User and system time of a process so far, in seconds.
double ProcessSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const auto close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::vector<std::string> fields;
  std::size_t at = close + 2;
  while (at < text.size()) {
    const auto space = text.find(' ', at);
    fields.push_back(text.substr(at, space - at));
    if (space == std::string::npos) break;
    at = space + 1;
  }
  // After the name: state is field 3; utime and stime are fields 14 and 15.
  if (fields.size() < 13) return 0;
  const double ticks = std::stod(fields[11]) + std::stod(fields[12]);
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

Window FindTitled(Display* display, Window window) {
  char* name = nullptr;
  if (XFetchName(display, window, &name) != 0 && name != nullptr) {
    const bool match = std::strcmp(name, kTitle) == 0;
    XFree(name);
    if (match) return window;
  }
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return 0;
  Window found = 0;
  for (unsigned i = 0; i < count && found == 0; ++i) found = FindTitled(display, children[i]);
  if (children != nullptr) XFree(children);
  return found;
}

class Session {
 public:
  Session(Display* display, Window window) : display_(display), window_(window) {}

  // Moves the pointer to (x, y) in the window's contents.
  void PointAt(int x, int y) {
    int sx = 0, sy = 0;
    Window child = 0;
    XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), x, y, &sx, &sy, &child);
    XTestFakeMotionEvent(display_, -1, sx, sy, CurrentTime);
    XSync(display_, False);
  }
  void Button(unsigned button, bool down) {
    XTestFakeButtonEvent(display_, button, down ? True : False, CurrentTime);
    XSync(display_, False);
  }
  void MoveBy(int dx, int dy) {
    XTestFakeRelativeMotionEvent(display_, dx, dy, CurrentTime);
    XFlush(display_);
  }
  void Key(KeySym key) {
    const KeyCode code = XKeysymToKeycode(display_, key);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    XSync(display_, False);
  }

  // A band through the middle of the window, where the preview and the full picture
  // differ in detail.
  std::vector<char> Band() {
    XImage* image = XGetImage(display_, window_, 0, 192, 512, 160, AllPlanes, ZPixmap);
    if (image == nullptr) return {};
    std::vector<char> bytes(image->data, image->data + image->bytes_per_line * image->height);
    XDestroyImage(image);
    return bytes;
  }

  // Milliseconds from a press to the first picture that differs from the one before it;
  // -1 when none came within a second.
  double PressToPreview() {
    PointAt(256, 300);
    Pause(0.3);
    const std::vector<char> before = Band();
    const Clock::time_point pressed = Clock::now();
    Button(1, true);
    double ms = -1;
    while (SecondsSince(pressed) < 1) {
      if (Band() != before) {
        ms = SecondsSince(pressed) * 1000;
        break;
      }
    }
    Button(1, false);
    Pause(0.5);  // the full picture again
    return ms;
  }

  // Pictures put into the window per second while a left drag zooms back and forth.
  double DragFramesPerSecond(double seconds) {
    int eventBase = 0, errorBase = 0;
    if (!XDamageQueryExtension(display_, &eventBase, &errorBase)) return -1;
    const Damage damage = XDamageCreate(display_, window_, XDamageReportRawRectangles);
    PointAt(256, 300);
    Pause(0.3);
    Button(1, true);
    Pause(0.3);
    Drain(eventBase);
    long frames = 0;
    const Clock::time_point start = Clock::now();
    for (long step = 0; SecondsSince(start) < seconds; ++step) {
      MoveBy((step / kSweep) % 2 == 0 ? -1 : 1, 0);
      const Clock::time_point due =
          start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                      static_cast<double>(step + 1) * kMotionInterval));
      do {
        frames += Drain(eventBase);
      } while (Clock::now() < due);
    }
    const double elapsed = SecondsSince(start);
    Button(1, false);
    XDamageDestroy(display_, damage);
    return static_cast<double>(frames) / elapsed;
  }

 private:
  // Damage reports waiting now; a picture is the last report of a batch.
  long Drain(int eventBase) {
    long frames = 0;
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == eventBase + XDamageNotify) {
        const auto& notify = reinterpret_cast<const XDamageNotifyEvent&>(event);
        if (!notify.more) ++frames;
      }
    }
    return frames;
  }

  Display* display_;
  Window window_;
};

bool Measure(const std::string& navigator, const Options& options, Figures& figures,
             std::string& error) {
  XServer server;
  if (!server.Start(WindowManager::Openbox, error)) return false;
  const pid_t pid = server.Launch(navigator);
  std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(server.display().c_str()),
                                                      XCloseDisplay);
  if (display == nullptr) {
    error = "cannot open " + server.display();
    return false;
  }
  Window window = 0;
  for (int i = 0; i < 100 && window == 0; ++i) {
    Pause(0.1);
    window = FindTitled(display.get(), DefaultRootWindow(display.get()));
  }
  if (window == 0) {
    error = navigator + " showed no window titled \"" + kTitle + "\"";
    return false;
  }
  Pause(1.5);  // the first picture and the window manager settle
  const double cpuBefore = ProcessSeconds(pid);
  Pause(options.idleSeconds);
  figures.idleCpuPercent = (ProcessSeconds(pid) - cpuBefore) / options.idleSeconds * 100;

  Session session(display.get(), window);
  for (int i = 0; i < options.presses; ++i) {
    figures.pressToPreviewMs.push_back(session.PressToPreview());
  }
  figures.dragFramesPerSecond = session.DragFramesPerSecond(options.dragSeconds);
  session.Key(XK_Escape);
  if (server.WaitExit(pid, 5) != 0)
    std::fprintf(stderr, "%s did not end with 0\n", navigator.c_str());
  return true;
}

void Report(const std::string& navigator, const Options& options, const Figures& f) {
  std::vector<double> ms = f.pressToPreviewMs;
  std::sort(ms.begin(), ms.end());
  std::printf("%s\n", navigator.c_str());
  std::printf("  idle window:        %.1f%% of one core over %.0f s\n", f.idleCpuPercent,
              options.idleSeconds);
  std::printf("  drag:               %.0f pictures per second (motion every %.0f ms)\n",
              f.dragFramesPerSecond, kMotionInterval * 1000);
  if (!ms.empty()) {
    std::printf(
        "  press to preview:   median %.2f ms, fastest %.2f ms, slowest %.2f ms (%zu presses)\n",
        ms[ms.size() / 2], ms.front(), ms.back(), ms.size());
  }
}

bool Parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--idle-seconds" && hasValue) {
      options.idleSeconds = std::atof(argv[++i]);
    } else if (arg == "--drag-seconds" && hasValue) {
      options.dragSeconds = std::atof(argv[++i]);
    } else if (arg == "--presses" && hasValue) {
      options.presses = std::atoi(argv[++i]);
    } else if (!arg.empty() && arg[0] != '-') {
      options.navigators.push_back(arg);
    } else {
      return false;
    }
  }
  return !options.navigators.empty() && options.idleSeconds > 0 && options.dragSeconds > 0 &&
         options.presses >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: desktop_bench [--idle-seconds S] [--drag-seconds S] [--presses N] "
                 "NAVIGATOR...\n");
    return 2;
  }
  for (const std::string& navigator : options.navigators) {
    Figures figures;
    std::string error;
    if (!Measure(navigator, options, figures, error)) {
      std::fprintf(stderr, "desktop_bench: %s\n", error.c_str());
      return 1;
    }
    Report(navigator, options, figures);
  }
  return 0;
}
