#include "platform/hosts/sdl/x11_errors.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace platform::sdl {
namespace {

XErrorHandler previous = nullptr;

int Filter(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
  return previous != nullptr ? previous(display, error) : 0;
}

}  // namespace

void DropErrorsOfEventsSentToDestroyedWindows() {
  if (previous != nullptr) return;  // installed already
  previous = XSetErrorHandler(&Filter);
}

}  // namespace platform::sdl
