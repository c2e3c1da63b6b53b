// The measurement widgets offscreen: zoom of the diagram, the diagram setup
// dialog's rules, printing and saving the diagram, the log view's batches,
// the log file actions in the window, and (with pxr-meter on a pseudo-
// terminal) a DT stream moving the series, the needle, the lamp and the log.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QImage>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/ActionBinding.h"
#include "app/KeyValueBackend.h"
#include "app/MainForm.h"
#include "measurement/AnalogMeterWidget.h"
#include "measurement/DiagramWidget.h"
#include "measurement/GraphicSetupForm.h"
#include "measurement/LedWidget.h"
#include "measurement/LogView.h"
#include "measurement/MeasurementUi.h"
#include "measurement/StatisticsLine.h"
#include "app/ComSetupForm.h"
#include "base/Trace.h"
#include "base/UiHooks.h"
#include "qt/Ser2Net.h"
#include "qt/WindowRig.h"
#include "qt/WindowTestMain.h"
#include "support/SmallFileSystem.h"
#include <QComboBox>
#include <QElapsedTimer>
#include <QProgressBar>

using namespace pxr;
using namespace pxr::test;

namespace {

const char* const kNoPort = "/nonexistent/pxr-test-port";

QByteArray head(const QString& path, int n)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.read(n);
}

QStringList fileLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

// The setup dialog with what it reaches outside recorded.
struct SetupRecorder : GraphicSetup::Chart {
    TGraphicSetupForm dialog;
    std::optional<GraphicSettings> stored;
    std::vector<std::pair<double, double>> axes;
    QStringList errors;
    std::optional<bool> zoomActions;

    SetupRecorder()
    {
        dialog.setChart(this);
        dialog.FormCreate(GraphicSettings());
        axes.clear();
    }
    void setZoomActionsEnabled(bool on) override { zoomActions = on; }
    void applyMarkers(bool, bool) override {}
    void applyAxis(bool, double mn, double mx) override { axes.emplace_back(mn, mx); }
    void applyZoomPan(bool, bool) override {}
    void store(const GraphicSettings& s) override { stored = s; }
    void showError(const std::string& t) override { errors << QString::fromStdString(t); }
    void ok(const QString& minimum, const QString& maximum, const QString& number)
    {
        dialog.ed_min->setText(minimum);
        dialog.ed_max->setText(maximum);
        dialog.ed_number->setText(number);
        dialog.show();
        QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    }
};

MeasurementUi& uiOf(Window& w) { return *w.form->findChild<MeasurementUi*>(QStringLiteral("MeasurementUi")); }

} // namespace

// Counts the events of one type that reach a widget.
class EventCounter : public QObject {
public:
    EventCounter(QObject* watched, QEvent::Type type, int& count) : QObject(watched), m_type(type), m_count(count)
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == m_type)
            ++m_count;
        return false;
    }

private:
    QEvent::Type m_type;
    int& m_count;
};

class TestMeasurementUi : public QObject {
    Q_OBJECT

private slots:
    void zoomNarrowsAndWidensEveryAxis();
    void mouseZoomIsKeptByTheCore();
    void shownZoomStepsToTheCoresRanges();
    void rectangleZoomStepsToTheCoresRanges();
    void chartAfterAChangeIsDrawnAsAFreshOne();
    void setupNumberIsLimited_data();
    void setupNumberIsLimited();
    void setupUnreadableLimitsGiveDefaults();
    void setupAxisLimits_data();
    void setupAxisLimits();
    void setupCancelKeepsTypedText();
    void setupShowsTheAppliedValues();
    void printIntoPdf();
    void printedPageLayout();
    void savePictureInTheNamedFormat_data();
    void savePictureInTheNamedFormat();
    void savePictureFailureIsReported();
    void savePictureOnAFullDiskLeavesNoPart();
    void savePictureRefusesKindsItCannotWrite();
    void logViewShowsTheLogInBatches();
    void windowSetupReachesChartAndStore();
    void windowLogFile();
    void hiddenLogViewCatchesUp();
    void windowDiagramFollowsReadings();
    void windowStatisticsFollowReadingsZoomAndClear();
    void statisticsSelectableWithTheSameLook();
    void needleAndLampsFollowTheModelLine();
    void dtAgainstEmulator();
    void findMeterFillsTheSetupAndItsRateSurvivesOK();
    void findMeterCancelEndsTheSearch();
    void dtOverRfc2217();
};

namespace {

// A chart of 400 x 300 over 21 readings of 10.0, `step` s apart, with its zoom.
struct ZoomChart {
    SeriesModel series;
    DiagramZoom zoom;
    DiagramWidget chart;
    explicit ZoomChart(double step)
    {
        for (int i = 0; i <= 20; ++i)
            series.AddDiagramPoint({i * step, 10.0, true});
        chart.resize(400, 300);
        chart.attach(&series, &zoom);
    }
};

} // namespace

void TestMeasurementUi::zoomNarrowsAndWidensEveryAxis()
{
    ZoomChart z(0.5);
    const QCPRange x0 = z.chart.xAxis->range();
    QCOMPARE(z.chart.yAxis->range().lower, 0.0);
    QCOMPARE(z.chart.yAxis->range().upper, 40.0);

    z.chart.ZoomIn();
    QCOMPARE(z.chart.yAxis->range().lower, 6.0);
    QCOMPARE(z.chart.yAxis->range().upper, 34.0);
    QVERIFY(qFuzzyCompare(z.chart.xAxis->range().lower, x0.lower + 0.15 * x0.size()));
    QVERIFY(qFuzzyCompare(z.chart.xAxis->range().upper, x0.upper - 0.15 * x0.size()));
    // New readings do not undo a zoom.
    z.series.AddDiagramPoint({11.0, 30.0, true});
    z.chart.refresh();
    QCOMPARE(z.chart.yAxis->range().lower, 6.0);

    z.chart.ResetZoom();
    QCOMPARE(z.chart.yAxis->range().lower, 0.0);
    QCOMPARE(z.chart.yAxis->range().upper, 40.0);
    z.chart.ZoomOut();
    QCOMPARE(z.chart.yAxis->range().lower, -6.0);
    QCOMPARE(z.chart.yAxis->range().upper, 46.0);
}

