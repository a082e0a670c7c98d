#include "ui/ScreenFit.h"

#include <algorithm>

#include "framework/SysUtils.h"

namespace {
int Clamp(int value, int low, int high) {
    return high < low ? low : std::clamp(value, low, high);
}

// No window is larger than this: far beyond any screen, far below overflow.
constexpr int MaxSide = 1 << 16;

int Side(double value) {
    return Clamp(RoundHalfEven(value), 1, MaxSide);
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

TArea LockSizingRect(const TArea& window, int edge, int frameWidth, int frameHeight, double aspect) {
    if (!(aspect > 0) || edge < seLeft || edge > seBottomRight)
        return window;
    TArea r = window;
    frameWidth = Clamp(frameWidth, 0, MaxSide);
    frameHeight = Clamp(frameHeight, 0, MaxSide);
    int clientWidth = Clamp(window.Width() - frameWidth, 1, MaxSide);
    if (edge == seLeft || edge == seTopLeft || edge == seBottomLeft)
        r.Left = r.Right - (clientWidth + frameWidth);
    else
        r.Right = r.Left + clientWidth + frameWidth;
    const int clientHeight = Side(clientWidth * aspect);
    if (edge == seTop || edge == seTopLeft || edge == seTopRight)
        r.Top = r.Bottom - (clientHeight + frameHeight);
    else
        r.Bottom = r.Top + clientHeight + frameHeight;
    return r;
}
