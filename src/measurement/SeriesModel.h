#pragma once
// The diagram's data: Series1 as a bounded, time-sorted list of points, and
// the zoom arithmetic of the chart's axes. The widget copies the points and
// the ranges from here when it replots; it decides nothing itself.
//
// A reading that is not valid is stored like any other point but as a gap
// (y = NaN), so the line is interrupted there and the point still counts
// towards the bound.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "measurement/Reading.h"

namespace pxr {

struct GraphicSettings;

struct SeriesPoint {
    double t; // seconds of the time base
    double y; // NaN for a gap
    bool isGap() const { return std::isnan(y); }
};

class SeriesModel : public ReadingSink {
public:
    // N can be at most 1000, so the series never holds more than 1001 points.
    static constexpr size_t kMaxNumber = 1000;
    static constexpr size_t kCapacity = kMaxNumber + 1;

    explicit SeriesModel(int number = 250);

    // The setup's number of points N (the setup keeps it in 10..1000; values
    // outside 1..1000 are limited here as well). A smaller N takes effect
    // with the next point.
    void setNumber(int number);
    size_t number() const { return m_number; }

    // While more than N points are held the one with the smallest time goes,
    // then the new one is added; so the series holds N + 1 points at most.
    // Points are kept by ascending time: a point earlier than the last one
    // (after a restart of the time base) goes before the first later point.
    // A reading that is not valid becomes a gap.
    void AddDiagramPoint(const Reading& reading);
    void Clear();

    size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    // i = 0 is the point with the smallest time.
    const SeriesPoint& at(size_t i) const { return m_points[(m_head + i) % kCapacity]; }
    size_t gapCount() const { return m_gaps; }

    // Raised by every change; the widget replots only when it has moved.
    uint64_t revision() const { return m_revision; }

    // The points as two arrays, as the chart takes them (gaps as NaN).
    void copyTo(std::vector<double>& t, std::vector<double>& y) const;

    // Smallest and largest time; false when empty.
    bool timeRange(double& min, double& max) const;
    // Smallest and largest value of the points that are not gaps; false when
    // there is none.
    bool valueRange(double& min, double& max) const;

private:
    void takeReading(const Reading& reading) override { AddDiagramPoint(reading); }
    void removeFirst();
    void insertAt(size_t index, const SeriesPoint& p);
    SeriesPoint& slot(size_t i) { return m_points[(m_head + i) % kCapacity]; }

    std::vector<SeriesPoint> m_points; // ring of kCapacity slots
    size_t m_head = 0;
    size_t m_count = 0;
    size_t m_number = 250;
    size_t m_gaps = 0;
    uint64_t m_revision = 0;
};

// One axis' visible range.
struct AxisRange {
    double min = 0;
    double max = 0;
    double span() const { return max - min; }
    bool operator==(const AxisRange& o) const { return min == o.min && max == o.max; }
};

// "Zoom In": 15 % of the span off each end; "Zoom Out": 15 % added at each end.
AxisRange ZoomInRange(const AxisRange& r);
AxisRange ZoomOutRange(const AxisRange& r);

struct DiagramAxes {
    AxisRange x; // bottom axis, time
    AxisRange y; // left axis, value
};

// The axes as the chart shows them unzoomed: time follows the points that
// remain; the value axis follows them too when it is automatic, else it is
// the setup's minimum..maximum. An empty or single-valued range is widened
// so that the axis never has a zero span.
DiagramAxes UnzoomedAxes(const SeriesModel& series, const GraphicSettings& settings);

// Zoom state of the chart: unzoomed (axes follow the data and the setup) or
// zoomed to fixed ranges by Zoom In/Out, a mouse rectangle or panning.
class DiagramZoom {
public:
    bool zoomed() const { return m_zoomed; }
    DiagramAxes axes(const SeriesModel& series, const GraphicSettings& settings) const;

    // Each narrows (widens) both axes about their centres, starting from
    // what is shown now.
    void ZoomIn(const SeriesModel& series, const GraphicSettings& settings);
    void ZoomOut(const SeriesModel& series, const GraphicSettings& settings);
    // A rectangle dragged with the mouse, or the ranges after panning.
    void ZoomTo(const DiagramAxes& axes);
    void ResetZoom() { m_zoomed = false; }

private:
    bool m_zoomed = false;
    DiagramAxes m_axes;
};

} // namespace pxr
