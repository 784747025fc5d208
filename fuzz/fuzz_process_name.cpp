// The name readers for /proc/PID/exe, /proc/PID/cmdline and comm: each result
// is a view into its argument, at the place the rule names.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "probes/proc_parse.h"

using namespace tessivo;

namespace {

bool inside(std::string_view part, std::string_view whole) {
    return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

void check_path(std::string_view path) {
    const std::string_view name = path_file_name(path);
    std::string_view kept = path;
    if (kept.ends_with(" (deleted)")) kept.remove_suffix(10);
    const std::string shown = fuzz::escaped(std::string(path));
    fuzz::require(inside(name, kept) && kept.ends_with(name) && name.find('/') == std::string_view::npos,
                  "path_file_name(" + shown + ") = " + fuzz::escaped(std::string(name)));
    const size_t start = name.data() - kept.data();
    fuzz::require(start == 0 || kept[start - 1] == '/', "path_file_name(" + shown + ") begins inside a name");
}

void check_cmdline(std::string_view cmdline) {
    const std::string_view first = cmdline_first_word(cmdline);
    fuzz::require(first.data() == cmdline.data() && first.find('\0') == std::string_view::npos &&
                      (first.size() == cmdline.size() || cmdline[first.size()] == '\0'),
                  "cmdline_first_word(" + fuzz::escaped(std::string(cmdline)) + ") = " +
                      fuzz::escaped(std::string(first)));
}

void check_fallback(std::string_view comm, std::string_view cmdline) {
    const std::string_view name = fallback_process_name(comm, cmdline);
    const std::string call = "fallback_process_name(" + fuzz::escaped(std::string(comm)) + ", " +
                             fuzz::escaped(std::string(cmdline)) + ") = " + fuzz::escaped(std::string(name));
    const bool is_comm = name.data() == comm.data() && name.size() == comm.size();
    if (comm.size() < COMM_LIMIT) {
        fuzz::require(is_comm, "a comm below the limit is not kept: " + call);
        return;
    }
    fuzz::require(is_comm || (name == path_file_name(cmdline_first_word(cmdline)) && name.starts_with(comm) &&
                              inside(name, cmdline)),
                  call);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string comm = input.ConsumeRandomLengthString(32);
    const std::string rest = input.ConsumeRemainingBytesAsString();
    check_path(rest);
    check_cmdline(rest);
    check_fallback(comm, rest);
    return 0;
}
