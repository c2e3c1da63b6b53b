#include "measurement/DiagramWidget.h"

#include <QBuffer>
#include <QDateTime>
#include <QImageReader>
#include <QImageWriter>
#include <QLocale>
#include <QPrinter>

#include <stdexcept>

#include "base/SafeFile.h"

namespace pxr {

namespace {

const char* const kHint = "Click Right Mouse Button for Menu";

// Left axis labels as "#0.###": at most three decimals, no trailing zeros.
class ValueTicker : public QCPAxisTicker {
protected:
    QString getTickLabel(double tick, const QLocale& locale, QChar, int) override
    {
        QString s = locale.toString(tick, 'f', 3);
        const QString dp = locale.decimalPoint();
        if (s.contains(dp)) {
            while (s.endsWith(QLatin1Char('0')))
                s.chop(1);
            if (s.endsWith(dp))
                s.chop(dp.size());
        }
        if (s == QStringLiteral("-0"))
            s = QStringLiteral("0");
        return s;
    }
};

} // namespace

QByteArray DiagramPictureFormat(const QString& fileName)
{
    const QByteArray ext = QFileInfo(fileName).suffix().toLower().toLatin1();
    if (ext.isEmpty())
        return QByteArrayLiteral("bmp");
    if (QImageWriter::supportedImageFormats().contains(ext))
        return ext;
    // A picture of a kind the program can only read (a GIF) or not at all
    // would get bytes of another kind under its name: no viewer opens it.
    static const QList<QByteArray> kOtherPictures = {"gif", "tif", "tiff", "webp", "svg", "svgz", "heic",
                                                     "heif", "avif", "jp2", "jxl", "tga", "psd", "xcf",
                                                     "emf", "wmf", "eps", "pdf", "ps"};
    if (QImageReader::supportedImageFormats().contains(ext) || kOtherPictures.contains(ext))
        return QByteArray();
    return QByteArrayLiteral("bmp");
}

DiagramWidget::DiagramWidget(QWidget* parent) : QCustomPlot(parent)
{
    setObjectName(QStringLiteral("Chart1"));
    setBackground(Qt::white);
    // paintEvent fills the whole widget with the background first: the page
    // and the notebook behind it need not be painted for every replot.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A new picture is painted with the next paint of the window, together
    // with the statistics line under it, not at once on its own.
    setPlottingHint(QCP::phImmediateRefresh, false);
    setCursor(Qt::CrossCursor);
    setToolTip(QString::fromLatin1(kHint));
    setStatusTip(QString::fromLatin1(kHint));
    setNoAntialiasingOnDrag(true);
    legend->setVisible(false);

    Series1 = addGraph();
    Series1->setName(QStringLiteral("Series1"));
    Series1->setPen(QPen(Qt::blue, 1));
    Series1->setAdaptiveSampling(true);

    xAxis->setLabel(QStringLiteral("Time s"));
    xAxis->grid()->setVisible(false);
    yAxis->setTicker(QSharedPointer<QCPAxisTicker>(new ValueTicker));
    setLocale(QLocale());

    applyMarkers(false, false);
    applyAxis(false, 0, 40);
    applyZoomPan(false, false);
    setRanges(UnzoomedAxes(SeriesModel(), m_applied));

    // The user's rectangle or drag moves the axes; the core is told so that
    // the next replot keeps them.
    connect(xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this](const QCPRange&) { userChangedRanges(); });
    connect(yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this](const QCPRange&) { userChangedRanges(); });

    m_zoomTimer.setInterval(kZoomStepMs);
    connect(&m_zoomTimer, &QTimer::timeout, this, &DiagramWidget::zoomStep);
}

void DiagramWidget::attach(const SeriesModel* series, DiagramZoom* zoom)
{
    finishZoomAnimation();
    m_series = series;
    m_zoom = zoom;
    m_dirty = true;
    refresh();
}

void DiagramWidget::applyMarkers(bool pointer, bool stair)
{
    m_applied.pointer = pointer;
    m_applied.stair = stair;
    if (pointer)
        Series1->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(Qt::blue, 1), QBrush(Qt::white), 4));
    else
        Series1->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
    Series1->setLineStyle(stair ? QCPGraph::lsStepLeft : QCPGraph::lsLine);
    m_dirty = true;
    refresh();
}

void DiagramWidget::applyAxis(bool autoScale, double minimum, double maximum)
{
    m_applied.autoScale = autoScale;
    m_applied.minimum = minimum;
    m_applied.maximum = maximum;
    m_dirty = true;
    refresh();
}

void DiagramWidget::applyZoomPan(bool allowZoom, bool allowPan)
{
    m_applied.allowZoom = allowZoom;
    m_applied.allowPan = allowPan;
    setSelectionRectMode(allowZoom ? QCP::srmZoom : QCP::srmNone);
    setInteraction(QCP::iRangeDrag, allowPan);
    axisRect()->setRangeDrag(Qt::Horizontal);
    axisRect()->setRangeDragAxes(xAxis, nullptr);
}

void DiagramWidget::ZoomIn() { zoomBy(&DiagramZoom::ZoomIn); }

