// Start-up: from the start of the process to the grid on the visible canvas.
// Starts the window several times on the X server of DISPLAY (no window
// manager, so the window is a child of the root) and polls every 2 ms: first
// for a top-level window whose _NET_WM_PID is the new process, then for that
// window to be viewable, then for the grid's green (0, 128, 0) in the visible
// canvas at 1,105 (480 x 207). Prints each start and the medians.
// Usage: startup_bench <tessivo executable> [starts]
#include <X11/Xatom.h>
#include <fcntl.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bench_stats.h"

namespace {

using tessivo::bench::now_seconds;
using tessivo::bench::summarise;

constexpr int CANVAS_LEFT = 1, CANVAS_TOP = 105, CANVAS_WIDTH = 480, CANVAS_HEIGHT = 207;
constexpr unsigned long GRID_PIXEL = 0x008000;
constexpr int GRID_PIXELS_NEEDED = 1000;  // the grid has thousands; a stray pixel is not it
constexpr double GIVE_UP_SECONDS = 20.0;

// Windows vanish and are not yet viewable while we look: ignore those errors.
int ignore_errors(Display*, XErrorEvent*) { return 0; }

Window window_of_process(Display* display, Atom pid_atom, pid_t pid) {
    Window root_return = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root_return, &parent, &children, &count)) {
        return 0;
    }
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, children[i], pid_atom, 0, 1, False, XA_CARDINAL, &type,
                               &format, &items, &after, &data) == Success &&
            data != nullptr) {
            if (items == 1 && format == 32 && static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid) {
                found = children[i];
            }
            XFree(data);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

bool viewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

bool grid_shown(Display* display, Window window) {
    XImage* image = XGetImage(display, window, CANVAS_LEFT, CANVAS_TOP, CANVAS_WIDTH,
                              CANVAS_HEIGHT, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    int green = 0;
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        for (int x = 0; x < CANVAS_WIDTH; ++x) {
            green += (XGetPixel(image, x, y) & 0xffffff) == GRID_PIXEL ? 1 : 0;
        }
    }
    XDestroyImage(image);
    return green >= GRID_PIXELS_NEEDED;
}

void sleep_briefly() {
    const timespec pause{0, 2'000'000};
    ::nanosleep(&pause, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <tessivo executable> [starts]\n", argv[0]);
        return 2;
    }
    const int starts = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    XSetErrorHandler(ignore_errors);
    const Atom pid_atom = XInternAtom(display, "_NET_WM_PID", False);

    std::vector<double> created, mapped, shown;
    std::printf("start-up of the window, %d starts (seconds from spawn)\n", starts);
    for (int start = 0; start < starts; ++start) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        char* child_argv[] = {argv[1], nullptr};
        pid_t pid = 0;
        const double began = now_seconds();
        if (::posix_spawn(&pid, argv[1], &actions, nullptr, child_argv, environ) != 0) {
            std::fprintf(stderr, "could not start %s\n", argv[1]);
            return 1;
        }
        posix_spawn_file_actions_destroy(&actions);

        Window window = 0;
        double at_created = -1, at_mapped = -1, at_shown = -1;
        while (at_shown < 0 && now_seconds() - began < GIVE_UP_SECONDS) {
            if (window == 0 && (window = window_of_process(display, pid_atom, pid)) != 0) {
                at_created = now_seconds() - began;
            }
            if (window != 0 && at_mapped < 0 && viewable(display, window)) {
                at_mapped = now_seconds() - began;
            }
            if (at_mapped >= 0 && grid_shown(display, window)) {
                at_shown = now_seconds() - began;
            }
            if (at_shown < 0) {
                sleep_briefly();
            }
        }
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        if (at_shown < 0) {
            std::fprintf(stderr, "start %d: the grid did not show within %.0f s\n", start + 1,
                         GIVE_UP_SECONDS);
            return 1;
        }
        std::printf("  start %d: window %.3f  mapped %.3f  grid shown %.3f\n", start + 1,
                    at_created, at_mapped, at_shown);
        std::fflush(stdout);
        created.push_back(at_created);
        mapped.push_back(at_mapped);
        shown.push_back(at_shown);
        const timespec rest{0, 300'000'000};
        ::nanosleep(&rest, nullptr);
    }
    for (const auto& [what, values] : {std::pair{"window created", &created},
                                       std::pair{"window mapped", &mapped},
                                       std::pair{"grid shown", &shown}}) {
        const auto s = summarise(*values);
        std::printf("%-15s median %.3f s  [%.3f .. %.3f]\n", what, s.median, s.low, s.high);
    }
    XCloseDisplay(display);
    return 0;
}
