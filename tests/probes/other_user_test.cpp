// The probes run by an unprivileged user against a process of root: they must
// come back with their failure values or with what the system lets them read,
// and never crash.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "../support/child_process.h"
#include "../support/run_program.h"
#include "text/number_text.h"

namespace tessivo {
namespace {

using testing::ChildProcess;
using testing::ProgramResult;
using testing::environment_without;
using testing::run_program;
using testing::support_program;

const char* const SETPRIV = "/usr/bin/setpriv";

// probe_cli prints "key=value" lines.
std::map<std::string, std::string> probe_report(const std::string& out) {
    std::map<std::string, std::string> report;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) {
            report[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return report;
}

TEST(ProbesAsAnotherUser, ARootProcessGivesTheFailureValuesWhereAccessIsRefused) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "running the probes as another user against a root process needs root";
    }
    if (!std::filesystem::exists(SETPRIV)) {
        GTEST_SKIP() << SETPRIV << " is not installed";
    }
    ChildProcess target(support_program("memory_child"), {"4"});
    ASSERT_GT(target.pid(), 0);
    const std::string probe = support_program("probe_cli");
    const std::string pid = std::to_string(target.pid());

    struct Case {
        const char* shows;
        std::vector<std::string> command;
        bool memory_readable;
    };
    const Case cases[] = {
        {"root reads everything", {probe, pid}, true},
        // Another user may not read the memory map (smaps_rollup: EACCES) nor
        // the exe link; the CPU-time clock and the stat line stay readable.
        {"nobody", {SETPRIV, "--reuid=nobody", "--regid=nogroup", "--clear-groups", probe, pid}, false},
    };
    for (const Case& c : cases) {
        const ProgramResult result = run_program(c.command, environment_without({}));
        ASSERT_TRUE(result.exited()) << c.shows << ": " << result.err;
        ASSERT_EQ(result.exit_code(), 0) << c.shows << ": " << result.err;
        auto report = probe_report(result.out);
        if (c.memory_readable) {
            EXPECT_GE(std::stoull(report["memory"]), 4ull << 20) << c.shows;
        } else {
            EXPECT_EQ(report["memory"], "0") << c.shows;
        }
        EXPECT_EQ(report["cpu1"], "-2") << c.shows << ": the first reading takes the baseline";
        const double second = text_to_number(report["cpu2"]);
        EXPECT_GE(second, 0.0) << c.shows << ": " << report["cpu2"];
        EXPECT_LE(second, 100.0) << c.shows;
        EXPECT_EQ(report["name"], "memory_child") << c.shows;
    }
}

}  // namespace
}  // namespace tessivo
