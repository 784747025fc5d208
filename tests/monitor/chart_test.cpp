// Chart geometry with the standard 480 x 207 canvas, and the drawing order.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "recording_window.h"
#include "ui/chart.h"

namespace tessivo {
namespace {

using testing::ChartEvent;
using testing::RecordingChart;
using testing::series_of;

using Point = std::pair<int32_t, int32_t>;

// The polyline that a list of segments draws, or empty when it draws none.
std::vector<Point> points_of(const std::vector<ChartSegment>& segments) {
    std::vector<Point> points;
    for (const ChartSegment& segment : segments) {
        if (points.empty()) {
            points.emplace_back(segment.x1, segment.y1);
        }
        EXPECT_EQ(points.back(), Point(segment.x1, segment.y1)) << "segments join end to start";
        points.emplace_back(segment.x2, segment.y2);
    }
    return points;
}

TEST(GridLines, VerticalLinesThenHorizontalNoneAtZero) {
    std::vector<ChartSegment> expected;
    for (int32_t x = 10; x <= 480; x += 10) {
        expected.push_back(ChartSegment{GRID_COLOUR, x, 0, x, 207});
    }
    for (int32_t y = 10; y <= 200; y += 10) {
        expected.push_back(ChartSegment{GRID_COLOUR, 0, y, 480, y});
    }
    EXPECT_EQ(grid_lines(480, 207, 10), expected);
    EXPECT_EQ(grid_lines(9, 9, 10).size(), 0u) << "a canvas smaller than the spacing has no line";
}

TEST(MemoryCurve, PointsFromTheExtremes) {
    struct Case {
        const char* shows;
        int32_t min;
        int32_t max;
        std::vector<double> readings;
        std::vector<Point> points;
    };
    const Case cases[] = {
        {"three fifths of the height between the extremes", 800, 1000, {800, 900, 1000, 950},
         {{0, 166}, {5, 103}, {10, 41}, {15, 72}}},
        {"equal extremes force range 1, far points are not clamped", 0, 0, {0, 5},
         {{0, 103}, {5, -518}}},
        {"an odd sum of the extremes halves toward zero", 800, 1001, {800, 1001},
         {{0, 165}, {5, 41}}},
        {"maximum below minimum behaves as range 1", 10, 0, {5, 6}, {{0, 103}, {5, -21}}},
        {"all readings at mid lie flat on the half height", 900, 900, {900, 900, 900},
         {{0, 103}, {5, 103}, {10, 103}}},
        {"one reading draws nothing", 800, 1000, {900}, {}},
        {"no reading draws nothing", 800, 1000, {}, {}},
    };
    for (const Case& c : cases) {
        const auto segments = memory_curve(207, series_of(c.readings), c.min, c.max, 5);
        EXPECT_EQ(points_of(segments), c.points) << c.shows;
        for (const ChartSegment& segment : segments) {
            EXPECT_EQ(segment.colour, MEMORY_COLOUR) << c.shows;
        }
    }
}

TEST(CpuCurve, HeightOfEachReading) {
    struct Case {
        const char* shows;
        double reading;
        int32_t y;
    };
    const Case cases[] = {
        {"0 % at 95 % of the height", 0, 196},
        {"50 %", 50, 103},
        {"100 % at 5 % of the height", 100, 10},
        {"no reading (-1) just below 0 %", -1, 198},
        {"baseline just taken (-2)", -2, 200},
        {"106 % truncates toward zero to 0", 106, 0},
        {"110 % truncates toward zero to -8", 110, -8},
    };
    for (const Case& c : cases) {
        const auto segments = cpu_curve(207, series_of({0, c.reading}), 5);
        ASSERT_EQ(segments.size(), 1u) << c.shows;
        EXPECT_EQ(segments[0], (ChartSegment{CPU_COLOUR, 0, 196, 5, c.y})) << c.shows;
    }
    EXPECT_TRUE(cpu_curve(207, series_of({12.5}), 5).empty()) << "one reading draws nothing";
}

TEST(ChartDrawing, GridPresentsAndCurvesLeaveTheCpuPen) {
    MonitorState state;
    state.grid_spacing = 10;
    state.x_step = 5;
    state.memory_min_kb = 800;
    state.memory_max_kb = 1000;
    state.memory_series = series_of({800, 1000, 900});
    state.cpu_series = series_of({-2, 50, 100});
    RecordingChart chart;

    clear_drawing_canvas(chart);
    draw_grid(chart, state);
    draw_curves(chart, state);
    show_chart(chart);

    std::vector<ChartEvent> expected{{ChartEvent::CLEAR, {}, {}}, {ChartEvent::PEN, GRID_COLOUR, {}}};
    for (const ChartSegment& line : grid_lines(480, 207, 10)) {
        expected.push_back({ChartEvent::LINE, {}, line});
    }
    expected.push_back({ChartEvent::PRESENT, {}, {}});
    expected.push_back({ChartEvent::PEN, MEMORY_COLOUR, {}});
    for (const ChartSegment& line : memory_curve(207, state.memory_series, 800, 1000, 5)) {
        expected.push_back({ChartEvent::LINE, {}, line});
    }
    expected.push_back({ChartEvent::PEN, CPU_COLOUR, {}});
    for (const ChartSegment& line : cpu_curve(207, state.cpu_series, 5)) {
        expected.push_back({ChartEvent::LINE, {}, line});
    }
    expected.push_back({ChartEvent::PRESENT, {}, {}});
    EXPECT_EQ(chart.events, expected);
    EXPECT_EQ(chart.pen, CPU_COLOUR);

    chart.events.clear();
    draw_grid(chart, state);
    EXPECT_EQ(chart.events.front(), (ChartEvent{ChartEvent::PEN, GRID_COLOUR, {}}))
        << "the grid sets its own pen again";
}

}  // namespace
}  // namespace tessivo
