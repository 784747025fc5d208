#include "probes/proc_parse.h"

namespace tessivo {

namespace {

constexpr char LINE_END = '\n';

// Reads the unsigned decimal that starts after leading blanks; false when
// there is no digit or the value overflows 64 bits.
bool read_decimal(std::string_view text, uint64_t& value) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
        ++at;
    }
    if (at == text.size() || text[at] < '0' || text[at] > '9') {
        return false;
    }
    uint64_t sum = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        const uint64_t digit = static_cast<uint64_t>(text[at] - '0');
        if (sum > (UINT64_MAX - digit) / 10) {
            return false;
        }
        sum = sum * 10 + digit;
    }
    value = sum;
    return true;
}

}  // namespace

uint64_t smaps_private_kb(std::string_view text) {
    static constexpr std::string_view CLEAN = "Private_Clean:";
    static constexpr std::string_view DIRTY = "Private_Dirty:";
    uint64_t sum = 0;
    bool found_clean = false;
    bool found_dirty = false;
    // The lines after Private_Dirty are not needed: stop once both are read.
    while (!text.empty() && !(found_clean && found_dirty)) {
        const size_t end = text.find(LINE_END);
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        std::string_view rest;
        if (line.starts_with(CLEAN)) {
            rest = line.substr(CLEAN.size());
            found_clean = true;
        } else if (line.starts_with(DIRTY)) {
            rest = line.substr(DIRTY.size());
            found_dirty = true;
        } else {
            continue;
        }
        uint64_t kb = 0;
        if (!read_decimal(rest, kb)) {
            return 0;
        }
        sum += kb;
    }
    return found_clean || found_dirty ? sum : 0;
}

std::string_view stat_process_name(std::string_view line) {
    const size_t open = line.find('(');
    const size_t close = line.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
        return {};
    }
    return line.substr(open + 1, close - open - 1);
}

uint64_t stat_start_time(std::string_view line) {
    // After the name come field 3 (state) onwards, one space before each.
    static constexpr int START_TIME_FIELD = 22;
    static constexpr int FIRST_FIELD_AFTER_NAME = 3;
    const size_t close = line.rfind(')');
    if (close == std::string_view::npos) {
        return 0;
    }
    std::string_view rest = line.substr(close + 1);
    for (int field = FIRST_FIELD_AFTER_NAME; field < START_TIME_FIELD; ++field) {
        const size_t space = rest.find(' ', 1);
        if (space == std::string_view::npos) {
            return 0;
        }
        rest = rest.substr(space);
    }
    uint64_t ticks = 0;
    return read_decimal(rest, ticks) ? ticks : 0;
}

std::string_view path_file_name(std::string_view path) {
    static constexpr std::string_view DELETED = " (deleted)";
    if (path.ends_with(DELETED)) {
        path.remove_suffix(DELETED.size());
    }
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view cmdline_first_word(std::string_view cmdline) {
    return cmdline.substr(0, cmdline.find('\0'));
}

std::string_view fallback_process_name(std::string_view comm, std::string_view cmdline) {
    if (comm.size() < COMM_LIMIT) {
        return comm;
    }
    const std::string_view argv0 = path_file_name(cmdline_first_word(cmdline));
    return argv0.starts_with(comm) ? argv0 : comm;
}

}  // namespace tessivo
