#include "text/number_text.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <limits>

#include "text/gbk.h"

namespace tessivo {

namespace {

// The scaled-domain nudge of round_to_decimals: a scaled value that falls
// short of a half by less than this (as binary-stored decimal halves do)
// still rounds up.
constexpr double ROUND_NUDGE = 1e-12;
// A fraction beyond this counts as the next whole number in floor_to_int.
constexpr double FLOOR_SNAP = 0.999999999999;
// 2^63 as a double: the first value beyond the int64 range.
constexpr double INT64_LIMIT = 9223372036854775808.0;

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// 10^n; exact for 0 <= n <= 22, which covers every scale used here.
double power_of_ten(int n) {
    double result = 1.0;
    for (int i = 0; i < n && i < 400; ++i) result *= 10.0;
    return result;
}

// The typed text as ASCII: GBK bytes with full-width digits, signs and
// points folded to their ASCII forms.
std::string typed_ascii(std::string_view utf8) { return fold_fullwidth(utf8_to_gbk(utf8)); }

std::size_t skip_space(std::string_view text, std::size_t pos) {
    while (pos < text.size() && is_space(text[pos])) ++pos;
    return pos;
}

}  // namespace

std::string int_to_text(int64_t value) {
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string double_to_text(double value) {
    // to_chars with a precision is defined as printf's "%.*g" in the "C"
    // locale, so only the exponent needs widening (glibc writes two digits).
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 13);
    std::string text(buffer, result.ptr);
    auto e = text.find('e');
    if (e != std::string::npos && e + 2 < text.size()) {
        std::size_t digits = text.size() - (e + 2);
        if (digits < 3) text.insert(e + 2, 3 - digits, '0');
    }
    return text;
}

std::string number_to_grouped_text(double value) {
    std::string text = double_to_text(round_to_decimals(value, 0));
    std::size_t start = (!text.empty() && text[0] == '-') ? 1 : 0;
    for (std::size_t i = start; i < text.size(); ++i) {
        if (!is_digit(text[i]) && text[i] != '.') return text;  // exponent form, inf, nan
    }
    std::size_t integer_end = text.find('.');
    if (integer_end == std::string::npos) integer_end = text.size();
    std::string grouped = text.substr(0, start);
    for (std::size_t i = start; i < integer_end; ++i) {
        if (i > start && (integer_end - i) % 3 == 0) grouped += ',';
        grouped += text[i];
    }
    grouped.append(text, integer_end, std::string::npos);
    return grouped;
}

std::string datetime_to_text(const DateTime& value) {
    std::string text = int_to_text(value.year) + "年" + int_to_text(value.month) + "月" +
                       int_to_text(value.day) + "日";
    if (value.second != 0) {
        text += int_to_text(value.hour) + "时" + int_to_text(value.minute) + "分" +
                int_to_text(value.second) + "秒";
    } else if (value.minute != 0) {
        text += int_to_text(value.hour) + "时" + int_to_text(value.minute) + "分";
    } else if (value.hour != 0) {
        text += int_to_text(value.hour) + "时";
    }
    return text;
}

DateTime current_datetime() {
    // time() already counts whole seconds, so the fraction is cut, not rounded.
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return DateTime{};
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     local.tm_sec};
}

double round_to_decimals(double value, int decimals) {
    if (value == 0.0) return value;
    bool negative = value < 0.0;
    double magnitude = std::fabs(value);
    double scaled = magnitude;
    if (decimals > 0) {
        scaled = magnitude * power_of_ten(decimals);
    } else if (decimals < 0) {
        scaled = magnitude / power_of_ten(-decimals);
    }
    double nudged = scaled + ROUND_NUDGE;
    double whole = 0.0;
    double fraction = std::modf(nudged, &whole);
    if (fraction >= 0.5) whole = whole + 1.0;
    double result = whole;
    if (decimals > 0) {
        result = whole / power_of_ten(decimals);
    } else if (decimals < 0) {
        result = whole * power_of_ten(-decimals);
    }
    return negative ? -result : result;
}

int32_t floor_to_int(double value) {
    double whole = 0.0;
    double fraction = std::modf(value, &whole);
    if (std::fabs(fraction) > FLOOR_SNAP) value = value > 0.0 ? whole + 1.0 : whole - 1.0;
    return truncate_to_int32(std::floor(value));
}

int64_t truncate_to_int(double value) {
    if (std::isnan(value)) return 0;
    if (value >= INT64_LIMIT) return std::numeric_limits<int64_t>::max();
    if (value < -INT64_LIMIT) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(value);
}

int32_t truncate_to_int32(double value) {
    // C++20 defines the narrowing as modulo 2^32: the low 32 bits.
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(truncate_to_int(value))));
}

double remainder(double dividend, double divisor) {
    // fmod is exact: dividend - n * divisor with n truncated toward zero.
    return std::fmod(dividend, divisor);
}

