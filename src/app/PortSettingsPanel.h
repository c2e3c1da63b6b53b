#pragma once
// Status panel 0: the port settings (" <port>:<rate>,<bits>,<parity>,<stop>,
// <flow>") in a panel of fixed width. A long device path such as
// /dev/serial/by-id/usb-FTDI_..._A50285BI-if00-port0 does not fit; the panel
// shows the path shortened in its middle so that the line settings always
// show, and its hint (tool tip) holds the whole text. text() stays the whole
// text as well.

#include <QLabel>
#include <QString>

class QFontMetrics;

namespace pxr {

// The port settings within `width` pixels: the port name shortened in its
// middle, the line settings (after the last colon) whole; only where even
// they do not fit, the text's end is kept.
QString elidePortSettings(const QString& text, const QFontMetrics& metrics, int width);

class PortSettingsPanel : public QLabel {
    Q_OBJECT
public:
    explicit PortSettingsPanel(QWidget* parent = nullptr);

    // The text and the hint.
    void setPortSettings(const QString& text);
    // What the panel shows now.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QRect textRect() const;
};

} // namespace pxr
