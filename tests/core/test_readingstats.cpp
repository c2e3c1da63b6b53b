// Statistics of the readings: known sequences (with gaps), the visible range
// of a zoomed diagram, and the text shown under the diagram.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/SettingsStore.h"
#include "measurement/ReadingStats.h"
#include "measurement/SeriesModel.h"

using namespace pxr;

namespace {

constexpr double kGap = NAN; // an invalid reading in a sequence

struct StatsCase {
    const char* name;
    std::vector<double> readings;
    uint64_t count;
    uint64_t invalid;
    double mean;
    double sd; // sample standard deviation, worked out by hand
    double min;
    double max;
};

ReadingStats statsOf(const std::vector<double>& readings)
{
    ReadingStats s;
    for (double r : readings)
        s.add({0, std::isnan(r) ? 0.0 : r, !std::isnan(r)});
    return s;
}

class KnownSequences : public ::testing::TestWithParam<StatsCase> {};

} // namespace

TEST_P(KnownSequences, GiveTheirFigures)
{
    const StatsCase& c = GetParam();
    const ReadingStats s = statsOf(c.readings);
    EXPECT_EQ(s.count(), c.count);
    EXPECT_EQ(s.invalid(), c.invalid);
    EXPECT_NEAR(s.mean(), c.mean, 1e-9 * std::max(1.0, std::fabs(c.mean)));
    EXPECT_NEAR(s.standardDeviation(), c.sd, 1e-9);
    EXPECT_EQ(s.minimum(), c.min);
    EXPECT_EQ(s.maximum(), c.max);
}

INSTANTIATE_TEST_SUITE_P(
    Stats, KnownSequences,
    ::testing::Values(
        StatsCase{"OneToFive", {1, 2, 3, 4, 5}, 5, 0, 3, std::sqrt(2.5), 1, 5},
        StatsCase{"GapsCountedApart", {2, kGap, 4, kGap, kGap, 6}, 3, 3, 4, 2, 2, 6},
        StatsCase{"GapFirstAndLast", {kGap, 10.5, 10.5, kGap}, 2, 2, 10.5, 0, 10.5, 10.5},
        StatsCase{"Negative", {-1.5, -0.5, 0.5}, 3, 0, -0.5, 1, -1.5, 0.5},
        StatsCase{"OneReadingHasNoDeviation", {7.25}, 1, 0, 7.25, 0, 7.25, 7.25},
        StatsCase{"OnlyGaps", {kGap, kGap, kGap}, 0, 3, 0, 0, 0, 0},
        // Noise of a few units on a large value: a sum of squares loses it
        // to rounding, the running update keeps it (deviation sqrt(30)).
        StatsCase{"SmallNoiseOnALargeValue", {1e9 + 4, 1e9 + 7, 1e9 + 13, 1e9 + 16}, 4, 0, 1e9 + 10,
                  std::sqrt(30.0), 1e9 + 4, 1e9 + 16}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Stats, ClearStartsFromNothing)
{
    ReadingStats s = statsOf({100, kGap, 300});
    s.clear();
    EXPECT_EQ(s.count(), 0u);
    EXPECT_EQ(s.invalid(), 0u);
    s.add({0, -2, true});
    s.add({0, -4, true});
    EXPECT_EQ(s.minimum(), -4);
    EXPECT_EQ(s.maximum(), -2); // not the 300 from before the clear
    EXPECT_EQ(s.mean(), -3);
}

TEST(Stats, TextNamesEveryFigureWithTheGivenSeparator)
{
    EXPECT_EQ(FormatReadingStats(statsOf({2, kGap, 4, kGap, kGap, 6}), ','),
              "Count 3   Mean 4,0000   Std. Dev. 2,0000   Min 2,0000   Max 6,0000   Invalid 3");
    EXPECT_EQ(FormatReadingStats(statsOf({5.00049}), '.'),
              "Count 1   Mean 5.0005   Std. Dev. -   Min 5.0005   Max 5.0005   Invalid 0");
    EXPECT_EQ(FormatReadingStats(statsOf({kGap}), '.'),
              "Count 0   Mean -   Std. Dev. -   Min -   Max -   Invalid 1");
}

TEST(Stats, VisibleRangeTakesThePointsInsideTheTimeSpan)
{
    SeriesModel series(100);
    // t = 0..19, value = 10 t, every fifth point a gap.
    for (int i = 0; i < 20; ++i)
        series.AddDiagramPoint({double(i), 10.0 * i, i % 5 != 0});
    const ReadingStats s = StatsOfSeries(series, {5.0, 9.0}); // 5 is a gap; 6, 7, 8, 9
    EXPECT_EQ(s.count(), 4u);
    EXPECT_EQ(s.invalid(), 1u);
    EXPECT_DOUBLE_EQ(s.mean(), 75.0);
    EXPECT_EQ(s.minimum(), 60.0);
    EXPECT_EQ(s.maximum(), 90.0);
    EXPECT_EQ(StatsOfSeries(series, {20.5, 30.0}).count(), 0u);
}

TEST(Stats, DiagramTextHasASecondLineOnlyWhenZoomed)
{
    SeriesModel series(100);
    ReadingStats sinceClear;
    for (int i = 0; i < 10; ++i) {
        series.AddDiagramPoint({i * 0.5, double(i), true});
        sinceClear.add({0, double(i), true});
    }
    DiagramZoom zoom;
    const AxisRange visible{1.0, 2.0}; // points 2, 3, 4
    const std::string unzoomed = DiagramStatsText(sinceClear, series, zoom, visible, '.');
    EXPECT_EQ(unzoomed, "Since Clear:  " + FormatReadingStats(sinceClear, '.'));

    zoom.ZoomTo({visible, {0.0, 10.0}});
    const std::string zoomed = DiagramStatsText(sinceClear, series, zoom, visible, ',');
    EXPECT_EQ(zoomed, "Since Clear:  " + FormatReadingStats(sinceClear, ',') +
                          "\nVisible 1,000 .. 2,000 s:  Count 3   Mean 3,0000   Std. Dev. 1,0000   Min 2,0000   "
                          "Max 4,0000   Invalid 0");
}
