#include "ui/picker.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>

#include "monitor/monitor_state.h"

namespace tessivo {

// The drag itself is being written; until then the finder only sits in its box.
Picker::Picker(MonitorState& state, QLabel& picture_box, QLineEdit& process_id_box,
               QLabel& process_name_label)
    : state_(state), picture_box_(picture_box), process_id_box_(process_id_box),
      process_name_label_(process_name_label) {}

void Picker::finder_pressed() {}
void Picker::finder_moved() {}
void Picker::finder_released() {}

bool Picker::eventFilter(QObject* watched, QEvent* event) {
    return QObject::eventFilter(watched, event);
}

}  // namespace tessivo
