// Number and time texts: every conversion against its table, double_to_text
// against the C library on a large random sample, saturation of the integer
// conversions, and independence from the C locale.
#include "text/number_text.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace tessivo {
namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NAN_VALUE = std::numeric_limits<double>::quiet_NaN();
constexpr int64_t I64_MAX = std::numeric_limits<int64_t>::max();
constexpr int64_t I64_MIN = std::numeric_limits<int64_t>::min();
constexpr int32_t I32_MAX = std::numeric_limits<int32_t>::max();
constexpr int32_t I32_MIN = std::numeric_limits<int32_t>::min();

// The C library's "%.13g" with its exponent widened to three digits; the test
// process keeps the "C" locale, so this is the reference form.
std::string c_library_text(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.13g", value);
    std::string text = buffer;
    auto e = text.find('e');
    if (e != std::string::npos && text.size() - (e + 2) == 2) text.insert(e + 2, "0");
    return text;
}

TEST(IntToText, WritesPlainDecimal) {
    struct Row { const char* what; int64_t value; const char* text; };
    const Row rows[] = {
        {"zero", 0, "0"},
        {"negative", -7, "-7"},
        {"no separators", 12345, "12345"},
        {"32-bit minimum", -2147483648LL, "-2147483648"},
        {"beyond 32 bits", 3000000000LL, "3000000000"},
        {"64-bit maximum", I64_MAX, "9223372036854775807"},
        {"64-bit minimum", I64_MIN, "-9223372036854775808"},
    };
    for (const auto& row : rows) EXPECT_EQ(int_to_text(row.value), row.text) << row.what;
}

TEST(DoubleToText, ThirteenSignificantDigitsWithWideExponent) {
    struct Row { const char* what; double value; const char* text; };
    const Row rows[] = {
        {"one fraction digit", 12.5, "12.5"},
        {"CPU signal value -2", -2, "-2"},
        {"CPU signal value -1", -1, "-1"},
        {"whole number", 100, "100"},
        {"leading zero", 0.07, "0.07"},
        {"binary noise hidden", 0.1 + 0.2, "0.3"},
        {"thirteen digits of a third", 1.0 / 3, "0.3333333333333"},
        {"last digit rounded up", 2.0 / 3, "0.6666666666667"},
        {"smallest fixed exponent", 0.0001, "0.0001"},
        {"largest fixed exponent", 1234567890123.4, "1234567890123"},
        {"exponent form from 1e13", 1e13, "1e+013"},
        {"negative exponent widened", 1.5e-5, "1.5e-005"},
        {"exponent form keeps 13 digits", 12345678901234.0, "1.234567890123e+013"},
        {"rounding carries into the exponent", 9.99999999999995, "10"},
        {"three-digit exponent unchanged", 1e300, "1e+300"},
        {"negative zero", -0.0, "-0"},
        {"zero", 0.0, "0"},
        {"exact tie goes to even like the C library", 1234567890122.5, "1234567890122"},
        {"exact tie with odd digit rounds up", 1234567890123.5, "1234567890124"},
        {"infinity", INF, "inf"},
        {"negative infinity", -INF, "-inf"},
        {"not a number", NAN_VALUE, "nan"},
    };
    for (const auto& row : rows) EXPECT_EQ(double_to_text(row.value), row.text) << row.what;
}

