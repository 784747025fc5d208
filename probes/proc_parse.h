#pragma once
// Pure readers of /proc text. They take the text as the kernel wrote it and
// allocate nothing, so the probes can feed them a stack buffer and the tests
// canned text.
#include <cstdint>
#include <string_view>

namespace tessivo {

// Private_Clean + Private_Dirty of a /proc/PID/smaps_rollup text, in kB (the
// unit the kernel prints). 0 when neither line is there (an empty rollup, as a
// kernel thread or a zombie gives) or when a value cannot be read.
uint64_t smaps_private_kb(std::string_view text);

// The kernel's short name of a process (comm) from a /proc/PID/stat line: the
// text between the first "(" and the LAST ")", since the name itself may hold
// spaces, "(" and ") ". Empty when the line has no such pair.
std::string_view stat_process_name(std::string_view line);

// Field 22 of a /proc/PID/stat line: the start time after boot, in clock
// ticks. Fields are counted past the last ")", so a name holding spaces does
// not shift them. 0 when the line is cut short or the field is not a number.
uint64_t stat_start_time(std::string_view line);

// The last component of a path, without a trailing " (deleted)" that the
// kernel appends to the target of /proc/PID/exe once the file is removed.
std::string_view path_file_name(std::string_view path);

// The first argument (argv[0]) of a /proc/PID/cmdline text, whose arguments
// are separated by NUL bytes.
std::string_view cmdline_first_word(std::string_view cmdline);

// The name of a process whose executable link cannot be read, from its kernel
// name `comm` and its `cmdline` text: comm, or the file name of argv[0] when
// comm was cut to its 15-byte limit and that file name begins with it. A
// process that rewrote argv[0] as a title ("sshd: user@pts/0") keeps comm.
std::string_view fallback_process_name(std::string_view comm, std::string_view cmdline);

// The longest name the kernel keeps as comm; longer names are cut to it.
inline constexpr size_t COMM_LIMIT = 15;

}  // namespace tessivo
