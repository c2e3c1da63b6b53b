#pragma once
// AnalogMeter1: a needle instrument showing the analog output in µA on a
// 270° dial, with a coloured low and high zone and labels in mA. The scale
// comes from the core (AnalogMeterScale); the value is set by the 100 ms
// refresh, so the dial repaints at most ten times a second.

#include <QFrame>

#include "measurement/OutputCalc.h"

namespace pxr {

class AnalogMeterWidget : public QFrame {
    Q_OBJECT
public:
    explicit AnalogMeterWidget(QWidget* parent = nullptr);

    void setScale(const AnalogMeterScale& scale);
    const AnalogMeterScale& scale() const { return m_scale; }
    // µA; values outside the scale put the needle against its stop.
    void setValue(int32_t microAmps);
    int32_t value() const { return m_value; }

    QSize sizeHint() const override { return QSize(240, 200); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor zoneColour(ZoneColour c) const;
    // Angle in degrees (Qt's convention, counter-clockwise from 3 o'clock).
    double angleOf(int32_t microAmps) const;

    AnalogMeterScale m_scale;
    int32_t m_value = kInitialMeterValue;
};

} // namespace pxr