void TestMeasurementUi::mouseZoomIsKeptByTheCore()
{
    ZoomChart z(1);
    z.chart.applyZoomPan(true, false);
    // What the rectangle does to the axes.
    z.chart.xAxis->setRange(2, 8);
    z.chart.yAxis->setRange(5, 15);
    QVERIFY(z.zoom.zoomed());
    z.series.AddDiagramPoint({21, 12.0, true});
    z.chart.refresh();
    QCOMPARE(z.chart.xAxis->range().lower, 2.0);
    QCOMPARE(z.chart.yAxis->range().upper, 15.0);
    z.chart.ResetZoom();
    QVERIFY(!z.zoom.zoomed());
    QCOMPARE(z.chart.yAxis->range().upper, 40.0);
}

namespace {

// The distinct ranges an axis went through, in order.
struct RangeTrail {
    std::vector<QCPRange> ranges;
    explicit RangeTrail(QCPAxis* axis)
    {
        QObject::connect(axis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), axis,
                         [this](const QCPRange& r) {
                             if (ranges.empty() || ranges.back() != r)
                                 ranges.push_back(r);
                         });
    }
};

void compareAxes(const DiagramWidget& chart, const DiagramAxes& a)
{
    QCOMPARE(chart.xAxis->range().lower, a.x.min);
    QCOMPARE(chart.xAxis->range().upper, a.x.max);
    QCOMPARE(chart.yAxis->range().lower, a.y.min);
    QCOMPARE(chart.yAxis->range().upper, a.y.max);
}

} // namespace

void TestMeasurementUi::shownZoomStepsToTheCoresRanges()
{
    ZoomChart z(0.5);
    DiagramZoom hiddenZoom;
    DiagramWidget hidden;
    hidden.attach(&z.series, &hiddenZoom);
    z.chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&z.chart));
    const QCPRange y0 = z.chart.yAxis->range();
    RangeTrail trail(z.chart.yAxis);

    z.chart.ZoomIn();
    QVERIFY(z.chart.zoomAnimating());
    QTRY_VERIFY(!z.chart.zoomAnimating());
    const DiagramAxes target = z.zoom.axes(z.series, z.chart.applied());
    compareAxes(z.chart, target);
    // Narrowing step by step, never past the target.
    QCOMPARE(int(trail.ranges.size()), DiagramWidget::kZoomSteps);
    double lower = y0.lower, upper = y0.upper;
    for (const QCPRange& r : trail.ranges) {
        QVERIFY(r.lower > lower && r.lower <= target.y.min);
        QVERIFY(r.upper < upper && r.upper >= target.y.max);
        lower = r.lower;
        upper = r.upper;
    }

    // A zoom during a zoom starts from the first one's end: the same ranges
    // as a hidden chart that jumps.
    hidden.ZoomIn();
    QVERIFY(!hidden.zoomAnimating());
    compareAxes(hidden, target);
    z.chart.ZoomIn();
    z.chart.ZoomIn();
    hidden.ZoomIn();
    hidden.ZoomIn();
    QTRY_VERIFY(!z.chart.zoomAnimating());
    compareAxes(z.chart, hiddenZoom.axes(z.series, hidden.applied()));
    compareAxes(z.chart, z.zoom.axes(z.series, z.chart.applied()));

    // Reset, with points arriving meanwhile: it ends on the axes of all of them.
    z.chart.ResetZoom();
    QVERIFY(z.chart.zoomAnimating());
    z.series.AddDiagramPoint({14.0, 30.0, true});
    z.chart.refresh();
    QTRY_VERIFY(!z.chart.zoomAnimating());
    QVERIFY(!z.zoom.zoomed());
    compareAxes(z.chart, z.zoom.axes(z.series, z.chart.applied()));

    // Finishing at once lands on the target too.
    z.chart.ZoomOut();
    z.chart.finishZoomAnimation();
    QVERIFY(!z.chart.zoomAnimating());
    compareAxes(z.chart, z.zoom.axes(z.series, z.chart.applied()));
}

void TestMeasurementUi::rectangleZoomStepsToTheCoresRanges()
{
    ZoomChart z(1);
    z.chart.applyZoomPan(true, false);
    z.chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&z.chart));
    const QRect area = z.chart.axisRect()->rect();
    const QPoint from = area.topLeft() + QPoint(area.width() / 4, area.height() / 4);
    const QPoint to = area.center();
    const QCPRange wanted(z.chart.xAxis->pixelToCoord(from.x()), z.chart.xAxis->pixelToCoord(to.x()));
    const double pixel = z.chart.xAxis->pixelToCoord(1) - z.chart.xAxis->pixelToCoord(0);
    RangeTrail trail(z.chart.xAxis);
    QTest::mousePress(&z.chart, Qt::LeftButton, {}, from);
    QTest::mouseMove(&z.chart, to);
    QTest::mouseRelease(&z.chart, Qt::LeftButton, {}, to);
    QVERIFY(z.zoom.zoomed());
    QTRY_VERIFY(!z.chart.zoomAnimating());
    compareAxes(z.chart, z.zoom.axes(z.series, z.chart.applied()));
    // The rectangle's edges, to a pixel.
    QVERIFY(qAbs(z.chart.xAxis->range().lower - wanted.lower) <= 2 * pixel);
    QVERIFY(qAbs(z.chart.xAxis->range().upper - wanted.upper) <= 2 * pixel);
    // The rectangle's ranges, then back to the old ones, then the steps.
    QVERIFY(int(trail.ranges.size()) >= DiagramWidget::kZoomSteps);
}

// The chart keeps the margins around the plot from one picture to the next
// while nothing they depend on has changed: after each change its picture
// is the one a chart drawn for the first time shows.
void TestMeasurementUi::chartAfterAChangeIsDrawnAsAFreshOne()
{
    const struct {
        const char* change;
        std::function<void(ZoomChart&)> apply;
    } rows[] = {
        {"new points (the time axis moves)",
         [](ZoomChart& z) {
             for (int i = 0; i < 5; ++i)
                 z.series.AddDiagramPoint({10.5 + i * 0.7, 12.0, true});
             z.chart.refresh();
         }},
        {"wider value labels", [](ZoomChart& z) { z.chart.applyAxis(false, -1000, 250000); }},
        {"narrower value labels", [](ZoomChart& z) { z.chart.applyAxis(false, 0, 5); }},
        {"zoomed in", [](ZoomChart& z) { z.chart.ZoomIn(); }},
        {"resized", [](ZoomChart& z) { z.chart.resize(520, 260); }},
        {"larger value labels",
         [](ZoomChart& z) {
             QFont f = z.chart.yAxis->tickLabelFont();
             f.setPointSize(f.pointSize() * 2);
             z.chart.yAxis->setTickLabelFont(f);
         }},
        {"larger time labels",
         [](ZoomChart& z) {
             QFont f = z.chart.xAxis->tickLabelFont();
             f.setPointSize(f.pointSize() * 2);
             z.chart.xAxis->setTickLabelFont(f);
         }},
        {"two-line time caption", [](ZoomChart& z) { z.chart.xAxis->setLabel(QStringLiteral("Time\ns")); }},
    };
    for (const auto& row : rows) {
        ZoomChart drawn(0.5);
        const QImage before = drawn.chart.grab().toImage();
        row.apply(drawn);
        const QImage after = drawn.chart.grab().toImage();
        ZoomChart fresh(0.5);
        row.apply(fresh);
        QVERIFY2(after == fresh.chart.grab().toImage(), row.change);
        QVERIFY2(after != before, row.change);
    }
}

