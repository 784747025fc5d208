#include "probes/memory_probe.h"

#include <algorithm>

#include "probes/platform.h"

namespace tessivo {

uint64_t private_working_set_bytes(int32_t process_id) {
    // On Linux the kernel sums the private pages itself (smaps_rollup), which
    // costs a fraction of a walk over every resident page.
    return platform::private_resident_bytes(process_id);
}

int64_t count_private_bytes(std::span<const uint32_t> entries, int32_t entry_count,
                            int32_t page_size) {
    static constexpr uint32_t SHARED_BIT = 0x100;
    const size_t count =
        entry_count <= 0 ? 0 : std::min(entries.size(), static_cast<size_t>(entry_count));
    int64_t sum = 0;
    for (const uint32_t entry : entries.first(count)) {
        if ((entry & SHARED_BIT) == 0) {
            sum += page_size;
        }
    }
    return sum;
}

}  // namespace tessivo
