// double_to_text against the C library: the input's first 8 bytes as a double
// (any bit pattern, NaN and infinity included), written by snprintf("%.13g")
// in the "C" locale with the exponent widened to at least three digits.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz/fuzz_check.h"
#include "text/number_text.h"

using namespace tessivo;

namespace {

std::string printf_text(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.13g", value);
    std::string text = buffer;
    // "e+05" becomes "e+005"; "e+123" stays.
    const size_t e = text.find('e');
    if (e != std::string::npos) {
        std::string exponent = text.substr(e + 2);
        while (exponent.size() < 3) exponent = "0" + exponent;
        text = text.substr(0, e + 2) + exponent;
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < sizeof(double)) return 0;
    double value = 0.0;
    std::memcpy(&value, data, sizeof value);

    const std::string text = double_to_text(value);
    const std::string expected = printf_text(value);
    fuzz::require(text == expected, "double_to_text(" + fuzz::shown(value) + ") = \"" + text +
                                        "\", printf gives \"" + expected + "\"");
    return 0;
}