void TestMeasurementUi::setupNumberIsLimited_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("number");
    QTest::newRow("below") << "5" << 10;
    QTest::newRow("not a number") << "abc" << 10;
    QTest::newRow("above") << "5000" << 1000;
    QTest::newRow("inside") << "300" << 300;
    QTest::newRow("upper limit") << "1000" << 1000;
}

void TestMeasurementUi::setupNumberIsLimited()
{
    QFETCH(QString, typed);
    QFETCH(int, number);
    SetupRecorder r;
    r.ok("0", "40", typed);
    QVERIFY(!r.dialog.isVisible());
    QVERIFY(r.stored);
    QCOMPARE(r.stored->number, number);
    QCOMPARE(r.dialog.ed_number->text(), QString::number(number));
}

void TestMeasurementUi::setupUnreadableLimitsGiveDefaults()
{
    SetupRecorder r;
    r.dialog.FormCreate([] {
        GraphicSettings s;
        s.minimum = 3;
        s.maximum = 7;
        return s;
    }());
    r.axes.clear();
    r.ok("abc", "x", "250");
    QVERIFY(r.stored);
    QCOMPARE(r.stored->minimum, 0.0);
    QCOMPARE(r.stored->maximum, 40.0);
    QCOMPARE(r.axes.size(), size_t(1));
    QCOMPARE(r.axes[0], std::make_pair(0.0, 40.0));
    QVERIFY(r.errors.isEmpty());
}

void TestMeasurementUi::setupAxisLimits_data()
{
    QTest::addColumn<QString>("minimum");
    QTest::addColumn<QString>("maximum");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("minimum above maximum") << "10" << "5" << false;
    QTest::newRow("equal limits") << "5" << "5" << false;
    QTest::newRow("negative range") << "-5" << "-1" << true;
    QTest::newRow("raised range") << "50" << "60" << true;
    QTest::newRow("fraction") << "0.5" << "0.75" << true;
}

void TestMeasurementUi::setupAxisLimits()
{
    QFETCH(QString, minimum);
    QFETCH(QString, maximum);
    QFETCH(bool, accepted);
    SetupRecorder r;
    r.ok(minimum, maximum, "250");
    QVERIFY(!r.dialog.isVisible()); // closes either way
    QCOMPARE(bool(r.stored), accepted);
    QCOMPARE(r.errors.isEmpty(), accepted);
    QCOMPARE(r.axes.empty(), !accepted);
    if (accepted) {
        QCOMPARE(r.stored->minimum, minimum.toDouble());
        QCOMPARE(r.stored->maximum, maximum.toDouble());
    }
}

void TestMeasurementUi::setupCancelKeepsTypedText()
{
    SetupRecorder r;
    r.dialog.show();
    r.dialog.ed_number->setText("77");
    r.dialog.cb_allowZoom->setChecked(true);
    QTest::mouseClick(r.dialog.Button2, Qt::LeftButton);
    QVERIFY(!r.dialog.isVisible());
    QVERIFY(!r.stored);
    QVERIFY(!r.zoomActions.value_or(false));
    QCOMPARE(r.dialog.settings().number, 250);
    QCOMPARE(r.dialog.ed_number->text(), QString("77"));
    QVERIFY(r.dialog.cb_allowZoom->isChecked());
    // OK takes what was typed before the cancel.
    r.dialog.show();
    QTest::mouseClick(r.dialog.Button1, Qt::LeftButton);
    QCOMPARE(r.stored->number, 77);
    QVERIFY(r.stored->allowZoom);
    QCOMPARE(r.zoomActions, std::optional<bool>(true));
}

void TestMeasurementUi::setupShowsTheAppliedValues()
{
    // Typed with a point under regional settings that use the comma.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        SetupRecorder r;
        r.ok("abc", "5.5", "x");
        QVERIFY(r.stored);
        QCOMPARE(r.stored->minimum, 0.0);
        QCOMPARE(r.stored->maximum, 40.0);
        QCOMPARE(r.dialog.ed_min->text(), QString("0"));
        QCOMPARE(r.dialog.ed_max->text(), QString("40"));
        QCOMPARE(r.dialog.ed_number->text(), QString("10"));
        r.ok("1,5", "7", "300");
        QCOMPARE(r.dialog.ed_min->text(), QString("1,5"));
        // The next opening shows the same.
        r.dialog.show();
        QCOMPARE(r.dialog.ed_max->text(), QString("7"));
        r.dialog.reject();
    }
    QLocale::setDefault(before);
}

void TestMeasurementUi::printIntoPdf()
{
    QTemporaryDir dir;
    SeriesModel series;
    for (int i = 0; i < 100; ++i)
        series.AddDiagramPoint({i * 0.1, double(5 + (i % 10)), i % 17 != 0});
    DiagramWidget chart;
    chart.resize(600, 400);
    chart.attach(&series, nullptr);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString path = dir.filePath("diagram.pdf");
    printer.setOutputFileName(path);
    chart.printTo(printer, "PXRTool (PXR7X)");
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
    QVERIFY(QFileInfo(path).size() > 1000);
    QCOMPARE(head(path, 5), QByteArray("%PDF-"));
}

