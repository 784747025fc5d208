// A small X client for the window tests: a main window holding a child
// window, and a dialog that names the main window in WM_TRANSIENT_FOR.
// When all are mapped (and managed, where a window manager runs) it prints
// one line "MAIN CHILD DIALOG" with the three window ids in decimal, then
// waits until it is killed.
//
//   x11_target [--no-pid] [--class NAME] [--title TEXT] [--wm-name-only] [--at X Y]
//
// --no-pid leaves _NET_WM_PID out (as xlogo does); --wm-name-only writes the
// title as compound text into WM_NAME alone (as Qt does) instead of _NET_WM_NAME.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "x11_test_display.h"

namespace {

struct Options {
    bool set_pid = true;
    bool wm_name_only = false;
    std::string class_name = "X11Target";
    std::string title = "x11 target";
    int x = 700;
    int y = 60;
};

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--no-pid") {
            options.set_pid = false;
        } else if (argument == "--wm-name-only") {
            options.wm_name_only = true;
        } else if (argument == "--class" && i + 1 < argc) {
            options.class_name = argv[++i];
        } else if (argument == "--title" && i + 1 < argc) {
            options.title = argv[++i];
        } else if (argument == "--at" && i + 2 < argc) {
            options.x = std::atoi(argv[++i]);
            options.y = std::atoi(argv[++i]);
        }
    }
    return options;
}

void set_title(Display* display, Window window, const std::string& title, bool wm_name_only) {
    if (wm_name_only) {
        char* list[] = {const_cast<char*>(title.c_str())};
        XTextProperty text{};
        if (Xutf8TextListToTextProperty(display, list, 1, XCompoundTextStyle, &text) >= Success) {
            XSetWMName(display, window, &text);
            XFree(text.value);
        }
        return;
    }
    const Atom net_wm_name = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8_string = XInternAtom(display, "UTF8_STRING", False);
    XChangeProperty(display, window, net_wm_name, utf8_string, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
}

// A top-level window at a position the user asked for, so that a window
// manager keeps it there and the tests know where to point.
Window make_top_level(Display* display, const Options& options, const std::string& title, int x, int y,
                      unsigned width, unsigned height, unsigned long colour) {
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, width, height, 0,
                                              0, colour);
    XSizeHints hints{};
    hints.flags = USPosition | USSize;
    hints.x = x;
    hints.y = y;
    hints.width = static_cast<int>(width);
    hints.height = static_cast<int>(height);
    XSetWMNormalHints(display, window, &hints);

    std::string instance = "x11_target";
    XClassHint class_hint{instance.data(), const_cast<char*>(options.class_name.c_str())};
    XSetClassHint(display, window, &class_hint);
    set_title(display, window, title, options.wm_name_only);
    if (options.set_pid) {
        const Atom net_wm_pid = XInternAtom(display, "_NET_WM_PID", False);
        const long pid = ::getpid();
        XChangeProperty(display, window, net_wm_pid, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
    }
    XSelectInput(display, window, StructureNotifyMask);
    return window;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fputs("x11_target: no X server\n", stderr);
        return 1;
    }
    const Window main_window =
        make_top_level(display, options, options.title, options.x, options.y, 320, 240, 0xd0d0d0);
    const Window child = XCreateSimpleWindow(display, main_window, 40, 40, 160, 120, 0, 0, 0x3060c0);
    const Window dialog = make_top_level(display, options, options.title + " dialog", options.x,
                                         options.y + 340, 240, 140, 0xc0a060);
    XSetTransientForHint(display, dialog, main_window);

    XMapWindow(display, child);
    XMapWindow(display, main_window);
    XMapWindow(display, dialog);

    bool main_mapped = false;
    bool dialog_mapped = false;
    while (!main_mapped || !dialog_mapped) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify) {
            main_mapped = main_mapped || event.xmap.window == main_window;
            dialog_mapped = dialog_mapped || event.xmap.window == dialog;
        }
    }
    // A window manager marks a window it manages with WM_STATE; wait for the
    // mark too (a bounded wait: a manager that never marks is no manager).
    XWindowAttributes root_attributes;
    XGetWindowAttributes(display, DefaultRootWindow(display), &root_attributes);
    if ((root_attributes.all_event_masks & SubstructureRedirectMask) != 0) {
        for (int round = 0; round < 500; ++round) {
            if (tessivo::testing::has_property(display, main_window, "WM_STATE") &&
                tessivo::testing::has_property(display, dialog, "WM_STATE")) break;
            ::usleep(10000);
        }
    }
    std::printf("%lu %lu %lu\n", main_window, child, dialog);
    std::fflush(stdout);

    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
    }
}
