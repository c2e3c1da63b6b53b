#pragma once
// LED1 / LED2: a round lamp, yellow when on, the button face colour when off.
// It repaints only when its state changes.

#include <QWidget>

namespace pxr {

class LedWidget : public QWidget {
    Q_OBJECT
public:
    explicit LedWidget(const QString& name, QWidget* parent = nullptr);

    void setOn(bool on);
    bool isOn() const { return m_on; }
    QColor colour() const;

    QSize sizeHint() const override { return QSize(18, 18); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    bool m_on = false;
};

} // namespace pxr
