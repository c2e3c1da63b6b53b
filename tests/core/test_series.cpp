// The diagram's series model, its zoom arithmetic and the setup dialog's rules.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "measurement/GraphicSetup.h"
#include "measurement/SeriesModel.h"
#include "base/Trace.h"

using namespace pxr;

TEST(Series, BoundIsNumberPlusOne)
{
    SeriesModel s; // number 250 by default
    for (int i = 0; i < 300; ++i)
        s.AddDiagramPoint({i * 0.1, i * 0.5, true});
    ASSERT_EQ(s.size(), 251u);
    // The oldest 49 are gone.
    EXPECT_NEAR(s.at(0).t, 4.9, 1e-9);
    EXPECT_DOUBLE_EQ(s.at(0).y, 49 * 0.5);
    EXPECT_NEAR(s.at(250).t, 29.9, 1e-9);
}

TEST(Series, GapsAreStoredAndCounted)
{
    SeriesModel s(10);
    s.AddDiagramPoint({0.1, 1.0, true});
    s.AddDiagramPoint({0.2, 0.0, false});
    s.AddDiagramPoint({0.3, 3.0, true});
    ASSERT_EQ(s.size(), 3u);
    EXPECT_FALSE(s.at(0).isGap());
    EXPECT_TRUE(s.at(1).isGap());
    EXPECT_TRUE(std::isnan(s.at(1).y));
    EXPECT_EQ(s.gapCount(), 1u);
    std::vector<double> t, y;
    s.copyTo(t, y);
    EXPECT_EQ(t, (std::vector<double>{0.1, 0.2, 0.3}));
    EXPECT_TRUE(std::isnan(y[1]));
    double lo = 0, hi = 0;
    ASSERT_TRUE(s.valueRange(lo, hi));
    EXPECT_EQ(lo, 1.0);
    EXPECT_EQ(hi, 3.0);
}

TEST(Series, GapsCountTowardsTheBoundAndLeaveWithTrimming)
{
    SeriesModel s(10);
    for (int i = 0; i < 40; ++i)
        s.AddDiagramPoint({double(i), double(i), i % 2 != 1});
    EXPECT_EQ(s.size(), 11u);
    size_t gaps = 0;
    for (size_t i = 0; i < s.size(); ++i)
        gaps += s.at(i).isGap();
    EXPECT_EQ(s.gapCount(), gaps);
    EXPECT_EQ(gaps, 6u); // points 29..39: the odd ones
}

TEST(Series, OnlyGapsGiveNoValueRange)
{
    SeriesModel s(10);
    s.AddDiagramPoint({1, 0, false});
    double lo = 0, hi = 0;
    EXPECT_FALSE(s.valueRange(lo, hi));
    EXPECT_TRUE(s.timeRange(lo, hi));
}

TEST(Series, InsertionAfterATimeBaseRestart)
{
    SeriesModel s(250);
    for (int i = 0; i < 100; ++i)
        s.AddDiagramPoint({100.0 + i, 1.0, true});
    // Clear Log Window restarted the time base: new points near 0 go first.
    for (int i = 0; i < 151; ++i)
        s.AddDiagramPoint({i * 0.01, 2.0, true});
    ASSERT_EQ(s.size(), 251u);
    EXPECT_DOUBLE_EQ(s.at(0).t, 0.0);
    EXPECT_NEAR(s.at(150).t, 1.50, 1e-9);
    EXPECT_DOUBLE_EQ(s.at(151).t, 100.0);
    // From now on each trimming step removes a new point (the smallest time).
    s.AddDiagramPoint({1.51, 3.0, true});
    ASSERT_EQ(s.size(), 251u);
    EXPECT_NEAR(s.at(0).t, 0.01, 1e-9);
    EXPECT_NEAR(s.at(150).t, 1.51, 1e-9);
    EXPECT_DOUBLE_EQ(s.at(151).t, 100.0);
    EXPECT_DOUBLE_EQ(s.at(250).t, 199.0);
}

TEST(Series, EqualTimesKeepArrivalOrder)
{
    SeriesModel s(10);
    s.AddDiagramPoint({1.0, 1, true});
    s.AddDiagramPoint({3.0, 2, true});
    s.AddDiagramPoint({1.0, 3, true}); // before the first greater time
    s.AddDiagramPoint({3.0, 4, true}); // not below the last: appended
    const std::vector<double> expected = {1, 3, 2, 4};
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(s.at(i).y, expected[i]) << i;
}

TEST(Series, ClearAndRevision)
{
    SeriesModel s(10);
    const auto r0 = s.revision();
    s.AddDiagramPoint({1, 0, false});
    EXPECT_NE(s.revision(), r0);
    const auto r1 = s.revision();
    s.Clear();
    EXPECT_NE(s.revision(), r1);
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(s.gapCount(), 0u);
    double lo, hi;
    EXPECT_FALSE(s.timeRange(lo, hi));
}

