#pragma once
// The tests' own connection to the X server, apart from the tool's: it moves
// the pointer, reads where windows are, and starts a window manager (openbox)
// when a test wants one. Xlib stays out of every file that includes Qt.
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace tessivo::testing {

// Whether the window carries the property (of any type).
inline bool has_property(Display* display, Window window, const char* name) {
    const Atom atom = XInternAtom(display, name, False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, window, atom, 0, 0, False, AnyPropertyType, &type, &format, &items, &after,
                       &data);
    if (data != nullptr) XFree(data);
    return type != None;
}

struct Point {
    int x = 0;
    int y = 0;
};

class TestDisplay {
public:
    TestDisplay() : display_(XOpenDisplay(nullptr)) {
        // Windows of the targets vanish on purpose; their errors are expected.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    ~TestDisplay() {
        if (display_ != nullptr) XCloseDisplay(display_);
    }
    TestDisplay(const TestDisplay&) = delete;
    TestDisplay& operator=(const TestDisplay&) = delete;

    bool open() const { return display_ != nullptr; }
    Display* display() const { return display_; }
    Window root() const { return DefaultRootWindow(display_); }

    void warp_pointer(Point to) {
        XWarpPointer(display_, None, root(), 0, 0, 0, 0, to.x, to.y);
        XSync(display_, False);
    }
    // The screen position of a point given in a window's own coordinates.
    Point on_screen(uint64_t window, Point inside) {
        Window child = None;
        Point screen;
        XTranslateCoordinates(display_, window, root(), inside.x, inside.y, &screen.x, &screen.y, &child);
        return screen;
    }
    Point centre_of(uint64_t window) {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display_, window, &attributes);
        return on_screen(window, {attributes.width / 2, attributes.height / 2});
    }
    // The root's child that holds the window: its frame under a reparenting
    // window manager, else the window itself.
    uint64_t top_level_of(uint64_t window) {
        Window current = window;
        for (;;) {
            Window root_window = None;
            Window parent = None;
            Window* children = nullptr;
            unsigned int count = 0;
            if (XQueryTree(display_, current, &root_window, &parent, &children, &count) == 0) return 0;
            if (children != nullptr) XFree(children);
            if (parent == root_window) return current;
            current = parent;
        }
    }
    bool exists(uint64_t window) {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display_, window, &attributes) != 0;
    }
    // A bounded wait for the server to destroy a window of an ended client.
    bool wait_until_gone(uint64_t window) {
        for (int round = 0; round < 500; ++round) {
            if (!exists(window)) return true;
            ::usleep(10000);
        }
        return false;
    }
    bool window_manager_runs() {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display_, root(), &attributes);
        return (attributes.all_event_masks & SubstructureRedirectMask) != 0;
    }

private:
    Display* display_;
};

// openbox on the current display for the life of the object, when `wanted`.
class WindowManager {
public:
    WindowManager(TestDisplay& display, bool wanted) : display_(display) {
        if (!wanted || !display.open() || display.window_manager_runs()) return;
        char program[] = "openbox";
        char option[] = "--sm-disable";
        char* argv[] = {program, option, nullptr};
        // Its complaint about a missing Debian menu file is noise here.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int failed = ::posix_spawnp(&pid_, program, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0) {
            pid_ = 0;
            return;
        }
        wait_until_managing();
    }
    ~WindowManager() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        for (int round = 0; round < 500 && display_.window_manager_runs(); ++round) ::usleep(10000);
    }
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    bool running() const { return pid_ > 0 && display_.window_manager_runs(); }

private:
    // openbox takes the root's redirection early in its start-up and drops
    // the map requests that arrive before it is done: it is ready once it
    // marks a window of ours with WM_STATE. The request is repeated.
    void wait_until_managing() {
        Display* d = display_.display();
        const Window probe = XCreateSimpleWindow(d, display_.root(), 0, 0, 10, 10, 0, 0, 0);
        for (int round = 0; round < 500; ++round) {
            if (round % 20 == 0) XMapWindow(d, probe);
            XSync(d, False);
            if (has_property(d, probe, "WM_STATE")) break;
            ::usleep(10000);
        }
        XDestroyWindow(d, probe);
        XSync(d, False);
    }

    TestDisplay& display_;
    pid_t pid_ = 0;
};

}  // namespace tessivo::testing
