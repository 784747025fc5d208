#pragma once
// Which process owns a window on the screen, for the picker.
#include <cstdint>
#include <string>
#include <vector>

#include "probes/probe_types.h"

namespace tessivo {

WindowHandle window_under_cursor();
WindowHandle root_owner_of(WindowHandle window);
uint32_t process_id_of_window(WindowHandle window);
uint32_t thread_id_of_window(WindowHandle window);
std::vector<WindowRecord> list_top_level_windows();
std::vector<ProcessEntry> list_processes();
// The executable name of the process that owns `window` when it is a top-level
// window, otherwise empty text.
std::string executable_name_of_window(WindowHandle window);
// True when the pointer's left button is known to be up (a drag has ended
// wherever the button came up); false while it is held or when unknown.
bool left_button_up();

}  // namespace tessivo
