#include "ui/OverlayText.h"

#include <algorithm>

namespace {
constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kSecondsPerHour = 3600;

std::string TwoDigits(int64_t n) {
    return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
}
}  // namespace

std::string FormatTime(int64_t time, bool hours) {
    if (time < 0)
        return hours ? "-:--:--" : "--:--";
    const int64_t seconds = time / kTicksPerSecond;
    const int64_t h = seconds / kSecondsPerHour, m = seconds / 60 % 60, s = seconds % 60;
    if (hours)
        return std::to_string(h) + ":" + TwoDigits(m) + ":" + TwoDigits(s);
    // Without hours the minutes take the hours in: the caller asks for hours
    // whenever a time reaches one.
    return std::to_string(seconds / 60) + ":" + TwoDigits(s);
}

std::string PositionText(int64_t position, int64_t duration) {
    const int64_t hour = kSecondsPerHour * kTicksPerSecond;
    const bool hours = position >= hour || duration >= hour;
    return FormatTime(position, hours) + " / " + FormatTime(duration, hours);
}

int ProgressPerMille(int64_t position, int64_t duration) {
    if (position <= 0 || duration <= 0)
        return 0;
    if (position >= duration)
        return 1000;
    // position * 1000 would overflow past 29 000 years; a ratio in double is
    // exact enough for a bar.
    return static_cast<int>(static_cast<double>(position) / static_cast<double>(duration) * 1000.0);
}

TOverlayContent PositionContent(bool playing, int64_t position, int64_t duration) {
    TOverlayContent c;
    c.Sign = playing ? osPlaying : osPaused;
    c.Text = PositionText(position, duration);
    c.Progress = ProgressPerMille(position, duration);
    return c;
}

TOverlayContent VolumeContent(const std::string& word, int level) {
    TOverlayContent c;
    c.Cells = kOverlayVolumeLevels;
    c.Filled = std::clamp(level, 0, kOverlayVolumeLevels - 1) + 1;
    c.Text = word + " " + std::to_string(c.Filled) + "/" + std::to_string(kOverlayVolumeLevels);
    return c;
}

TOverlayContent MutedContent(const std::string& word) {
    TOverlayContent c;
    c.Text = word;
    return c;
}
