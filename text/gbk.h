#pragma once
// GBK (code page 936): the byte form of the log files and of text lengths.
#include <cstddef>
#include <string>
#include <string_view>

namespace tessivo {

// Characters that GBK cannot hold, and bytes that are not UTF-8, become "?".
std::string utf8_to_gbk(std::string_view utf8);
// Byte sequences that are not GBK become U+FFFD.
std::string gbk_to_utf8(std::string_view gbk);
// The length of a UTF-8 text in GBK bytes: 1 for ASCII, 2 for a Chinese character.
std::size_t gbk_length(std::string_view utf8);

}  // namespace tessivo