TEST(Series, SmallerNumberTakesEffectWithTheNextPoint)
{
    SeriesModel s(250);
    for (int i = 0; i < 300; ++i)
        s.AddDiagramPoint({double(i), double(i), true});
    s.setNumber(10);
    EXPECT_EQ(s.size(), 251u);
    s.AddDiagramPoint({300, 300, true});
    EXPECT_EQ(s.size(), 11u);
    EXPECT_EQ(s.at(0).t, 290.0);
    s.setNumber(5000); // the model holds at most 1001 points
    for (int i = 301; i < 3000; ++i)
        s.AddDiagramPoint({double(i), double(i), true});
    EXPECT_EQ(s.size(), 1001u);
}

// The ring buffer against the plain algorithm: a sorted list, trimmed at the
// front, with insertion before the first greater time.
TEST(Series, MatchesThePlainAlgorithmUnderRandomRestarts)
{
    std::mt19937 rng(11);
    SeriesModel s(37);
    std::vector<SeriesPoint> ref;
    double t = 0;
    for (int i = 0; i < 20000; ++i) {
        if (rng() % 97 == 0)
            t = (rng() % 100) * 0.5; // a restart of the time base
        t += (rng() % 3) * 0.25;
        const bool gap = rng() % 7 == 0;
        const double v = double(rng() % 1000);
        s.AddDiagramPoint({t, v, !gap});
        while (ref.size() > 37)
            ref.erase(ref.begin());
        auto pos = std::upper_bound(ref.begin(), ref.end(), t,
                                    [](double x, const SeriesPoint& p) { return x < p.t; });
        ref.insert(pos, SeriesPoint{t, gap ? NAN : v});
        ASSERT_EQ(s.size(), ref.size()) << i;
        if (i % 101 == 0) {
            size_t gaps = 0;
            for (size_t k = 0; k < ref.size(); ++k) {
                ASSERT_EQ(s.at(k).t, ref[k].t) << i << "/" << k;
                ASSERT_EQ(s.at(k).isGap(), ref[k].isGap()) << i << "/" << k;
                if (!ref[k].isGap()) {
                    ASSERT_EQ(s.at(k).y, ref[k].y);
                }
                gaps += ref[k].isGap();
            }
            ASSERT_EQ(s.gapCount(), gaps);
        }
    }
}

TEST(Series, TraceOnlyForValidPoints)
{
    std::vector<std::string> lines;
    setTraceSink([&](const std::string& l) { lines.push_back(l); });
    DebugTrace = true;
    SeriesModel s(10);
    s.AddDiagramPoint({1.5, 12.3456, true});
    s.AddDiagramPoint({1.6, 0, false});
    DebugTrace = false;
    setTraceSink(nullptr);
    EXPECT_EQ(lines, std::vector<std::string>{"Series(1.500,12.346)"});
}

// ---- zoom ----

TEST(Zoom, FifteenPercentOfTheSpanAtEachEnd)
{
    EXPECT_EQ(ZoomInRange({0, 40}), (AxisRange{6, 34}));
    EXPECT_EQ(ZoomOutRange({0, 40}), (AxisRange{-6, 46}));
    const AxisRange r = ZoomInRange({-10, 10});
    EXPECT_DOUBLE_EQ(r.min, -7);
    EXPECT_DOUBLE_EQ(r.max, 7);
}

TEST(Zoom, ChartZoomStartsFromWhatIsShownAndResets)
{
    SeriesModel s(250);
    for (int i = 0; i <= 10; ++i)
        s.AddDiagramPoint({double(i), 20, true});
    GraphicSettings g; // fixed axis 0..40
    DiagramZoom z;
    DiagramAxes a = z.axes(s, g);
    EXPECT_EQ(a.y, (AxisRange{0, 40}));
    EXPECT_EQ(a.x, (AxisRange{0, 10}));
    z.ZoomIn(s, g);
    a = z.axes(s, g);
    EXPECT_EQ(a.y, (AxisRange{6, 34}));
    EXPECT_DOUBLE_EQ(a.x.min, 1.5);
    EXPECT_DOUBLE_EQ(a.x.max, 8.5);
    // Zoomed ranges stay while data arrives.
    s.AddDiagramPoint({11, 20, true});
    EXPECT_DOUBLE_EQ(z.axes(s, g).x.max, 8.5);
    z.ZoomOut(s, g);
    a = z.axes(s, g);
    EXPECT_DOUBLE_EQ(a.y.min, 6 - 0.15 * 28);
    EXPECT_DOUBLE_EQ(a.y.max, 34 + 0.15 * 28);
    z.ResetZoom();
    EXPECT_FALSE(z.zoomed());
    a = z.axes(s, g);
    EXPECT_EQ(a.x, (AxisRange{0, 11}));
    EXPECT_EQ(a.y, (AxisRange{0, 40}));
}

