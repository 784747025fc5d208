#pragma once
// The window picker: press on the finder, drag it onto any window, release.
// It watches the picture box's mouse events itself (an event filter), so the
// main window only constructs it.
#include <QObject>

class QLabel;
class QLineEdit;

namespace tessivo {

struct MonitorState;

class Picker : public QObject {
    Q_OBJECT
public:
    Picker(MonitorState& state, QLabel& picture_box, QLineEdit& process_id_box,
           QLabel& process_name_label);

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
};

}  // namespace tessivo
