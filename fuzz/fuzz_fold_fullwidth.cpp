// fold_fullwidth on two kinds of input:
// - the raw bytes as GBK, however broken: nothing grows, ASCII passes as is;
// - the input made into well-formed GBK by utf8_to_gbk: folding the GBK bytes
//   must equal folding the same characters in Unicode, where the full-width
//   forms are looked up by what the GBK decoder makes of their codes.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "text/gbk.h"
#include "text/number_text.h"

using namespace tessivo;

namespace {

// The UTF-8 form of each folded GBK character, with its ASCII replacement.
std::map<std::string, char> folded_characters() {
    std::map<std::string, char> table;
    auto add = [&](unsigned char lead, unsigned char trail, char ascii) {
        const char code[] = {static_cast<char>(lead), static_cast<char>(trail)};
        std::string character = gbk_to_utf8(std::string_view(code, 2));
        fuzz::require(character != "\xEF\xBF\xBD", "GBK decoder lacks a full-width form");
        table[character] = ascii;
    };
    for (int trail = 0xA1; trail <= 0xFE; ++trail) add(0xA3, trail, static_cast<char>(trail - 0x80));
    add(0xA1, 0xA1, ' ');
    add(0xA1, 0xAB, '~');
    add(0xA1, 0xEE, '*');
    add(0xA1, 0xEF, '*');
    return table;
}

// The length of the UTF-8 character that `lead` begins, in well-formed text.
size_t character_length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

std::string fold_unicode(const std::string& utf8) {
    static const std::map<std::string, char> TABLE = folded_characters();
    std::string out;
    for (size_t at = 0; at < utf8.size();) {
        const std::string character = utf8.substr(at, character_length(static_cast<unsigned char>(utf8[at])));
        auto found = TABLE.find(character);
        out += found == TABLE.end() ? character : std::string(1, found->second);
        at += character.size();
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string raw(reinterpret_cast<const char*>(data), size);

    const std::string folded_raw = fold_fullwidth(raw);
    fuzz::require(folded_raw.size() <= raw.size(), "folding " + fuzz::escaped(raw) + " made it longer");
    if (fuzz::is_ascii(raw)) fuzz::require(folded_raw == raw, "folding changed the ASCII text " + fuzz::escaped(raw));

    const std::string gbk = utf8_to_gbk(raw);
    const std::string folded = gbk_to_utf8(fold_fullwidth(gbk));
    const std::string expected = fold_unicode(gbk_to_utf8(gbk));
    fuzz::require(folded == expected, "GBK " + fuzz::escaped(gbk) + " folds to " + fuzz::escaped(folded) +
                                          ", its characters to " + fuzz::escaped(expected));
    return 0;
}
