// A target that keeps one processor busy: one thread spins until the process
// is killed. Prints "ready" once it runs.
#include <cstdio>

int main() {
    std::puts("ready");
    std::fflush(stdout);
    volatile unsigned long turns = 0;
    for (;;) {
        turns = turns + 1;
    }
}
