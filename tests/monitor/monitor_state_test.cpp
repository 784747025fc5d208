// The series, the tolerant sort and the rules for the memory extremes.
#include <gtest/gtest.h>

#include <vector>

#include "monitor/monitor_state.h"
#include "recording_window.h"

namespace tessivo {
namespace {

using testing::series_of;

TEST(SortDescending, OrdersLargestFirstWithinTolerance) {
    struct Case {
        const char* shows;
        std::vector<double> input;
        std::vector<double> sorted;
    };
    const Case cases[] = {
        {"three readings", {3, 9, 5}, {9, 5, 3}},
        {"an empty series stays empty", {}, {}},
        {"one reading stays", {42}, {42}},
        {"already sorted stays", {9, 5, 3}, {9, 5, 3}},
        {"ascending is reversed", {1, 2, 3, 4, 5}, {5, 4, 3, 2, 1}},
        {"equal readings keep together", {1, 2, 2, 1}, {2, 2, 1, 1}},
        {"within 1e-7: not exchanged (larger first)", {100.00000005, 100.0}, {100.00000005, 100.0}},
        {"within 1e-7: not exchanged (smaller first)", {100.0, 100.00000005}, {100.0, 100.00000005}},
        {"just beyond 1e-7: exchanged", {100.0, 100.0000002}, {100.0000002, 100.0}},
        {"negative signal values", {-2, 0.5, -1}, {0.5, -1, -2}},
    };
    for (const Case& c : cases) {
        SampleSeries series = series_of(c.input);
        sort_descending(series);
        EXPECT_EQ(series.values(), c.sorted) << c.shows;
    }
}

TEST(MemoryExtremes, RecomputeTakesTheExtremesAndKeepsTheLiveOrder) {
    MonitorState state;
    state.memory_series = series_of({3, 9, 5});
    state.memory_min_kb = -100;
    state.memory_max_kb = 100;
    recompute_memory_extremes(state);
    EXPECT_EQ(state.memory_min_kb, 3);
    EXPECT_EQ(state.memory_max_kb, 9);
    EXPECT_EQ(state.memory_series.values(), (std::vector<double>{3, 9, 5}));
}

TEST(MemoryExtremes, TouchesAnExtremeWithinTolerance) {
    struct Case {
        const char* shows;
        double value;
        int32_t min;
        int32_t max;
        bool touches;
    };
    const Case cases[] = {
        {"equal to the maximum", 500, 400, 500, true},
        {"equal to the minimum", 500, 500, 600, true},
        {"strictly between", 500, 400, 600, false},
        {"above the maximum", 700, 400, 600, true},
        {"below the minimum", 300, 400, 600, true},
        {"a hair below the maximum", 600 - 5e-8, 400, 600, true},
        {"a hair above the minimum", 400 + 5e-8, 400, 600, true},
        {"inside, beyond the tolerance", 400 + 2e-7, 400, 600, false},
    };
    for (const Case& c : cases) {
        MonitorState state;
        state.memory_min_kb = c.min;
        state.memory_max_kb = c.max;
        EXPECT_EQ(touches_memory_extreme(state, c.value), c.touches) << c.shows;
    }
}

TEST(MemoryExtremes, WidenMovesOnlyTheExtremeItPasses) {
    struct Case {
        const char* shows;
        int32_t reading;
        int32_t min_after;
        int32_t max_after;
    };
    const Case cases[] = {
        {"a failed reading of 0 lowers the minimum", 0, 0, 2000},
        {"a reading between changes nothing", 1500, 1000, 2000},
        {"a larger reading raises the maximum", 2500, 1000, 2500},
        {"a reading equal to the minimum changes nothing", 1000, 1000, 2000},
    };
    for (const Case& c : cases) {
        MonitorState state;
        state.memory_min_kb = 1000;
        state.memory_max_kb = 2000;
        widen_memory_extremes(state, c.reading);
        EXPECT_EQ(state.memory_min_kb, c.min_after) << c.shows;
        EXPECT_EQ(state.memory_max_kb, c.max_after) << c.shows;
    }
}

TEST(SeriesPairs, AppendRemoveAndClearKeepThePairing) {
    MonitorState state;
    remove_oldest_pair(state);  // nothing to remove
    EXPECT_EQ(state.memory_series.count(), 0);
    EXPECT_EQ(state.cpu_series.count(), 0);

    append_pair(state, -2.0, 100);
    append_pair(state, 0.5, 200);
    EXPECT_EQ(state.memory_series.values(), (std::vector<double>{100, 200}));
    EXPECT_EQ(state.cpu_series.values(), (std::vector<double>{-2.0, 0.5}));

    remove_oldest_pair(state);
    EXPECT_EQ(state.memory_series.values(), (std::vector<double>{200}));
    EXPECT_EQ(state.cpu_series.values(), (std::vector<double>{0.5}));

    clear_series(state);
    EXPECT_EQ(state.memory_series.count(), 0);
    EXPECT_EQ(state.cpu_series.count(), 0);
}

}  // namespace
}  // namespace tessivo
