#pragma once
// Running statistics of the readings, for checking a meter's noise on a
// fixed target: count, mean, standard deviation, minimum and maximum of the
// valid readings, with the readings that could not be decoded counted apart.
// Each reading costs O(1) (Welford's update), so the statistics since the
// last Clear cover every reading however long the measurement runs, not
// only the points the diagram still holds.

#include <cstdint>
#include <string>

#include "measurement/Reading.h"

namespace pxr {

class SeriesModel;
struct AxisRange;
class DiagramZoom;

class ReadingStats : public ReadingSink {
public:
    void add(const Reading& reading)
    {
        if (!reading.valid) {
            ++m_invalid;
            return;
        }
        const double value = reading.value;
        ++m_count;
        const double delta = value - m_mean;
        m_mean += delta / static_cast<double>(m_count);
        m_m2 += delta * (value - m_mean);
        if (m_count == 1 || value < m_min)
            m_min = value;
        if (m_count == 1 || value > m_max)
            m_max = value;
    }
    void clear() { *this = ReadingStats(); }

    uint64_t count() const { return m_count; } // valid readings
    uint64_t invalid() const { return m_invalid; }
    // 0 while there is no valid reading.
    double mean() const { return m_mean; }
    double minimum() const { return m_min; }
    double maximum() const { return m_max; }
    // The sample standard deviation (divisor n - 1), as a noise figure is
    // estimated from a sample; 0 below two readings.
    double standardDeviation() const;

private:
    void takeReading(const Reading& reading) override { add(reading); }

    uint64_t m_count = 0;
    uint64_t m_invalid = 0;
    double m_mean = 0;
    double m_m2 = 0;
    double m_min = 0;
    double m_max = 0;
};

// The points of the series whose time lies in [range.min, range.max]; gaps
// count as invalid.
ReadingStats StatsOfSeries(const SeriesModel& series, const AxisRange& timeRange);

// "Count 250   Mean 5.0045   Std. Dev. 0.0029   Min 5.0000   Max 5.0090   Invalid 3"
// with `separator` as the decimal separator; mean, deviation, minimum and
// maximum read "-" while there is no valid reading (the deviation below two).
std::string FormatReadingStats(const ReadingStats& stats, char separator);

// The text under the diagram: the statistics since the last Clear and, when
// the diagram is zoomed, a second line with those of the visible time range.
std::string DiagramStatsText(const ReadingStats& sinceClear, const SeriesModel& series, const DiagramZoom& zoom,
                             const AxisRange& visibleTime, char separator);

} // namespace pxr