void TestMeasurementUi::printedPageLayout()
{
    SeriesModel series;
    for (int i = 0; i < 50; ++i)
        series.AddDiagramPoint({double(i), 20, true});
    DiagramWidget chart;
    chart.resize(500, 300); // the page does not depend on the widget's size
    chart.attach(&series, nullptr);
    QImage page(1123, 794, QImage::Format_RGB32); // A4 landscape at 96 dpi
    page.fill(Qt::white);
    QCPPainter painter(&page);
    chart.renderPage(painter, page.rect(), "PXRTool (PXR7X)");
    painter.end();

    const int w = page.width(), h = page.height(), m = h / 20, s = h / 35;
    // Bounding box of what is not white within a band of rows.
    const auto box = [&](int y0, int y1) {
        QRect r;
        for (int y = std::max(0, y0); y < std::min(h, y1); ++y)
            for (int x = 0; x < w; ++x)
                if (page.pixel(x, y) != qRgb(255, 255, 255))
                    r = r.united(QRect(x, y, 1, 1));
        return r;
    };
    QVERIFY(box(0, s / 2).isEmpty());                    // top margin blank
    const QRect captionRow = box(s, 2 * s + 3);
    const QRect dateRow = box(3 * s, 4 * s + 3);
    QVERIFY(!captionRow.isEmpty() && !dateRow.isEmpty());
    QVERIFY(qAbs(captionRow.left() - m) <= 3);
    QVERIFY(qAbs(dateRow.left() - m) <= 3);
    QVERIFY(dateRow.width() > captionRow.width());     // "Datum / Uhrzeit: ..." is the longer line
    const QRect chartArea = box(5 * s, h);
    QVERIFY2(chartArea.right() <= w - m && chartArea.right() >= w - m - 20, qPrintable(QString::number(chartArea.right())));
    QVERIFY2(chartArea.bottom() <= h - m && chartArea.bottom() >= h - m - 20, qPrintable(QString::number(chartArea.bottom())));
    QVERIFY(chartArea.left() >= m - 1 && chartArea.left() <= m + 20);
    int blue = 0;
    for (int y = chartArea.top(); y <= chartArea.bottom(); ++y)
        for (int x = chartArea.left(); x <= chartArea.right(); ++x) {
            const QColor c = page.pixelColor(x, y);
            blue += c.blue() > 150 && c.red() < 120 && c.green() < 120;
        }
    QVERIFY(blue > 100); // the series line
}

void TestMeasurementUi::savePictureInTheNamedFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("signature");
    QTest::newRow("png") << "d.png" << QByteArray("\x89PNG\r\n", 6);
    QTest::newRow("jpg") << "d.jpg" << QByteArray("\xFF\xD8\xFF", 3);
    QTest::newRow("jpeg upper case") << "d.JPEG" << QByteArray("\xFF\xD8\xFF", 3);
    QTest::newRow("bmp") << "d.bmp" << QByteArray("BM");
    QTest::newRow("unknown extension") << "d.dat" << QByteArray("BM");
}

void TestMeasurementUi::savePictureInTheNamedFormat()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, signature);
    QTemporaryDir dir;
    SeriesModel series;
    series.AddDiagramPoint({0, 5, true});
    series.AddDiagramPoint({1, 6, true});
    DiagramWidget chart;
    chart.resize(320, 240);
    chart.attach(&series, nullptr);
    const QString path = dir.filePath(name);
    chart.savePicture(path);
    QCOMPARE(head(path, signature.size()), signature);
    QImage image(path);
    QCOMPARE(image.size(), QSize(320, 240));
}

void TestMeasurementUi::savePictureFailureIsReported()
{
    DiagramWidget chart;
    chart.resize(100, 100);
    QString message;
    try {
        chart.savePicture("/nonexistent-folder/diagram.png");
    } catch (const std::runtime_error& e) {
        message = QString::fromStdString(e.what());
    }
    QVERIFY2(message.contains("/nonexistent-folder/diagram.png"), qPrintable(message));
}

void TestMeasurementUi::savePictureOnAFullDiskLeavesNoPart()
{
    pxr::test::SmallFileSystem small(64);
    if (!small.ok())
        QSKIP("cannot mount a small file system here (needs root)");
    SeriesModel series;
    for (int i = 0; i < 50; ++i)
        series.AddDiagramPoint({double(i), double(i % 7), true});
    DiagramWidget chart;
    chart.resize(400, 300); // 480 KB as a bitmap: more than the disk holds
    chart.attach(&series, nullptr);
    const QString path = QString::fromStdString(small.path("diagram.bmp"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the picture saved before");
    }
    QString message;
    try {
        chart.savePicture(path);
    } catch (const std::runtime_error& e) {
        message = QString::fromStdString(e.what());
    }
    QVERIFY2(message.contains(path) && message.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))),
             qPrintable(message));
    QCOMPARE(head(path, 100), QByteArray("the picture saved before"));
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files), QStringList{"diagram.bmp"});

    // A picture that fits is written whole.
    chart.resize(60, 40);
    chart.savePicture(QString::fromStdString(small.path("small.png")));
    QCOMPARE(QImage(QString::fromStdString(small.path("small.png"))).size(), QSize(60, 40));
}

void TestMeasurementUi::savePictureRefusesKindsItCannotWrite()
{
    Window w;
    QVERIFY(w.startOn(kNoPort));
    QTemporaryDir dir;
    QString chosen;
    uiOf(w).choosePictureFile = [&] { return chosen; };
    w.form->Notebook->setCurrentIndex(1);
    QPushButton* save = nullptr;
    for (QPushButton* b : w.buttons("acSaveGrafik"))
        if (b->isVisible())
            save = b;
    QVERIFY(save);
    for (const char* name : {"d.gif", "d.GIF", "d.tiff", "d.webp"}) {
        chosen = dir.filePath(name);
        QString message;
        pxr::test::answerMessageBox(w.form.get(), &message);
        QTest::mouseClick(save, Qt::LeftButton);
        QVERIFY2(message.contains(chosen) && message.contains(".bmp"), qPrintable(message));
        QVERIFY(!QFileInfo::exists(chosen));
    }
    chosen = dir.filePath("d.xpm"); // a kind it can write
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(head(chosen, 9), QByteArray("/* XPM */"));
}

