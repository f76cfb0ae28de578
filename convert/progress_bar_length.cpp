#include "convert/progress_bar_length.h"

#include <cstdint>

namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr Wide TOP_BIT = Wide{1} << 63;

// significand * 2^exponent, the significand normalised to its top bit (bit 63)
// as in the extended format, or 0 for zero.
struct Extended {
    std::uint64_t significand;
    int exponent;
};

Extended extendedOf(std::uint64_t value) {
    if (value == 0)
        return {0, 0};
    int exponent = 0;
    while ((value & TOP_BIT) == 0) {
        value <<= 1;
        --exponent;
    }
    return {value, exponent};
}

// a / b rounded to 64 significant bits, ties to even; both normalised, b > 0.
Extended divide(Extended a, Extended b) {
    if (a.significand == 0)
        return {0, 0};
    // a.significand * 2^64 / b.significand lies in (2^63, 2^65).
    const Wide numerator = Wide{a.significand} << 64;
    Wide quotient = numerator / b.significand;
    Wide remainder = numerator % b.significand;
    int exponent = a.exponent - b.exponent - 64;
    bool roundUp = false;
    if (quotient >> 64 != 0) {
        const bool guard = (quotient & 1) != 0;
        const bool sticky = remainder != 0;
        quotient >>= 1;
        ++exponent;
        roundUp = guard && (sticky || (quotient & 1) != 0);
    } else {
        const Wide twice = remainder * 2;
        roundUp = twice > b.significand || (twice == b.significand && (quotient & 1) != 0);
    }
    if (roundUp && ++quotient >> 64 != 0) {
        quotient >>= 1;
        ++exponent;
    }
    return {static_cast<std::uint64_t>(quotient), exponent};
}

// The whole number nearest to value, an exact half going to the even one.
std::uint64_t nearestWhole(Extended value) {
    if (value.significand == 0)
        return 0;
    if (value.exponent >= 0)
        return UINT64_MAX; // 2^63 or more
    const int shift = -value.exponent;
    if (shift > 64)
        return 0; // below one half
    const Wide significand = value.significand;
    const Wide whole = significand >> shift;
    const Wide fraction = significand - (whole << shift);
    const Wide half = Wide{1} << (shift - 1);
    const bool roundUp = fraction > half || (fraction == half && (whole & 1) != 0);
    return static_cast<std::uint64_t>(whole + (roundUp ? 1 : 0));
}

} // namespace

std::uint16_t progressBarLength(std::uint16_t y, std::uint16_t height) {
    if (height == 0)
        return 0;
    const Extended step = divide(extendedOf(height), extendedOf(PROGRESS_BAR_LENGTH));
    const std::uint64_t whole = nearestWhole(divide(extendedOf(y), step));
    return static_cast<std::uint16_t>(whole > UINT16_MAX ? UINT16_MAX : whole);
}
