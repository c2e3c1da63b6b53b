#pragma once
// The line under the diagram that holds lb_Statistics, whose text changes
// with every picture of the chart (10 times a second in a stream).
//
// A label in a layout makes Qt lay out its page again for every new text,
// and the layout of the page asks the notebook to lay out and paint itself
// whole; a label that paints no background of its own has the notebook
// painted behind it for every text. So the label here lies outside any
// layout: the line passes its size on to the page only when the text needs
// another one (another number of lines, a line of another length, another
// font). And the label paints its own background: a picture of what the
// window draws behind it there, taken once for its place and size.
//
// The text can be selected with the mouse and copied. A selectable label
// keeps a text document that lays itself out again for every new text,
// which cost more than all the rest of the line; so the label is plain
// (the same pixels) and turns selectable when the user turns to it (focus,
// a click, a key, the context menu), before the event itself reaches it,
// and plain again with the next new text (which ends a selection anyway).
// Plain, it has no focus policy either: Qt keeps a text document for any
// label that may take the focus.

#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include <vector>

namespace pxr {

class StatisticsLine : public QWidget {
    Q_OBJECT
public:
    explicit StatisticsLine(QWidget* parent = nullptr);

    QLabel* label() const { return m_label; }
    // A new text for the label (nothing happens for the same text).
    void showText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // What decides the label's size: its font and the length of each line.
    std::vector<int> shapeOfText() const;
    void measure() const;

    QLabel* m_label;
    mutable std::vector<int> m_measuredShape;
    // The shape the page was last asked to make room for.
    std::vector<int> m_announcedShape;
    mutable QSize m_hint, m_minimumHint;
};

} // namespace pxr