void TestMeasurementUi::logViewShowsTheLogInBatches()
{
    Stopwatch clock([] { return 0.0; });
    NullUiHooks ui;
    OnlineLog log(clock, ui);
    LogView view;
    QCOMPARE(view.maximumBlockCount(), 256);
    QVERIFY(QFontInfo(view.font()).fixedPitch());
    view.attach(&log);
    const auto rows = [&] {
        QStringList l = view.toPlainText().split('\n');
        if (l.size() == 1 && l[0].isEmpty())
            l.clear();
        return l;
    };
    // 300 readings in passes of 7: the view keeps its rows, ends with the last line.
    for (int i = 0; i < 300; ++i) {
        log.LogReading({double(i), i * 0.5, i % 50 != 3});
        if (i % 7 == 0)
            view.flush();
    }
    view.flush();
    QStringList shown = rows();
    QVERIFY(shown.size() <= 256);
    QCOMPARE(shown.back(), QString::fromStdString(log.line(log.lineCount() - 1)));
    QCOMPARE(shown.back(), QString("299.000;149.500"));
    QVERIFY(shown.contains("253.000;")); // an undecoded reading

    // All at once, more than the log keeps: exactly the log's lines.
    LogView fresh;
    fresh.attach(&log);
    QStringList all = fresh.toPlainText().split('\n');
    QCOMPARE(all.size(), 255);
    QCOMPARE(all.front(), QString::fromStdString(log.line(0)));

    log.acClearLogExecute();
    view.flush();
    QVERIFY(rows().isEmpty());
    log.LogReading({1, 2, true});
    log.LogReading({2, 3, true});
    view.flush();
    QCOMPARE(rows(), (QStringList{"1.000;2.000", "2.000;3.000"}));
}

void TestMeasurementUi::windowSetupReachesChartAndStore()
{
    Window w;
    w.put("ComPort", "Port", "/nonexistent/pxr-test-port");
    w.put("Graphic", "Minimum", "-2");
    w.put("Graphic", "Maximum", "12");
    w.put("Graphic", "Number", "20");
    w.create();
    QVERIFY(w.show());
    TMainForm& f = *w.form;
    QCOMPARE(f.ChartMenu->objectName(), QString("PopupMenu_Grafik"));
    QCOMPARE(f.LogMenu->objectName(), QString("PopupMenu_Log"));
    QCOMPARE(f.measurementUi().chart()->yAxis->range().lower, -2.0);
    QCOMPARE(f.measurementUi().chart()->yAxis->range().upper, 12.0);
    QCOMPARE(f.controller().measurement()->series.number(), size_t(20));
    QCOMPARE(f.GraphicSetupForm->ed_min->text(), QString("-2"));

    bool done = false;
    QTimer::singleShot(50, &f, [&] {
        TGraphicSetupForm* d = f.GraphicSetupForm;
        d->cb_allowZoom->setChecked(true);
        d->cb_pointer->setChecked(true);
        d->ed_max->setText("30");
        QTest::mouseClick(d->Button1, Qt::LeftButton);
        done = true;
    });
    f.action("acGraphic")->trigger();
    QVERIFY(done);
    QVERIFY(f.action("acZoomIn")->isEnabled());
    QVERIFY(f.action("acZoomOut")->isEnabled());
    QCOMPARE(f.measurementUi().chart()->Series1->scatterStyle().shape(), QCPScatterStyle::ssCircle);
    QCOMPARE(f.measurementUi().chart()->yAxis->range().upper, 30.0);
    const GraphicSettings stored = f.controller().settings().readGraphic();
    QCOMPARE(stored.maximum, 30.0);
    QVERIFY(stored.allowZoom && stored.pointer);

    // A refused range: error box, nothing stored, the chart unchanged.
    QTimer::singleShot(50, &f, [&] {
        TGraphicSetupForm* d = f.GraphicSetupForm;
        d->ed_min->setText("10");
        d->ed_max->setText("5");
        QTimer::singleShot(100, &f, [] {
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
        });
        QTest::mouseClick(d->Button1, Qt::LeftButton);
    });
    f.action("acGraphic")->trigger();
    QCOMPARE(f.controller().settings().readGraphic().maximum, 30.0);
    QCOMPARE(f.measurementUi().chart()->yAxis->range().upper, 30.0);
}

void TestMeasurementUi::windowLogFile()
{
    QTemporaryDir dir;
    Window w;
    w.put("ComPort", "Port", "/nonexistent/pxr-test-port");
    w.put("Directory", "LogFile", dir.path());
    w.create();
    QVERIFY(w.show());
    TMainForm& f = *w.form;
    QString offeredDir;
    QString answer;
    uiOf(w).chooseLogFile = [&](const QString& d) {
        offeredDir = d;
        return answer;
    };
    QAction* a = f.action("acStartStopLog");
    const auto buttons = w.buttons("acStartStopLog");
    QCOMPARE(buttons.size(), 1);

    // Cancelled: nothing changes.
    a->trigger();
    QCOMPARE(offeredDir, dir.path());
    QVERIFY(!a->isChecked());
    QCOMPARE(a->text(), QString("Start Log File"));

    answer = dir.filePath("run.csv");
    a->trigger();
    QVERIFY(a->isChecked());
    QCOMPARE(a->text(), QString("Stop Log File"));
    QCOMPARE(buttons[0]->text(), QString("Stop Log File"));
    QCOMPARE(f.StatusPanel[2]->text(), " Log File: " + answer);
    QCOMPARE(fileLines(answer), QStringList{"Time;Value"});

    Measurement& m = *f.controller().measurement();
    m.simulatedLine("012.345");
    m.simulatedLine("E15");
    QStringList lines = fileLines(answer);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[1].endsWith(";12.345"));
    QVERIFY(lines[2].endsWith(";"));
    f.Notebook->setCurrentIndex(3);
    QTRY_VERIFY(f.measurementUi().logView()->toPlainText().endsWith(lines[2]));

    // The file vanishes: logging ends and says why.
    QFile::remove(answer);
    m.simulatedLine("012.345");
    QVERIFY(!a->isChecked());
    QCOMPARE(buttons[0]->text(), QString("Start Log File"));
    QVERIFY2(f.StatusPanel[2]->text().startsWith(" Log File stopped: " + answer), qPrintable(f.StatusPanel[2]->text()));
    QVERIFY(!QFileInfo::exists(answer));

    f.action("acClearLog")->trigger();
    QCOMPARE(f.measurementUi().logView()->toPlainText(), QString());
    m.simulatedLine("004.000");
    QTRY_VERIFY(!f.measurementUi().logView()->toPlainText().isEmpty());

    // Closing frees the measurement; the views keep running without it.
    f.close();
    QVERIFY(!f.controller().measurement());
    QTest::qWait(150);
    QCOMPARE(f.measurementUi().logView()->toPlainText(), QString());
}

