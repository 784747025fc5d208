#pragma once
// Drives the real pointer and keyboard through XTest on a connection of the
// tests' own, and starts openbox when asked. No Xlib type shows here, so the
// Qt test files can include it.
#include <cstdint>
#include <memory>

namespace tessivo::testing {

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

class X11Driver {
public:
    explicit X11Driver(bool with_window_manager);
    ~X11Driver();
    X11Driver(const X11Driver&) = delete;
    X11Driver& operator=(const X11Driver&) = delete;

    bool open() const;
    bool window_manager_running() const;

    void move_pointer(ScreenPoint to);
    void press_left();
    void release_left();
    void press_escape();
    // Another client asks for the pointer grab; true when it got it.
    bool grab_pointer_from_another_client();
    void release_other_grab();
    // Another client unmaps the window and maps it again: the server ends any
    // grab that the window held.
    void unmap_and_map(uint64_t window);

    ScreenPoint centre_of(uint64_t window);
    bool exists(uint64_t window);

private:
    bool left_down_ = false;
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace tessivo::testing
