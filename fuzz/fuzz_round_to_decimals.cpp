// Properties of round_to_decimals that follow from its steps (scale, nudge by
// 1e-12, round half away from zero, unscale), for decimals from -22 to 22,
// where every power of ten is exact. Input: one byte for the decimals, then
// two doubles as raw bits (any pattern).
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz/fuzz_check.h"
#include "text/number_text.h"

using namespace tessivo;

namespace {

constexpr int MAX_DECIMALS = 22;
// Beyond this scaled magnitude the result is no longer a whole number of
// 10^-decimals that scales back exactly, so rounding twice may move it.
constexpr long double EXACT_SCALED = 1125899906842624.0L;  // 2^50
// Scaled magnitudes up to this neither overflow nor get near it.
constexpr long double FINITE_SCALED = 1e300L;

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

double read_double(const uint8_t* data) {
    double value = 0.0;
    std::memcpy(&value, data, sizeof value);
    return value;
}

std::string call(double value, int decimals) {
    return "round_to_decimals(" + fuzz::shown(value) + ", " + std::to_string(decimals) + ") = " +
           fuzz::shown(round_to_decimals(value, decimals));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 + 2 * sizeof(double)) return 0;
    const int decimals = data[0] % (2 * MAX_DECIMALS + 1) - MAX_DECIMALS;
    const double x = read_double(data + 1);
    const double y = read_double(data + 1 + sizeof(double));
    const double r = round_to_decimals(x, decimals);

    if (x == 0.0) fuzz::require(same_bits(r, x), "zero is not returned as it is: " + call(x, decimals));
    if (std::isnan(x)) return 0;

    fuzz::require(std::signbit(r) == std::signbit(x), "sign lost: " + call(x, decimals));
    fuzz::require(same_bits(round_to_decimals(-x, decimals), -r),
                  "not symmetric: " + call(x, decimals) + " but " + call(-x, decimals));

    const long double scale = std::pow(10.0L, decimals);
    const long double scaled = std::fabs(static_cast<long double>(x)) * scale;
    if (scaled <= FINITE_SCALED && std::fabs(x) <= 1e300) {
        fuzz::require(std::isfinite(r), "finite value, infinite result: " + call(x, decimals));
        const double larger = std::fmax(std::fabs(x), std::fabs(r));
        const long double ulp = std::nextafter(larger, std::numeric_limits<double>::infinity()) - larger;
        const long double bound = (0.5L + 2e-12L) / scale + 4 * ulp;
        fuzz::require(std::fabs(static_cast<long double>(r) - x) <= bound,
                      "moved more than half a unit: " + call(x, decimals));
    }
    if (scaled < EXACT_SCALED) {
        fuzz::require(same_bits(round_to_decimals(r, decimals), r),
                      "rounding twice moves it: " + call(x, decimals) + ", then " + call(r, decimals));
    }
    if (!std::isnan(y) && x <= y) {
        fuzz::require(r <= round_to_decimals(y, decimals),
                      "not monotonic: " + call(x, decimals) + " but " + call(y, decimals));
    }
    return 0;
}