void TestMeasurementUi::hiddenLogViewCatchesUp()
{
    Window w;
    QVERIFY(w.startOn(kNoPort));
    TMainForm& f = *w.form;
    f.Notebook->setCurrentIndex(1);
    LogView* view = f.measurementUi().logView();
    QVERIFY(!view->isVisible());
    Measurement& m = *f.controller().measurement();
    // Behind the diagram page its passes take the lines from the log (which
    // keeps 255) and lay nothing out.
    for (int from : {1, 201}) {
        for (int i = from; i < from + 200; ++i)
            m.simulatedLine(QString::asprintf("%03d.000", i).toStdString());
        view->flush();
        QVERIFY(view->toPlainText().isEmpty());
    }
    // Shown, it has its 256 rows at once, the last lines without a gap.
    f.Notebook->setCurrentIndex(3);
    QVERIFY(view->isVisible());
    const QStringList rows = view->toPlainText().split('\n');
    QCOMPARE(rows.size(), 256);
    QVERIFY(rows.front().endsWith(";145.000"));
    QVERIFY(rows.back().endsWith(";400.000"));
    m.simulatedLine("401.000");
    QTRY_VERIFY(view->toPlainText().endsWith(";401.000"));
}

void TestMeasurementUi::windowDiagramFollowsReadings()
{
    Window w;
    QVERIFY(w.startOn(kNoPort));
    TMainForm& f = *w.form;
    f.Notebook->setCurrentIndex(1);
    Measurement& m = *f.controller().measurement();
    m.simulatedLine("001.000");
    m.simulatedLine("E15");
    m.simulatedLine("003.000");
    QTRY_COMPARE(f.measurementUi().chart()->Series1->dataCount(), 3);
    QVERIFY(std::isnan((f.measurementUi().chart()->Series1->data()->begin() + 1)->value));
    f.controller().LineCount.count("a\nb\n", false);
    QCOMPARE(f.controller().LineCount.value(), 2);
    QTest::qWait(200);
    f.action("acClearGrafik")->trigger();
    QCOMPARE(f.measurementUi().chart()->Series1->dataCount(), 0);
    QCOMPARE(f.controller().LineCount.value(), 0);
    // The time base starts again: the next point is near t = 0.
    m.simulatedLine("002.000");
    f.measurementUi().chart()->refresh();
    QCOMPARE(f.measurementUi().chart()->Series1->dataCount(), 1);
    QVERIFY(f.measurementUi().chart()->Series1->data()->begin()->key < 0.15);
}

void TestMeasurementUi::windowStatisticsFollowReadingsZoomAndClear()
{
    Window w;
    QVERIFY(w.startOn(kNoPort));
    TMainForm& f = *w.form;
    f.Notebook->setCurrentIndex(1);
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    Measurement& m = *f.controller().measurement();
    const QString sep = QLocale().decimalPoint();
    const auto num = [&sep](const char* text) { return QString::fromLatin1(text).replace('.', sep); };
    m.simulatedLine("001.000");
    m.simulatedLine("E15");
    m.simulatedLine("003.000");
    QTRY_VERIFY(f.measurementUi().statistics()->text().startsWith(QStringLiteral("Since Clear:  Count 2   Mean ") + num("2.0000")));
    QVERIFY(f.measurementUi().statistics()->text().endsWith(QStringLiteral("Invalid 1")));

    // The Clear button under the diagram starts the figures again.
    const QList<QPushButton*> clear = w.buttons(QStringLiteral("acClearGrafik"));
    QVERIFY(!clear.isEmpty());
    QTest::mouseClick(clear.front(), Qt::LeftButton);
    QTRY_VERIFY(f.measurementUi().statistics()->text().startsWith(QStringLiteral("Since Clear:  Count 0   Mean -")));

    // Ten readings 1..10 about 0.1 s apart; a rectangle over the later half
    // adds the visible range's figures on a second line.
    for (int i = 1; i <= 10; ++i) {
        m.simulatedLine(format("%07.3f", static_cast<double>(i)));
        QTest::qWait(100);
    }
    QTRY_VERIFY(f.measurementUi().statistics()->text().startsWith(QStringLiteral("Since Clear:  Count 10   Mean ") + num("5.5000")));
    QVERIFY(!f.measurementUi().statistics()->text().contains('\n'));
    f.measurementUi().chart()->applyZoomPan(true, false);
    const QRect area = f.measurementUi().chart()->axisRect()->rect();
    const QPoint from(area.left() + area.width() / 2, area.top() + 2);
    const QPoint to(area.right() - 2, area.bottom() - 2);
    QTest::mousePress(f.measurementUi().chart(), Qt::LeftButton, {}, from);
    QTest::mouseMove(f.measurementUi().chart(), to);
    QTest::mouseRelease(f.measurementUi().chart(), Qt::LeftButton, {}, to);
    QTRY_VERIFY(!f.measurementUi().chart()->zoomAnimating());
    const QStringList lines = f.measurementUi().statistics()->text().split('\n');
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith(QStringLiteral("Since Clear:  Count 10 ")));
    // Whatever lies in the visible time span, worked out from the points.
    const AxisRange x = f.measurementUi().chart()->shownAxes().x;
    ReadingStats visible;
    for (size_t i = 0; i < m.series.size(); ++i)
        if (m.series.at(i).t >= x.min && m.series.at(i).t <= x.max)
            visible.add({0, m.series.at(i).y, true});
    QVERIFY(visible.count() > 0 && visible.count() < 10);
    QVERIFY2(lines[1].endsWith(QStringLiteral(":  ") +
                               QString::fromStdString(FormatReadingStats(visible, sep.toLatin1().at(0)))),
             qPrintable(lines[1]));
    QVERIFY(!lines[1].contains(QStringLiteral("Min ") + num("1.0000")));

    // Reset Zoom: one line again.
    f.measurementUi().chart()->ResetZoom();
    QTRY_VERIFY(!f.measurementUi().statistics()->text().contains('\n'));

    // A new text of the same size lays out nothing; a longer one gets room.
    // (The chart no longer puts its figures in, so that only these texts show.)
    QObject::disconnect(f.measurementUi().chart(), &DiagramWidget::rangesShown, nullptr, nullptr);
    QTest::qWait(50);
    QLabel* label = f.measurementUi().statistics();
    QWidget* line = label->parentWidget();
    int layouts = 0;
    EventCounter counter(line->parentWidget(), QEvent::LayoutRequest, layouts);
    const QString text = label->text();
    const int width = line->sizeHint().width();
    label->setText(QString(text).replace('1', '7'));
    QTest::qWait(50);
    QCOMPARE(layouts, 0);
    label->setText(text + QStringLiteral("   and a good deal more"));
    QVERIFY(line->sizeHint().width() > width);
    QTRY_VERIFY(layouts > 0);
    QTRY_COMPARE(label->width(), line->width());

    // The line's own background is what the page shows behind it.
    label->clear();
    QTest::qWait(50);
    const QRect lineArea(line->mapTo(&f, QPoint(0, 0)), line->size());
    const QImage withLine = f.grab(lineArea).toImage();
    label->hide();
    const QImage behind = f.grab(lineArea).toImage();
    label->show();
    QCOMPARE(withLine, behind);
}