TEST(Zoom, AutomaticAxisFollowsTheValues)
{
    SeriesModel s(250);
    GraphicSettings g;
    g.autoScale = true;
    DiagramAxes a = UnzoomedAxes(s, g);
    EXPECT_LT(a.x.min, a.x.max); // never a zero span, even without points
    EXPECT_LT(a.y.min, a.y.max);
    s.AddDiagramPoint({1, 5, true});
    a = UnzoomedAxes(s, g);
    EXPECT_LT(a.y.min, 5);
    EXPECT_GT(a.y.max, 5);
    s.AddDiagramPoint({2, 0, false});
    s.AddDiagramPoint({3, -3, true});
    a = UnzoomedAxes(s, g);
    EXPECT_EQ(a.y, (AxisRange{-3, 5}));
    EXPECT_EQ(a.x, (AxisRange{1, 3}));
}

// ---- diagram setup ----

namespace {

// The dialog's fields and the chart, recorded in the order they are reached.
struct Setup : ::testing::Test, GraphicSetup::Fields, GraphicSetup::Chart {
    std::vector<std::string> events;
    std::vector<GraphicSettings> stored;
    std::vector<std::string> errors;
    GraphicSetup setup{this, this};

    void showMinimum(const std::string& t) override { events.push_back("ed_min " + t); }
    void showMaximum(const std::string& t) override { events.push_back("ed_max " + t); }
    void showNumber(const std::string& t) override { events.push_back("ed_number " + t); }
    void setZoomActionsEnabled(bool on) override { events.push_back(on ? "zoom actions on" : "zoom actions off"); }
    void applyMarkers(bool p, bool st) override
    {
        events.push_back(std::string("markers ") + (p ? "1" : "0") + (st ? "1" : "0"));
    }
    void applyAxis(bool a, double mi, double ma) override
    {
        events.push_back(std::string("axis ") + (a ? "auto " : "fixed ") + std::to_string(mi) + " " +
                         std::to_string(ma));
    }
    void applyZoomPan(bool z, bool p) override
    {
        events.push_back(std::string("zoompan ") + (z ? "1" : "0") + (p ? "1" : "0"));
    }
    void store(const GraphicSettings& g) override { stored.push_back(g); }
    void showError(const std::string& e) override { errors.push_back(e); }

    GraphicSetup::Typed typed(const char* min, const char* max, const char* number, bool autoScale = false)
    {
        GraphicSetup::Typed t;
        t.minimum = min;
        t.maximum = max;
        t.number = number;
        t.autoScale = autoScale;
        return t;
    }
};

} // namespace

TEST_F(Setup, NumberLimits)
{
    struct Case {
        const char* typed;
        int32_t number;
    } cases[] = {{"5", 10}, {"abc", 10}, {"5000", 1000}, {"250", 250}, {" 300", 300}, {"10", 10}, {"1000", 1000}};
    for (const auto& c : cases) {
        ASSERT_TRUE(setup.acceptTyped(typed("0", "40", c.typed)));
        EXPECT_EQ(setup.settings().number, c.number) << c.typed;
        EXPECT_EQ(stored.back().number, c.number) << c.typed;
    }
}

TEST_F(Setup, NumberShownLimited)
{
    setup.acceptTyped(typed("0", "40", "5"));
    EXPECT_NE(std::find(events.begin(), events.end(), "ed_number 10"), events.end());
    events.clear();
    setup.acceptTyped(typed("0", "40", "5000"));
    EXPECT_NE(std::find(events.begin(), events.end(), "ed_number 1000"), events.end());
}

TEST_F(Setup, TextsThatAreNoNumbers)
{
    setup.SetMinimum(3);
    setup.SetMaximum(7);
    ASSERT_TRUE(setup.acceptTyped(typed("abc", "x", "250")));
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].minimum, 0.0);
    EXPECT_EQ(stored[0].maximum, 40.0);
    EXPECT_NE(std::find(events.begin(), events.end(), "axis fixed 0.000000 40.000000"), events.end());
}

TEST_F(Setup, ContradictingLimitsAreRefusedAndNothingStored)
{
    ASSERT_FALSE(setup.acceptTyped(typed("10", "5", "250")));
    EXPECT_TRUE(stored.empty());
    ASSERT_EQ(errors.size(), 1u);
    // The markers were applied before the axis refused; axis and zoom were not.
    EXPECT_NE(std::find(events.begin(), events.end(), "markers 00"), events.end());
    for (const auto& e : events) {
        EXPECT_NE(e.rfind("axis", 0), 0u) << e;
        EXPECT_NE(e.rfind("zoompan", 0), 0u) << e;
    }
    // The setters have taken what was typed.
    EXPECT_EQ(setup.settings().minimum, 10.0);
    EXPECT_EQ(setup.settings().maximum, 5.0);
}

