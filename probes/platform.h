#pragma once
// The operating-system services that the probes, the picker and the log use.
// Each platform implements this header in its own directory (probes/linux/);
// CMake compiles exactly one of them. The functions only fetch facts; the
// rules live in the platform-free steps beside this header. None of them throws.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "probes/probe_types.h"

namespace tessivo::platform {

// ---- processes (probes/linux/process_services.cpp) ----

// Online processors; 0 when unknown.
int32_t processor_count();
// 100-ns units from a fixed point; never goes back.
int64_t system_time_count();
// Kernel and user time of a process, 100-ns units. False when it cannot be read.
// A platform that only knows the sum reports it as user time and 0 kernel time.
struct ProcessTimes {
    int64_t kernel = 0;
    int64_t user = 0;
};
bool read_process_times(int32_t process_id, ProcessTimes& times);
// What tells one process from a later one with the same id (its start time);
// 0 when there is no such process.
uint64_t process_start_time(int32_t process_id);
// A value that no other process, earlier or later, with the same id has: the
// cheapest such token the system offers (a pidfd's inode where the kernel
// numbers them uniquely, else the start time). 0 when there is no such process.
uint64_t process_identity(int32_t process_id);
// Private resident bytes (not shared with any other process); 0 when no reading.
uint64_t private_resident_bytes(int32_t process_id);
// The executable's file name of one process; empty when there is no such process.
std::string process_name(int32_t process_id);
// Every process with its id and executable name.
std::vector<ProcessEntry> list_processes();

// ---- windows (probes/linux/window_services.cpp) ----

WindowHandle window_under_cursor();
WindowHandle root_owner_of(WindowHandle window);
uint32_t process_id_of_window(WindowHandle window);
uint32_t thread_id_of_window(WindowHandle window);
std::vector<WindowRecord> list_top_level_windows();
// True when the pointer's left button is known to be up; false while it is held
// and when no window system answers.
bool left_button_up();

// ---- files (probes/linux/file_services.cpp) ----

// The folder that holds the running executable, without a trailing separator.
std::string executable_folder();
// The user's data folder (XDG: $XDG_DATA_HOME, else ~/.local/share), no trailing separator.
std::string user_data_folder();
inline constexpr char PATH_SEPARATOR = '/';
// The longest name of one folder entry, in bytes (NAME_MAX).
inline constexpr std::size_t FILE_NAME_LIMIT = 255;
// Makes one folder level; true when the folder exists afterwards.
bool make_folder(const std::string& path);
// True when a file can be created in the folder (it is checked by creating one).
bool folder_is_writable(const std::string& path);
// Opens for writing at the end, creating the file and keeping its content;
// other programs may read and write it meanwhile. Returns a handle of 1 or
// more, or 0 with the reason in `error`.
int32_t open_log_file(const std::string& path, std::string& error);
// Writes all bytes straight to the operating system; false when they were not all written.
bool write_log_bytes(int32_t handle, const std::string& bytes, std::string& error);
void close_log_file(int32_t handle);
// True when the open file has no name left in any folder: it was deleted while
// open, and what is written to it is lost when it closes.
bool log_file_deleted(int32_t handle);

}  // namespace tessivo::platform