// The line shows its texts as a plain label and turns selectable when
// clicked: the user can select and copy as always, and each picture is the
// one a selectable label paints.
void TestMeasurementUi::statisticsSelectableWithTheSameLook()
{
    QWidget page;
    auto* layout = new QVBoxLayout(&page);
    auto* elsewhere = new QLineEdit(&page);
    auto* line = new StatisticsLine;
    layout->addWidget(elsewhere);
    layout->addWidget(line);
    page.resize(700, 120);
    page.show();
    page.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&page));
    QLabel* label = line->label();
    const QString first = QStringLiteral("Since Clear:  Count 12   Mean 5.5000   Min 1.0000   Max 10.0000");
    const QString second = QStringLiteral("Since Clear:  Count 13   Mean 5.6000   Min 1.0000   Max 10.0000");
    const auto picture = [label] { return label->grab().toImage(); };
    const auto selectable = [label] { return bool(label->textInteractionFlags() & Qt::TextSelectableByMouse); };
    // Plain, the label keeps no text document to lay out at every paint.
    const auto plainLabel = [&] {
        const QList<QObject*> kids = label->children();
        return !selectable() && std::none_of(kids.begin(), kids.end(), [](QObject* kid) {
            return qstrcmp(kid->metaObject()->className(), "QWidgetTextControl") == 0;
        });
    };
    line->showText(first);
    QCOMPARE(label->text(), first);
    QVERIFY(plainLabel());
    const QImage plain = picture();

    // A click: selectable from the click on, and the same picture.
    const QPoint word(label->fontMetrics().horizontalAdvance(QStringLiteral("Sin")), label->height() / 2);
    QTest::mouseClick(label, Qt::LeftButton, {}, word);
    QVERIFY(label->hasFocus());
    QVERIFY(selectable());
    QCOMPARE(picture(), plain);
    QTest::mouseDClick(label, Qt::LeftButton, {}, word);
    QCOMPARE(label->selectedText(), QStringLiteral("Since"));

    // New figures end the selection, as they always did; the label is plain
    // again, focus or not, and the next click selects in the new text.
    line->showText(second);
    QVERIFY(plainLabel());
    QVERIFY(label->selectedText().isEmpty());
    const QImage plainSecond = picture();
    QTest::mouseClick(label, Qt::LeftButton, {}, word);
    QVERIFY(selectable());
    QCOMPARE(picture(), plainSecond);
    QTest::mouseDClick(label, Qt::LeftButton, {}, word);
    QCOMPARE(label->selectedText(), QStringLiteral("Since"));

    // Elsewhere: plain, and the same pictures.
    QTest::mouseClick(elsewhere, Qt::LeftButton);
    QVERIFY(!label->hasFocus());
    line->showText(first);
    QVERIFY(plainLabel());
    QCOMPARE(picture(), plain);
    line->showText(second);
    QCOMPARE(picture(), plainSecond);

    // The other ways of turning to it: the focus, a key, the context menu.
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"focus", [&] { label->setFocus(Qt::TabFocusReason); }},
        {"key", [&] { QTest::keyClick(label, Qt::Key_Shift); }},
        {"context menu", [&] {
             QContextMenuEvent menu(QContextMenuEvent::Keyboard, word, label->mapToGlobal(word));
             QCoreApplication::sendEvent(label, &menu);
             if (QWidget* popup = QApplication::activePopupWidget())
                 popup->close();
         }},
    };
    bool odd = false;
    for (const auto& [way, turnTo] : ways) {
        line->showText((odd = !odd) ? first : second);
        QVERIFY2(plainLabel(), way);
        turnTo();
        QVERIFY2(selectable(), way);
    }
}

void TestMeasurementUi::needleAndLampsFollowTheModelLine()
{
    Window w;
    w.put("ComPort", "Port", "/nonexistent/pxr-test-port");
    w.put("Device", "Type", "1");
    w.create();
    QVERIFY(w.show());
    TMainForm& f = *w.form;
    const AnalogMeterScale pxr500c = SetupAnalogMeter(kPXR500C);
    QCOMPARE(f.measurementUi().analogMeter()->scale().minimum, pxr500c.minimum);
    QCOMPARE(f.measurementUi().analogMeter()->scale().ticks, pxr500c.ticks);
    QVERIFY(f.measurementUi().led(2)->isHidden());
    // PXR500C, rising range 0..40, a reading of 10: the needle follows on the next tick.
    TPXR500C& set = *f.controller().PXR500C();
    set.SetRB("0");
    set.SetRE("40");
    f.controller().measurement()->simulatedLine("  10.000");
    QTRY_COMPARE(f.measurementUi().analogMeter()->value(), f.controller().measurement()->outputs.MeterValue());
    QVERIFY(f.measurementUi().analogMeter()->value() > pxr500c.minimum);
    QTRY_COMPARE(f.measurementUi().liveValue()->text(), QString("  10.000"));
}

