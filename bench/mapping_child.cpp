// A target with many mappings: N (argument 1) resident 4 KiB pages, each its
// own mapping (neighbours alternate between read-write and read-only, so the
// kernel cannot merge them). Prints "ready", then waits idle until killed.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    constexpr size_t PAGE = 4096;
    const size_t pages = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 0;
    if (pages > 0) {
        void* region = ::mmap(nullptr, pages * PAGE, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (region == MAP_FAILED) {
            return 1;
        }
        auto* bytes = static_cast<unsigned char*>(region);
        for (size_t page = 0; page < pages; ++page) {
            bytes[page * PAGE] = 1;
        }
        for (size_t page = 1; page < pages; page += 2) {
            if (::mprotect(bytes + page * PAGE, PAGE, PROT_READ) != 0) {
                return 1;
            }
        }
    }
    std::puts("ready");
    std::fflush(stdout);
    for (;;) {
        ::pause();
    }
}
