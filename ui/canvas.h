#pragma once
// The chart's canvases: framed widgets that keep their picture in an image,
// and the pair of them (hidden drawing canvas, visible canvas) as the chart
// draws on them.
#include <QFrame>
#include <QImage>

#include "ui/chart.h"

namespace tessivo {

// A sunken frame around a kept image; the widget repaints from the image.
class Canvas : public QFrame {
public:
    // Position and outer size in the parent's client area; they never change.
    Canvas(QWidget* parent, const QRect& geometry);

    static constexpr int FRAME_WIDTH = 2;  // pixels of the sunken frame on each side

    QImage& image() { return image_; }
    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;  // the drawable area, inside the frame
};

// 画板1 receives every drawing operation; 画板2 changes only by present().
class ChartCanvases : public ChartSurface {
public:
    ChartCanvases(Canvas& drawing, Canvas& visible);

    int32_t width() const override;
    int32_t height() const override;
    void set_pen_colour(Rgb colour) override;
    void clear() override;
    void draw_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    void present() override;

private:
    Canvas& drawing_;
    Canvas& visible_;
    Rgb pen_colour_ = GRID_COLOUR;
};

}  // namespace tessivo