void TestMeasurementUi::dtAgainstEmulator()
{
    if (!PtyMeter::available())
        QSKIP("pxr-meter is not part of this build");
    MeterWindow w;
    QVERIFY(w.start("pxr7x", 0));
    TMainForm& f = *w.form;
    QTRY_VERIFY_WITH_TIMEOUT(f.controller().port().Connected(), 5000);
    // Analog range 0..40 and output 1 above 1.0.
    TPXR7x& set = *f.controller().PXR7x();
    set.SetRB("0");
    set.SetRE("40");
    set.SetAC("1");
    set.SetAH("0.1");
    set.SetAW("100000");
    set.SetSE("0");
    const int32_t needle0 = f.measurementUi().analogMeter()->value();
    QVERIFY(!f.measurementUi().led(1)->isOn());
    f.Notebook->setCurrentIndex(1);

    f.action("acDT")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(f.measurementUi().chart()->Series1->dataCount() > 5, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(f.measurementUi().analogMeter()->value() != needle0, 2000);
    // The emulator's target stands at about 5 m: 4 + 5 * 16 / 40 mA.
    QVERIFY2(qAbs(f.measurementUi().analogMeter()->value() - 6000) < 200, qPrintable(QString::number(f.measurementUi().analogMeter()->value())));
    QVERIFY(f.measurementUi().led(1)->isOn());
    QVERIFY(!f.measurementUi().liveValue()->text().isEmpty());
    f.Notebook->setCurrentIndex(3);
    QTRY_VERIFY_WITH_TIMEOUT(f.measurementUi().logView()->toPlainText().count('\n') > 3, 3000);
    const QString last = f.measurementUi().logView()->toPlainText().split('\n').back();
    QVERIFY2(last.contains(";5.") || last.contains(";4.9"), qPrintable(last));

    f.action("acStop")->trigger();
    QTest::qWait(300);
    const uint64_t afterStop = f.controller().measurement()->series.revision();
    QTest::qWait(500);
    QCOMPARE(f.controller().measurement()->series.revision(), afterStop);
}

void TestMeasurementUi::findMeterFillsTheSetupAndItsRateSurvivesOK()
{
    if (!PtyMeter::available())
        QSKIP("pxr-meter is not part of this build");
    // A PXR501 streaming at 38400: neither its line's usual rate nor the
    // window's line (PXR7X). The user types the port and presses Find Meter.
    MeterWindow w;
    QVERIFY(w.meter.start({"--model", "pxr501", "--baud", "38400"}));
    w.put("ComPort", "Port", "/nonexistent/pxr-test-port");
    w.create();
    int progressSteps = 0;
    QString found;
    QVERIFY(w.show([&](TComSetupForm& d) {
        QVERIFY(!d.pb_Find->isVisible());
        d.Combo_Port->setEditText(w.link());
        QObject::connect(d.pb_Find, &QProgressBar::valueChanged, &d, [&] { ++progressSteps; });
        QTest::mouseClick(d.btn_FindMeter, Qt::LeftButton); // returns when the search is over
        found = d.lb_Find->text();
        QCOMPARE(d.cb_device->currentText(), QStringLiteral("PXR501/502"));
        QCOMPARE(d.Combo_Port->currentText(), w.link());
        QCOMPARE(d.Combo_Baudrate->currentText(), QStringLiteral("38400"));
        QVERIFY(!d.pb_Find->isVisible());
        QVERIFY(d.OKButton->isEnabled());
    }));
    QVERIFY2(found.startsWith(QStringLiteral("Found PXR501/502 on %1 at 38400 baud: streaming")
                                  .arg(w.link())),
             qPrintable(found));
    QVERIFY(progressSteps > 1);
    TMainForm& f = *w.form;
    QCOMPARE(f.controller().deviceType(), kPXR501);
    QTRY_VERIFY(f.controller().port().Connected());
    QCOMPARE(f.controller().port().BaudRate(), 38400u);
    QCOMPARE(f.controller().port().Port(), w.meter.link());
    // It keeps streaming; its readings reach the diagram at that rate.
    QTRY_VERIFY_WITH_TIMEOUT(f.controller().measurement()->stats.count() > 3, 5000);
    QVERIFY(qAbs(f.controller().measurement()->stats.mean() - 5.0) < 0.05);
}

void TestMeasurementUi::findMeterCancelEndsTheSearch()
{
    if (!PtyMeter::available())
        QSKIP("pxr-meter is not part of this build");
    MeterWindow w;
    QVERIFY(w.meter.start({"--model", "pxr7x", "--silent"}));
    w.put("ComPort", "Port", w.link());
    w.create();
    qint64 took = 0;
    QString said;
    QVERIFY(w.show([&](TComSetupForm& d) {
        QTimer::singleShot(800, &d, [&d] {
            QVERIFY(d.btn_FindCancel->isVisible());
            QVERIFY(!d.OKButton->isEnabled());
            QTest::mouseClick(d.btn_FindCancel, Qt::LeftButton);
        });
        QElapsedTimer t;
        t.start();
        QTest::mouseClick(d.btn_FindMeter, Qt::LeftButton);
        took = t.elapsed();
        said = d.lb_Find->text();
        QVERIFY(d.isVisible()); // cancelling the search does not close the dialog
    }));
    QCOMPARE(said, QStringLiteral("Search cancelled"));
    QVERIFY2(took < 3000, qPrintable(QString::number(took)));
    // The closing steps open the port the dialog names again.
    QTRY_VERIFY(w.form->controller().port().Connected());
}

void TestMeasurementUi::dtOverRfc2217()
{
    if (!PtyMeter::available())
        QSKIP("pxr-meter is not part of this build");
    if (!test::Ser2Net::available())
        QSKIP("ser2net is not installed (Debian package ser2net; scripts/deps installs it)");
    // The meter at 19200 behind a server configured for 9600: the window's
    // rate reaches the server's line through the network.
    MeterWindow w;
    QVERIFY(w.meter.start({"--model", "pxr7x", "--baud", "19200"}));
    test::Ser2Net server(w.dir.path());
    QVERIFY(server.start(w.link(), 9600, 19200));
    w.put("ComPort", "Port", server.rfc2217Name());
    w.put("ComPort", "BaudRate", "19200");
    w.create();
    QVERIFY(w.show());
    TMainForm& f = *w.form;
    QTRY_VERIFY_WITH_TIMEOUT(f.controller().port().Connected(), 5000);
    QVERIFY(f.StatusPanel[0]->text().contains(server.rfc2217Name() + ":19200"));
    f.Notebook->setCurrentIndex(1);
    const QList<QPushButton*> dt = w.buttons(QStringLiteral("acDT"));
    QVERIFY(!dt.isEmpty());
    QTest::mouseClick(dt.front(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(f.measurementUi().chart()->Series1->dataCount() > 5, 5000);
    const Measurement& m = *f.controller().measurement();
    QCOMPARE(m.stats.invalid(), 0u);
    QVERIFY(qAbs(m.stats.mean() - 5.0) < 0.05);
    // The server going away is a pulled cable: the port closes, panel 2 says so.
    server.stop();
    QTRY_VERIFY_WITH_TIMEOUT(!f.controller().port().Connected(), 5000);
    QVERIFY2(f.StatusPanel[2]->text().startsWith(QStringLiteral(" Port lost: ") + server.rfc2217Name()),
             qPrintable(f.StatusPanel[2]->text()));
}

PXR_WINDOW_TEST_MAIN(TestMeasurementUi)

#include "test_measurementui.moc"
