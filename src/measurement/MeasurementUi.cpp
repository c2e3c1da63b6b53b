#include "measurement/MeasurementUi.h"

#include <QEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>

#include <stdexcept>

#include "base/UiHooks.h"
#include "dialogs/FileChoice.h"
#include "measurement/AnalogMeterWidget.h"
#include "measurement/DiagramWidget.h"
#include "measurement/GraphicSetupForm.h"
#include "measurement/LedWidget.h"
#include "measurement/LogView.h"
#include "measurement/Measurement.h"
#include "measurement/SignalLevel.h"
#include "measurement/StatisticsLine.h"
#include "base/FixedPitchFont.h"

namespace pxr {

namespace {

char regionalSeparator()
{
    const QString dp = QLocale().decimalPoint();
    return dp.size() == 1 && dp[0].unicode() < 128 ? char(dp[0].unicode()) : '.';
}

QString csvFile(QWidget* parent, const QString& initialDir)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("CSV File(*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setDirectory(initialDir);
    // Replacing an existing file is confirmed by the dialog itself.
    return chosenFile(dialog);
}

} // namespace

class MeasurementUi::View : public MeasurementView {
public:
    explicit View(MeasurementUi& ui) : m_ui(ui), m_host(ui.m_host) {}

    // The signal-strength dialog, while it runs its sequence.
    bool signalDialogOpen() const override { return m_host.signalLevel() && m_host.signalLevel()->Active; }
    void ShowSignalLevel(int32_t level) override
    {
        if (SignalLevel* s = m_host.signalLevel())
            s->ShowSignalLevel(level);
    }
    // "Clear" and "Clear Log Window" start the terminal page's count again;
    // panel 1 keeps its text until the count next changes.
    void resetLineCount() override { m_host.resetLineCount(); }
    void setLed(int output, bool on) override { m_ui.led(output)->setOn(on); }
    void showLiveValues(const std::string& caption, int32_t value) override
    {
        // One byte per character, as received.
        m_ui.m_liveValue->setText(QString::fromLatin1(caption.data(), int(caption.size())));
        m_ui.m_analogMeter->setValue(value);
    }
    void showNewPoints() override { m_ui.m_chart->showNewPoints(); }
    std::string logDirectory() override { return m_host.logFolder(); }
    std::string chooseLogFile(const std::string& dir) override
    {
        return m_ui.chooseLogFile ? m_ui.chooseLogFile(QString::fromStdString(dir)).toStdString() : std::string();
    }
    void setStartStopLog(bool checked, const std::string& caption) override
    {
        m_host.showStartStopLog(checked, caption);
    }

private:
    MeasurementUi& m_ui;
    Host& m_host;
};

MeasurementUi::MeasurementUi(Host& host, const PageContext& page)
    : QObject(page.window), m_host(host), m_page(page)
{
    setObjectName(QStringLiteral("MeasurementUi"));
    buildWidgets();
    chooseLogFile = [this](const QString& dir) { return csvFile(m_page.window, dir); };
    choosePictureFile = [this] {
        QFileDialog dialog(m_page.window);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters({QStringLiteral("Pictures (*.bmp *.png *.jpg *.jpeg)"),
                               QStringLiteral("Bitmap (*.bmp)"), QStringLiteral("PNG (*.png)"),
                               QStringLiteral("JPEG (*.jpg *.jpeg)")});
        dialog.setDefaultSuffix(QStringLiteral("bmp"));
        return chosenFile(dialog);
    };
    confirmPrint = [this](QPrinter& p) {
        QPrintDialog dialog(&p, m_page.window);
        return dialog.exec() == QDialog::Accepted;
    };
}

// Made without a parent: the window places each of them on its pages.
void MeasurementUi::buildWidgets()
{
    m_liveValue = new QLabel;
    m_liveValue->setObjectName(QStringLiteral("lb_Input"));
    QFont big = fixedPitchFont();
    big.setBold(true);
    big.setPixelSize(64);
    m_liveValue->setFont(big);
    m_liveValue->setAlignment(Qt::AlignCenter);
    m_liveValue->setMinimumHeight(80);
    m_liveValue->setMouseTracking(true);

    m_analogMeter = new AnalogMeterWidget;
    m_led1 = new LedWidget(QStringLiteral("LED1"));
    m_led2 = new LedWidget(QStringLiteral("LED2"));
    m_output1 = new QLabel(QStringLiteral("Output 1"));
    m_output1->setObjectName(QStringLiteral("lb_output1"));
    m_output2 = new QLabel(QStringLiteral("Output 2"));
    m_output2->setObjectName(QStringLiteral("lb_output2"));

    m_chart = new DiagramWidget;
    m_chart->setFocusPolicy(Qt::StrongFocus);
    m_chart->setContextMenuPolicy(Qt::CustomContextMenu);
    m_statisticsLine = new StatisticsLine;
    m_statistics = m_statisticsLine->label();
    m_statistics->setObjectName(QStringLiteral("lb_Statistics"));

    m_logView = new LogView;
}

QWidget* MeasurementUi::statisticsLine() const { return m_statisticsLine; }

void MeasurementUi::start()
{
    installHooks();
    // Closing the window frees the measurement (FormClose); the views must
    // let go of it first, as their timers keep running until the end.
    m_page.window->installEventFilter(this);
}

ActionHandlers MeasurementUi::handlers()
{
    DiagramWidget* chart = m_chart;
    return {
        {"acClearGrafik",
         [this, chart] {
             if (Measurement* m = measurement())
                 m->acClearGrafikExecute();
             chart->Clear();
         }},
        {"acZoomIn", [chart] { chart->ZoomIn(); }},
        {"acZoomOut", [chart] { chart->ZoomOut(); }},
        {"acResetZoom", [chart] { chart->ResetZoom(); }},
        {"acPrintGrafik", [this] { acPrintGrafikExecute(); }},
        {"acSaveGrafik", [this] { acSaveGrafikExecute(); }},
        {"acGraphic",
         [this] {
             if (m_graphicSetup)
                 m_graphicSetup->exec();
         }},
        {"acStartStopLog",
         [this] {
             if (Measurement* m = measurement())
                 m->log.acStartStopLogExecute();
         }},
        {"acSaveLog",
         [this] {
             if (Measurement* m = measurement())
                 m->log.acSaveLogExecute();
         }},
        {"acClearLog",
         [this] {
             if (Measurement* m = measurement())
                 m->log.acClearLogExecute();
             m_logView->flush();
         }},
    };
}

bool MeasurementUi::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_page.window && e->type() == QEvent::Close) {
        m_chart->attach(nullptr, nullptr);
        m_logView->attach(nullptr);
    }
    return QObject::eventFilter(watched, e);
}