TEST(DoubleToText, EqualsTheCLibraryOnRandomValues) {
    std::mt19937_64 random(20180821);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    struct Sample { const char* what; int count; std::function<double()> next; };
    const Sample samples[] = {
        {"any 64-bit pattern", 1'000'000, [&] { return std::bit_cast<double>(random()); }},
        {"CPU percent with two decimals", 200'000,
         [&] { return round_to_decimals(unit(random) * 1e6, 2); }},
        {"whole KB counts", 200'000, [&] { return static_cast<double>(random() >> 24); }},
        {"tiny and huge magnitudes", 200'000,
         [&] { return (unit(random) + 1.0) * std::pow(10.0, std::floor(unit(random) * 628.0) - 320.0); }},
        {"near the fixed/exponent borders", 100'000,
         [&] {
             const double borders[] = {1e-5, 1e-4, 1e12, 1e13};
             return std::nextafter(borders[random() % 4], (random() & 1) ? INF : 0.0) *
                    (1.0 + (unit(random) - 0.5) * 1e-12);
         }},
    };
    for (const auto& sample : samples) {
        int mismatches = 0;
        for (int i = 0; i < sample.count; ++i) {
            double value = sample.next();
            if (double_to_text(value) != c_library_text(value) && ++mismatches <= 5) {
                ADD_FAILURE() << sample.what << ": " << std::hexfloat << value << " gives "
                              << double_to_text(value) << ", C library " << c_library_text(value);
            }
        }
        EXPECT_EQ(mismatches, 0) << sample.what;
    }
}

TEST(NumberToGroupedText, RoundsThenGroupsByThousands) {
    struct Row { const char* what; double value; const char* text; };
    const Row rows[] = {
        {"zero", 0, "0"},
        {"three digits, no comma", 999, "999"},
        {"first comma", 1000, "1,000"},
        {"five digits", 12345, "12,345"},
        {"two commas", 1234567, "1,234,567"},
        {"32-bit maximum", 2147483647, "2,147,483,647"},
        {"negative below a thousand", -123, "-123"},
        {"no comma after the sign", -1234, "-1,234"},
        {"no comma after the sign on a full group", -123456, "-123,456"},
        {"half rounds away from zero", 1234.5, "1,235"},
        {"below half rounds down", 1234.49, "1,234"},
        {"twelve digits", 999999999999.0, "999,999,999,999"},
        {"exponent form left alone", 1e13, "1e+013"},
    };
    for (const auto& row : rows) EXPECT_EQ(number_to_grouped_text(row.value), row.text) << row.what;
}

TEST(DateTimeToText, DropsTrailingZeroTimeFields) {
    struct Row { const char* what; DateTime value; const char* text; };
    const Row rows[] = {
        {"full time", {2018, 8, 21, 15, 31, 46}, "2018年8月21日15时31分46秒"},
        {"full minute drops seconds", {2018, 8, 21, 15, 31, 0}, "2018年8月21日15时31分"},
        {"full hour drops minutes", {2018, 8, 21, 15, 0, 0}, "2018年8月21日15时"},
        {"midnight drops the time", {2018, 8, 21, 0, 0, 0}, "2018年8月21日"},
        {"zero hour kept before minutes", {2018, 8, 21, 0, 5, 0}, "2018年8月21日0时5分"},
        {"zero hour and minute kept before seconds", {2018, 8, 21, 0, 0, 7}, "2018年8月21日0时0分7秒"},
        {"no zero padding", {2018, 1, 5, 9, 5, 3}, "2018年1月5日9时5分3秒"},
    };
    for (const auto& row : rows) EXPECT_EQ(datetime_to_text(row.value), row.text) << row.what;
}

TEST(CurrentDateTime, IsTheLocalTimeOfTheSystemClock) {
    // The clock is read between two readings of time(); the result must be the
    // local form of one of them (they differ only when a second turns over).
    std::time_t before = std::time(nullptr);
    DateTime now = current_datetime();
    std::time_t after = std::time(nullptr);
    auto as_local = [](std::time_t t) {
        std::tm local{};
        localtime_r(&t, &local);
        return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                        local.tm_hour,        local.tm_min,     local.tm_sec};
    };
    auto same = [](const DateTime& a, const DateTime& b) {
        return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
               a.minute == b.minute && a.second == b.second;
    };
    EXPECT_TRUE(same(now, as_local(before)) || same(now, as_local(after))) << datetime_to_text(now);
}

TEST(RoundToDecimals, HalfAwayFromZeroAfterTheNudge) {
    struct Row { const char* what; double value; int decimals; double result; };
    const Row rows[] = {
        {"binary half just below rounds up", 12.345, 2, 12.35},
        {"2.675 stored low rounds up", 2.675, 2, 2.68},
        {"1.005 stored low rounds up", 1.005, 2, 1.01},
        {"0.285", 0.285, 2, 0.29},
        {"exact half", 0.125, 2, 0.13},
        {"negative half", -0.005, 2, -0.01},
        {"carry into the integer", 99.995, 2, 100},
        {"below half", 0.004999, 2, 0},
        {"half to one", 0.5, 0, 1},
        {"half away from zero, not to even", 2.5, 0, 3},
        {"negative half to -1", -0.5, 0, -1},
        {"2047.5", 2047.5, 0, 2048},
        {"within the nudge of a half", 0.49999999999995, 0, 1},
        {"beyond the nudge of a half", 0.4999999999, 0, 0},
        {"CPU reading rounded down", 12.344, 2, 12.34},
        {"CPU reading rounded up", 12.336, 2, 12.34},
        {"just below the stored half", 12.3449, 2, 12.34},
        {"negative whole stays", -2, 2, -2},
        {"tens", 1234, -1, 1230},
        {"hundreds round up", 1250, -2, 1300},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(round_to_decimals(row.value, row.decimals), row.result) << row.what;
    }
    EXPECT_EQ(double_to_text(round_to_decimals(-2, 2)), "-2");
    // Zero is returned as it is, sign included, without the nudge.
    EXPECT_FALSE(std::signbit(round_to_decimals(0.0, 2)));
    EXPECT_TRUE(std::signbit(round_to_decimals(-0.0, 2)));
}

