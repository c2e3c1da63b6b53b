#include "measurement/SeriesModel.h"

#include <algorithm>
#include <limits>

#include "measurement/GraphicSettings.h"
#include "base/Trace.h"

namespace pxr {

SeriesModel::SeriesModel(int number) : m_points(kCapacity)
{
    setNumber(number);
}

void SeriesModel::setNumber(int number)
{
    m_number = static_cast<size_t>(std::clamp(number, 1, static_cast<int>(kMaxNumber)));
}

void SeriesModel::removeFirst()
{
    if (m_count == 0)
        return;
    if (slot(0).isGap())
        --m_gaps;
    m_head = (m_head + 1) % kCapacity;
    --m_count;
}

void SeriesModel::insertAt(size_t index, const SeriesPoint& p)
{
    // Shift the shorter side: appending and a restart's insertions near the
    // front both move few points.
    if (index >= m_count / 2) {
        for (size_t i = m_count; i > index; --i)
            slot(i) = slot(i - 1);
    } else {
        m_head = (m_head + kCapacity - 1) % kCapacity;
        for (size_t i = 0; i < index; ++i)
            slot(i) = slot(i + 1);
    }
    slot(index) = p;
    ++m_count;
    if (p.isGap())
        ++m_gaps;
}

void SeriesModel::AddDiagramPoint(const Reading& reading)
{
    const double t = reading.t;
    if (DebugTrace && reading.valid)
        trace(format("Series(%.3f,%.3f)", t, reading.value));
    while (m_count > m_number)
        removeFirst();
    const SeriesPoint p{t, reading.valid ? reading.value : std::numeric_limits<double>::quiet_NaN()};
    size_t index = m_count;
    if (m_count > 0 && t < at(m_count - 1).t) {
        // Before the first point with a greater time.
        size_t lo = 0, hi = m_count;
        while (lo < hi) {
            const size_t mid = (lo + hi) / 2;
            if (at(mid).t > t)
                hi = mid;
            else
                lo = mid + 1;
        }
        index = lo;
    }
    insertAt(index, p);
    ++m_revision;
}

void SeriesModel::Clear()
{
    m_head = 0;
    m_count = 0;
    m_gaps = 0;
    ++m_revision;
}

void SeriesModel::copyTo(std::vector<double>& t, std::vector<double>& y) const
{
    t.resize(m_count);
    y.resize(m_count);
    for (size_t i = 0; i < m_count; ++i) {
        const SeriesPoint& p = at(i);
        t[i] = p.t;
        y[i] = p.y;
    }
}

bool SeriesModel::timeRange(double& min, double& max) const
{
    if (m_count == 0)
        return false;
    min = at(0).t;
    max = at(m_count - 1).t;
    return true;
}

bool SeriesModel::valueRange(double& min, double& max) const
{
    bool any = false;
    for (size_t i = 0; i < m_count; ++i) {
        const SeriesPoint& p = at(i);
        if (p.isGap())
            continue;
        if (!any) {
            min = max = p.y;
            any = true;
        } else {
            min = std::min(min, p.y);
            max = std::max(max, p.y);
        }
    }
    return any;
}

AxisRange ZoomInRange(const AxisRange& r)
{
    const double d = 0.15 * r.span();
    return {r.min + d, r.max - d};
}

AxisRange ZoomOutRange(const AxisRange& r)
{
    const double d = 0.15 * r.span();
    return {r.min - d, r.max + d};
}

namespace {

AxisRange widened(bool any, double min, double max)
{
    if (!any)
        return {0.0, 1.0};
    if (min == max)
        return {min - 0.5, max + 0.5};
    return {min, max};
}

} // namespace

DiagramAxes UnzoomedAxes(const SeriesModel& series, const GraphicSettings& settings)
{
    DiagramAxes a;
    double lo = 0, hi = 0;
    const bool anyTime = series.timeRange(lo, hi);
    a.x = widened(anyTime, lo, hi);
    if (settings.autoScale) {
        const bool anyValue = series.valueRange(lo, hi);
        a.y = widened(anyValue, lo, hi);
    } else {
        a.y = {settings.minimum, settings.maximum};
    }
    return a;
}

DiagramAxes DiagramZoom::axes(const SeriesModel& series, const GraphicSettings& settings) const
{
    return m_zoomed ? m_axes : UnzoomedAxes(series, settings);
}

void DiagramZoom::ZoomIn(const SeriesModel& series, const GraphicSettings& settings)
{
    const DiagramAxes now = axes(series, settings);
    ZoomTo({ZoomInRange(now.x), ZoomInRange(now.y)});
}

void DiagramZoom::ZoomOut(const SeriesModel& series, const GraphicSettings& settings)
{
    const DiagramAxes now = axes(series, settings);
    ZoomTo({ZoomOutRange(now.x), ZoomOutRange(now.y)});
}

void DiagramZoom::ZoomTo(const DiagramAxes& axes)
{
    m_axes = axes;
    m_zoomed = true;
}

} // namespace pxr
