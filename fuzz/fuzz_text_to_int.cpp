// text_to_int against the C library's strtoll on the same folded text: the
// same white space, sign and digits, with the result saturated to 32 bits.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "text/gbk.h"
#include "text/number_text.h"

using namespace tessivo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view typed(reinterpret_cast<const char*>(data), size);
    const int32_t value = text_to_int(typed);

    // The text as the parser sees it; strtoll stops at a NUL byte just as the
    // parser stops at any byte that is not a digit.
    const std::string ascii = fold_fullwidth(utf8_to_gbk(typed));
    long long expected = std::strtoll(ascii.c_str(), nullptr, 10);
    if (expected > INT32_MAX) expected = INT32_MAX;
    if (expected < INT32_MIN) expected = INT32_MIN;

    fuzz::require(value == expected, "text_to_int(" + fuzz::escaped(std::string(typed)) + ") = " +
                                         std::to_string(value) + ", strtoll gives " + std::to_string(expected));
    return 0;
}
