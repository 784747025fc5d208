#pragma once
#include <cstdint>
#include <span>

namespace tessivo {

// Private working set in bytes: resident pages not shared with another process.
// 0 when no reading could be made. 64 bits, so that 2 GiB and more still fit.
uint64_t private_working_set_bytes(int32_t process_id);

// page_size times the number of entries, among the first entry_count, whose
// Shared bit (0x100) is clear.
int64_t count_private_bytes(std::span<const uint32_t> entries, int32_t entry_count,
                            int32_t page_size);

}  // namespace tessivo
