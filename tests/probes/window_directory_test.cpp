// The window directory against a real X server, once with no window manager
// and once under openbox (which puts a frame with a title bar around each
// window). The targets are real X clients (tests/support/x11_target.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "probes/window_directory.h"
#include "tests/support/x11_target_process.h"
#include "tests/support/x11_test_display.h"

namespace tessivo {
namespace {

using testing::Point;
using testing::TestDisplay;
using testing::WindowManager;
using testing::X11Target;

const WindowRecord* find_record(const std::vector<WindowRecord>& records, WindowHandle handle) {
    const auto it = std::find_if(records.begin(), records.end(),
                                 [handle](const WindowRecord& r) { return r.handle == handle; });
    return it == records.end() ? nullptr : &*it;
}

class WindowDirectory : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (!display_.open()) GTEST_SKIP() << "no X server answers on $DISPLAY";
        if (GetParam() && !manager_.running()) GTEST_SKIP() << "openbox could not be started";
        if (!GetParam() && display_.window_manager_runs()) GTEST_SKIP() << "a window manager already runs";
    }

    TestDisplay display_;
    WindowManager manager_{display_, GetParam()};
};

TEST_P(WindowDirectory, every_part_of_a_program_resolves_to_its_process) {
    X11Target target;
    ASSERT_TRUE(target.started());
    // Where the pointer goes, and the deepest window expected there.
    struct Row {
        const char* shows;
        Point at;
        WindowHandle deepest;
    };
    const Point main_corner = display_.on_screen(target.main_window, {5, 5});
    std::vector<Row> rows = {
        {"the main window itself", main_corner, target.main_window},
        {"a child window of it", display_.centre_of(target.child_window), target.child_window},
        {"its dialog, owned through WM_TRANSIENT_FOR", display_.centre_of(target.dialog_window),
         target.dialog_window},
    };
    if (GetParam()) {
        // Just above the client: the frame's title bar, a window of openbox.
        rows.push_back({"the title bar of its frame", {main_corner.x + 40, main_corner.y - 12}, 0});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shows);
        display_.warp_pointer(row.at);
        const WindowHandle under = window_under_cursor();
        if (row.deepest != 0) {
            EXPECT_EQ(under, row.deepest);
        } else {
            EXPECT_NE(under, target.main_window);
            EXPECT_EQ(process_id_of_window(under), 0u) << "the title bar is openbox's";
        }
        const WindowHandle owner = root_owner_of(under);
        EXPECT_EQ(owner, target.main_window);
        EXPECT_EQ(process_id_of_window(owner), target.pid());
        EXPECT_EQ(executable_name_of_window(owner), "x11_target");
    }
}

TEST_P(WindowDirectory, a_client_without_net_wm_pid_is_found_through_its_connection) {
    X11Target target({"--no-pid"});
    ASSERT_TRUE(target.started());
    EXPECT_EQ(process_id_of_window(target.main_window), target.pid());
    EXPECT_EQ(process_id_of_window(target.child_window), target.pid());
    EXPECT_EQ(executable_name_of_window(target.main_window), "x11_target");
}

TEST_P(WindowDirectory, only_application_top_level_windows_have_a_name) {
    X11Target target;
    ASSERT_TRUE(target.started());
    // A child window belongs to the process but is no top-level window.
    EXPECT_EQ(process_id_of_window(target.child_window), target.pid());
    EXPECT_EQ(executable_name_of_window(target.child_window), "");
    EXPECT_EQ(executable_name_of_window(target.dialog_window), "x11_target");

    EXPECT_EQ(process_id_of_window(display_.root()), 0u);
    EXPECT_EQ(root_owner_of(0), 0u);
    EXPECT_EQ(process_id_of_window(0), 0u);
    EXPECT_EQ(executable_name_of_window(0), "");
    if (GetParam()) {
        const WindowHandle frame = display_.top_level_of(target.main_window);
        ASSERT_NE(frame, target.main_window);
        EXPECT_EQ(process_id_of_window(frame), 0u) << "a frame would name the window manager";
        EXPECT_EQ(root_owner_of(frame), target.main_window);
    }
}

TEST_P(WindowDirectory, lists_top_level_windows_with_title_and_class) {
    // 60 bytes of class, with a three-byte character across byte 49.
    const std::string long_class = std::string(47, 'C') + "监" + std::string(10, 'D');
    X11Target plain({"--title", "监控 target"});
    X11Target compound({"--wm-name-only", "--title", "héllo 监控", "--class", long_class, "--at", "300", "60"});
    ASSERT_TRUE(plain.started());
    ASSERT_TRUE(compound.started());

    const std::vector<WindowRecord> first = list_top_level_windows();
    const std::vector<WindowRecord> second = list_top_level_windows();
    ASSERT_EQ(first.size(), second.size()) << "a second enumeration repeats nothing";

    struct Row {
        const char* shows;
        WindowHandle handle;
        uint32_t process_id;
        std::string title;
        std::string class_name;
    };
    const Row rows[] = {
        {"a UTF-8 title from _NET_WM_NAME", plain.main_window, plain.pid(), "监控 target", "X11Target"},
        {"a dialog is a top-level window", plain.dialog_window, plain.pid(), "监控 target dialog", "X11Target"},
        {"compound text in WM_NAME; the class cut before the character at byte 49", compound.main_window,
         compound.pid(), "héllo 监控", std::string(47, 'C')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shows);
        const WindowRecord* record = find_record(first, row.handle);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->process_id, row.process_id);
        EXPECT_EQ(record->thread_id, 0u);
        EXPECT_EQ(record->title, row.title);
        EXPECT_EQ(record->class_name, row.class_name);
        EXPECT_NE(find_record(second, row.handle), nullptr);
    }
    EXPECT_EQ(find_record(first, plain.child_window), nullptr);
    if (GetParam()) {
        EXPECT_EQ(find_record(first, display_.top_level_of(plain.main_window)), nullptr) << "no frames";
    }
}

TEST_P(WindowDirectory, a_vanished_window_gives_empty_values) {
    X11Target target;
    ASSERT_TRUE(target.started());
    const Point over_child = display_.centre_of(target.child_window);
    target.stop();
    ASSERT_TRUE(display_.wait_until_gone(target.main_window));

    for (const WindowHandle gone : {target.main_window, target.child_window, target.dialog_window}) {
        EXPECT_EQ(root_owner_of(gone), 0u);
        EXPECT_EQ(process_id_of_window(gone), 0u);
        EXPECT_EQ(executable_name_of_window(gone), "");
    }
    // Where the window was, the pointer now finds what lay beneath it.
    display_.warp_pointer(over_child);
    EXPECT_NE(window_under_cursor(), target.child_window);
}

INSTANTIATE_TEST_SUITE_P(X11, WindowDirectory, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("under_openbox") : std::string("without_window_manager");
                         });

}  // namespace
}  // namespace tessivo
