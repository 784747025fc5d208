#include "text/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace tessivo {

namespace {

// One conversion descriptor per thread and direction: iconv_t keeps shift
// state and may not be shared between threads. Closed when the thread ends.
class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole input. At a sequence that cannot be converted,
    // skip_bad(rest) says how many bytes to step over and `replacement` is
    // written in their place. Every step consumes input, so this ends.
    template <typename SkipBad>
    std::string convert(std::string_view input, std::string_view replacement, SkipBad skip_bad) {
        std::string output;
        if (!valid()) return output;
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        output.resize(input.size() * 2 + 16);
        char* in = const_cast<char*>(input.data());
        std::size_t in_left = input.size();
        std::size_t written = 0;
        while (in_left > 0) {
            char* out = output.data() + written;
            std::size_t out_left = output.size() - written;
            std::size_t rc = iconv(handle_, &in, &in_left, &out, &out_left);
            written = output.size() - out_left;
            if (rc != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) {
                output.resize(output.size() * 2);
                continue;
            }
            // EILSEQ (not convertible) or EINVAL (cut off at the end).
            std::size_t skip = skip_bad(std::string_view(in, in_left));
            if (skip == 0 || skip > in_left) skip = 1;
            in += skip;
            in_left -= skip;
            output.resize(written);
            output += replacement;
            written = output.size();
            output.resize(written + in_left * 2 + 16);
        }
        output.resize(written);
        return output;
    }

private:
    iconv_t handle_;
};

// The length of the well-formed UTF-8 character at the start of `text`, or 0
// when the bytes there are not UTF-8 (overlong, surrogate, beyond U+10FFFF, cut).
std::size_t utf8_character_length(std::string_view text) {
    if (text.empty()) return 0;
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(0);
    std::size_t length = 0;
    uint32_t code = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

// A well-formed but unmappable character is one "?"; each byte that is not
// UTF-8 is one "?" of its own.
std::size_t skip_utf8(std::string_view rest) {
    std::size_t length = utf8_character_length(rest);
    return length == 0 ? 1 : length;
}

// A lead byte with a byte of the trail range is one unmapped character;
// anything else is one bad byte, so an ASCII byte after it is kept.
std::size_t skip_gbk(std::string_view rest) {
    if (rest.size() >= 2) {
        auto lead = static_cast<unsigned char>(rest[0]);
        auto trail = static_cast<unsigned char>(rest[1]);
        if (lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F) return 2;
    }
    return 1;
}

// Every character of the CJK Unified Ideographs block of Unicode 1.1 is in GBK,
// as two bytes; other non-ASCII characters need the table.
constexpr uint32_t GBK_HAN_FIRST = 0x4E00;
constexpr uint32_t GBK_HAN_LAST = 0x9FA5;

}  // namespace

std::string utf8_to_gbk(std::string_view utf8) {
    thread_local Converter converter("GBK", "UTF-8");
    return converter.convert(utf8, "?", skip_utf8);
}

std::string gbk_to_utf8(std::string_view gbk) {
    thread_local Converter converter("UTF-8", "GBK");
    return converter.convert(gbk, "\xEF\xBF\xBD", skip_gbk);
}

std::size_t gbk_length(std::string_view utf8) {
    // Counted on the UTF-8 bytes for the common texts (ASCII and Chinese
    // characters); anything else takes the exact path through the converter.
    std::size_t length = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            ++length;
            ++i;
            continue;
        }
        if (lead >= 0xE4 && lead <= 0xE9 && utf8_character_length(utf8.substr(i)) == 3) {
            uint32_t code = ((lead & 0x0Fu) << 12) | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6) |
                            (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
            if (code >= GBK_HAN_FIRST && code <= GBK_HAN_LAST) {
                length += 2;
                i += 3;
                continue;
            }
        }
        return utf8_to_gbk(utf8).size();
    }
    return length;
}

}  // namespace tessivo
