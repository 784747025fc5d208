#pragma once
// Records: the texts of a reading, the record pane's growth rule and the run's log file.
#include <cstdint>
#include <functional>
#include <string>

#include "monitor/monitor_state.h"
#include "text/number_text.h"

namespace tessivo {

// Where the log reads the time; the real one is current_datetime.
using Clock = std::function<DateTime()>;

inline constexpr const char* LOG_FOLDER_NAME = "内存CPU监控记录";
inline constexpr std::size_t PANE_LIMIT_BYTES = 5000;  // GBK bytes

// "内存:" + grouped KB + " K CPU:" + C + " %"
std::string tick_record(int32_t memory_kb, double cpu);
// "内存:" + plain KB + " K CPU:" + C + " %"
std::string initial_record_for_pane(int32_t memory_kb, double cpu);
// "初始记录\r\n" + the pane text + "\r\n------------------\r\n"
std::string initial_record_for_log(int32_t memory_kb, double cpu);

// The multi-line record pane as the records see it.
class RecordPane {
public:
    virtual ~RecordPane() = default;
    virtual std::string text() const = 0;
    virtual void set_text(const std::string& text) = 0;
    // Moves the caret to the end, scrolls it into view and inserts the text there.
    virtual void append_at_end(const std::string& text) = 0;
    // gbk_length(text()); a pane that keeps count of its text answers without building it.
    virtual std::size_t gbk_length() const;
};

void add_record_to_pane(RecordPane& pane, const std::string& record);

// The log file's name: folder + time stamp + "-ID" + the process-id text + ".txt".
// In the name only: "/", NUL and control characters become "_", and the
// process-id text is cut so that the name fits the file system's limit.
std::string log_file_path(const std::string& log_folder, const DateTime& start,
                          const std::string& process_id_text);

// Outcome of one log write, so that the caller can tell the user once per run.
struct LogWriteResult {
    bool opened_now = false;     // this write opened the run's file
    bool open_failed = false;    // no file could be opened; path and error say why
    bool write_failed = false;
    bool recreated = false;      // the file had been deleted; it was made again, entry and all
    std::string path;            // the run's file
    std::string error;
};

// Opens the run's file when none is open, then appends the time stamp, CR LF,
// the record (in GBK) and CR LF. `now` is read for the name and again for the entry.
// A file deleted during the run is made again under its name, and the entry
// that went into the deleted one is written again into the new one.
LogWriteResult write_record_to_log(MonitorState& state, const std::string& record,
                                   const std::string& process_id_text, const Clock& now);
void close_log(MonitorState& state);  // leaves log_file as it is

// Chooses and makes the log folder: beside the executable when that can be
// written, else in the user's data folder. Returns it with a trailing separator.
std::string prepare_log_folder();
// The choice itself: "内存CPU监控记录" in the executable's folder when it can be
// made and written, else tessivo/内存CPU监控记录 in the data folder (each level made).
std::string choose_log_folder(const std::string& executable_folder,
                              const std::string& data_folder);

}  // namespace tessivo
