#pragma once
// The chart's canvases: framed widgets that keep their picture in an image,
// and the pair of them (hidden drawing canvas, visible canvas) as the chart
// draws on them.
#include <QFrame>
#include <QImage>
#include <QPainter>
#include <optional>

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
//
// A tick clears, draws and presents twice; this keeps it free of image copies
// where it can. present() hands the drawing's pixels to the visible canvas
// shared (QImage's implicit sharing), and the next change of the drawing
// first moves it onto a spare buffer of the same size: clear() needs no copy
// at all, a line after a present() one plain copy of the pixels, and no
// buffer is allocated once three exist. Level and upright lines are written
// into the pixels directly; slanted ones go through one painter kept open
// until the next clear() or present().
class ChartCanvases : public ChartSurface {
public:
    ChartCanvases(Canvas& drawing, Canvas& visible);
    ~ChartCanvases() override;
    ChartCanvases(const ChartCanvases&) = delete;
    ChartCanvases& operator=(const ChartCanvases&) = delete;

    int32_t width() const override;
    int32_t height() const override;
    void set_pen_colour(Rgb colour) override;
    void clear() override;
    void draw_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    void present() override;

private:
    // Makes the drawing's image the only holder of its pixels before it is
    // changed; keep_pixels false when the change paints every pixel anyway.
    void own_drawing_pixels(bool keep_pixels);
    QPainter& painter();
    void end_painting();

    Canvas& drawing_;
    Canvas& visible_;
    Rgb pen_colour_ = GRID_COLOUR;
    QImage spare_;                    // a buffer the visible canvas gave back, for reuse
    std::optional<QPainter> painter_; // open on the drawing's image, pen set
};

}  // namespace tessivo
