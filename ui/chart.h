#pragma once
// The chart: grid and curves as line segments (pure arithmetic), and the four
// drawing operations on a pair of canvases (a hidden drawing canvas and the
// visible one that only receives whole copies of it).
#include <cstdint>
#include <vector>

#include "monitor/monitor_state.h"

namespace tessivo {

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb BACKGROUND_COLOUR{0, 0, 0};
inline constexpr Rgb GRID_COLOUR{0, 128, 0};
inline constexpr Rgb MEMORY_COLOUR{0, 0, 255};
inline constexpr Rgb CPU_COLOUR{255, 0, 0};

struct ChartSegment {
    Rgb colour;
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;
    bool operator==(const ChartSegment&) const = default;
};

std::vector<ChartSegment> grid_lines(int32_t width, int32_t height, int32_t grid_spacing);
std::vector<ChartSegment> memory_curve(int32_t height, const SampleSeries& memory_series,
                                       int32_t memory_min_kb, int32_t memory_max_kb,
                                       int32_t x_step);
std::vector<ChartSegment> cpu_curve(int32_t height, const SampleSeries& cpu_series, int32_t x_step);

// The two canvases as the chart sees them. The window implements it with images.
class ChartSurface {
public:
    virtual ~ChartSurface() = default;
    // Outer size of the drawing canvas, frame included.
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    virtual void set_pen_colour(Rgb colour) = 0;
    // Paints the drawing canvas's drawable area with the background colour.
    virtual void clear() = 0;
    // A one-pixel line in the pen colour, coordinates from the drawable area's corner.
    virtual void draw_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
    // Copies the drawing canvas onto the visible one: the only way the visible one changes.
    virtual void present() = 0;
};

void clear_drawing_canvas(ChartSurface& surface);
void draw_grid(ChartSurface& surface, const MonitorState& state);  // ends with show_chart
void draw_curves(ChartSurface& surface, const MonitorState& state);
void show_chart(ChartSurface& surface);

}  // namespace tessivo
