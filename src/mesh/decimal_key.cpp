// Five significant digits, exactly: the key is what printing the float with "%.4E"
// and reading the text back gives, except that an exact half goes away from zero (as
// a decimal text conversion rounds; the C library's printing rounds it to even).
// Doubles get that right for nearly every value;
// values whose scaled form lies too close to a rounding boundary, and the ranges
// without exact powers of ten in a double, are settled with exact integer arithmetic.
#include "mesh/decimal_key.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace vgx::modIndex {
namespace {

uint32_t Bits(float key) {
    uint32_t bits;
    std::memcpy(&bits, &key, sizeof bits);
    return bits;
}

using Wide = unsigned __int128;

constexpr std::array<Wide, 51> kPowersOf5 = [] {
    std::array<Wide, 51> powers{};
    powers[0] = 1;
    for (size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 5;
    return powers;
}();

// The powers of ten a double holds exactly.
constexpr std::array<double, 23> kPowersOf10 = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

int BitLength(Wide v) {
    const auto high = static_cast<uint64_t>(v >> 64), low = static_cast<uint64_t>(v);
    return high != 0 ? 128 - std::countl_zero(high) : 64 - std::countl_zero(low);
}

// How a remainder compares with one half of the divisor.
int CompareWithHalf(Wide rest, Wide half) { return rest < half ? -1 : rest > half ? 1 : 0; }

// Rounds to nearest, ties to even, given how the discarded part compares with one
// half: reading a decimal back into binary.
uint64_t RoundEven(uint64_t whole, int half) { return whole + (half > 0 || (half == 0 && (whole & 1) != 0)); }
// Rounds a magnitude to nearest, ties away from zero: the decimal digits of a key.
uint64_t RoundHalfUp(uint64_t whole, int half) { return whole + (half >= 0); }

// A positive finite float as mantissa x 2^exponent.
struct Binary {
    uint32_t mantissa;
    int exponent;
};

Binary Decompose(float magnitude) {
    const uint32_t bits = Bits(magnitude);
    const uint32_t field = bits >> 23, fraction = bits & 0x7FFFFF;
    if (field == 0) return {fraction, -149};
    return {fraction | 0x800000, static_cast<int>(field) - 150};
}

// The integer part of x / 10^k and how the rest compares with one half. The
// callers' k keep the quotient below 10^6, which keeps every product in 128 bits.
struct Quotient {
    uint64_t whole;
    int half;
};

Quotient DivideByPowerOf10(Binary x, int k) {
    if (k <= 0) {
        // x * 10^n = mantissa * 5^n * 2^(exponent + n)
        const Wide scaled = Wide{x.mantissa} * kPowersOf5[-k];
        const int shift = x.exponent - k;
        if (shift >= 0) return {static_cast<uint64_t>(scaled << shift), -1};
        const Wide whole = scaled >> -shift;
        const Wide rest = scaled & ((Wide{1} << -shift) - 1);
        return {static_cast<uint64_t>(whole), CompareWithHalf(rest, Wide{1} << (-shift - 1))};
    }
    // x / 10^k = mantissa * 2^(exponent - k) / 5^k
    Wide numerator = x.mantissa, divisor = kPowersOf5[k];
    if (x.exponent >= k) {
        numerator <<= x.exponent - k;
    } else {
        divisor <<= k - x.exponent;
    }
    const Wide whole = numerator / divisor, rest = numerator % divisor;
    return {static_cast<uint64_t>(whole), CompareWithHalf(2 * rest, divisor)};
}

// The float nearest to m x 10^k, ties to even, for 10^4 <= m < 10^5 and the k
// a float's decimal rounding yields (-49 to 34).
float ExactDecimalToFloat(uint64_t m, int k) {
    if (k >= 0) {
        const Wide value = Wide{m} * kPowersOf5[k];  // times 2^k
        const int length = BitLength(value);
        if (length <= 24) return std::ldexp(static_cast<float>(static_cast<uint64_t>(value)), k);
        const int drop = length - 24;
        const uint64_t kept = RoundEven(static_cast<uint64_t>(value >> drop),
                                        CompareWithHalf(value & ((Wide{1} << drop) - 1), Wide{1} << (drop - 1)));
        return std::ldexp(static_cast<float>(kept), k + drop);  // kept <= 2^24: exact
    }
    // m / 10^j scaled by 2^t to 24 significant bits, or onto the subnormal spacing 2^-149.
    const int j = -k;
    int t = 23 - static_cast<int>(std::floor(std::log2(static_cast<double>(m)) - j * 3.321928094887362));
    for (t = std::min(t, 149);;) {
        Wide numerator = m, divisor = kPowersOf5[j];
        if (t >= j) {
            numerator <<= t - j;
        } else {
            divisor <<= j - t;
        }
        const Wide whole = numerator / divisor;
        if (whole >= Wide{1} << 24) {
            --t;
        } else if (whole < Wide{1} << 23 && t < 149) {
            ++t;
        } else {
            const Wide rest = numerator - whole * divisor;
            const uint64_t kept = RoundEven(static_cast<uint64_t>(whole), CompareWithHalf(2 * rest, divisor));
            return std::ldexp(static_cast<float>(kept), -t);
        }
    }
}

float ExactRound(Binary x, int k) {
    Quotient q = DivideByPowerOf10(x, k);
    if (q.whole >= 100000) q = DivideByPowerOf10(x, ++k);
    uint64_t m = RoundHalfUp(q.whole, q.half);
    if (m == 100000) {
        m = 10000;
        ++k;
    }
    return ExactDecimalToFloat(m, k);
}

float RoundMagnitude(float magnitude) {
    const Binary x = Decompose(magnitude);
    // 2^b <= magnitude < 2^(b+1) puts the decimal exponent at e0 or e0 + 1.
    const int b = x.exponent + 31 - std::countl_zero(x.mantissa);
    const int e0 = static_cast<int>(std::floor(b * 0.30102999566398120));
    int k = e0 - 4;  // the scale that leaves five digits before the point
    if (k < -22 || k > 21) return ExactRound(x, k);

    const auto scale = [magnitude](int at) {
        return at <= 0 ? static_cast<double>(magnitude) * kPowersOf10[-at] : magnitude / kPowersOf10[at];
    };
    double scaled = scale(k);  // one rounding: within 2^-53 relative
    if (scaled >= 100000) scaled = scale(++k);
    const double whole = std::floor(scaled), rest = scaled - whole;
    // Too close to a half to trust the double's last bits (exact halves go this way too).
    if (std::fabs(rest - 0.5) < 1e-9) return ExactRound(x, k);
    uint64_t m = static_cast<uint64_t>(whole) + (rest > 0.5);
    if (m == 100000) {
        m = 10000;
        ++k;
    }
    if (k >= 0 && k <= 10) return static_cast<float>(m * kPowersOf10[k]);  // an exact product, rounded once
    if (k < 0 && k >= -22) {
        // Rounding to double and then to float is a single correct rounding unless the
        // double lands exactly halfway between two floats.
        const double quotient = static_cast<double>(m) / kPowersOf10[-k];
        uint64_t bits;
        std::memcpy(&bits, &quotient, sizeof bits);
        if ((bits & 0x1FFFFFFF) != 0x10000000) return static_cast<float>(quotient);
    }
    return ExactDecimalToFloat(m, k);
}

}  // namespace

float RoundToFiveDigits(float value) {
    if (std::isnan(value)) return std::copysign(std::numeric_limits<float>::quiet_NaN(), value);
    if (value == 0 || std::isinf(value)) return value;
    const float rounded = RoundMagnitude(std::fabs(value));
    return value < 0 ? -rounded : rounded;
}

float PointHashKey(const VgxVector& point) {
    float sum = 0;
    for (float component : {point.X, point.Y, point.Z}) {
        if (std::fabs(component) > kTolerance) sum += component;
    }
    return RoundToFiveDigits(sum);
}

int32_t FloatBucket(float key, int32_t tableType) {
    const uint32_t bits = Bits(key);
    const int32_t b1 = (bits >> 8) & 0xFF, b2 = (bits >> 16) & 0xFF;
    return b1 * 256 * tableType + b2;
}

}  // namespace vgx::modIndex
