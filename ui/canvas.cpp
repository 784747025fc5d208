#include "ui/canvas.h"

#include <QPainter>
#include <QPen>

namespace tessivo {

namespace {

QColor to_qcolor(Rgb colour) { return QColor(colour.red, colour.green, colour.blue); }

}  // namespace

Canvas::Canvas(QWidget* parent, const QRect& geometry) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(FRAME_WIDTH);
    setGeometry(geometry);
    // The image covers the drawable area inside the frame and starts black,
    // the canvas's background.
    image_ = QImage(contentsRect().size(), QImage::Format_RGB32);
    image_.fill(to_qcolor(BACKGROUND_COLOUR));
}

void Canvas::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);  // the frame
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), image_);
}

ChartCanvases::ChartCanvases(Canvas& drawing, Canvas& visible)
    : drawing_(drawing), visible_(visible) {}

int32_t ChartCanvases::width() const { return drawing_.width(); }

int32_t ChartCanvases::height() const { return drawing_.height(); }

void ChartCanvases::set_pen_colour(Rgb colour) { pen_colour_ = colour; }

void ChartCanvases::clear() { drawing_.image().fill(to_qcolor(BACKGROUND_COLOUR)); }

void ChartCanvases::draw_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    // Painting on the image clips to the drawable area by itself.
    QPainter painter(&drawing_.image());
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    QPen pen(to_qcolor(pen_colour_));
    pen.setWidth(1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.drawLine(x1, y1, x2, y2);
}

void ChartCanvases::present() {
    visible_.image() = drawing_.image().copy();
    visible_.update();
}

}  // namespace tessivo
