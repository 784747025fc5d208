// GBK conversions: known byte forms, what becomes of characters GBK lacks and
// of malformed input, and the counted length against the converted form.
#include "text/gbk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace tessivo {
namespace {

std::string utf8_of(uint32_t code) {
    std::string text;
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (code >> 18));
        text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
    return text;
}

const char* const REPLACEMENT = "\xEF\xBF\xBD";  // U+FFFD

TEST(Utf8ToGbk, KnownByteForms) {
    struct Row { const char* what; std::string utf8; std::string gbk; };
    const Row rows[] = {
        {"log folder name", "内存CPU监控记录", "\xC4\xDA\xB4\xE6" "CPU" "\xBC\xE0\xBF\xD8\xBC\xC7\xC2\xBC"},
        {"date-time units", "年月日时分秒", "\xC4\xEA\xD4\xC2\xC8\xD5\xCA\xB1\xB7\xD6\xC3\xEB"},
        {"ASCII unchanged", "12 K CPU: 3.5 %\r\n", "12 K CPU: 3.5 %\r\n"},
        {"empty", "", ""},
        {"full-width digits", "１２", "\xA3\xB1\xA3\xB2"},
        {"full-width colon", "信息：", "\xD0\xC5\xCF\xA2\xA3\xBA"},
        {"ideographic space", "\u3000", "\xA1\xA1"},
    };
    for (const auto& row : rows) EXPECT_EQ(utf8_to_gbk(row.utf8), row.gbk) << row.what;
}

TEST(Utf8ToGbk, LackingCharactersAndBadBytesBecomeQuestionMarks) {
    struct Row { const char* what; std::string utf8; std::string gbk; };
    const Row rows[] = {
        {"emoji outside GBK is one mark", "a\U0001F600b", "a?b"},
        {"Thai letter outside GBK", "\u0E01", "?"},
        {"byte FF", "\xFF", "?"},
        {"lone continuation byte", "1\x80" "2", "1?2"},
        {"overlong slash, one mark a byte", "\xC0\xAF", "??"},
        {"surrogate half", "\xED\xA0\x80", "???"},
        {"character cut at the end", "\xE5\x86", "??"},
        {"cut character before ASCII", "\xE5\x86" "7", "??7"},
        {"mixed with Chinese", "内\xFF存", "\xC4\xDA?\xB4\xE6"},
    };
    for (const auto& row : rows) EXPECT_EQ(utf8_to_gbk(row.utf8), row.gbk) << row.what;
}

TEST(GbkToUtf8, ConvertsAndReplacesBadSequences) {
    struct Row { const char* what; std::string gbk; std::string utf8; };
    const Row rows[] = {
        {"log folder name", "\xC4\xDA\xB4\xE6" "CPU" "\xBC\xE0\xBF\xD8\xBC\xC7\xC2\xBC", "内存CPU监控记录"},
        {"ASCII", "abc\r\n", "abc\r\n"},
        {"trail byte that looks like ASCII", "\x81\x40", "丂"},
        {"lead byte at the end", "ab\xC4", std::string("ab") + REPLACEMENT},
        {"lead byte before a non-trail keeps the ASCII", "\x81\x30" "1", std::string(REPLACEMENT) + "01"},
        {"byte FF", "\xFF" "x", std::string(REPLACEMENT) + "x"},
    };
    for (const auto& row : rows) EXPECT_EQ(gbk_to_utf8(row.gbk), row.utf8) << row.what;
}

TEST(GbkToUtf8, EveryTwoByteSequenceEndsAndReturnsToGbk) {
    // All lead/trail pairs: the converter never stops early, and each pair
    // that converts comes back to the same bytes.
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            std::string gbk{static_cast<char>(lead), static_cast<char>(trail)};
            std::string utf8 = gbk_to_utf8(gbk);
            ASSERT_FALSE(utf8.empty()) << std::hex << lead << " " << trail;
            if (utf8.find(REPLACEMENT) == std::string::npos) {
                EXPECT_EQ(utf8_to_gbk(utf8), gbk) << std::hex << lead << " " << trail;
            }
        }
    }
}

TEST(GbkLength, CountsGbkBytes) {
    struct Row { const char* what; std::string utf8; std::size_t length; };
    const Row rows[] = {
        {"record start", "内存:1", 6},
        {"empty", "", 0},
        {"ASCII", " K CPU: 12.5 %", 14},
        {"date-time", "2018年8月21日15时31分46秒", 25},
        {"full-width colon takes the exact path", "信息：", 6},
        {"lacking character is one mark", "a\U0001F600", 2},
        {"bad byte is one mark", "\xFF" "1", 2},
    };
    for (const auto& row : rows) EXPECT_EQ(gbk_length(row.utf8), row.length) << row.what;
}

TEST(GbkLength, EqualsTheConvertedLength) {
    // Every Chinese character the counting path relies on is two GBK bytes.
    for (uint32_t code = 0x4E00; code <= 0x9FA5; ++code) {
        ASSERT_EQ(utf8_to_gbk(utf8_of(code)).size(), 2u) << std::hex << code;
    }
    // Random texts of ASCII, Chinese, other characters and stray bytes.
    std::mt19937 random(20180821);
    for (int i = 0; i < 20'000; ++i) {
        std::string text;
        int count = static_cast<int>(random() % 12);
        for (int k = 0; k < count; ++k) {
            switch (random() % 6) {
                case 0: text += static_cast<char>(0x20 + random() % 0x5F); break;
                case 1: text += utf8_of(0x4E00 + random() % (0x9FA6 - 0x4E00)); break;
                case 2: text += utf8_of(0x80 + random() % (0xD800 - 0x80)); break;
                case 3: text += utf8_of(0xE000 + random() % 0x2000); break;
                case 4: text += utf8_of(0x10000 + random() % 0x100000); break;
                default: text += static_cast<char>(0x80 + random() % 0x80); break;
            }
        }
        ASSERT_EQ(gbk_length(text), utf8_to_gbk(text).size()) << text;
    }
}

TEST(GbkConversions, GiveTheSameResultsFromManyThreads) {
    const std::string utf8 = "内存:12,345 K CPU:3.5 %\xFF";
    const std::string gbk = utf8_to_gbk(utf8);
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (std::size_t t = 0; t < wrong.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 5000; ++i) {
                if (utf8_to_gbk(utf8) != gbk || gbk_to_utf8(gbk) != "内存:12,345 K CPU:3.5 %?") ++wrong[t];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int count : wrong) EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace tessivo
