#include "measurement/LedWidget.h"

#include <QPainter>

namespace pxr {

LedWidget::LedWidget(const QString& name, QWidget* parent) : QWidget(parent)
{
    setObjectName(name);
    setFixedSize(18, 18);
}

void LedWidget::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    update();
}

QColor LedWidget::colour() const { return m_on ? QColor(Qt::yellow) : palette().color(QPalette::Button); }

void LedWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::gray, 1));
    p.setBrush(colour());
    p.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
}

} // namespace pxr
