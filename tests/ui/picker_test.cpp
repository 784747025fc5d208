// The picker in the real window under a real X server, driven by the real
// pointer (XTest), once without a window manager and once under openbox.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/x11_target_process.h"
#include "tests/ui/picker_x11_driver.h"
#include "ui/main_window.h"

namespace tessivo {
namespace {

using testing::ScreenPoint;
using testing::X11Driver;
using testing::X11Target;

QString q(const char* utf8) { return QString::fromUtf8(utf8); }

// Rounds of event processing before a test gives up on an effect; a bound
// against hanging, not a measurement.
constexpr int ROUNDS = 400;

bool settle_until(const std::function<bool()>& effect) {
    for (int round = 0; round < ROUNDS; ++round) {
        if (effect()) return true;
        QTest::qWait(10);
    }
    return effect();
}

std::string own_executable_name() {
    char path[4096] = {};
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    const std::string full(path, length > 0 ? static_cast<std::size_t>(length) : 0);
    return full.substr(full.rfind('/') + 1);
}

class Picker : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != q("xcb")) GTEST_SKIP() << "Qt does not run on X11 here";
        if (!driver_.open()) GTEST_SKIP() << "no X server answers on $DISPLAY";
        if (GetParam() && !driver_.window_manager_running()) GTEST_SKIP() << "openbox could not be started";
        ASSERT_TRUE(log_dir_.isValid());
        window_ = std::make_unique<MainWindow>(log_dir_.path().toStdString() + "/");
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        box_ = window_->findChild<QLabel*>(q("图片框1"));
        id_box_ = window_->findChild<QLineEdit*>(q("编辑框进程ID"));
        name_label_ = window_->findChild<QLabel*>(q("标签进程名"));
        ASSERT_TRUE(box_ != nullptr && id_box_ != nullptr && name_label_ != nullptr);
    }
    void TearDown() override {
        if (window_ && window_->monitor().state().picker_dragging != 0) driver_.release_left();
        window_.reset();
    }

    ScreenPoint on_screen(QWidget* widget, QPoint inside) {
        const QPoint global = widget->mapToGlobal(inside);
        return {global.x(), global.y()};
    }
    ScreenPoint finder_centre() { return on_screen(box_, box_->rect().center()); }
    bool dragging() { return window_->monitor().state().picker_dragging != 0; }

    void press_on_finder() {
        driver_.move_pointer(finder_centre());
        QTest::qWait(20);
        driver_.press_left();
        ASSERT_TRUE(settle_until([this] { return dragging(); }));
    }
    // Moves onto the point until the boxes show the expected process; the
    // pointer nudges by a pixel each round, since only moves look anything up.
    bool drag_until(ScreenPoint to, const std::function<bool()>& effect) {
        for (int round = 0; round < ROUNDS; ++round) {
            driver_.move_pointer({to.x + round % 2, to.y});
            QTest::qWait(10);
            if (effect()) return true;
        }
        return false;
    }
    bool shows(uint32_t process_id, const std::string& name) {
        return id_box_->text() == QString::number(process_id) && name_label_->text() == QString::fromStdString(name);
    }
    bool idle_again() {
        return !dragging() && !box_->pixmap().isNull() && QWidget::mouseGrabber() == nullptr &&
               QGuiApplication::overrideCursor() == nullptr && !box_->testAttribute(Qt::WA_SetCursor);
    }

    X11Driver driver_{GetParam()};
    QTemporaryDir log_dir_;
    std::unique_ptr<MainWindow> window_;
    QLabel* box_ = nullptr;
    QLineEdit* id_box_ = nullptr;
    QLabel* name_label_ = nullptr;
};

// A real X client that sets no _NET_WM_PID, killed when the test ends.
class Xlogo {
public:
    Xlogo() {
        process_.start(q("xlogo"), {q("-geometry"), q("160x160+60+40")});
        process_.waitForStarted();
    }
    ~Xlogo() {
        process_.kill();
        process_.waitForFinished();
    }
    uint32_t pid() const { return static_cast<uint32_t>(process_.processId()); }

private:
    QProcess process_;
};

