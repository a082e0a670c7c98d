#include "ui/ScreenFit.h"

#include <algorithm>

#include "framework/SysUtils.h"

namespace {
int Clamp(int value, int low, int high) {
    return high < low ? low : std::clamp(value, low, high);
}
}  // namespace

TWindowFit FitVideoWindow(int videoWidth, int videoHeight, int frameWidth, int frameHeight, const TArea& work, int left,
                          int top) {
    TWindowFit fit{left, top, videoWidth, videoHeight, false};
    const int roomWidth = work.Width() - frameWidth, roomHeight = work.Height() - frameHeight;
    if (videoWidth <= 0 || videoHeight <= 0 || roomWidth <= 0 || roomHeight <= 0)
        return fit;
    if (videoWidth <= roomWidth && videoHeight <= roomHeight)
        return fit;
    const double aspect = static_cast<double>(videoHeight) / videoWidth;
    int width = roomWidth;
    int height = RoundHalfEven(width * aspect);
    if (height > roomHeight) {
        // Height-bound: the widest client whose rounded height still fits.
        width = static_cast<int>(static_cast<long long>(roomHeight) * videoWidth / videoHeight);
        // Rounding may leave room for a pixel or two more.
        while (width < roomWidth && RoundHalfEven((width + 1) * aspect) <= roomHeight)
            ++width;
        height = RoundHalfEven(width * aspect);
    }
    fit.ClientWidth = std::max(width, 1);
    fit.ClientHeight = std::max(height, 1);
    fit.Left = Clamp(left, work.Left, work.Right - (fit.ClientWidth + frameWidth));
    fit.Top = Clamp(top, work.Top, work.Bottom - (fit.ClientHeight + frameHeight));
    fit.Shrunk = true;
    return fit;
}
