// smaps_private_kb on two kinds of input, chosen by the first byte:
// - a rollup built from the input as the kernel lays it out (each label at
//   most once, in any order, blanks or tabs before the value, the last line
//   end missing or not):
//   the result is exactly the sum of the Private_Clean and Private_Dirty lines;
// - any bytes: no fault, and another line after them changes nothing.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "probes/proc_parse.h"

using namespace tessivo;

namespace {

constexpr std::string_view LABELS[] = {
    "Rss:",          "Pss:",          "Pss_Anon:",     "Shared_Clean:",   "Shared_Dirty:",
    "Private_Clean:", "Private_Dirty:", "Referenced:",  "Anonymous:",      "Private_Hugetlb:",
    "Swap:",         "SwapPss:",      "Locked:",       "private_clean:",  " Private_Dirty:",
};
constexpr std::string_view HEADER =
    "561b3ef8a000-7ffd17d8b000 ---p 00000000 00:00 0                          [rollup]\n";
// The kernel prints kB counts of memory; 2^40 kB is a petabyte, so the sum
// stays far from the 64-bit limit.
constexpr uint64_t LARGEST_KB = uint64_t{1} << 40;

void check_built_rollup(FuzzedDataProvider& input) {
    // Each label at most once, as in the kernel's rollup, in an order the input picks.
    std::vector<std::string_view> labels;
    for (std::string_view label : LABELS) {
        if (input.ConsumeBool()) labels.push_back(label);
    }
    for (size_t i = labels.size(); i > 1; --i) {
        std::swap(labels[i - 1], labels[input.ConsumeIntegralInRange<size_t>(0, i - 1)]);
    }
    std::string text = input.ConsumeBool() ? std::string(HEADER) : std::string();
    uint64_t expected = 0;
    for (size_t i = 0; i < labels.size(); ++i) {
        const uint64_t kb = input.ConsumeIntegralInRange<uint64_t>(0, LARGEST_KB);
        text += labels[i];
        text += std::string(input.ConsumeIntegralInRange(0, 12), input.ConsumeBool() ? ' ' : '\t');
        text += std::to_string(kb) + " kB";
        if (i + 1 < labels.size() || input.ConsumeBool()) text += '\n';
        if (labels[i] == "Private_Clean:" || labels[i] == "Private_Dirty:") expected += kb;
    }
    const uint64_t kb = smaps_private_kb(text);
    fuzz::require(kb == expected, "smaps_private_kb(" + fuzz::escaped(text) + ") = " + std::to_string(kb) +
                                      ", the private lines sum to " + std::to_string(expected));
}

void check_any_text(const std::string& text) {
    const uint64_t kb = smaps_private_kb(text);
    if (kb != 0) fuzz::require(text.find("Private_") != std::string::npos, "a reading without a private line");
    const std::string longer = text + "\nSwap: 12 kB\n";
    fuzz::require(smaps_private_kb(longer) == kb, "a Swap line after " + fuzz::escaped(text) + " changes " +
                                                      std::to_string(kb) + " to " +
                                                      std::to_string(smaps_private_kb(longer)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::by_first_byte(data, size, check_built_rollup, check_any_text);
    return 0;
}
