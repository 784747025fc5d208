#include "ui/canvas.h"

#include <QPaintEvent>
#include <QPen>
#include <algorithm>
#include <cstring>
#include <utility>

namespace tessivo {

namespace {

QColor to_qcolor(Rgb colour) { return QColor(colour.red, colour.green, colour.blue); }

QPen line_pen(Rgb colour) {
    QPen pen(to_qcolor(colour));
    pen.setWidth(1);
    pen.setCosmetic(true);
    return pen;
}

// A one-pixel line that is level or upright, written into the pixels: every
// pixel from one end to the other, both ends included, clipped to the image,
// as the painter draws it (the window tests compare the two). False for a
// slanted line or an image of another format, which are left to the painter.
bool write_straight_line(QImage& image, QRgb colour, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if ((x1 != x2 && y1 != y2) || image.format() != QImage::Format_RGB32) {
        return false;
    }
    const int64_t left = std::max<int64_t>(0, std::min(x1, x2));
    const int64_t right = std::min<int64_t>(image.width() - 1, std::max(x1, x2));
    const int64_t top = std::max<int64_t>(0, std::min(y1, y2));
    const int64_t bottom = std::min<int64_t>(image.height() - 1, std::max(y1, y2));
    if (left > right || top > bottom) {
        return true;  // wholly outside: nothing to draw
    }
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int64_t y = top; y <= bottom; ++y) {
        auto* const row = reinterpret_cast<QRgb*>(bits + y * stride);
        std::fill(row + left, row + right + 1, colour);
    }
    return true;
}

}  // namespace

Canvas::Canvas(QWidget* parent, const QRect& geometry) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(FRAME_WIDTH);
    setGeometry(geometry);
    // The frame and the image cover every pixel: nothing beneath needs painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The image covers the drawable area inside the frame and starts black,
    // the canvas's background.
    image_ = QImage(contentsRect().size(), QImage::Format_RGB32);
    image_.fill(to_qcolor(BACKGROUND_COLOUR));
}

void Canvas::paintEvent(QPaintEvent* event) {
    // A new picture repaints only inside the frame (see present()).
    if (!contentsRect().contains(event->rect())) {
        QFrame::paintEvent(event);  // the frame
    }
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), image_);
}

ChartCanvases::ChartCanvases(Canvas& drawing, Canvas& visible)
    : drawing_(drawing), visible_(visible) {}

ChartCanvases::~ChartCanvases() { end_painting(); }

int32_t ChartCanvases::width() const { return drawing_.width(); }

int32_t ChartCanvases::height() const { return drawing_.height(); }

void ChartCanvases::set_pen_colour(Rgb colour) {
    pen_colour_ = colour;
    if (painter_) {
        painter_->setPen(line_pen(pen_colour_));
    }
}

void ChartCanvases::clear() {
    own_drawing_pixels(false);
    drawing_.image().fill(to_qcolor(BACKGROUND_COLOUR));
}

void ChartCanvases::draw_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    own_drawing_pixels(true);
    if (write_straight_line(drawing_.image(), to_qcolor(pen_colour_).rgb(), x1, y1, x2, y2)) {
        return;
    }
    // Painting on the image clips to the drawable area by itself.
    painter().drawLine(x1, y1, x2, y2);
}

void ChartCanvases::present() {
    end_painting();
    // The visible canvas shares the drawing's pixels; the ones it showed
    // before become the spare buffer when nothing else holds them.
    QImage previous = std::exchange(visible_.image(), drawing_.image());
    if (previous.isDetached()) {
        spare_ = std::move(previous);
    }
    visible_.update(visible_.contentsRect());
}

void ChartCanvases::own_drawing_pixels(bool keep_pixels) {
    QImage& image = drawing_.image();
    if (image.isDetached()) {
        return;
    }
    end_painting();  // a painter keeps writing into the buffer it began on
    const bool spare_fits = spare_.isDetached() && spare_.size() == image.size() &&
                            spare_.format() == image.format() &&
                            spare_.bytesPerLine() == image.bytesPerLine();
    if (spare_fits) {
        if (keep_pixels) {
            std::memcpy(spare_.bits(), image.constBits(), static_cast<std::size_t>(image.sizeInBytes()));
        }
        image = std::exchange(spare_, QImage());
    } else if (keep_pixels) {
        image = image.copy();
    } else {
        image = QImage(image.size(), image.format());
    }
}

QPainter& ChartCanvases::painter() {
    if (!painter_) {
        painter_.emplace(&drawing_.image());
        painter_->setRenderHint(QPainter::Antialiasing, false);
        painter_->setCompositionMode(QPainter::CompositionMode_Source);
        painter_->setPen(line_pen(pen_colour_));
    }
    return *painter_;
}

void ChartCanvases::end_painting() { painter_.reset(); }

}  // namespace tessivo
