#include <cstdio>

int main() {
    std::puts("The window is being built.");
    return 0;
}