TEST_P(Picker, a_drag_shows_the_process_of_each_window_it_passes) {
    // Clear of the tool's window, which stays on top in the screen's centre.
    X11Target target({"--at", "900", "40"});
    ASSERT_TRUE(target.started());
    Xlogo xlogo;
    ASSERT_NE(xlogo.pid(), 0u);

    struct Row {
        const char* shows;
        ScreenPoint at;
        uint32_t process_id;
        std::string name;
    };
    const Row rows[] = {
        {"a child window of another program", driver_.centre_of(target.child_window), target.pid(), "x11_target"},
        {"a dialog of that program", driver_.centre_of(target.dialog_window), target.pid(), "x11_target"},
        {"a client without _NET_WM_PID", {140, 120}, xlogo.pid(), "xlogo"},
        {"the tool's own window", on_screen(window_.get(), {60, 320}),
         static_cast<uint32_t>(QCoreApplication::applicationPid()), own_executable_name()},
    };
    press_on_finder();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shows);
        EXPECT_TRUE(drag_until(row.at, [&] { return shows(row.process_id, row.name); }))
            << "box " << id_box_->text().toStdString() << ", label " << name_label_->text().toStdString();
        EXPECT_TRUE(dragging());
        EXPECT_TRUE(box_->pixmap().isNull()) << "the finder is lifted out of its box";
    }
    driver_.release_left();
    EXPECT_TRUE(settle_until([this] { return idle_again(); }));
    EXPECT_TRUE(shows(static_cast<uint32_t>(QCoreApplication::applicationPid()), own_executable_name()))
        << "a release keeps what the last move wrote";
}

TEST_P(Picker, moves_without_a_press_change_nothing) {
    X11Target target({"--at", "900", "40"});
    ASSERT_TRUE(target.started());
    const QString id_before = id_box_->text();
    const QString name_before = name_label_->text();
    for (const ScreenPoint at : {finder_centre(), driver_.centre_of(target.main_window), finder_centre()}) {
        driver_.move_pointer(at);
        QTest::qWait(50);
    }
    EXPECT_EQ(id_box_->text(), id_before);
    EXPECT_EQ(name_label_->text(), name_before);
    EXPECT_TRUE(idle_again());
}

TEST_P(Picker, the_finder_and_pointer_are_lifted_for_a_drag_and_put_back_after) {
    ASSERT_TRUE(idle_again());
    press_on_finder();
    EXPECT_TRUE(box_->pixmap().isNull());
    EXPECT_EQ(QWidget::mouseGrabber(), box_);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BitmapCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor()->hotSpot(), QPoint(3, 2));
    EXPECT_EQ(QGuiApplication::overrideCursor()->pixmap().size(), QSize(32, 32));
    driver_.release_left();
    EXPECT_TRUE(settle_until([this] { return idle_again(); }));
    EXPECT_EQ(box_->pixmap().size(), QSize(32, 32));
}

TEST_P(Picker, a_drag_whose_release_never_arrives_ends_all_the_same) {
    X11Target target({"--at", "900", "40"});
    ASSERT_TRUE(target.started());
    struct Row {
        const char* shows;
        std::function<void()> end_the_grab;
    };
    const Row rows[] = {
        {"Escape during the drag", [this] { driver_.press_escape(); }},
        // The server ends a grab whose window is unmapped; the release then
        // lands on the other program.
        {"the grab taken away, the button let go elsewhere",
         [this] {
             driver_.unmap_and_map(window_->winId());
             driver_.release_left();
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shows);
        press_on_finder();
        ASSERT_TRUE(drag_until(driver_.centre_of(target.main_window), [&] { return shows(target.pid(), "x11_target"); }));
        row.end_the_grab();
        EXPECT_TRUE(settle_until([this] { return idle_again(); }));
        EXPECT_TRUE(shows(target.pid(), "x11_target"));
        driver_.release_left();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }
}

TEST_P(Picker, a_running_monitor_measures_the_picked_process_from_its_next_tick) {
    X11Target target({"--at", "900", "40"});
    ASSERT_TRUE(target.started());
    QProcess first;
    first.start(q("/bin/sleep"), {q("1000")});
    ASSERT_TRUE(first.waitForStarted());
    auto* start = window_->findChild<QPushButton*>(q("按钮开始监控"));
    auto* interval = window_->findChild<QLineEdit*>(q("编辑框速度"));
    auto* records = window_->findChild<QPlainTextEdit*>(q("编辑框文本显示"));
    ASSERT_TRUE(start != nullptr && interval != nullptr && records != nullptr);
    const auto record_count = [records] { return records->toPlainText().count(q("内存:")); };

    interval->setText(q("100"));
    id_box_->setText(QString::number(first.processId()));
    start->click();
    ASSERT_TRUE(settle_until([&] { return record_count() >= 2; }));

    press_on_finder();
    ASSERT_TRUE(drag_until(driver_.centre_of(target.main_window), [&] { return shows(target.pid(), "x11_target"); }));
    driver_.release_left();
    ASSERT_TRUE(settle_until([this] { return idle_again(); }));

    // The first process gone, readings still come: they are the picked one's.
    first.kill();
    first.waitForFinished();
    const auto before = record_count();
    EXPECT_TRUE(settle_until([&] { return record_count() >= before + 3; }));
    start->click();
}

INSTANTIATE_TEST_SUITE_P(X11, Picker, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("under_openbox") : std::string("without_window_manager");
                         });

}  // namespace
}  // namespace tessivo
