// Where a window sized by its video goes when the video is larger than the
// screen: window-free, so that it can be checked and fuzzed on its own.
#pragma once

struct TArea {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
};

struct TWindowFit {
    int Left = 0, Top = 0;
    int ClientWidth = 0, ClientHeight = 0;
    // False when the video fitted as it is: size and place stay the caller's.
    bool Shrunk = false;
};

// A window at (left, top) whose frame adds frameWidth x frameHeight to its
// client wants a client of videoWidth x videoHeight. When that does not fit
// the work area, the client becomes the largest with the video's ratio that
// does (its height follows its width as the aspect lock rounds it) and the
// window moves as little as it must to lie wholly inside.
TWindowFit FitVideoWindow(int videoWidth, int videoHeight, int frameWidth, int frameHeight, const TArea& work, int left,
                          int top);

// Sides of a window being dragged, as WM_SIZING names them (WMSZ_*).
enum TSizingEdge { seLeft = 1, seRight, seTop, seTopLeft, seTopRight, seBottom, seBottomLeft, seBottomRight };

// The window rectangle a drag of the given edge or corner must become so that
// the client keeps height = width x aspect (rounded as the aspect lock
// rounds). The height always follows the width: a side edge or a corner sets
// the width and the opposite corner stays where it is; the top or bottom edge
// alone changes nothing. Sizes stay between one client pixel and far beyond
// any screen. An aspect of 0 or less, or an unknown edge, leaves the
// rectangle as it is.
TArea LockSizingRect(const TArea& window, int edge, int frameWidth, int frameHeight, double aspect);