TEST(FloorToInt, SnapsWithinATrillionthOfTheNextInteger) {
    struct Row { const char* what; double value; int32_t result; };
    const Row rows[] = {
        {"positive fraction", 2.7, 2},
        {"negative fraction goes down", -2.3, -3},
        {"whole number", 5, 5},
        {"snaps up", 2.9999999999995, 3},
        {"snaps a minute up", 59.99999999999995, 60},
        {"too far to snap", 2.999999999998, 2},
        {"negative snaps away from zero", -2.9999999999995, -3},
        {"negative below one snaps", -0.9999999999995, -1},
        {"negative whole", -4, -4},
        {"32-bit maximum", 2147483647.5, 2147483647},
    };
    for (const auto& row : rows) EXPECT_EQ(floor_to_int(row.value), row.result) << row.what;
}

TEST(TruncateToInt, TowardZeroAndSaturatingAt64Bits) {
    struct Row { const char* what; double value; int64_t result; };
    const Row rows[] = {
        {"positive", 2.9, 2},
        {"negative", -2.9, -2},
        {"no snapping", 2.9999999999995, 2},
        {"beyond 32 bits", 3000000000.7, 3000000000},
        {"largest double below 2^63", 9223372036854774784.0, 9223372036854774784LL},
        {"2^63 saturates", 9223372036854775808.0, I64_MAX},
        {"-2^63 is representable", -9223372036854775808.0, I64_MIN},
        {"below -2^63 saturates", -1e19, I64_MIN},
        {"infinity saturates", INF, I64_MAX},
        {"negative infinity saturates", -INF, I64_MIN},
        {"not a number gives 0", NAN_VALUE, 0},
    };
    for (const auto& row : rows) EXPECT_EQ(truncate_to_int(row.value), row.result) << row.what;
}

TEST(TruncateToInt32, KeepsTheLow32Bits) {
    struct Row { const char* what; double value; int32_t result; };
    const Row rows[] = {
        {"inside the range", -2.9, -2},
        {"32-bit maximum", 2147483647.9, I32_MAX},
        {"32-bit minimum", -2147483648.0, I32_MIN},
        {"wraps past the maximum", 3000000000.0, -1294967296},
        {"2^32 + 5", 4294967301.0, 5},
        {"not a number", NAN_VALUE, 0},
        {"saturated 64-bit maximum keeps its low bits", 1e30, -1},
    };
    for (const auto& row : rows) EXPECT_EQ(truncate_to_int32(row.value), row.result) << row.what;
}

TEST(Remainder, HasTheSignOfTheDividendAndIsExact) {
    struct Row { const char* what; double dividend; double divisor; double result; };
    const Row rows[] = {
        {"seconds of a minute", 125, 60, 5},
        {"seconds of an hour", 3725, 3600, 125},
        {"below the divisor", 59, 60, 59},
        {"multiple", 7200, 3600, 0},
        {"negative dividend", -125, 60, -5},
        {"fraction kept", 125.5, 60, 5.5},
        {"large dividend exact", 1e15 + 7, 60, 47},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(remainder(row.dividend, row.divisor), row.result) << row.what;
    }
}

