#include "ui/chart.h"

#include "text/number_text.h"

namespace tessivo {

namespace {

// A point of a curve before it becomes whole pixels.
struct CurvePoint {
    double x = 0.0;
    double y = 0.0;
};

// Joins neighbouring points; each coordinate is truncated toward zero only now.
std::vector<ChartSegment> join_points(const std::vector<CurvePoint>& points, Rgb colour) {
    std::vector<ChartSegment> segments;
    for (std::size_t k = 1; k < points.size(); ++k) {
        segments.push_back(ChartSegment{colour, truncate_to_int32(points[k - 1].x),
                                        truncate_to_int32(points[k - 1].y),
                                        truncate_to_int32(points[k].x),
                                        truncate_to_int32(points[k].y)});
    }
    return segments;
}

// x of reading k: 0 for the oldest, then x_step further right each reading
// (accumulated as a double, like the y values).
template <typename YOf>
std::vector<CurvePoint> curve_points(const SampleSeries& series, int32_t x_step, YOf y_of) {
    std::vector<CurvePoint> points;
    points.reserve(series.values().size());
    double x = 0.0;
    for (int32_t k = 0; k < series.count(); ++k) {
        if (k > 0) {
            x += static_cast<double>(x_step);
        }
        points.push_back(CurvePoint{x, y_of(series[k])});
    }
    return points;
}

}  // namespace

std::vector<ChartSegment> grid_lines(int32_t width, int32_t height, int32_t grid_spacing) {
    std::vector<ChartSegment> lines;
    if (grid_spacing <= 0) {
        return lines;
    }
    const double spacing = static_cast<double>(grid_spacing);
    // No line at x = 0 or y = 0; the last vertical line may sit on x = width.
    const int32_t vertical = truncate_to_int32(static_cast<double>(width) / spacing);
    for (int32_t i = 1; i <= vertical; ++i) {
        const int32_t x = truncate_to_int32(static_cast<double>(i) * spacing);
        lines.push_back(ChartSegment{GRID_COLOUR, x, 0, x, height});
    }
    const int32_t horizontal = truncate_to_int32(static_cast<double>(height) / spacing);
    for (int32_t j = 1; j <= horizontal; ++j) {
        const int32_t y = truncate_to_int32(static_cast<double>(j) * spacing);
        lines.push_back(ChartSegment{GRID_COLOUR, 0, y, width, y});
    }
    return lines;
}

// The readings between the extremes span three fifths of the height, centred
// on the middle of the canvas; points beyond the canvas are left to clipping.
std::vector<ChartSegment> memory_curve(int32_t height, const SampleSeries& memory_series,
                                       int32_t memory_min_kb, int32_t memory_max_kb,
                                       int32_t x_step) {
    const double max = static_cast<double>(memory_max_kb);
    const double min = static_cast<double>(memory_min_kb);
    int32_t range = truncate_to_int32(max - min);
    if (range < 1) {
        range = 1;
    }
    const double scale = ((static_cast<double>(height) * 3.0) / 5.0) / static_cast<double>(range);
    const int32_t half = truncate_to_int32(static_cast<double>(height) / 2.0);
    const int32_t mid = truncate_to_int32(static_cast<double>(floor_to_int(max + min)) / 2.0);
    const auto points = curve_points(memory_series, x_step, [&](double reading) {
        const double offset = static_cast<double>(floor_to_int(scale * (reading - static_cast<double>(mid))));
        return static_cast<double>(half) - offset;
    });
    return join_points(points, MEMORY_COLOUR);
}

// 0 % sits at 95 % of the height and 100 % at 5 %; the signal values -1 and -2
// land just below the 0 % line.
std::vector<ChartSegment> cpu_curve(int32_t height, const SampleSeries& cpu_series, int32_t x_step) {
    const double slope = (static_cast<double>(height) * 18.0) / 2000.0;
    const double base = (static_cast<double>(height) * 19.0) / 20.0;
    const auto points = curve_points(cpu_series, x_step,
                                     [&](double reading) { return base - reading * slope; });
    return join_points(points, CPU_COLOUR);
}

namespace {

void draw_segments(ChartSurface& surface, const std::vector<ChartSegment>& segments) {
    for (const ChartSegment& segment : segments) {
        surface.draw_line(segment.x1, segment.y1, segment.x2, segment.y2);
    }
}

}  // namespace

void clear_drawing_canvas(ChartSurface& surface) { surface.clear(); }

void draw_grid(ChartSurface& surface, const MonitorState& state) {
    surface.set_pen_colour(GRID_COLOUR);
    draw_segments(surface, grid_lines(surface.width(), surface.height(), state.grid_spacing));
    show_chart(surface);
}

// Leaves the pen in the CPU colour.
void draw_curves(ChartSurface& surface, const MonitorState& state) {
    const int32_t height = surface.height();
    surface.set_pen_colour(MEMORY_COLOUR);
    draw_segments(surface, memory_curve(height, state.memory_series, state.memory_min_kb,
                                        state.memory_max_kb, state.x_step));
    surface.set_pen_colour(CPU_COLOUR);
    draw_segments(surface, cpu_curve(height, state.cpu_series, state.x_step));
}

void show_chart(ChartSurface& surface) { surface.present(); }

}  // namespace tessivo
