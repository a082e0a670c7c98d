// The movie control under test: made as the main window makes it, and what
// it raised.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "engine/UMovie.h"

// A movie control owned by owner, filling parent.
TMovie* MakeMovie(TComponent* owner, TWinControl* parent);
// The first timer among owner's components (a movie control's position
// timer belongs to the control's owner), or null.
TTimer* FindTimer(TComponent* owner);

// What a control raised.
struct TMovieEvents {
    std::vector<std::pair<int64_t, int64_t>> Positions;
    int Completes = 0;
    TObject* CompleteSender = nullptr;
    int Clicks = 0;
    int Failures = 0;
    std::function<void()> InComplete;  // runs inside OnComplete

    // Takes the control's OnPosition, OnComplete and OnFailed.
    void Watch(TMovie* movie);
    void Position(int64_t position, int64_t duration) { Positions.push_back({position, duration}); }
    void Complete(TObject* sender);
    void Click(TObject*) { ++Clicks; }
    void Failed(TObject*) { ++Failures; }
};
