// A target with a known private working set: touches N MiB (argument 1) of
// fresh anonymous memory one 4 KiB page at a time, prints "ready", then waits
// idle until it is killed.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    constexpr size_t PAGE_STEP = 4096;
    constexpr size_t BYTES_PER_MIB = 1024 * 1024;
    const size_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 0;
    const size_t size = mib * BYTES_PER_MIB;
    if (size > 0) {
        void* region = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                              -1, 0);
        if (region == MAP_FAILED) {
            return 1;
        }
        // Small pages, so that the kernel has one page per 4 KiB to walk.
        ::madvise(region, size, MADV_NOHUGEPAGE);
        auto* bytes = static_cast<volatile unsigned char*>(region);
        for (size_t at = 0; at < size; at += PAGE_STEP) {
            bytes[at] = 1;
        }
    }
    std::puts("ready");
    std::fflush(stdout);
    for (;;) {
        ::pause();
    }
}
