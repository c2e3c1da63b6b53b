#include "measurement/StatisticsLine.h"

#include <QEvent>
#include <QFocusEvent>
#include <QPainter>

namespace pxr {

namespace {

// A label painting over a picture of what lies behind it, selectable
// from the moment the user turns to it.
class BackdropLabel : public QLabel {
public:
    explicit BackdropLabel(QWidget* parent) : QLabel(parent)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        // Also no focus policy: Qt gives a label that may take the focus a
        // text document of its own, laid out again at every paint (which
        // then asks for a second paint).
        setTextInteractionFlags(Qt::NoTextInteraction);
    }

    void setSelectable(bool selectable)
    {
        if (selectable == bool(textInteractionFlags() & Qt::TextSelectableByMouse))
            return;
        // Selectable, it takes the focus with a click; plain, none.
        setTextInteractionFlags(selectable ? Qt::TextSelectableByMouse : Qt::NoTextInteraction);
        // The new text document is told of a focus the label already has,
        // for a selection in the colours of the focused window.
        if (selectable && hasFocus()) {
            QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
            QLabel::focusInEvent(&in);
        }
    }

protected:
    // The user turns to the label: selectable before the event reaches it.
    bool event(QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
            setSelectable(true);
            // A plain label was passed over when the click gave the focus.
            if (!hasFocus())
                setFocus(Qt::MouseFocusReason);
            break;
        case QEvent::FocusIn:
        case QEvent::KeyPress:
        case QEvent::ContextMenu: setSelectable(true); break;
        default: break;
        }
        return QLabel::event(e);
    }

    void paintEvent(QPaintEvent* e) override
    {
        takeBackdrop();
        {
            QPainter p(this);
            p.drawPixmap(0, 0, m_backdrop);
        }
        QLabel::paintEvent(e);
    }

    void changeEvent(QEvent* e) override
    {
        if (e->type() == QEvent::PaletteChange || e->type() == QEvent::StyleChange)
            m_place.clear();
        QLabel::changeEvent(e);
    }

private:
    // Each ancestor paints its own part (its background, the notebook's
    // frame) of the label's rectangle, the window first, as Qt paints them
    // behind a label without a background. Again only when the label or an
    // ancestor has moved or changed size.
    void takeBackdrop()
    {
        std::vector<QRect> place{rect()};
        std::vector<QWidget*> ancestors;
        for (QWidget* w = parentWidget(); w; w = w->isWindow() ? nullptr : w->parentWidget()) {
            place.emplace_back(mapTo(w, QPoint(0, 0)), w->size());
            ancestors.push_back(w);
        }
        if (place == m_place && !m_backdrop.isNull())
            return;
        m_place = place;
        const qreal ratio = devicePixelRatioF();
        m_backdrop = QPixmap(size() * ratio);
        m_backdrop.setDevicePixelRatio(ratio);
        m_backdrop.fill(palette().window().color());
        QPainter p(&m_backdrop);
        for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
            // The region's corner goes to the offset given. Only the window
            // fills its background unasked; below it, those that fill
            // theirs (autoFillBackground) do so in render() as well.
            const QRect area(mapTo(*it, QPoint(0, 0)), size());
            (*it)->render(&p, QPoint(0, 0), QRegion(area),
                          (*it)->isWindow() ? QWidget::DrawWindowBackground : QWidget::RenderFlags());
        }
    }

    QPixmap m_backdrop;
    std::vector<QRect> m_place;
};

} // namespace

StatisticsLine::StatisticsLine(QWidget* parent) : QWidget(parent), m_label(new BackdropLabel(this))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void StatisticsLine::showText(const QString& text)
{
    if (m_label->text() == text)
        return;
    // A new text ends a selection all the same.
    static_cast<BackdropLabel*>(m_label)->setSelectable(false);
    m_label->setText(text);
}

std::vector<int> StatisticsLine::shapeOfText() const
{
    std::vector<int> shape{m_label->fontInfo().pixelSize(), m_label->fontInfo().bold() ? 1 : 0};
    for (const QStringView line : QStringView(m_label->text()).split(QLatin1Char('\n')))
        shape.push_back(int(line.size()));
    return shape;
}

void StatisticsLine::measure() const
{
    std::vector<int> shape = shapeOfText();
    if (shape == m_measuredShape)
        return;
    m_measuredShape = std::move(shape);
    m_hint = m_label->sizeHint();
    m_minimumHint = m_label->minimumSizeHint();
}

QSize StatisticsLine::sizeHint() const
{
    measure();
    return m_hint;
}

QSize StatisticsLine::minimumSizeHint() const
{
    measure();
    return m_minimumHint;
}

bool StatisticsLine::event(QEvent* e)
{
    // The label asks its parent for a new layout with every new text; the
    // page is asked only when the text needs another size.
    switch (e->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
        m_measuredShape.clear();
        m_announcedShape.clear();
        updateGeometry();
        break;
    case QEvent::LayoutRequest:
    case QEvent::Show: {
        std::vector<int> shape = shapeOfText();
        if (shape != m_announcedShape) {
            m_announcedShape = std::move(shape);
            updateGeometry();
        }
        break;
    }
    default: break;
    }
    return QWidget::event(e);
}

void StatisticsLine::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    m_label->setGeometry(rect());
}

} // namespace pxr
