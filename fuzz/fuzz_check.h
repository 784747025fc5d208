#pragma once
// A broken property ends the run with abort(), which libFuzzer records as a
// crash and keeps the input that caused it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tessivo::fuzz {

// Prints what failed, with the texts or values that show the difference.
inline void require(bool holds, const std::string& what) {
    if (holds) return;
    std::fprintf(stderr, "property broken: %s\n", what.c_str());
    std::abort();
}

// A byte string as C escapes, for the failure message.
inline std::string escaped(const std::string& bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out + "\"";
}

inline bool is_ascii(const std::string& bytes) {
    for (unsigned char c : bytes) {
        if (c >= 0x80) return false;
    }
    return true;
}

// A double with its bit pattern, so that -0, NaN payloads and the last bit show.
inline std::string shown(double value) {
    uint64_t raw = 0;
    std::memcpy(&raw, &value, sizeof raw);
    char text[64];
    std::snprintf(text, sizeof text, "%.17g (0x%016llx)", value, static_cast<unsigned long long>(raw));
    return text;
}

// Targets that check both well-formed and arbitrary text: an odd first byte
// makes the rest the material of a well-formed input, an even one the text.
template <typename WellFormed, typename Arbitrary>
void by_first_byte(const uint8_t* data, size_t size, WellFormed well_formed, Arbitrary arbitrary) {
    if (size == 0) return;
    if (data[0] & 1) {
        FuzzedDataProvider input(data + 1, size - 1);
        well_formed(input);
    } else {
        arbitrary(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    }
}

}  // namespace tessivo::fuzz