TEST(TextToInt, ReadsLeadingDecimalDigits) {
    struct Row { const char* what; const char* text; int32_t value; };
    const Row rows[] = {
        {"zeros", "00000", 0},
        {"empty", "", 0},
        {"digits", "1234", 1234},
        {"leading blanks", "  42", 42},
        {"all white space kinds", "\t\n\v\f\r 9", 9},
        {"plus sign", "+7", 7},
        {"minus sign", "-5", -5},
        {"stops at a letter", "12ab", 12},
        {"letter first", "ab12", 0},
        {"stops at the point", "3.9", 3},
        {"stops at a blank", "1 234", 1},
        {"sign without digits", "-", 0},
        {"two signs", "+-3", 0},
        {"full-width digits", "１２３４", 1234},
        {"full-width minus and five", "－５", -5},
        {"ideographic space skipped", "\u3000４２", 42},
        {"32-bit maximum", "2147483647", I32_MAX},
        {"32-bit minimum", "-2147483648", I32_MIN},
        {"one beyond the maximum saturates", "2147483648", I32_MAX},
        {"one below the minimum saturates", "-2147483649", I32_MIN},
        {"2^32 + 1 saturates instead of wrapping to 1", "4294967297", I32_MAX},
        {"negative 2^32 + 1 saturates", "-4294967297", I32_MIN},
        {"very long digit string", "123456789012345678901234567890", I32_MAX},
        {"leading zeros before a large value", "0000000000002147483647", I32_MAX},
        {"bytes that are not UTF-8 stop the digits", "\xFF" "12", 0},
    };
    for (const auto& row : rows) EXPECT_EQ(text_to_int(row.text), row.value) << row.what;
}

TEST(TextToNumber, ReadsTheLongestDecimalBeginning) {
    struct Row { const char* what; const char* text; double value; };
    const Row rows[] = {
        {"whole number", "300", 300},
        {"blank and fraction", " 250.75", 250.75},
        {"no integer digits", ".5", 0.5},
        {"point at the end", "5.", 5},
        {"exponent e", "1e3", 1000},
        {"exponent E", "1E3", 1000},
        {"exponent d", "2d2", 200},
        {"exponent D with sign", "25D-1", 2.5},
        {"unit after the number", "300ms", 300},
        {"letters", "abc", 0},
        {"empty", "", 0},
        {"full-width digits", "３００", 300},
        {"full-width point", "０．５", 0.5},
        {"plus sign", "+.5e1", 5},
        {"minus sign", "-12.5", -12.5},
        {"point alone", ".", 0},
        {"sign alone", "-", 0},
        {"exponent letter without digits", "1e", 1},
        {"exponent sign without digits", "7e+", 7},
        {"second point ends the number", "1.2.3", 1.2},
        {"exponent letter after the point", "3.e2", 300},
        {"nearest double of many digits", "0.1000000000000000055511151231257827", 0.1},
        {"overflow gives infinity", "1e400", INF},
        {"negative overflow", "-1e400", -INF},
        {"huge exponent digits", "1e99999999999999999999", INF},
        {"underflow gives zero", "1e-400", 0},
        {"many integer digits pull a small exponent back", "123456789e-330", 1.23456789e-322},
        {"zero with a huge exponent", "0e99999", 0},
        {"subnormal kept", "4.9e-324", 4.9e-324},
    };
    for (const auto& row : rows) EXPECT_EQ(text_to_number(row.text), row.value) << row.what;
    EXPECT_TRUE(std::signbit(text_to_number("-1e-400"))) << "underflow keeps the sign";
}

