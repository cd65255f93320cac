#pragma once
// One frame: measure the client area, advance a running drag, choose the preview while a
// button is held and the full picture otherwise, end a released drag, compose the picture
// in the back buffer and show it at the window's place.

void DrawFrame();
