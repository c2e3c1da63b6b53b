#include "measurement/ReadingStats.h"

#include <algorithm>
#include <cmath>

#include "measurement/SeriesModel.h"
#include "base/Trace.h"

namespace pxr {

namespace {

// printf follows the C locale, which the GUI toolkit may have set to the
// user's regional settings; the caller names the separator it wants.
std::string number(double value, char separator, int decimals = 4)
{
    std::string s = format("%.*f", decimals, value);
    for (char& c : s)
        if (c == '.' || c == ',')
            c = separator;
    return s;
}

} // namespace

double ReadingStats::standardDeviation() const
{
    if (m_count < 2)
        return 0.0;
    // Rounding can leave a hair below zero for readings that are all equal.
    return std::sqrt(std::max(0.0, m_m2 / static_cast<double>(m_count - 1)));
}

ReadingStats StatsOfSeries(const SeriesModel& series, const AxisRange& timeRange)
{
    ReadingStats s;
    for (size_t i = 0; i < series.size(); ++i) {
        const SeriesPoint& p = series.at(i);
        if (p.t < timeRange.min)
            continue;
        if (p.t > timeRange.max)
            break; // the series is sorted by time
        s.add({p.t, p.y, !p.isGap()});
    }
    return s;
}

std::string FormatReadingStats(const ReadingStats& stats, char separator)
{
    const bool any = stats.count() > 0;
    const auto value = [&](bool known, double v) { return known ? number(v, separator) : std::string("-"); };
    return format("Count %llu   Mean %s   Std. Dev. %s   Min %s   Max %s   Invalid %llu",
                  static_cast<unsigned long long>(stats.count()), value(any, stats.mean()).c_str(),
                  value(stats.count() > 1, stats.standardDeviation()).c_str(), value(any, stats.minimum()).c_str(),
                  value(any, stats.maximum()).c_str(), static_cast<unsigned long long>(stats.invalid()));
}

std::string DiagramStatsText(const ReadingStats& sinceClear, const SeriesModel& series, const DiagramZoom& zoom,
                             const AxisRange& visibleTime, char separator)
{
    std::string text = "Since Clear:  " + FormatReadingStats(sinceClear, separator);
    if (zoom.zoomed()) {
        const std::string range =
            number(visibleTime.min, separator, 3) + " .. " + number(visibleTime.max, separator, 3) + " s";
        text += "\nVisible " + range + ":  " + FormatReadingStats(StatsOfSeries(series, visibleTime), separator);
    }
    return text;
}

} // namespace pxr
