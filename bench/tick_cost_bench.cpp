// The window's work for one sampling tick, without the timer: a real window on
// the X server of DISPLAY watches an idle /bin/sleep, and the bench calls the
// tick by hand, letting the window repaint after each one as the event loop
// would. Prints the process's CPU time a tick (user and system). Under
// callgrind, collect only `run_ticks` for the instruction count of the ticks:
//   valgrind --tool=callgrind --collect-atstart=no --toggle-collect='*run_ticks*' tick_cost_bench 2000
// With a file name, the window as the X server shows it after the ticks is
// saved there (PNG), to compare two builds pixel for pixel.
// Usage: tick_cost_bench [ticks] [picture.png]
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "ui/main_window.h"

namespace {

double cpu_seconds(const rusage& usage, bool user) {
    const timeval& t = user ? usage.ru_utime : usage.ru_stime;
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Not inlined, so that callgrind can collect exactly the ticks.
__attribute__((noinline)) void run_ticks(tessivo::Monitor& monitor, int ticks) {
    for (int k = 0; k < ticks; ++k) {
        monitor.sampling_tick();
        QCoreApplication::processEvents();  // the repaint the tick asked for
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    const int ticks = argc > 1 ? std::atoi(argv[1]) : 2000;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    QApplication application(argc, argv);

    QProcess target;
    target.start(QStringLiteral("/bin/sleep"), {QStringLiteral("100000")});
    target.waitForStarted();
    // A fixed name, so that the log folder named in the pane is the same in every run.
    QDir logs(QDir::tempPath() + QStringLiteral("/tessivo-tick-cost"));
    logs.removeRecursively();
    logs.mkpath(QStringLiteral("."));

    tessivo::MainWindow window(logs.path().toStdString() + "/");
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fputs("tick_cost_bench: the window was not shown\n", stderr);
        return 1;
    }
    window.findChild<QLineEdit*>(QStringLiteral("编辑框进程ID"))->setText(QString::number(target.processId()));
    // An interval of 0 leaves the sampling timer stopped: only the bench ticks.
    window.findChild<QLineEdit*>(QStringLiteral("编辑框速度"))->setText(QStringLiteral("0"));
    window.monitor().start_or_stop();
    QTest::qWait(50);

    // A first round fills the chart and the pane, then the measured round.
    run_ticks(window.monitor(), 200);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    run_ticks(window.monitor(), ticks);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);

    const double user = (cpu_seconds(after, true) - cpu_seconds(before, true)) / ticks * 1e6;
    const double system = (cpu_seconds(after, false) - cpu_seconds(before, false)) / ticks * 1e6;
    if (argc > 2) {
        QTest::qWait(200);  // the last repaint reaches the server
        window.screen()->grabWindow(window.winId()).save(QString::fromLocal8Bit(argv[2]));
    }
    std::printf("%d ticks: %.1f us user + %.1f us system = %.1f us CPU a tick\n", ticks, user, system,
                user + system);
    window.monitor().start_or_stop();
    target.kill();
    target.waitForFinished();
    logs.removeRecursively();
    return 0;
}