void DiagramWidget::ZoomOut() { zoomBy(&DiagramZoom::ZoomOut); }

void DiagramWidget::zoomBy(void (DiagramZoom::*zoom)(const SeriesModel&, const GraphicSettings&))
{
    if (!m_zoom || !m_series)
        return;
    finishZoomAnimation();
    const DiagramAxes before = shownAxes();
    (m_zoom->*zoom)(*m_series, m_applied);
    animateFrom(before);
}

void DiagramWidget::ResetZoom()
{
    finishZoomAnimation();
    const DiagramAxes before = shownAxes();
    if (m_zoom)
        m_zoom->ResetZoom();
    animateFrom(before);
}

void DiagramWidget::processRectZoom(QRect rect, QMouseEvent* event)
{
    finishZoomAnimation();
    const DiagramAxes before = shownAxes();
    // The toolkit turns the rectangle into ranges; setting them tells the
    // core (userChangedRanges), which then holds the target.
    QCustomPlot::processRectZoom(rect, event);
    if (m_zoom && m_series)
        animateFrom(before);
}

void DiagramWidget::animateFrom(const DiagramAxes& before)
{
    copyPoints();
    m_dirty = false;
    const DiagramAxes target = targetAxes();
    if (!isVisible() || !m_series) {
        setRanges(target);
        if (isVisible())
            update();
        return;
    }
    setRanges(before);
    m_zoomTarget = target;
    m_zoomStepsLeft = kZoomSteps;
    m_zoomTimer.start();
}

void DiagramWidget::zoomStep()
{
    if (m_zoomStepsLeft <= 0) {
        m_zoomTimer.stop();
        return;
    }
    --m_zoomStepsLeft;
    if (m_zoomStepsLeft == 0) {
        m_zoomTimer.stop();
        setRanges(m_zoomTarget);
    } else {
        // An equal share of what is left, so that a target that moves with
        // new points is still reached on the last step.
        const double share = 1.0 / (m_zoomStepsLeft + 1);
        const DiagramAxes now = shownAxes();
        const auto towards = [share](const AxisRange& from, const AxisRange& to) {
            return AxisRange{from.min + (to.min - from.min) * share, from.max + (to.max - from.max) * share};
        };
        setRanges({towards(now.x, m_zoomTarget.x), towards(now.y, m_zoomTarget.y)});
    }
    update();
}

void DiagramWidget::finishZoomAnimation()
{
    if (m_zoomStepsLeft <= 0)
        return;
    m_zoomStepsLeft = 0;
    m_zoomTimer.stop();
    setRanges(m_zoomTarget);
    if (isVisible())
        update();
}

void DiagramWidget::Clear()
{
    m_dirty = true;
    refresh();
}

void DiagramWidget::setRanges(const DiagramAxes& axes)
{
    m_settingRanges = true;
    xAxis->setRange(axes.x.min, axes.x.max);
    yAxis->setRange(axes.y.min, axes.y.max);
    m_settingRanges = false;
    m_shownAxes = axes;
    emit rangesShown();
}

void DiagramWidget::userChangedRanges()
{
    if (m_settingRanges || !m_zoom)
        return;
    // The user took the axes over (panning): the zoom's steps are moot.
    m_zoomStepsLeft = 0;
    m_zoomTimer.stop();
    DiagramAxes a;
    a.x = {xAxis->range().lower, xAxis->range().upper};
    a.y = {yAxis->range().lower, yAxis->range().upper};
    m_zoom->ZoomTo(a);
    m_shownAxes = a;
    emit rangesShown();
}

void DiagramWidget::showNewPoints()
{
    if (!m_series)
        return;
    if (m_series->revision() == m_shownRevision && !m_dirty) {
        // Unzoomed axes move with the data only; nothing new, nothing to draw.
        return;
    }
    refresh();
}

void DiagramWidget::copyPoints()
{
    if (!m_series || (m_series->revision() == m_shownRevision && !m_dirty))
        return;
    m_series->copyTo(m_tBuf, m_yBuf);
    m_t = QVector<double>(m_tBuf.begin(), m_tBuf.end());
    m_y = QVector<double>(m_yBuf.begin(), m_yBuf.end());
    Series1->setData(m_t, m_y, true);
    m_shownRevision = m_series->revision();
}

DiagramAxes DiagramWidget::targetAxes() const
{
    if (!m_series)
        return shownAxes();
    return m_zoom ? m_zoom->axes(*m_series, m_applied) : UnzoomedAxes(*m_series, m_applied);
}

DiagramAxes DiagramWidget::shownAxes() const
{
    DiagramAxes a;
    a.x = {xAxis->range().lower, xAxis->range().upper};
    a.y = {yAxis->range().lower, yAxis->range().upper};
    return a;
}

void DiagramWidget::refresh()
{
    if (m_series) {
        copyPoints();
        // While a zoom moves the axes, new points only move its target.
        if (zoomAnimating())
            m_zoomTarget = targetAxes();
        else
            setRanges(targetAxes());
    }
    m_dirty = false;
    if (isVisible())
        update();
}

