#pragma once
// Chart1: the diagram page's line chart on QCustomPlot, with one graph
// Series1. It shows the core's SeriesModel (gaps as NaN) in the axis ranges
// DiagramZoom gives, and replots from a timer at most ~30 times a second,
// never per reading. Mouse zoom (a dragged rectangle) and horizontal panning
// are reported back to DiagramZoom, so the core stays the one that knows
// what is shown.

#include <QTimer>

#include <qcustomplot.h>

#include "app/SettingsStore.h"
#include "measurement/SeriesModel.h"

class QPrinter;

namespace pxr {

// The file format a saved diagram gets, from the name's extension: "PNG",
// "JPG" or "BMP" (also for any other or no extension).
const char* DiagramPictureFormat(const QString& fileName);

class DiagramWidget : public QCustomPlot {
    Q_OBJECT
public:
    static constexpr int kReplotMs = 33;
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

    // Copies the points and ranges now and replots when visible.
    void refresh();

    // Landscape page: caption and "Datum / Uhrzeit: ..." on top, the chart
    // stretched into the margins below. Throws std::runtime_error when the
    // printer cannot be started.
    void printTo(QPrinter& printer, const QString& caption);
    // The page itself, `page` in device units: margin m = h / 20, line step
    // s = h / 35, caption at (m, 2 s), date at (m, 4 s), the chart from
    // (m, 5 s) to (w - m, h - m).
    void renderPage(QCPPainter& painter, const QRect& page, const QString& caption);
    // The chart as a picture of its size on white, in the format the
    // extension names. Throws std::runtime_error with the reason on failure.
    void savePicture(const QString& fileName);

    QCPGraph* Series1 = nullptr;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void tick();
    void setRanges(const DiagramAxes& axes);
    void userChangedRanges();

    const SeriesModel* m_series = nullptr;
    DiagramZoom* m_zoom = nullptr;
    GraphicSettings m_applied;
    QTimer m_timer;
    uint64_t m_shownRevision = ~uint64_t(0);
    DiagramAxes m_shownAxes;
    bool m_settingRanges = false;
    bool m_dirty = true;
    QVector<double> m_t, m_y;
    std::vector<double> m_tBuf, m_yBuf;
};

} // namespace pxr
