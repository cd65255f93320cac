#pragma once
// The mouse drag that moves the view: the cursor is hidden and parked at a fixed screen
// point; every frame its displacement from there zooms or pans the view and the preview
// is rendered; at the end the cursor returns and the full picture is rendered.

#include <cstdint>

#include "fractal/navigation.h"
#include "platform/windowing/windowing.h"

enum DragMode : std::int32_t { None = 0, Zoom = 1, Pan = 2 };

// The part of the complex plane the window shows. Changed only by StepDrag.
extern ViewRect View;
// Set from None by the window procedure; advanced and reset by the frame step.
extern DragMode CurrentDragMode;
// Where the cursor was on the screen when the drag began.
extern POINT DragStartCursor;

void BeginDrag();
void StepDrag(DragMode mode);
void EndDrag(DragMode mode);
// Gives the cursor back as the desktop had it when a drag is still running at shutdown;
// renders nothing.
void AbandonDrag();