void DiagramWidget::mousePressEvent(QMouseEvent* e)
{
    // Only the left button zooms or pans; the right one opens the menu.
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    // With both allowed, a drag with Ctrl pans and a plain drag zooms.
    const bool pan = m_applied.allowPan && (!m_applied.allowZoom || (e->modifiers() & Qt::ControlModifier));
    setSelectionRectMode(pan || !m_applied.allowZoom ? QCP::srmNone : QCP::srmZoom);
    setInteraction(QCP::iRangeDrag, pan);
    QCustomPlot::mousePressEvent(e);
}

void DiagramWidget::showEvent(QShowEvent* e)
{
    QCustomPlot::showEvent(e);
    m_dirty = true;
    refresh();
}

void DiagramWidget::updateLayout()
{
    // QCustomPlot works the margins around the plot out for every picture,
    // measuring every tick label of both axes. The left margin follows the
    // value axis' labels, the bottom one the height of the time axis' labels
    // (one line of its font): while the time axis alone moves, as it does
    // with every new point, the margins and the places of the elements stay,
    // and only the ticks are worked out again.
    LayoutBasis basis{size(), yAxis->range(), yAxis->tickLabelFont(), xAxis->tickLabelFont(), xAxis->labelFont(),
                      xAxis->label()};
    if (m_laidOutFor && basis == *m_laidOutFor) {
        plotLayout()->update(QCPLayoutElement::upPreparation);
        emit afterLayout();
        return;
    }
    QCustomPlot::updateLayout();
    m_laidOutFor = std::move(basis);
}

void DiagramWidget::paintEvent(QPaintEvent*)
{
    // Drawn straight onto the widget. QCustomPlot's replot would clear two
    // paint buffers of the widget's size, draw the layers into them and
    // blend both onto the widget; at 10 pictures a second that was half the
    // chart's cost. Its own replots (resizing, the zoom rectangle while it
    // is dragged) still fill the buffers; nothing here draws from them.
    QCPPainter painter(this);
    if (!painter.isActive())
        return;
    if (mBackgroundBrush.style() != Qt::NoBrush)
        painter.fillRect(mViewport, mBackgroundBrush);
    draw(&painter);
}

void DiagramWidget::hideEvent(QHideEvent* e)
{
    finishZoomAnimation();
    QCustomPlot::hideEvent(e);
}

void DiagramWidget::printTo(QPrinter& printer, const QString& caption)
{
    finishZoomAnimation();
    printer.setPageOrientation(QPageLayout::Landscape);
    QCPPainter painter;
    if (!painter.begin(&printer))
        throw std::runtime_error("Printing failed: the printer could not be started");
    renderPage(painter, printer.pageLayout().paintRectPixels(printer.resolution()), caption);
    if (!painter.end())
        throw std::runtime_error("Printing failed");
}

void DiagramWidget::renderPage(QCPPainter& painter, const QRect& page, const QString& caption)
{
    const int w = page.width();
    const int h = page.height();
    const int m = h / 20;
    const int s = h / 35;
    QFont f(QStringLiteral("Arial"), 10);
    f.setBold(true);
    painter.setFont(f);
    painter.setPen(Qt::black);
    painter.drawText(m, 2 * s, caption);
    f.setBold(false);
    painter.setFont(f);
    const QLocale locale;
    const QDateTime now = QDateTime::currentDateTime();
    // The long time format with seconds, but without the time zone Qt adds.
    const QString timeFormat = locale.timeFormat(QLocale::LongFormat).remove(QLatin1Char('t')).trimmed();
    const QString stamp = locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(now.time(), timeFormat);
    painter.drawText(m, 4 * s, QStringLiteral("Datum / Uhrzeit: %1").arg(stamp));

    const QRectF target(m, 5 * s, w - 2 * m, h - m - 5 * s);
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / kPrintWidth, target.height() / kPrintHeight);
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    toPainter(&painter, kPrintWidth, kPrintHeight);
    painter.restore();
}

void DiagramWidget::savePicture(const QString& fileName)
{
    const auto failed = [&fileName](const QString& reason) {
        return std::runtime_error(QStringLiteral("Cannot save the diagram as \"%1\": %2.")
                                      .arg(fileName, reason)
                                      .toStdString());
    };
    const QByteArray format = DiagramPictureFormat(fileName);
    if (format.isEmpty())
        throw failed(QStringLiteral("pictures of the kind \"%1\" cannot be written; choose .bmp, .png or .jpg")
                         .arg(QFileInfo(fileName).suffix()));
    finishZoomAnimation();
    const QSize size = this->size().isEmpty() ? QSize(640, 480) : this->size();
    const QImage image = toPixmap(size.width(), size.height()).toImage().convertToFormat(QImage::Format_RGB32);
    // Made in memory first, so that the file is written whole or not at all.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image))
        throw failed(writer.errorString());
    const SafeWriteResult r = replaceFileContents(fileName.toStdString(), bytes.toStdString());
    if (!r.ok)
        throw failed(QString::fromStdString(r.reason));
}

} // namespace pxr
