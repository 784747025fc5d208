// Prints what the probes read for one process id (argument 1), so that a test
// can run the probes under another user: the memory in bytes, two CPU
// readings 100 ms apart (the first takes the baseline) and the name, one
// "key=value" line each.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "probes/cpu_probe.h"
#include "probes/memory_probe.h"
#include "probes/process_name.h"
#include "text/number_text.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: probe_cli PID\n", stderr);
        return 2;
    }
    const int32_t process_id = tessivo::text_to_int(argv[1]);
    const unsigned long long bytes = tessivo::private_working_set_bytes(process_id);
    const double first_cpu = tessivo::cpu_usage_percent(process_id);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double second_cpu = tessivo::cpu_usage_percent(process_id);
    const std::string name = tessivo::executable_name_of_process(process_id);
    std::printf("memory=%llu\ncpu1=%s\ncpu2=%s\nname=%s\n", bytes,
                tessivo::double_to_text(first_cpu).c_str(), tessivo::double_to_text(second_cpu).c_str(),
                name.c_str());
    return 0;
}
