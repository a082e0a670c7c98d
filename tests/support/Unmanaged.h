// Under Wine on an X server without a window manager (the tests' private
// Xvfb), every top-level window that is hidden or destroyed makes Wine's X11
// driver wait two seconds for a window manager that never answers: each
// message box costs two seconds. Wine's per-program setting "Managed" = "N"
// (HKCU\Software\Wine\AppDefaults\<program>\X11 Driver) lets windows come
// and go at once; nothing else that the tests look at changes.
// Only under Wine; elsewhere these do nothing.
#pragma once

#include <string>

bool RunningUnderWine();
// Sets the option for the program of that file name (no folder). It takes
// effect in processes started afterwards, and in the calling process when
// called before its first window.
void UseUnmanagedWindows(const std::string& programName);
// The same for the calling program.
void UseUnmanagedWindowsHere();
