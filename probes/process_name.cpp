#include "probes/process_name.h"

#include "probes/platform.h"

namespace tessivo {

std::string executable_name_of_process(int32_t process_id) {
    // Process ids are unique, so the one entry a snapshot could hold for this
    // id is looked up directly instead of walking every process.
    return platform::process_name(process_id);
}

std::string find_process_name(const std::vector<ProcessEntry>& entries, int32_t process_id) {
    // The id is compared as the same 32 bits, as a snapshot stores it unsigned.
    const auto wanted = static_cast<uint32_t>(process_id);
    for (const ProcessEntry& entry : entries) {
        if (entry.process_id == wanted) {
            return entry.executable_name;
        }
    }
    return {};
}

}  // namespace tessivo