TEST_F(Setup, AxisLimitsOnlyMinimumBelowMaximum)
{
    struct Case {
        const char* min;
        const char* max;
        bool autoScale;
        bool accepted;
    } cases[] = {{"-5", "5", false, true}, {"-50", "-10", false, true}, {"5", "5", false, false},
                 {"10", "5", false, false}, {"10", "5", true, true}, {"0", "0.001", false, true}};
    for (const auto& c : cases) {
        stored.clear();
        errors.clear();
        EXPECT_EQ(setup.acceptTyped(typed(c.min, c.max, "250", c.autoScale)), c.accepted) << c.min << ".." << c.max;
        EXPECT_EQ(stored.size(), c.accepted ? 1u : 0u);
        EXPECT_EQ(errors.size(), c.accepted ? 0u : 1u);
    }
}

TEST_F(Setup, ZoomActionsFollowAllowZoom)
{
    auto t = typed("0", "40", "250");
    t.allowZoom = true;
    setup.acceptTyped(t);
    EXPECT_NE(std::find(events.begin(), events.end(), "zoom actions on"), events.end());
    t.allowZoom = false;
    events.clear();
    setup.acceptTyped(t);
    EXPECT_NE(std::find(events.begin(), events.end(), "zoom actions off"), events.end());
}

TEST_F(Setup, RegionalSeparator)
{
    setup.setDecimalSeparator(',');
    ASSERT_TRUE(setup.acceptTyped(typed("2,5", "1.5", "250")));
    EXPECT_EQ(stored.back().minimum, 2.5);
    EXPECT_EQ(stored.back().maximum, 40.0); // "1.5" is no number with a comma separator
    EXPECT_NE(std::find(events.begin(), events.end(), "ed_min 2,5"), events.end());
}

// After OK the three fields show what applies, not what was typed.
TEST_F(Setup, FieldsShowTheValuesTaken)
{
    const struct {
        char separator;
        const char *min, *max, *number;
        const char *shownMin, *shownMax, *shownNumber;
    } cases[] = {
        {'.', "abc", "x", "y", "0", "40", "10"},
        {',', "0", "5.5", "250", "0", "40", "250"}, // a point is no decimal separator there
        {',', "-2,50", "7", "5", "-2,5", "7", "10"},
        {'.', " 3 ", "1e2", "0300", "3", "100", "300"},
    };
    for (const auto& c : cases) {
        setup.setDecimalSeparator(c.separator);
        events.clear();
        setup.acceptTyped(typed(c.min, c.max, c.number));
        const auto last = [&](const std::string& field) {
            std::string shown = "(not shown)";
            for (const std::string& e : events)
                if (e.rfind(field + " ", 0) == 0)
                    shown = e.substr(field.size() + 1);
            return shown;
        };
        EXPECT_EQ(last("ed_min"), c.shownMin) << c.min;
        EXPECT_EQ(last("ed_max"), c.shownMax) << c.max;
        EXPECT_EQ(last("ed_number"), c.shownNumber) << c.number;
    }
}

TEST(RegionalText, Conversions)
{
    struct Case {
        const char* text;
        char sep;
        bool ok;
        double value;
    } cases[] = {{"2.5", '.', true, 2.5}, {"2,5", ',', true, 2.5}, {" 3 ", '.', true, 3}, {"-1e2", '.', true, -100},
                 {"2,5", '.', false, 0},  {"2.5", ',', false, 0},  {"", '.', false, 0},  {"1 000", '.', false, 0}};
    for (const auto& c : cases) {
        double v = 99;
        EXPECT_EQ(RegionalTextToFloat(c.text, c.sep, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    EXPECT_EQ(RegionalFloatText(40, '.'), "40");
    EXPECT_EQ(RegionalFloatText(-0.25, ','), "-0,25");
}

TEST_F(Setup, LoadPassesTheStoredValuesAndApplies)
{
    GraphicSettings g;
    g.minimum = -2;
    g.maximum = 12.5;
    g.pointer = true;
    g.allowZoom = true;
    g.allowPan = true;
    g.number = 5; // a hand-edited store: limited by the setter
    setup.Load(g);
    const std::vector<std::string> expected = {
        "ed_min -2", "ed_max 12.5", "zoom actions on", "ed_number 10", "ed_number 10",
        "markers 10", "axis fixed -2.000000 12.500000", "zoompan 11",
    };
    EXPECT_EQ(events, expected);
    EXPECT_TRUE(stored.empty()); // loading writes nothing back
}
