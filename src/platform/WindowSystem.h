#pragma once

// What the window system lets a program do with its windows. On X11 a program places its windows at
// screen points and learns where they are. A Wayland compositor places every window itself and tells
// the program neither a window's position nor the pointer's position on the screen.
// User-interface thread only, after QGuiApplication exists.
[[nodiscard]] bool CanPlaceWindows();

// Tests: makes CanPlaceWindows answer false on any window system, so that what the program does where
// a compositor places its windows can be checked on X11 as well; false restores the real answer.
void TreatWindowsAsCompositorPlaced(bool bPlaced);
