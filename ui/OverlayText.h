// What the on-screen display says, worked out without any window: the
// position and duration, the progress, the volume level. The words come from
// the program's string table; these rules only arrange them.
#pragma once

#include <cstdint>
#include <string>

// The sign drawn before a position: the state the movie is in now.
enum TOverlaySign { osNone, osPlaying, osPaused };

// One display: a sign, a line of text, and either a bar of cells (the volume)
// or a thin progress bar (the position), or neither.
struct TOverlayContent {
    TOverlaySign Sign = osNone;
    std::string Text;
    int Cells = 0;  // cells in the bar; 0 for no bar of cells
    int Filled = 0;
    int Progress = -1;  // per mille of the duration; -1 for no progress bar

    bool operator==(const TOverlayContent&) const = default;
};

// The volume levels the user sees: the movie control's eight.
constexpr int kOverlayVolumeLevels = 8;

// A time in 100 ns units as m:ss, or h:mm:ss with hours (whole seconds,
// rounded down); a negative time (not known) as "--:--", or "-:--:--".
std::string FormatTime(int64_t time, bool hours);
// "position / duration", both with hours when either reaches an hour.
std::string PositionText(int64_t position, int64_t duration);
// How far the position is into the duration, 0 to 1000; 0 when unknown.
int ProgressPerMille(int64_t position, int64_t duration);

TOverlayContent PositionContent(bool playing, int64_t position, int64_t duration);
// Level 0 to 7 of the movie control, shown as 1 to 8 of eight, after the
// word for volume.
TOverlayContent VolumeContent(const std::string& word, int level);
// The word for muted, with nothing else.
TOverlayContent MutedContent(const std::string& word);
