#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/main_window.h"

namespace {

constexpr const char* NO_DISPLAY_MESSAGE =
    "tessivo: no X display to open. Start it inside a desktop session "
    "(X11, or Wayland with XWayland), where DISPLAY is set.\n";

// Qt ends the process with a fatal message when the xcb platform cannot reach
// the display; say it plainly and leave with a failure code instead of aborting.
void startup_message_handler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    std::fputs(message.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    if (type == QtFatalMsg) {
        std::fputs(NO_DISPLAY_MESSAGE, stderr);
        std::_Exit(1);
    }
}

bool is_empty(const char* value) { return value == nullptr || value[0] == '\0'; }

}  // namespace

int main(int argc, char* argv[]) {
    // The picker reads other programs' X11 windows, so the tool runs on xcb:
    // under a Wayland session that is XWayland. A platform the user chose stays.
    if (is_empty(std::getenv("QT_QPA_PLATFORM"))) {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
    const bool on_xcb = std::strncmp(std::getenv("QT_QPA_PLATFORM"), "xcb", 3) == 0;
    if (on_xcb && is_empty(std::getenv("DISPLAY"))) {
        std::fputs(NO_DISPLAY_MESSAGE, stderr);
        return 1;
    }

    const QtMessageHandler previous_handler = qInstallMessageHandler(startup_message_handler);
    QApplication application(argc, argv);
    qInstallMessageHandler(previous_handler);

    tessivo::MainWindow window;
    window.show();
    return application.exec();
}
