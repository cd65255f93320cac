#pragma once
// The main window: its class, its menu, start-up, and the window procedure that turns
// buttons, keys, menu commands and paint requests into the program's actions.

#include "platform/windowing/windowing.h"

inline constexpr char kClassName[] = "Prelvanthorn";
inline constexpr char kWindowTitle[] = "A mandelbrot navigator by Quelvaren";
inline constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
inline constexpr int kMenuResource = 1;
// The menu item that ends the program.
inline constexpr WORD kQuitCommand = 40001;

extern HWND MainWindow;

// Creates, shows and focuses the main window, then brings DirectDraw up against it.
// 1 when both are up, 0 otherwise.
int InitApplication(HINSTANCE instance);

LRESULT MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
