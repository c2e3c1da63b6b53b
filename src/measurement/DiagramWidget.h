#pragma once
// Chart1: the diagram page's line chart on QCustomPlot, with one graph
// Series1. It shows the core's SeriesModel (gaps as NaN) in the axis ranges
// DiagramZoom gives, and replots when told of new points by the core's
// tick of the live number and the needle (at most 10 times a second), never
// per reading, and paints without QCustomPlot's paint buffers. Mouse zoom (a dragged rectangle) and horizontal panning
// are reported back to DiagramZoom, so the core stays the one that knows
// what is shown.
//
// A zoom (Zoom In/Out, Reset Zoom, a mouse rectangle) moves the axes to the
// core's new ranges in kZoomSteps steps kZoomStepMs apart while the chart is
// on screen; hidden, it jumps. The last step lands exactly on the core's
// ranges, and a new zoom, a picture or finishZoomAnimation() ends a running
// animation there at once.

#include <QTimer>

#include <optional>

#include <qcustomplot.h>

#include "measurement/GraphicSettings.h"
#include "measurement/SeriesModel.h"

class QPrinter;

namespace pxr {

// The file format a saved diagram gets, from the name's extension: the one
// it names where the program can write it ("png", "jpg", "bmp", ...), "bmp"
// for a name without extension or whose extension names no picture kind,
// and nothing (the name is refused) for a picture kind that cannot be
// written, such as "gif".
QByteArray DiagramPictureFormat(const QString& fileName);

class DiagramWidget : public QCustomPlot {
    Q_OBJECT
public:
    static constexpr int kZoomSteps = 4;
    static constexpr int kZoomStepMs = 25;
    // The size the chart is drawn in for printing, then stretched onto the page.
    static constexpr int kPrintWidth = 1024;
    static constexpr int kPrintHeight = 724;

    explicit DiagramWidget(QWidget* parent = nullptr);

    // The data to show; both outlive the widget's use of them (null: nothing).
    void attach(const SeriesModel* series, DiagramZoom* zoom);

    // ApplyToChart's steps.
    void applyMarkers(bool pointer, bool stair);
    void applyAxis(bool autoScale, double minimum, double maximum);
    void applyZoomPan(bool allowZoom, bool allowPan);
    const GraphicSettings& applied() const { return m_applied; }

    void ZoomIn();
    void ZoomOut();
    void ResetZoom();
    void Clear();

    bool zoomAnimating() const { return m_zoomStepsLeft > 0; }
    // Puts the axes on the zoom's target now.
    void finishZoomAnimation();

    // Copies the points and ranges now and replots when visible.
    void refresh();
    // The series has new points: refresh(). A replot redraws the whole chart
    // (some 2 ms on one core); at a stream's full rate 30 a second cost more
    // than everything else the program does, so this comes from a timer.
    void showNewPoints();

    // Landscape page: caption and "Datum / Uhrzeit: ..." on top, the chart
    // stretched into the margins below. Throws std::runtime_error when the
    // printer cannot be started.
    void printTo(QPrinter& printer, const QString& caption);
    // The page itself, `page` in device units: margin m = h / 20, line step
    // s = h / 35, caption at (m, 2 s), date at (m, 4 s), the chart from
    // (m, 5 s) to (w - m, h - m).
    void renderPage(QCPPainter& painter, const QRect& page, const QString& caption);
    // The chart as a picture of its size on white, in the format the
    // extension names, written beside and renamed over the file
    // (replaceFileContents). Throws std::runtime_error naming the file and
    // the reason when the name is refused or the file cannot be written.
    void savePicture(const QString& fileName);

    // The axis ranges on screen now (during a zoom's steps: the step's).
    DiagramAxes shownAxes() const;

    QCPGraph* Series1 = nullptr;

signals:
    // The points or the axis ranges shown have changed (at most once a
    // refresh or zoom step); what is drawn under the diagram follows it.
    void rangesShown();

protected:
    void updateLayout() override;
    void mousePressEvent(QMouseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void processRectZoom(QRect rect, QMouseEvent* event) override;

private:
    void copyPoints();
    DiagramAxes targetAxes() const;
    void setRanges(const DiagramAxes& axes);
    // After the core changed its zoom: from the ranges shown before, step
    // to the core's.
    void animateFrom(const DiagramAxes& before);
    // Zoom In and Zoom Out: one of the core's steps, then the animation.
    void zoomBy(void (DiagramZoom::*zoom)(const SeriesModel&, const GraphicSettings&));
    void zoomStep();
    void userChangedRanges();

    const SeriesModel* m_series = nullptr;
    DiagramZoom* m_zoom = nullptr;
    GraphicSettings m_applied;
    uint64_t m_shownRevision = ~uint64_t(0);
    DiagramAxes m_shownAxes;
    bool m_settingRanges = false;
    bool m_dirty = true;
    QTimer m_zoomTimer;
    int m_zoomStepsLeft = 0;
    DiagramAxes m_zoomTarget;
    // What the margins around the plot were last worked out for: the size,
    // the value axis' range and the fonts and caption of the axes' texts.
    struct LayoutBasis {
        QSize size;
        QCPRange valueRange;
        QFont valueLabels, timeLabels, timeCaption;
        QString caption;
        bool operator==(const LayoutBasis& o) const
        {
            return size == o.size && valueRange == o.valueRange && valueLabels == o.valueLabels &&
                timeLabels == o.timeLabels && timeCaption == o.timeCaption && caption == o.caption;
        }
    };
    std::optional<LayoutBasis> m_laidOutFor;
    QVector<double> m_t, m_y;
    std::vector<double> m_tBuf, m_yBuf;
};

} // namespace pxr
