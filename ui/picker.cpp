#include "ui/picker.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>

#include "monitor/monitor_state.h"
#include "probes/window_directory.h"
#include "text/number_text.h"
#include "ui/finder_image.h"

namespace tessivo {
namespace {

QPixmap finder_pixmap() {
    const auto bytes = finder_image();
    QPixmap pixmap;
    pixmap.loadFromData(bytes.data(), static_cast<uint>(bytes.size()), "CUR");
    return pixmap;
}

// The hot spot of a cursor file is in its first directory entry: two
// little-endian 16-bit values at byte offsets 10 (x) and 12 (y). Qt's reader
// drops it, so it is read here.
QCursor finder_cursor() {
    const auto bytes = finder_image();
    const int hot_x = bytes[10] | (bytes[11] << 8);
    const int hot_y = bytes[12] | (bytes[13] << 8);
    return QCursor(finder_pixmap(), hot_x, hot_y);
}

// The window lookups speak X11; on any other Qt platform (Wayland, offscreen)
// the pointer's window cannot be known and no window is found.
bool windows_can_be_looked_up() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

// How often a drag checks that the left button is still held, ms.
constexpr int RELEASE_WATCH_PERIOD = 100;

}  // namespace

Picker::Picker(MonitorState& state, QLabel& picture_box, QLineEdit& process_id_box,
               QLabel& process_name_label)
    : state_(state), picture_box_(picture_box), process_id_box_(process_id_box),
      process_name_label_(process_name_label) {
    picture_box_.installEventFilter(this);
    release_watch_ = new QTimer(this);
    release_watch_->setInterval(RELEASE_WATCH_PERIOD);
    // The server ends a grab when the grabbing window is unmapped, and the
    // release then goes elsewhere: once the button is up, the drag is over.
    connect(release_watch_, &QTimer::timeout, this, [this] {
        if (state_.picker_dragging != 0 && left_button_up()) finder_released();
    });
}

Picker::~Picker() = default;

void Picker::finder_pressed() {
    // Made from the image bytes directly: no file is written for it.
    drag_cursor_ = std::make_unique<QCursor>(finder_cursor());
    picture_box_.setCursor(*drag_cursor_);
    // Every move and the release reach the box until the button is let go,
    // wherever the pointer is; the cursor shows the finder everywhere.
    picture_box_.grabMouse(*drag_cursor_);
    // Escape ends a drag too (see eventFilter).
    picture_box_.grabKeyboard();
    picture_box_.setPixmap(QPixmap());
    state_.picker_dragging = 1;
    if (windows_can_be_looked_up()) release_watch_->start();
}

void Picker::finder_moved() {
    if (state_.picker_dragging == 0) return;
    const WindowHandle under = windows_can_be_looked_up() ? window_under_cursor() : 0;
    if (under == 0) return;
    // Looked up afresh on every move, even over the same window as before.
    const WindowHandle owner = root_owner_of(under);
    process_id_box_.setText(QString::fromStdString(int_to_text(process_id_of_window(owner))));
    process_name_label_.setText(QString::fromStdString(executable_name_of_window(owner)));
}

void Picker::finder_released() {
    // Only a grab that the box holds is let go: releasing on behalf of
    // another widget would end that widget's grab.
    if (QWidget::mouseGrabber() == &picture_box_) picture_box_.releaseMouse();
    if (QWidget::keyboardGrabber() == &picture_box_) picture_box_.releaseKeyboard();
    picture_box_.unsetCursor();
    picture_box_.setPixmap(finder_pixmap());
    state_.picker_dragging = 0;
    release_watch_->stop();
    drag_cursor_.reset();
}

bool Picker::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &picture_box_) return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) break;
        finder_pressed();
        return true;
    case QEvent::MouseMove:
        finder_moved();
        return true;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) break;
        finder_released();
        return true;
    case QEvent::KeyPress:
        if (state_.picker_dragging != 0 && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            finder_released();
            return true;
        }
        break;
    case QEvent::UngrabMouse:
        // The grab ended without a release reaching the box (another widget
        // took it): the drag is over all the same.
        if (state_.picker_dragging != 0) finder_released();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tessivo
