#include "measurement/AnalogMeterWidget.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>

namespace pxr {

namespace {

constexpr double kStartAngle = 225.0; // minimum at the lower left
constexpr double kSweep = 270.0;      // clockwise to the lower right

} // namespace

AnalogMeterWidget::AnalogMeterWidget(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("AnalogMeter1"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setMinimumSize(220, 150);
}

void AnalogMeterWidget::setScale(const AnalogMeterScale& scale)
{
    m_scale = scale;
    update();
}

void AnalogMeterWidget::setValue(int32_t microAmps)
{
    if (microAmps == m_value)
        return;
    m_value = microAmps;
    update();
}

QColor AnalogMeterWidget::zoneColour(ZoneColour c) const
{
    return c == ZoneColour::Red ? QColor(Qt::red) : palette().color(QPalette::ToolTipBase);
}

double AnalogMeterWidget::angleOf(int32_t microAmps) const
{
    const double span = double(m_scale.maximum) - m_scale.minimum;
    if (span <= 0)
        return kStartAngle;
    const double f = std::clamp((double(microAmps) - m_scale.minimum) / span, 0.0, 1.0);
    return kStartAngle - f * kSweep;
}

void AnalogMeterWidget::paintEvent(QPaintEvent* e)
{
    QFrame::paintEvent(e);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = contentsRect().adjusted(8, 8, -8, -8);
    // The 270° dial reaches below its centre by radius * sin 45°.
    const double radius = std::min(area.width() / 2.0, area.height() / 1.75) - 4;
    const QPointF centre(area.center().x(), area.top() + (area.height() - radius * 1.707) / 2 + radius);
    if (radius < 10)
        return;
    const QRectF dial(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);

    // Zones as a band inside the rim: low, normal, high.
    const double band = std::max(6.0, radius * 0.12);
    const QRectF bandRect = dial.adjusted(band / 2, band / 2, -band / 2, -band / 2);
    const auto arc = [&](int32_t from, int32_t to, const QColor& c) {
        if (to <= from)
            return;
        const double a0 = angleOf(from), a1 = angleOf(to);
        p.setPen(QPen(c, band, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(bandRect, int(a0 * 16), int((a1 - a0) * 16));
    };
    const int32_t lowEnd = std::clamp(m_scale.lowZoneBelow, m_scale.minimum, m_scale.maximum);
    const int32_t highStart = std::clamp(m_scale.highZoneAbove, m_scale.minimum, m_scale.maximum);
    arc(m_scale.minimum, lowEnd, zoneColour(m_scale.zoneColour));
    arc(lowEnd, highStart, zoneColour(m_scale.normalColour));
    arc(highStart, m_scale.maximum, zoneColour(m_scale.zoneColour));

    // Ticks and their labels in mA.
    p.setPen(QPen(palette().color(QPalette::WindowText), 1.2));
    QFont f = font();
    f.setPixelSize(std::max(8, int(radius * 0.11)));
    p.setFont(f);
    const QFontMetricsF fm(f);
    for (const AnalogMeterTick& t : m_scale.tickMarks()) {
        const double a = qDegreesToRadians(angleOf(t.value));
        const QPointF dir(std::cos(a), -std::sin(a));
        p.drawLine(centre + dir * (radius - band - 1), centre + dir * (radius - band - 7));
        const QString label = QString::fromStdString(t.label);
        const QPointF at = centre + dir * (radius - band - 9 - fm.height() * 0.6);
        const QRectF box(at.x() - fm.horizontalAdvance(label) / 2, at.y() - fm.height() / 2,
                         fm.horizontalAdvance(label), fm.height());
        p.drawText(box, Qt::AlignCenter, label);
    }

    QFont cf = font();
    cf.setBold(true);
    cf.setPixelSize(std::max(9, int(radius * 0.16)));
    p.setFont(cf);
    p.drawText(QRectF(centre.x() - radius, centre.y() + radius * 0.25, 2 * radius, radius * 0.3),
               Qt::AlignCenter, QString::fromStdString(m_scale.caption));

    // The needle.
    const double a = qDegreesToRadians(angleOf(m_value));
    const QPointF dir(std::cos(a), -std::sin(a));
    p.setPen(QPen(QColor(Qt::darkBlue), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + dir * (radius - band - 4));
    p.setBrush(QColor(Qt::darkBlue));
    p.drawEllipse(centre, 4, 4);
}

} // namespace pxr
