#pragma once
// The program's entry and its idle-driven loop: one waiting message per pass, a frame
// whenever the queue is empty.

#include <cstdint>

#include "platform/windowing/windowing.h"

// The loop runs while this is not 0; the menu command that ends the program clears it.
extern std::int32_t Running;
// 1 from the first pass that found the queue empty: only then do paint requests draw.
extern std::int32_t FramesStarted;

int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

// Puts the program-wide state back as it is when the program starts, so that tests can
// run the program more than once in one process.
void ResetProgramState();
