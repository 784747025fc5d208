#pragma once
// How numbers and times become the texts that the window and the log show,
// and how typed numbers are read.
//
// Texts inside the program are UTF-8 (the platform's form for Qt and for file
// names). Where the byte form matters (full-width folding, the record pane's
// length, the log file's bytes) the text is converted to GBK with text/gbk.h.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tessivo {

struct DateTime {
    int year = 0;
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59
};

std::string int_to_text(int64_t value);
// "%.13g" with the exponent widened to at least three digits; independent of the C locale.
std::string double_to_text(double value);
std::string number_to_grouped_text(double value);
std::string datetime_to_text(const DateTime& value);
DateTime current_datetime();  // local time, cut to the whole second

double round_to_decimals(double value, int decimals);
int32_t floor_to_int(double value);
// Toward zero, to 64 bits; NaN gives 0 and values beyond the 64-bit range saturate.
int64_t truncate_to_int(double value);
// The low 32 bits of truncate_to_int, where the result is stored as a 32-bit integer.
int32_t truncate_to_int32(double value);
double remainder(double dividend, double divisor);

// Digit strings beyond the 32-bit range saturate at INT32_MAX / INT32_MIN.
int32_t text_to_int(std::string_view text);
double text_to_number(std::string_view text);
std::string bytes_to_text(std::span<const char> bytes);
// Works on GBK bytes: full-width forms become their ASCII counterparts.
std::string fold_fullwidth(std::string_view gbk);

}  // namespace tessivo
