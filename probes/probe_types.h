#pragma once
#include <cstdint>
#include <string>

namespace tessivo {

// One process of a snapshot.
struct ProcessEntry {
    uint32_t process_id = 0;
    std::string executable_name;  // file name only, UTF-8
};

// A window of the window system; 0 names no window.
using WindowHandle = uint64_t;

// One application top-level window.
struct WindowRecord {
    WindowHandle handle = 0;
    uint32_t process_id = 0;
    uint32_t thread_id = 0;
    std::string title;
    std::string class_name;  // at most 49 bytes
};

}  // namespace tessivo
