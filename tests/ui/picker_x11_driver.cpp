#include "tests/ui/picker_x11_driver.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "tests/support/x11_test_display.h"

namespace tessivo::testing {

struct X11Driver::Parts {
    explicit Parts(bool with_window_manager) : manager(display, with_window_manager) {}
    TestDisplay display;
    WindowManager manager;
    // A second client that competes for the pointer.
    Display* other = nullptr;
};

X11Driver::X11Driver(bool with_window_manager) : parts_(std::make_unique<Parts>(with_window_manager)) {}

X11Driver::~X11Driver() {
    // A button left down would turn the next test's press into nothing.
    if (left_down_) release_left();
    if (parts_->other != nullptr) XCloseDisplay(parts_->other);
}

bool X11Driver::open() const { return parts_->display.open(); }

bool X11Driver::window_manager_running() const { return parts_->manager.running(); }

void X11Driver::move_pointer(ScreenPoint to) {
    XTestFakeMotionEvent(parts_->display.display(), -1, to.x, to.y, CurrentTime);
    XSync(parts_->display.display(), False);
}

void X11Driver::press_left() {
    XTestFakeButtonEvent(parts_->display.display(), 1, True, CurrentTime);
    left_down_ = true;
    XSync(parts_->display.display(), False);
}

void X11Driver::release_left() {
    XTestFakeButtonEvent(parts_->display.display(), 1, False, CurrentTime);
    left_down_ = false;
    XSync(parts_->display.display(), False);
}

void X11Driver::press_escape() {
    Display* d = parts_->display.display();
    const KeyCode escape = XKeysymToKeycode(d, XK_Escape);
    XTestFakeKeyEvent(d, escape, True, CurrentTime);
    XTestFakeKeyEvent(d, escape, False, CurrentTime);
    XSync(d, False);
}

bool X11Driver::grab_pointer_from_another_client() {
    if (parts_->other == nullptr) parts_->other = XOpenDisplay(nullptr);
    if (parts_->other == nullptr) return false;
    Display* d = parts_->other;
    const int status = XGrabPointer(d, DefaultRootWindow(d), False, ButtonPressMask | ButtonReleaseMask,
                                    GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    XSync(d, False);
    return status == GrabSuccess;
}

void X11Driver::release_other_grab() {
    if (parts_->other == nullptr) return;
    XUngrabPointer(parts_->other, CurrentTime);
    XSync(parts_->other, False);
}

void X11Driver::unmap_and_map(uint64_t window) {
    if (parts_->other == nullptr) parts_->other = XOpenDisplay(nullptr);
    if (parts_->other == nullptr) return;
    XUnmapWindow(parts_->other, window);
    XSync(parts_->other, False);
    XMapWindow(parts_->other, window);
    XSync(parts_->other, False);
}

ScreenPoint X11Driver::centre_of(uint64_t window) {
    const Point centre = parts_->display.centre_of(window);
    return {centre.x, centre.y};
}

bool X11Driver::exists(uint64_t window) { return parts_->display.exists(window); }

}  // namespace tessivo::testing
