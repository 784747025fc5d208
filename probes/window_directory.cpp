#include "probes/window_directory.h"

#include <algorithm>

#include "probes/platform.h"
#include "probes/process_name.h"

namespace tessivo {
namespace {

// Longest class name a record holds, in bytes.
constexpr std::size_t CLASS_NAME_LIMIT = 49;

// The first `limit` bytes, less the bytes of a character that would be cut.
std::string cut_on_character(std::string text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

}  // namespace

WindowHandle window_under_cursor() { return platform::window_under_cursor(); }

WindowHandle root_owner_of(WindowHandle window) { return platform::root_owner_of(window); }

uint32_t process_id_of_window(WindowHandle window) { return platform::process_id_of_window(window); }

uint32_t thread_id_of_window(WindowHandle window) { return platform::thread_id_of_window(window); }

std::vector<WindowRecord> list_top_level_windows() {
    std::vector<WindowRecord> records = platform::list_top_level_windows();
    for (WindowRecord& record : records) {
        record.class_name = cut_on_character(std::move(record.class_name), CLASS_NAME_LIMIT);
    }
    return records;
}

bool left_button_up() { return platform::left_button_up(); }

std::vector<ProcessEntry> list_processes() { return platform::list_processes(); }

std::string executable_name_of_window(WindowHandle window) {
    // Both directories are built afresh on every call, windows first.
    const std::vector<WindowRecord> windows = list_top_level_windows();
    const std::vector<ProcessEntry> processes = list_processes();
    const bool top_level = std::any_of(windows.begin(), windows.end(),
                                       [window](const WindowRecord& r) { return r.handle == window; });
    if (!top_level) return {};
    // Asked again rather than taken from the record: the window may have
    // changed hands since the list was made.
    const uint32_t process_id = process_id_of_window(window);
    if (process_id == 0) return {};
    return find_process_name(processes, static_cast<int32_t>(process_id));
}

}  // namespace tessivo
