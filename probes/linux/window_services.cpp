// Window services on X11, through Xlib and the X-Resource extension.
//
// The tool keeps one connection of its own to the X server, opened on first
// use and kept for the life of the process. Without an X server every lookup
// gives its empty value (window 0, process id 0, an empty list).
//
// Windows of other clients can vanish between any two requests; Xlib's
// default error handler would end the tool on the BadWindow that follows.
// Every lookup therefore runs with an error handler of its own installed,
// which swallows the errors of this connection: a request on a vanished
// window then simply fails, and the lookup gives its empty value.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "probes/platform.h"

namespace tessivo::platform {
namespace {

struct Connection {
    Display* display = nullptr;
    Atom wm_state = 0;
    Atom net_wm_pid = 0;
    Atom net_wm_name = 0;
    Atom utf8_string = 0;
    bool has_xres = false;
};

// Opened on the first lookup; a failed open is not retried, so a tool started
// without an X server pays for the attempt once.
const Connection& connection() {
    static const Connection opened = [] {
        Connection c;
        c.display = XOpenDisplay(nullptr);
        if (c.display == nullptr) return c;
        c.wm_state = XInternAtom(c.display, "WM_STATE", False);
        c.net_wm_pid = XInternAtom(c.display, "_NET_WM_PID", False);
        c.net_wm_name = XInternAtom(c.display, "_NET_WM_NAME", False);
        c.utf8_string = XInternAtom(c.display, "UTF8_STRING", False);
        int event_base = 0;
        int error_base = 0;
        int major = 0;
        int minor = 0;
        // Client ids (and with them process ids) arrived in X-Resource 1.2.
        c.has_xres = XResQueryExtension(c.display, &event_base, &error_base) &&
                     XResQueryVersion(c.display, &major, &minor) &&
                     (major > 1 || (major == 1 && minor >= 2));
        return c;
    }();
    return opened;
}

Display* trapped_display = nullptr;
XErrorHandler outer_handler = nullptr;

int note_error(Display* display, XErrorEvent* event) {
    if (display == trapped_display) {
        return 0;
    }
    // Another Xlib connection of the process (a toolkit's): its own rules hold.
    return outer_handler != nullptr ? outer_handler(display, event) : 0;
}

// Installs the handler for the life of one lookup. Every request made here
// waits for its reply, so its errors arrive before the lookup returns.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display) {
        trapped_display = display;
        outer_handler = XSetErrorHandler(note_error);
    }
    ~ErrorTrap() {
        XSetErrorHandler(outer_handler);
        trapped_display = nullptr;
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
};

// The raw bytes of a property, with its type and format; empty when the
// window lacks the property or has vanished.
struct Property {
    Atom type = None;
    int format = 0;
    std::string bytes;
    unsigned long items = 0;
};

Property read_property(const Connection& c, Window window, Atom name, Atom type) {
    Property result;
    unsigned char* data = nullptr;
    unsigned long bytes_after = 0;
    // 64 KiB of 32-bit units is far beyond any title or pid.
    if (XGetWindowProperty(c.display, window, name, 0, 16384, False, type, &result.type,
                           &result.format, &result.items, &bytes_after, &data) != Success) {
        return {};
    }
    if (data != nullptr) {
        // Xlib hands 32-bit items over as longs.
        const std::size_t unit = result.format == 32   ? sizeof(long)
                                 : result.format == 16 ? sizeof(short)
                                                       : 1;
        result.bytes.assign(reinterpret_cast<const char*>(data), result.items * unit);
        XFree(data);
    }
    return result;
}

bool has_property(const Connection& c, Window window, Atom name) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long bytes_after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(c.display, window, name, 0, 0, False, AnyPropertyType,
                                          &type, &format, &items, &bytes_after, &data);
    if (data != nullptr) XFree(data);
    return status == Success && type != None;
}

// A window manager marks each window it manages (the application's own
// top-level window, never its frame) with WM_STATE.
bool is_client(const Connection& c, Window window) { return has_property(c, window, c.wm_state); }

// The pointer as seen from a window: the child of that window that holds it,
// and the buttons held.
struct Pointer {
    bool answered = false;
    Window child = None;
    unsigned int buttons = 0;
};

Pointer query_pointer(const Connection& c, Window window) {
    Pointer pointer;
    Window root = None;
    int root_x = 0;
    int root_y = 0;
    int x = 0;
    int y = 0;
    pointer.answered = XQueryPointer(c.display, window, &root, &pointer.child, &root_x, &root_y, &x, &y,
                                     &pointer.buttons) != 0;
    return pointer;
}

// Children bottom to top of the stacking order, and the parent; false when
// the window has vanished.
bool query_tree(const Connection& c, Window window, std::vector<Window>& children, Window& parent) {
    Window root = None;
    Window* list = nullptr;
    unsigned int count = 0;
    children.clear();
    if (XQueryTree(c.display, window, &root, &parent, &list, &count) == 0) return false;
    if (list != nullptr) {
        children.assign(list, list + count);
        XFree(list);
    }
    return true;
}

