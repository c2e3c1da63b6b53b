#include "app/PortSettingsPanel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

namespace pxr {

QString elidePortSettings(const QString& text, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    // A port name may hold colons of its own (a network port): the settings
    // follow the last one.
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    const QString settings = colon >= 0 ? text.mid(colon) : QString();
    const int room = width - metrics.horizontalAdvance(settings);
    if (colon < 0 || room < metrics.horizontalAdvance(QStringLiteral(" /d\u2026")))
        return metrics.elidedText(text, Qt::ElideLeft, width);
    return metrics.elidedText(text.left(colon), Qt::ElideMiddle, room) + settings;
}

PortSettingsPanel::PortSettingsPanel(QWidget* parent) : QLabel(parent) {}

void PortSettingsPanel::setPortSettings(const QString& text)
{
    setText(text);
    setToolTip(text);
}

QRect PortSettingsPanel::textRect() const
{
    // As QLabel lays out its text in a frame: half an 'x' in from each side.
    const int indent = fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2;
    return contentsRect().adjusted(margin() + indent, margin(), -margin() - indent, -margin());
}

QString PortSettingsPanel::shownText() const
{
    return elidePortSettings(text(), fontMetrics(), textRect().width());
}

void PortSettingsPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, textRect(), int(alignment()), palette(), isEnabled(), shownText(),
                          foregroundRole());
}

} // namespace pxr
