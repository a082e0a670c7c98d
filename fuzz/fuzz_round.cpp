// RoundHalfEven.
// Input: one byte choosing how the value is made and the processor's rounding
// mode during the call, then the value's bytes:
//   mode 0: the raw bits of a double (NaN, infinities, subnormals...);
//   mode 1: a 32-bit integer over 2 or 4 (exact halves and quarters);
//   mode 2: a 64-bit integer scaled by a power of two (every fraction).
//
// Properties: the result is what std::nearbyint gives under round-to-nearest
// (ties to even), clamped to the int range, with 0 for NaN, whatever rounding
// mode the processor is in during the call; the mode is left as it was.
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "framework/SysUtils.h"

namespace {

const int kModes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};

double MakeValue(uint8_t how, const uint8_t* bytes, size_t size) {
    uint8_t raw[9] = {};
    std::memcpy(raw, bytes, size < sizeof raw ? size : sizeof raw);
    switch (how % 3) {
        case 0: {
            double x;
            std::memcpy(&x, raw, sizeof x);
            return x;
        }
        case 1: {
            int32_t k;
            std::memcpy(&k, raw, sizeof k);
            return static_cast<double>(k) / (raw[4] % 2 ? 4.0 : 2.0);
        }
        default: {
            int64_t k;
            std::memcpy(&k, raw, sizeof k);
            return std::ldexp(static_cast<double>(k), -static_cast<int>(raw[8] % 64));
        }
    }
}

int Expected(double x) {
    if (std::isnan(x))
        return 0;
    if (x >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (x <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(std::nearbyint(x));  // the caller keeps FE_TONEAREST
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const double x = MakeValue(data[0] / 4, data + 1, size - 1);
    const int mode = kModes[data[0] % 4];

    std::fesetround(mode);
    const int got = RoundHalfEven(x);
    const int modeAfter = std::fegetround();
    std::fesetround(FE_TONEAREST);

    char value[64];
    std::snprintf(value, sizeof value, "%.17g (rounding mode %d)", x, mode);
    const int expected = Expected(x);
    FUZZ_CHECK(got == expected,
               std::string(value) + " gave " + std::to_string(got) + ", expected " + std::to_string(expected));
    FUZZ_CHECK(modeAfter == mode, std::string(value) + ": the rounding mode changed");
    return 0;
}
