#include "ui/record_log.h"

#include "probes/platform.h"
#include "text/gbk.h"

namespace tessivo {

namespace {

const char* const CRLF = "\r\n";
const char* const DASH_LINE = "------------------";  // 18 dashes
const char* const DATA_SUBFOLDER = "tessivo";

std::string record_text(const std::string& memory_text, double cpu) {
    return "内存:" + memory_text + " K CPU:" + double_to_text(cpu) + " %";
}

std::string with_separator(std::string folder) {
    if (folder.empty() || folder.back() != platform::PATH_SEPARATOR) {
        folder += platform::PATH_SEPARATOR;
    }
    return folder;
}

// Makes every missing level of an absolute path, like mkdir -p.
bool make_folder_levels(const std::string& path) {
    for (std::size_t slash = path.find(platform::PATH_SEPARATOR, 1); slash != std::string::npos;
         slash = path.find(platform::PATH_SEPARATOR, slash + 1)) {
        platform::make_folder(path.substr(0, slash));  // the last level decides
    }
    return platform::make_folder(path);
}

bool usable_folder(const std::string& path) {
    return make_folder_levels(path) && platform::folder_is_writable(path);
}

// Keeps `text` within `limit` bytes without cutting a UTF-8 character in two.
// Only up to three bytes are given back, the most a character continues over,
// so that a run of stray continuation bytes cannot empty the text.
std::string cut_to_bytes(std::string text, std::size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    std::size_t end = limit;
    for (int back = 0; back < 3 && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80;
         ++back) {
        --end;
    }
    text.resize(end);
    return text;
}

// The entry, then CR LF: two writes. The first failure is the one reported.
void write_entry(int32_t handle, const std::string& entry, LogWriteResult& result) {
    std::string error;
    const bool entry_written = platform::write_log_bytes(handle, entry, error);
    if (!entry_written) {
        result.write_failed = true;
        result.error = error;
    }
    if (!platform::write_log_bytes(handle, CRLF, error) && entry_written) {
        result.write_failed = true;
        result.error = error;
    }
}

}  // namespace

std::string tick_record(int32_t memory_kb, double cpu) {
    return record_text(number_to_grouped_text(static_cast<double>(memory_kb)), cpu);
}

std::string initial_record_for_pane(int32_t memory_kb, double cpu) {
    return record_text(int_to_text(memory_kb), cpu);
}

std::string initial_record_for_log(int32_t memory_kb, double cpu) {
    return std::string("初始记录") + CRLF + initial_record_for_pane(memory_kb, cpu) + CRLF +
           DASH_LINE + CRLF;
}

std::size_t RecordPane::gbk_length() const { return tessivo::gbk_length(text()); }

// The length is counted in GBK bytes before the record goes in, so the pane
// can end up to 2 + the record's length above the limit.
void add_record_to_pane(RecordPane& pane, const std::string& record) {
    if (pane.gbk_length() > PANE_LIMIT_BYTES) {
        pane.set_text(record);
    } else {
        pane.append_at_end(CRLF + record);
    }
}

// The process-id text goes into the name as typed, except for what no Linux
// file name holds ("/" and NUL) or what would garble a listing (control
// characters), so that such a text still gets a log in the log folder. A text
// too long for a file name is cut, keeping the time stamp and ".txt".
std::string log_file_path(const std::string& log_folder, const DateTime& start,
                          const std::string& process_id_text) {
    const std::string head = datetime_to_text(start) + "-ID";
    const std::string tail = ".txt";
    std::string id_text = cut_to_bytes(process_id_text, platform::FILE_NAME_LIMIT - head.size() - tail.size());
    for (char& c : id_text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == platform::PATH_SEPARATOR || byte < 0x20 || byte == 0x7F) {
            c = '_';
        }
    }
    return log_folder + head + id_text + tail;
}

namespace {

// Opens the file at state.log_path for the run; false, with the reason in the
// result, when it cannot be opened.
bool open_run_file(MonitorState& state, LogWriteResult& result) {
    result.path = state.log_path;
    state.log_file = platform::open_log_file(state.log_path, result.error);
    if (state.log_file < 1) {
        state.log_file = NO_LOG_FILE;
        result.open_failed = true;
        return false;
    }
    return true;
}

}  // namespace

LogWriteResult write_record_to_log(MonitorState& state, const std::string& record,
                                   const std::string& process_id_text, const Clock& now) {
    const Clock clock = now ? now : Clock(current_datetime);
    LogWriteResult result;
    if (state.log_file < 1) {
        state.log_path = log_file_path(state.log_folder, clock(), process_id_text);
        if (!open_run_file(state, result)) {
            return result;
        }
        result.opened_now = true;
    }
    result.path = state.log_path;
    // The file is opened for appending, so each write lands at its current end.
    const std::string entry = utf8_to_gbk(datetime_to_text(clock()) + CRLF + record);
    write_entry(state.log_file, entry, result);

    // Asked after the write, so that an entry that went into a deleted file
    // is written again into the new one and nothing is lost.
    if (!platform::log_file_deleted(state.log_file)) {
        return result;
    }
    platform::close_log_file(state.log_file);
    result = LogWriteResult{};
    if (open_run_file(state, result)) {
        result.recreated = true;
        write_entry(state.log_file, entry, result);
    }
    return result;
}

void close_log(MonitorState& state) {
    if (state.log_file >= 1) {
        platform::close_log_file(state.log_file);
    }
}

std::string choose_log_folder(const std::string& executable_folder,
                              const std::string& data_folder) {
    const std::string beside_executable =
        with_separator(executable_folder) + LOG_FOLDER_NAME;
    if (!executable_folder.empty() && platform::make_folder(beside_executable) &&
        platform::folder_is_writable(beside_executable)) {
        return with_separator(beside_executable);
    }
    if (!data_folder.empty()) {
        const std::string in_data =
            with_separator(data_folder) + DATA_SUBFOLDER + platform::PATH_SEPARATOR + LOG_FOLDER_NAME;
        if (usable_folder(in_data)) {
            return with_separator(in_data);
        }
    }
    // Neither can be written: keep the usual place; the first record of a run
    // then reports the failed open with this path.
    return with_separator(beside_executable);
}

std::string prepare_log_folder() {
    return choose_log_folder(platform::executable_folder(), platform::user_data_folder());
}

}  // namespace tessivo