// The managed window at or below `top`, breadth first: below a window
// manager's frame sits exactly one. None when there is none.
Window client_below(const Connection& c, Window top) {
    std::deque<Window> queue{top};
    std::vector<Window> children;
    Window parent = None;
    while (!queue.empty()) {
        const Window window = queue.front();
        queue.pop_front();
        if (is_client(c, window)) return window;
        if (query_tree(c, window, children, parent)) {
            queue.insert(queue.end(), children.begin(), children.end());
        }
    }
    return None;
}

// The path from `window` up to the root's child that holds it, `window`
// first. Empty when a window on the way has vanished.
std::vector<Window> path_to_top(const Connection& c, Window window) {
    const Window root = DefaultRootWindow(c.display);
    std::vector<Window> path;
    std::vector<Window> children;
    Window parent = None;
    for (Window current = window; current != root; current = parent) {
        if (!query_tree(c, current, children, parent) || parent == None) return {};
        path.push_back(current);
    }
    return path;
}

bool is_root(const Connection& c, Window window) {
    for (int screen = 0; screen < ScreenCount(c.display); ++screen) {
        if (window == RootWindow(c.display, screen)) return true;
    }
    return false;
}

// A window manager is whoever holds substructure redirection on the root.
bool window_manager_runs(const Connection& c) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(c.display, DefaultRootWindow(c.display), &attributes) == 0) {
        return false;
    }
    return (attributes.all_event_masks & SubstructureRedirectMask) != 0;
}

uint32_t net_wm_pid(const Connection& c, Window window) {
    const Property pid = read_property(c, window, c.net_wm_pid, XA_CARDINAL);
    if (pid.format != 32 || pid.items < 1) return 0;
    long value = 0;
    std::memcpy(&value, pid.bytes.data(), sizeof value);
    return value > 0 ? static_cast<uint32_t>(value) : 0;
}

// The process of the X client that created the window, as the server knows
// it; 0 for a client on another machine or a server without X-Resource 1.2.
uint32_t client_pid(const Connection& c, Window window) {
    if (!c.has_xres) return 0;
    XResClientIdSpec spec{window, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* values = nullptr;
    if (XResQueryClientIds(c.display, 1, &spec, &count, &values) != Success) return 0;
    uint32_t pid = 0;
    for (long i = 0; i < count && pid == 0; ++i) {
        const pid_t found = XResGetClientPid(&values[i]);
        if (found > 0) pid = static_cast<uint32_t>(found);
    }
    XResClientIdsDestroy(count, values);
    return pid;
}

// A window of a window manager's frame: not inside a managed window, but
// with one below its top-level. The client-id route would name the window
// manager for it.
bool part_of_frame(const Connection& c, const std::vector<Window>& path) {
    if (path.empty()) return false;
    for (const Window w : path) {
        if (is_client(c, w)) return false;
    }
    return client_below(c, path.back()) != None;
}

// The process of a window that is known to be an application's own. Some
// clients (xlogo, a few toolkits) never set _NET_WM_PID.
uint32_t application_process(const Connection& c, Window window) {
    const uint32_t pid = net_wm_pid(c, window);
    return pid != 0 ? pid : client_pid(c, window);
}

uint32_t process_of(const Connection& c, Window window) {
    if (window == None || is_root(c, window)) return 0;
    // A vanished window's id can already belong to another client, whose
    // process the X-Resource route would then name.
    const std::vector<Window> path = path_to_top(c, window);
    if (path.empty() || part_of_frame(c, path)) return 0;
    return application_process(c, window);
}

std::string latin1_to_utf8(const std::string& latin1) {
    std::string utf8;
    for (const unsigned char ch : latin1) {
        if (ch < 0x80) {
            utf8 += static_cast<char>(ch);
        } else {
            utf8 += static_cast<char>(0xC0 | (ch >> 6));
            utf8 += static_cast<char>(0x80 | (ch & 0x3F));
        }
    }
    return utf8;
}

// _NET_WM_NAME is UTF-8; WM_NAME is Latin-1 (STRING) or, as Qt writes it,
// compound text.
std::string title_of(const Connection& c, Window window) {
    const Property net_name = read_property(c, window, c.net_wm_name, c.utf8_string);
    if (net_name.type == c.utf8_string && net_name.format == 8) return net_name.bytes;

    XTextProperty text{};
    if (XGetWMName(c.display, window, &text) == 0 || text.value == nullptr) return {};
    std::string title;
    if (text.encoding == XA_STRING) {
        title = latin1_to_utf8(std::string(reinterpret_cast<const char*>(text.value), text.nitems));
    } else {
        char** list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(c.display, &text, &list, &count) >= Success && list != nullptr) {
            for (int i = 0; i < count; ++i) title += list[i];
            XFreeStringList(list);
        }
    }
    XFree(text.value);
    return title;
}

