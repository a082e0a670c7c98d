// What is actually on the screen: captures of a window's area and simple
// measures on them, to tell a picture from an empty background.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

struct TCapture {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels;  // 0x00RRGGBB, top row first
};

// The screen's pixels in a rectangle given in screen coordinates.
TCapture CaptureScreen(const RECT& area);
// The screen's pixels where the window's client area is.
TCapture CaptureClient(HWND wnd);

// Share (0..1) of the pixels that have the capture's most common colour:
// 1 for a uniform background.
double Uniformity(const TCapture& capture);
// Share (0..1) of the pixels that differ between two captures of one size
// by more than the tolerance in any colour channel.
double Difference(const TCapture& a, const TCapture& b, int tolerance = 24);
// The capture's most common colour.
uint32_t DominantColor(const TCapture& capture);
