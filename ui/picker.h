#pragma once
// The window picker: press on the finder, drag it onto any window, release.
// It watches the picture box's mouse events itself (an event filter), so the
// main window only constructs it.
#include <QObject>
#include <memory>

class QCursor;
class QLabel;
class QLineEdit;
class QTimer;

namespace tessivo {

struct MonitorState;

class Picker : public QObject {
    Q_OBJECT
public:
    Picker(MonitorState& state, QLabel& picture_box, QLineEdit& process_id_box,
           QLabel& process_name_label);
    ~Picker() override;

    void finder_pressed();
    void finder_moved();
    void finder_released();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MonitorState& state_;
    QLabel& picture_box_;
    QLineEdit& process_id_box_;
    QLabel& process_name_label_;
    std::unique_ptr<QCursor> drag_cursor_;  // made at each press, freed when the drag ends
    // While dragging: notices a drag whose release never reached the box
    // (the grab was taken away) and ends it all the same.
    QTimer* release_watch_ = nullptr;
};

}  // namespace tessivo
