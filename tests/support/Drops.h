// Drops as the shell makes them, for tests that feed WM_DROPFILES by hand.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A DROPFILES block with wide names (given in UTF-8), each ending in a zero, the
// list ending in one more (two for an empty list). Whoever receives it
// finishes it.
HDROP MakeDrop(const std::vector<std::string>& names, POINT point = {10, 10});

// Posts a drop of these names to the window.
bool PostDrop(HWND wnd, const std::vector<std::string>& names, POINT point = {10, 10});
