#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "probes/probe_types.h"

namespace tessivo {

// The executable's file name of a process; empty when no process has that id.
std::string executable_name_of_process(int32_t process_id);
// The first entry with that id, in list order; empty text when there is none.
std::string find_process_name(const std::vector<ProcessEntry>& entries, int32_t process_id);

}  // namespace tessivo