MeasurementUi::~MeasurementUi() = default;

void MeasurementUi::installHooks()
{
    Measurement* m = measurement();
    if (!m)
        return;
    m->log.setDecimalSeparator(regionalSeparator());

    if (!m_view)
        m_view = std::make_unique<View>(*this);
    m->setView(m_view.get());

    m_chart->attach(&m->series, &m->zoom);
    // The statistics follow the diagram: new points, Clear, zoom and panning.
    QObject::connect(m_chart, &DiagramWidget::rangesShown, this, &MeasurementUi::showStatistics,
                     Qt::UniqueConnection);
    showStatistics();
    m_logView->attach(&m->log);
    m_analogMeter->setScale(SetupAnalogMeter(m_host.deviceType()));
}

void MeasurementUi::showStatistics()
{
    const Measurement* m = measurement();
    if (!m)
        return;
    const std::string text =
        DiagramStatsText(m->stats, m->series, m->zoom, m_chart->shownAxes().x, regionalSeparator());
    m_statisticsLine->showText(QString::fromStdString(text));
}

void MeasurementUi::setOutput2Visible(bool visible)
{
    m_output2->setVisible(visible);
    m_led2->setVisible(visible);
}

void MeasurementUi::setLiveValueRed(bool red)
{
    QPalette pal = m_liveValue->palette();
    pal.setColor(QPalette::WindowText, red ? Qt::red : Qt::black);
    m_liveValue->setPalette(pal);
}

void MeasurementUi::clearLiveValue() { m_liveValue->clear(); }

void MeasurementUi::setupAnalogMeter(DeviceType line) { m_analogMeter->setScale(SetupAnalogMeter(line)); }

void MeasurementUi::attachGraphicSetup(TGraphicSetupForm& dialog)
{
    m_graphicSetup = &dialog;
    dialog.setChart(this);
    dialog.FormCreate(m_host.startupGraphic());
    if (Measurement* m = measurement())
        m->applyGraphicSettings(dialog.settings());
    m_chart->refresh();
}

void MeasurementUi::setZoomActionsEnabled(bool enabled) { m_host.setZoomActionsEnabled(enabled); }

void MeasurementUi::applyMarkers(bool pointer, bool stair) { m_chart->applyMarkers(pointer, stair); }

void MeasurementUi::applyAxis(bool autoScale, double minimum, double maximum)
{
    m_chart->applyAxis(autoScale, minimum, maximum);
}

void MeasurementUi::applyZoomPan(bool allowZoom, bool allowPan) { m_chart->applyZoomPan(allowZoom, allowPan); }

void MeasurementUi::store(const GraphicSettings& settings)
{
    if (Measurement* m = measurement())
        m->applyGraphicSettings(settings);
    m_host.storeGraphic(settings);
}

void MeasurementUi::showError(const std::string& text) { m_page.ui.showError(text); }

void MeasurementUi::acPrintGrafikExecute()
{
    if (!confirmPrint || !confirmPrint(m_page.printer))
        return;
    m_page.ui.setBusyCursor(true);
    try {
        m_chart->printTo(m_page.printer, m_page.window->windowTitle());
    } catch (...) {
        m_page.ui.setBusyCursor(false);
        throw;
    }
    m_page.ui.setBusyCursor(false);
}

void MeasurementUi::acSaveGrafikExecute()
{
    const QString path = choosePictureFile ? choosePictureFile() : QString();
    if (path.isEmpty())
        return;
    m_chart->savePicture(path);
}

} // namespace pxr
