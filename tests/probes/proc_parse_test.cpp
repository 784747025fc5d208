#include "probes/proc_parse.h"

#include <gtest/gtest.h>

#include <string>

namespace tessivo {
namespace {

// The rollup of a small process as kernel 6.x prints it.
constexpr std::string_view ROLLUP =
    "561b3ef8a000-7ffd17d8b000 ---p 00000000 00:00 0                          [rollup]\n"
    "Rss:                1760 kB\n"
    "Pss:                 404 kB\n"
    "Shared_Clean:       1596 kB\n"
    "Shared_Dirty:          0 kB\n"
    "Private_Clean:        48 kB\n"
    "Private_Dirty:       116 kB\n"
    "Referenced:         1760 kB\n"
    "Shared_Hugetlb:        0 kB\n"
    "Private_Hugetlb:    2048 kB\n"
    "Swap:                  0 kB\n";

TEST(SmapsPrivateKb, ReadsThePrivateLinesOnly) {
    struct Case {
        const char* shows;
        std::string text;
        uint64_t kb;
    };
    const Case cases[] = {
        {"clean plus dirty; Private_Hugetlb is not taken", std::string(ROLLUP), 164},
        {"no Private_Dirty line: the clean part alone", "Rss: 10 kB\nPrivate_Clean: 7 kB\n", 7},
        {"no Private_Clean line: the dirty part alone", "Private_Dirty: 9 kB\nSwap: 1 kB\n", 9},
        {"neither line: no reading", "Rss: 1760 kB\nPss: 404 kB\n", 0},
        {"empty rollup (kernel thread, zombie)", "", 0},
        {"tabs and no space before the number", "Private_Clean:\t3 kB\nPrivate_Dirty:5 kB\n", 8},
        {"last line without its line end", "Private_Clean: 1 kB\nPrivate_Dirty: 2 kB", 3},
        {"text cut inside a line after the number", "Private_Clean: 4 kB\nPrivate_Dirty: 6", 10},
        {"text cut right after the label: no reading", "Private_Clean: 4 kB\nPrivate_Dirty:", 0},
        {"a value that is not a number: no reading", "Private_Clean: x kB\nPrivate_Dirty: 2 kB\n", 0},
        {"a label inside another line does not count", "Foo Private_Clean: 5 kB\n", 0},
        {"values past 32 bits", "Private_Clean: 8589934592 kB\nPrivate_Dirty: 1 kB\n",
         8589934593},
        {"a value past 64 bits: no reading", "Private_Clean: 99999999999999999999 kB\n", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(smaps_private_kb(c.text), c.kb) << c.shows;
    }
}

TEST(StatLine, NameAndStartTimeSurviveOddNames) {
    // Fields 3 to 21 are numbered by their field number so that a shift shows.
    const std::string fields =
        " S 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 987654 23 24 25\n";
    struct Case {
        const char* shows;
        std::string line;
        std::string_view name;
        uint64_t start_time;
    };
    const Case cases[] = {
        {"plain name", "1234 (bash)" + fields, "bash", 987654},
        {"name with spaces", "1234 (my prog 2)" + fields, "my prog 2", 987654},
        {"name holding \") \" and digits", "1234 (a) 5 6 (b)" + fields, "a) 5 6 (b", 987654},
        {"name holding \"(\"", "1234 ((sd-pam)" + fields, "(sd-pam", 987654},
        {"empty name", "1234 ()" + fields, "", 987654},
        {"no closing bracket", "1234 (bash S 3 4", "", 0},
        {"line cut before field 22", "1234 (bash) S 3 4 5 6 7", "bash", 0},
        {"empty text", "", "", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(stat_process_name(c.line), c.name) << c.shows;
        EXPECT_EQ(stat_start_time(c.line), c.start_time) << c.shows;
    }
}

TEST(PathFileName, TakesTheLastComponent) {
    struct Case {
        const char* shows;
        std::string_view path;
        std::string_view name;
    };
    const Case cases[] = {
        {"absolute path", "/usr/bin/python3.11", "python3.11"},
        {"removed executable", "/tmp/build/tessivo (deleted)", "tessivo"},
        {"name with spaces", "/opt/my app/run it", "run it"},
        {"\"(deleted)\" without its space is part of the name", "/tmp/x(deleted)", "x(deleted)"},
        {"no folder", "bash", "bash"},
        {"UTF-8 bytes kept as they are", "/opt/\xe5\x86\x85\xe5\xad\x98/a\xe5\x86\x85", "a\xe5\x86\x85"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(path_file_name(c.path), c.name) << c.shows;
    }
}

TEST(FallbackProcessName, PrefersTheKernelNameUnlessArgv0CompletesIt) {
    using namespace std::string_view_literals;
    struct Case {
        const char* shows;
        std::string_view comm;
        std::string_view cmdline;
        std::string_view name;
    };
    const Case cases[] = {
        {"short kernel name is whole", "bash", "/bin/bash\0-l\0"sv, "bash"},
        {"cut kernel name completed by argv[0]", "gnome-shell-cal",
         "/usr/libexec/gnome-shell-calendar-server\0"sv, "gnome-shell-calendar-server"},
        {"argv[0] rewritten as a title keeps the kernel name", "systemd-journal",
         "sshd: root@pts/0"sv, "systemd-journal"},
        {"no cmdline (kernel thread)", "kworker/0:0-eve", ""sv, "kworker/0:0-eve"},
        {"argv[0] of another program keeps the kernel name", "long_named_prog",
         "python3\0/x/long_named_program.py\0"sv, "long_named_prog"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fallback_process_name(c.comm, c.cmdline), c.name) << c.shows;
    }
}

}  // namespace
}  // namespace tessivo