TEST(TextToNumber, EqualsStrtodOnRandomDecimals) {
    // strtod in the "C" locale reads the same grammar apart from "d"/"D".
    std::mt19937_64 random(936);
    auto digits = [&](int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += static_cast<char>('0' + random() % 10);
        return text;
    };
    int mismatches = 0;
    for (int i = 0; i < 100'000; ++i) {
        std::string text = (random() & 1) ? "-" : "";
        text += digits(static_cast<int>(random() % 20));
        if (random() & 1) text += "." + digits(static_cast<int>(random() % 20));
        if (text.find_first_of("0123456789") == std::string::npos) text += "7";
        if (random() & 1) text += "e" + std::to_string(static_cast<int>(random() % 700) - 350);
        double expected = std::strtod(text.c_str(), nullptr);
        if (std::bit_cast<uint64_t>(text_to_number(text)) != std::bit_cast<uint64_t>(expected) &&
            ++mismatches <= 5) {
            ADD_FAILURE() << text << " gives " << text_to_number(text) << ", strtod " << expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(BytesToText, StopsAtTheFirstZeroByte) {
    struct Row { const char* what; std::vector<char> bytes; std::string text; };
    const Row rows[] = {
        {"empty array", {}, ""},
        {"no zero byte", {'a', 'b', 'c'}, "abc"},
        {"zero in the middle", {'a', '\0', 'b'}, "a"},
        {"zero first", {'\0', 'x'}, ""},
        {"GBK bytes kept", {'\xC4', '\xDA', '\0'}, "\xC4\xDA"},
    };
    for (const auto& row : rows) EXPECT_EQ(bytes_to_text(row.bytes), row.text) << row.what;
}

TEST(FoldFullwidth, FoldsWholeCharactersOnly) {
    struct Row { const char* what; std::string gbk; std::string folded; };
    const Row rows[] = {
        {"ASCII unchanged", "12 ab", "12 ab"},
        {"full-width digits", "\xA3\xB1\xA3\xB2", "12"},
        {"full-width minus, plus, point", "\xA3\xAD\xA3\xAB\xA3\xAE", "-+."},
        {"first and last of the A3 row", "\xA3\xA1\xA3\xFE", "!~"},
        {"ideographic space", "\xA1\xA1", " "},
        {"wave dash", "\xA1\xAB", "~"},
        {"white and black star", "\xA1\xEE\xA1\xEF", "**"},
        {"Chinese character unchanged", "\xC4\xDA\xB4\xE6", "\xC4\xDA\xB4\xE6"},
        {"A3 with a trail below A1 unchanged", "\xA3\x41", "\xA3\x41"},
        {"ASCII-looking trail is not a character", "\x81\x35", "\x81\x35"},
        {"ASCII-looking trail after a Chinese character", "\xC4\xDA\x81\x31\xA3\xB5", "\xC4\xDA\x81\x31" "5"},
        {"trail byte A3 is not a lead", "\x81\xA3\xB1", "\x81\xA3"},
        {"lead byte at the end dropped", "12\xA3", "12"},
        {"single high byte at the end dropped", "7\x80", "7"},
        {"single 0x80 in the middle kept", "\x80" "1", "\x80" "1"},
        {"lead before ASCII outside the trail range kept alone", "\xA3" "1", "\xA3" "1"},
    };
    for (const auto& row : rows) EXPECT_EQ(fold_fullwidth(row.gbk), row.folded) << row.what;
}

// A locale whose decimal point is a comma: an installed one, or else a small
// one made with localedef in a private folder (LC_NUMERIC only).
class CommaLocale : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = std::setlocale(LC_NUMERIC, nullptr);
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "ru_RU.UTF-8"}) {
            if (use(name)) return;
        }
        folder_ = std::filesystem::temp_directory_path() /
                  ("tessivo-locale-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        std::string source = (folder_ / "comma.src").string();
        if (std::FILE* file = std::fopen(source.c_str(), "w")) {
            std::fputs("LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \".\"\ngrouping 3\nEND LC_NUMERIC\n", file);
            std::fclose(file);
        }
        std::string command = "localedef -c -i '" + source + "' -f UTF-8 '" +
                              (folder_ / "comma_TEST.UTF-8").string() + "' >/dev/null 2>&1";
        [[maybe_unused]] int status = std::system(command.c_str());
        setenv("LOCPATH", folder_.c_str(), 1);
        use("comma_TEST.UTF-8");
    }
    void TearDown() override {
        std::setlocale(LC_NUMERIC, saved_.c_str());
        if (!folder_.empty()) {
            unsetenv("LOCPATH");
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
        }
    }
    bool use(const char* name) {
        if (std::setlocale(LC_NUMERIC, name) == nullptr) return false;
        if (std::string(std::localeconv()->decimal_point) == ",") return active_ = true;
        std::setlocale(LC_NUMERIC, saved_.c_str());
        return false;
    }
    bool active_ = false;
    std::string saved_;
    std::filesystem::path folder_;
};

TEST_F(CommaLocale, TextsKeepThePoint) {
    if (!active_) GTEST_SKIP() << "no locale with a decimal comma is installed and localedef could not make one";
    char printed[32];
    std::snprintf(printed, sizeof printed, "%.1f", 12.5);
    ASSERT_STREQ(printed, "12,5") << "the locale is in force for the C library";
    EXPECT_EQ(double_to_text(12.5), "12.5");
    EXPECT_EQ(double_to_text(1.5e-5), "1.5e-005");
    EXPECT_EQ(number_to_grouped_text(1234567.4), "1,234,567");
    EXPECT_EQ(text_to_number("250.75"), 250.75);
    EXPECT_EQ(text_to_number("250,75"), 250);
}

}  // namespace
}  // namespace tessivo
