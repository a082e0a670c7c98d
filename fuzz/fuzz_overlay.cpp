// The on-screen display's texts: FormatTime, PositionText, ProgressPerMille,
// PositionContent, VolumeContent.
// Input: a position and a duration (8 bytes each, any value, negative ones
// meaning not known), then a byte for the play state and one for a volume
// level (signed: out of range too).
//
// Properties:
// - a known time reads back as its whole seconds: m:ss (minutes uncapped) or
//   h:mm:ss, minutes and seconds of two digits under 60; an unknown one is
//   dashes of the same shape;
// - "position / duration", both with hours exactly when either reaches an hour;
// - the progress is the share of the duration in per mille, rounded down
//   (one off at most where a double cannot tell), within 0 to 1000, 0 when
//   either is unknown;
// - the volume is one of eight: 1 to 8 cells of 8 filled, and the text says so.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "ui/OverlayText.h"

namespace {
constexpr int64_t kSecond = 10000000;
constexpr int64_t kHour = 3600 * kSecond;

// The digits of s from at to the next ':' (or the end) as a number; -1 when
// there are none or anything else is there.
int64_t Field(const std::string& s, size_t& at, size_t width) {
    size_t end = s.find(':', at);
    if (end == std::string::npos)
        end = s.size();
    if (end == at || (width && end - at != width) || end - at > 19)
        return -1;
    int64_t n = 0;
    for (size_t i = at; i < end; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return -1;
        n = n * 10 + (s[i] - '0');
    }
    at = end + 1;
    return n;
}

bool ReadsBack(const std::string& text, int64_t time, bool hours) {
    if (time < 0)
        return text == (hours ? "-:--:--" : "--:--");
    const int64_t seconds = time / kSecond;
    size_t at = 0;
    int64_t h = hours ? Field(text, at, 0) : 0;
    int64_t m = Field(text, at, hours ? 2 : 0);
    int64_t s = Field(text, at, 2);
    if (h < 0 || m < 0 || s < 0 || s >= 60 || (hours && m >= 60) || at != text.size() + 1)
        return false;
    // No leading zeros but the one that a zero needs.
    const std::string first = text.substr(0, text.find(':'));
    if (first.size() > 1 && first[0] == '0')
        return false;
    return h * 3600 + m * 60 + s == seconds;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t raw[18] = {};
    std::memcpy(raw, data, size < sizeof raw ? size : sizeof raw);
    int64_t position, duration;
    std::memcpy(&position, raw, 8);
    std::memcpy(&duration, raw + 8, 8);
    const bool playing = raw[16] & 1;
    const int level = static_cast<int8_t>(raw[17]);
    auto what = [&] { return "position " + std::to_string(position) + ", duration " + std::to_string(duration); };

    for (bool hours : {false, true}) {
        FUZZ_CHECK(ReadsBack(FormatTime(position, hours), position, hours),
                   what() + ": " + FormatTime(position, hours));
        FUZZ_CHECK(ReadsBack(FormatTime(duration, hours), duration, hours),
                   what() + ": " + FormatTime(duration, hours));
    }
    const bool hours = position >= kHour || duration >= kHour;
    const std::string text = PositionText(position, duration);
    FUZZ_CHECK(text == FormatTime(position, hours) + " / " + FormatTime(duration, hours), what() + ": " + text);

    const int progress = ProgressPerMille(position, duration);
    FUZZ_CHECK(progress >= 0 && progress <= 1000, what());
    if (position <= 0 || duration <= 0) {
        FUZZ_CHECK(progress == 0, what());
    } else {
        const __int128 exact = position >= duration ? 1000 : static_cast<__int128>(position) * 1000 / duration;
        FUZZ_CHECK(progress - exact <= 1 && exact - progress <= 1,
                   what() + ": " + std::to_string(progress) + " per mille");
    }

    const TOverlayContent shown = PositionContent(playing, position, duration);
    FUZZ_CHECK(shown.Sign == (playing ? osPlaying : osPaused) && shown.Text == text && shown.Progress == progress &&
                   shown.Cells == 0,
               what());

    const TOverlayContent volume = VolumeContent("音量", level);
    FUZZ_CHECK(volume.Cells == 8 && volume.Filled >= 1 && volume.Filled <= 8, "level " + std::to_string(level));
    FUZZ_CHECK(volume.Filled == (level < 0 ? 1 : level > 7 ? 8 : level + 1), "level " + std::to_string(level));
    FUZZ_CHECK(volume.Text == "音量 " + std::to_string(volume.Filled) + "/8", volume.Text);
    return 0;
}
