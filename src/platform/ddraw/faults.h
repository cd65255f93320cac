#pragma once
// Fault injection: makes a chosen DirectDraw call fail with a chosen code, so that tests
// and the real-window acceptance test can reach the program's start-up failure paths.
// The variable MANDELBROT_PLATFORM_FAULT=Call:code (for instance CreateClipper:0x80004005)
// is read when the desktop host starts; only this layer reads it.

#include <string>

#include "platform/windowing/windowing.h"

namespace platform {

enum class DdCall {
  DirectDrawCreate,
  SetCooperativeLevel,
  CreatePrimarySurface,
  CreateOffscreenSurface,  // every off-screen CreateSurface (the back buffer, images)
  CreateClipper,
  ClipperSetHWnd,
  ClipperSetClipList,
  SurfaceSetClipper,
  Lock,
  Blt,
};

// From now on `call` fails with `code` (non-zero): after `skip` calls that still succeed,
// `times` times (-1: every time) until cleared.
void InjectFault(DdCall call, HRESULT code, int skip = 0, int times = -1);
void ClearFaults();
// Parses "Call:code" as above (the call named as in DdCall, the code in hexadecimal with
// 0x or in decimal); false for an unknown call or a bad code.
bool InjectFaultFromText(const std::string& text);
// The call's name as InjectFaultFromText reads it ("CreateClipper").
const char* DdCallName(DdCall call);

}  // namespace platform
