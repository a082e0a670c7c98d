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
