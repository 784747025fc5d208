// text_to_number against the C library's strtod. The number at the start of
// the folded text is found here by a scan of its own, its "d"/"D" exponent
// letter written as "e", and handed to strtod; both must give the same double,
// bit for bit (so a negative zero stays negative).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "text/gbk.h"
#include "text/number_text.h"

using namespace tessivo;

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The length of the run of digits at `at`.
size_t digits_at(const std::string& text, size_t at) {
    size_t end = at;
    while (end < text.size() && is_digit(text[end])) ++end;
    return end - at;
}

// The number at the start of the text in strtod's spelling, or "" when the
// text does not begin with one.
std::string leading_number(const std::string& text) {
    size_t at = text.find_first_not_of(" \t\n\v\f\r");
    if (at == std::string::npos) return "";
    std::string number;
    if (text[at] == '+' || text[at] == '-') number += text[at++];
    const size_t whole = digits_at(text, at);
    number.append(text, at, whole);
    at += whole;
    size_t fraction = 0;
    if (at < text.size() && text[at] == '.') {
        fraction = digits_at(text, at + 1);
        number.append(text, at, fraction + 1);
        at += fraction + 1;
    }
    if (whole + fraction == 0) return "";
    if (at < text.size() && std::strchr("eEdD", text[at]) != nullptr && text[at] != '\0') {
        size_t sign = at + 1 < text.size() && (text[at + 1] == '+' || text[at + 1] == '-') ? 1 : 0;
        size_t exponent = digits_at(text, at + 1 + sign);
        if (exponent > 0) number += 'e' + text.substr(at + 1, sign + exponent);
    }
    return number;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view typed(reinterpret_cast<const char*>(data), size);
    const double value = text_to_number(typed);

    const std::string number = leading_number(fold_fullwidth(utf8_to_gbk(typed)));
    double expected = 0.0;
    if (!number.empty()) {
        char* end = nullptr;
        expected = std::strtod(number.c_str(), &end);
        fuzz::require(end == number.c_str() + number.size(), "strtod stopped early in " + number);
    }

    fuzz::require(std::memcmp(&value, &expected, sizeof value) == 0,
                  "text_to_number(" + fuzz::escaped(std::string(typed)) + ") = " + fuzz::shown(value) +
                      ", strtod(\"" + number + "\") gives " + fuzz::shown(expected));
    return 0;
}