// The class part of WM_CLASS (the instance name comes first in the property).
std::string class_of(const Connection& c, Window window) {
    XClassHint hint{nullptr, nullptr};
    if (XGetClassHint(c.display, window, &hint) == 0) return {};
    std::string name = hint.res_class != nullptr ? hint.res_class : "";
    if (hint.res_name != nullptr) XFree(hint.res_name);
    if (hint.res_class != nullptr) XFree(hint.res_class);
    return name;
}

// The windows that a window manager manages. Most keep the list in
// _NET_CLIENT_LIST on the root, one request for all; for the others every
// frame's subtree is searched.
std::vector<Window> managed_windows(const Connection& c, const std::vector<Window>& tops) {
    const Atom client_list = XInternAtom(c.display, "_NET_CLIENT_LIST", False);
    const Property listed = read_property(c, DefaultRootWindow(c.display), client_list, XA_WINDOW);
    std::vector<Window> managed;
    if (listed.format == 32 && listed.items > 0) {
        managed.resize(listed.items);
        std::memcpy(managed.data(), listed.bytes.data(), listed.items * sizeof(Window));
        return managed;
    }
    for (const Window top : tops) {
        const Window client = client_below(c, top);
        if (client != None) managed.push_back(client);
    }
    return managed;
}

// Every application top-level window: those a window manager manages, and
// the mapped root children that no window manager frames (override-redirect
// menus and popups; every window when no window manager runs).
std::vector<Window> application_windows(const Connection& c) {
    std::vector<Window> tops;
    Window parent = None;
    if (!query_tree(c, DefaultRootWindow(c.display), tops, parent)) return {};
    const bool manager_runs = window_manager_runs(c);
    std::vector<Window> windows;
    if (manager_runs) windows = managed_windows(c, tops);
    for (const Window top : tops) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(c.display, top, &attributes) == 0) continue;  // vanished
        if (attributes.map_state == IsViewable && (!manager_runs || attributes.override_redirect)) {
            windows.push_back(top);
        }
    }
    return windows;
}

}  // namespace

WindowHandle window_under_cursor() {
    const Connection& c = connection();
    if (c.display == nullptr) return 0;
    ErrorTrap trap(c.display);
    // Descend child by child to the deepest window that holds the pointer.
    Window above = None;
    Window found = DefaultRootWindow(c.display);
    for (;;) {
        const Pointer pointer = query_pointer(c, found);
        // Fails when the pointer is on another screen, or when `found`
        // vanished since its parent named it: the parent is then the answer.
        if (!pointer.answered) return above;
        if (pointer.child == None) return found;
        above = found;
        found = pointer.child;
    }
}

WindowHandle root_owner_of(WindowHandle window) {
    const Connection& c = connection();
    if (c.display == nullptr || window == 0) return 0;
    ErrorTrap trap(c.display);
    // The bare desktop is its own owner (and belongs to no process).
    if (is_root(c, window)) return window;

    const std::vector<Window> path = path_to_top(c, window);
    if (path.empty()) return 0;
    // The application's window is the managed one on the path; over a frame
    // or its title bar it lies below the top-level instead.
    Window owner = None;
    for (auto it = path.rbegin(); it != path.rend() && owner == None; ++it) {
        if (is_client(c, *it)) owner = *it;
    }
    if (owner == None) owner = client_below(c, path.back());
    if (owner == None) owner = path.back();

    // Dialogs name their owner in WM_TRANSIENT_FOR; the chain ends at the
    // window that names none. The bound guards against a cycle.
    for (int step = 0; step < 64; ++step) {
        Window next = None;
        if (XGetTransientForHint(c.display, owner, &next) == 0) break;
        if (next == None || next == owner || is_root(c, next)) break;
        XWindowAttributes attributes;
        if (XGetWindowAttributes(c.display, next, &attributes) == 0) break;  // owner vanished
        owner = next;
    }
    return owner;
}

uint32_t process_id_of_window(WindowHandle window) {
    const Connection& c = connection();
    if (c.display == nullptr) return 0;
    ErrorTrap trap(c.display);
    return process_of(c, window);
}

// X11 knows which client (connection) made a window, not which thread, and
// one thread may serve many connections: the thread id is always 0, "unknown".
uint32_t thread_id_of_window(WindowHandle) { return 0; }

bool left_button_up() {
    const Connection& c = connection();
    if (c.display == nullptr) return false;
    ErrorTrap trap(c.display);
    return (query_pointer(c, DefaultRootWindow(c.display)).buttons & Button1Mask) == 0;
}

std::vector<WindowRecord> list_top_level_windows() {
    const Connection& c = connection();
    if (c.display == nullptr) return {};
    ErrorTrap trap(c.display);
    std::vector<WindowRecord> records;
    for (const Window window : application_windows(c)) {
        WindowRecord record;
        record.handle = window;
        record.process_id = application_process(c, window);
        record.thread_id = thread_id_of_window(window);
        record.title = title_of(c, window);
        record.class_name = class_of(c, window);
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace tessivo::platform