int32_t text_to_int(std::string_view text) {
    std::string ascii = typed_ascii(text);
    std::size_t pos = skip_space(ascii, 0);
    bool negative = false;
    if (pos < ascii.size() && (ascii[pos] == '+' || ascii[pos] == '-')) {
        negative = ascii[pos] == '-';
        ++pos;
    }
    // Accumulate in 64 bits and stop growing just beyond the 32-bit range, so a
    // long digit string saturates instead of wrapping to another process id.
    constexpr int64_t CAP = int64_t{1} << 32;
    int64_t magnitude = 0;
    for (; pos < ascii.size() && is_digit(ascii[pos]); ++pos) {
        magnitude = magnitude * 10 + (ascii[pos] - '0');
        if (magnitude > CAP) magnitude = CAP;
    }
    int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (signed_value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(signed_value);
}

double text_to_number(std::string_view text) {
    std::string ascii = typed_ascii(text);
    std::size_t pos = skip_space(ascii, 0);
    // The number is copied into the form from_chars reads ("-", digits, ".",
    // "e", exponent): no "+", and "d"/"D" as exponent letters become "e".
    std::string normal;
    bool negative = false;
    if (pos < ascii.size() && (ascii[pos] == '+' || ascii[pos] == '-')) {
        negative = ascii[pos] == '-';
        ++pos;
    }
    if (negative) normal += '-';
    bool seen_point = false;
    bool seen_digit = false;
    // Decimal exponent of the leading significant digit, relative to the point,
    // to tell overflow from underflow when from_chars reports out-of-range.
    int64_t integer_digits = 0;
    int64_t leading_fraction_zeros = 0;
    bool seen_significant = false;
    for (; pos < ascii.size(); ++pos) {
        char c = ascii[pos];
        if (is_digit(c)) {
            seen_digit = true;
            if (c != '0') seen_significant = true;
            if (!seen_point && seen_significant) ++integer_digits;
            if (seen_point && !seen_significant) ++leading_fraction_zeros;
        } else if (c == '.' && !seen_point) {
            seen_point = true;
        } else {
            break;
        }
        normal += c;
    }
    if (!seen_digit) return 0.0;

    int64_t exponent = 0;
    if (pos < ascii.size() && (ascii[pos] == 'e' || ascii[pos] == 'E' || ascii[pos] == 'd' || ascii[pos] == 'D')) {
        std::size_t exp_pos = pos + 1;
        bool exp_negative = false;
        if (exp_pos < ascii.size() && (ascii[exp_pos] == '+' || ascii[exp_pos] == '-')) {
            exp_negative = ascii[exp_pos] == '-';
            ++exp_pos;
        }
        if (exp_pos < ascii.size() && is_digit(ascii[exp_pos])) {
            // Far beyond any double's range; capping keeps the arithmetic finite.
            constexpr int64_t EXPONENT_CAP = 1'000'000;
            for (; exp_pos < ascii.size() && is_digit(ascii[exp_pos]); ++exp_pos) {
                exponent = exponent * 10 + (ascii[exp_pos] - '0');
                if (exponent > EXPONENT_CAP) exponent = EXPONENT_CAP;
            }
            if (exp_negative) exponent = -exponent;
            normal += 'e';
            normal += std::to_string(exponent);
        }
    }

    double value = 0.0;
    auto result = std::from_chars(normal.data(), normal.data() + normal.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        int64_t magnitude_exponent = seen_point && integer_digits == 0 ? -leading_fraction_zeros - 1 : integer_digits - 1;
        value = magnitude_exponent + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        if (negative) value = -value;
    } else if (result.ec != std::errc{}) {
        return 0.0;
    }
    return value;
}

std::string bytes_to_text(std::span<const char> bytes) {
    std::size_t length = 0;
    while (length < bytes.size() && bytes[length] != '\0') ++length;
    return std::string(bytes.data(), length);
}

std::string fold_fullwidth(std::string_view gbk) {
    std::string folded;
    folded.reserve(gbk.size());
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        auto lead = static_cast<unsigned char>(gbk[i]);
        if (lead < 0x80) {
            folded += static_cast<char>(lead);
            continue;
        }
        if (i + 1 == gbk.size()) break;  // a lead byte without its trail is dropped
        auto trail = static_cast<unsigned char>(gbk[i + 1]);
        bool pair = lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
        if (!pair) {
            // 0x80, 0xFF, or a lead byte not followed by a trail: one byte on its own.
            folded += static_cast<char>(lead);
            continue;
        }
        ++i;
        if (lead == 0xA3 && trail >= 0xA1) {
            folded += static_cast<char>(trail - 0x80);
        } else if (lead == 0xA1 && trail == 0xA1) {
            folded += ' ';
        } else if (lead == 0xA1 && trail == 0xAB) {
            folded += '~';
        } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            folded += '*';
        } else {
            folded += static_cast<char>(lead);
            folded += static_cast<char>(trail);
        }
    }
    return folded;
}

}  // namespace tessivo
