// The GBK conversions on any bytes: gbk_length agrees with the converter,
// GBK made from UTF-8 survives the way back and forth, and what gbk_to_utf8
// makes of any bytes is well-formed UTF-8 (checked by the C library's iconv).
#include <iconv.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "text/gbk.h"

using namespace tessivo;

namespace {

bool well_formed_utf8(const std::string& text) {
    static iconv_t decoder = iconv_open("UTF-32LE", "UTF-8");
    fuzz::require(decoder != reinterpret_cast<iconv_t>(-1), "no UTF-8 decoder in iconv");
    iconv(decoder, nullptr, nullptr, nullptr, nullptr);
    std::string sink(text.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    size_t in_left = text.size();
    char* out = sink.data();
    size_t out_left = sink.size();
    return iconv(decoder, &in, &in_left, &out, &out_left) != static_cast<size_t>(-1) && in_left == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::string gbk = utf8_to_gbk(bytes);
    fuzz::require(gbk_length(bytes) == gbk.size(), "gbk_length(" + fuzz::escaped(bytes) + ") = " +
                                                       std::to_string(gbk_length(bytes)) + ", but its GBK is " +
                                                       fuzz::escaped(gbk));
    fuzz::require(utf8_to_gbk(gbk_to_utf8(gbk)) == gbk,
                  "GBK " + fuzz::escaped(gbk) + " comes back as " + fuzz::escaped(utf8_to_gbk(gbk_to_utf8(gbk))));

    const std::string utf8 = gbk_to_utf8(bytes);
    fuzz::require(well_formed_utf8(utf8), "gbk_to_utf8(" + fuzz::escaped(bytes) + ") = " + fuzz::escaped(utf8) +
                                              " is not UTF-8");

    if (fuzz::is_ascii(bytes)) {
        fuzz::require(gbk == bytes && utf8 == bytes, "ASCII text " + fuzz::escaped(bytes) + " changed");
    }
    return 0;
}
