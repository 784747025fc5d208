// The /proc/PID/stat readers on two kinds of input, chosen by the first byte:
// - a line built as the kernel writes it, with a name of any bytes (spaces,
//   "(", ") ", line ends) and 50 numeric fields: the name and field 22 come
//   back exactly;
// - any bytes: no fault; the name lies between the first "(" and the last
//   ")", and a start time, when there is one, is written after the last ")".
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "probes/proc_parse.h"

using namespace tessivo;

namespace {

constexpr int START_TIME_FIELD = 22;
constexpr int LAST_FIELD = 52;

void check_built_line(FuzzedDataProvider& input) {
    const std::string name = input.ConsumeRandomLengthString(64);
    const char states[] = "RSDZTtWXxKPI";
    std::string line = std::to_string(input.ConsumeIntegral<uint32_t>()) + " (" + name + ") " +
                       input.PickValueInArray(states);
    uint64_t start_time = 0;
    for (int field = 4; field <= LAST_FIELD; ++field) {
        const uint64_t value = input.ConsumeIntegral<uint64_t>();
        if (field == START_TIME_FIELD) start_time = value;
        line += ' ' + std::to_string(value);
    }
    line += '\n';

    fuzz::require(stat_process_name(line) == name,
                  "name " + fuzz::escaped(std::string(stat_process_name(line))) + " read from " + fuzz::escaped(line));
    fuzz::require(stat_start_time(line) == start_time, "start time " + std::to_string(stat_start_time(line)) +
                                                           " read from " + fuzz::escaped(line));
}

void check_any_line(const std::string& line) {
    const std::string_view name = stat_process_name(line);
    const size_t open = line.find('(');
    const size_t close = line.rfind(')');
    if (!name.empty()) {
        fuzz::require(name.data() == line.data() + open + 1 && name.data() + name.size() == line.data() + close,
                      "name is not between the first ( and the last ) of " + fuzz::escaped(line));
    }
    const uint64_t start_time = stat_start_time(line);
    if (start_time != 0) {
        fuzz::require(close != std::string::npos &&
                          line.find(std::to_string(start_time), close) != std::string::npos,
                      "start time " + std::to_string(start_time) + " is not in " + fuzz::escaped(line));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::by_first_byte(data, size, check_built_line, check_any_line);
    return 0;
}
