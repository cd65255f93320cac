#pragma once
// Runs the whole program on the headless host, driven by a script.

#include <functional>

#include "app/drag.h"
#include "app/main_loop.h"
#include "app/main_window.h"
#include "golden.h"
#include "platform/ddraw/faults.h"
#include "platform/hosts/headless/headless.h"

namespace hl = platform::headless;

// Installs a fresh headless host with the script, puts the program-wide state back to
// its start, runs `before` (fault injection), then the program; its exit code.
int RunProgram(hl::Script script, std::function<void()> before = {}, hl::Options options = {});

// The main window's client area as the program sees it.
RECT ClientArea();

// What the client area must show: the view rendered at `size` and stretched over it.
Image ExpectedClient(const ViewRect& view, int size);

// The screen position of a client-area point.
POINT OnScreen(int clientX, int clientY);
