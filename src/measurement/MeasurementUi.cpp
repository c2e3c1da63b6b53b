#include "measurement/MeasurementUi.h"

#include <QAction>
#include <QEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include <stdexcept>

#include "app/ActionBinding.h"
#include "app/MainForm.h"
#include "dialogs/DirectorySetupForm.h"
#include "dialogs/FileChoice.h"
#include "measurement/AnalogMeterWidget.h"
#include "measurement/DiagramWidget.h"
#include "measurement/GraphicSetupForm.h"
#include "measurement/LedWidget.h"
#include "measurement/LogView.h"
#include "measurement/Measurement.h"
#include "measurement/SignalLevel.h"

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
    explicit View(MeasurementUi& ui) : m_ui(ui), m_form(ui.m_form), m_ctl(ui.m_form.controller()) {}

    // The signal-strength dialog, while it runs its sequence.
    bool signalDialogOpen() const override { return m_ctl.signalLevel() && m_ctl.signalLevel()->Active; }
    void ShowSignalLevel(int32_t level) override
    {
        if (SignalLevel* s = m_ctl.signalLevel())
            s->ShowSignalLevel(level);
    }
    // "Clear" and "Clear Log Window" start the terminal page's count again;
    // panel 1 keeps its text until the count next changes.
    void resetLineCount() override { m_ctl.LineCount.reset(); }
    void setLed(int output, bool on) override
    {
        LedWidget* led = output == 2 ? m_form.LED2 : m_form.LED1;
        if (led)
            led->setOn(on);
    }
    void showLiveValues(const std::string& caption, int32_t value) override
    {
        // One byte per character, as received.
        m_form.lb_Input->setText(QString::fromLatin1(caption.data(), int(caption.size())));
        m_form.AnalogMeter1->setValue(value);
    }
    // The folder in force in the directory setup.
    std::string logDirectory() override
    {
        if (m_form.DirectorySetupForm)
            return m_form.DirectorySetupForm->LogFolder().toStdString();
        return m_ctl.DocumentsFolder;
    }
    std::string chooseLogFile(const std::string& dir) override
    {
        return m_ui.chooseLogFile ? m_ui.chooseLogFile(QString::fromStdString(dir)).toStdString() : std::string();
    }
    void setStartStopLog(bool checked, const std::string& caption) override
    {
        m_ui.setStartStopLog(checked, QString::fromStdString(caption));
    }

private:
    MeasurementUi& m_ui;
    TMainForm& m_form;
    MainController& m_ctl;
};

MeasurementUi::MeasurementUi(TMainForm& form) : QObject(&form), m_form(form)
{
    setObjectName(QStringLiteral("MeasurementUi"));
    chooseLogFile = [this](const QString& dir) { return csvFile(&m_form, dir); };
    choosePictureFile = [this] {
        QFileDialog dialog(&m_form);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters({QStringLiteral("Pictures (*.bmp *.png *.jpg *.jpeg)"),
                               QStringLiteral("Bitmap (*.bmp)"), QStringLiteral("PNG (*.png)"),
                               QStringLiteral("JPEG (*.jpg *.jpeg)")});
        dialog.setDefaultSuffix(QStringLiteral("bmp"));
        return chosenFile(dialog);
    };
    confirmPrint = [this](QPrinter& printer) {
        QPrintDialog dialog(&printer, &m_form);
        return dialog.exec() == QDialog::Accepted;
    };

    installHooks();
    // Closing the window frees the measurement (FormClose); the views must
    // let go of it first, as their timers keep running until the end.
    m_form.installEventFilter(this);

    MainController& ctl = m_form.controller();
    const auto chart = [this] { return m_form.Chart1; };
    ctl.setHandler("acClearGrafik", [this, chart] {
        if (Measurement* m = measurement())
            m->acClearGrafikExecute();
        chart()->Clear();
    });
    ctl.setHandler("acZoomIn", [chart] { chart()->ZoomIn(); });
    ctl.setHandler("acZoomOut", [chart] { chart()->ZoomOut(); });
    ctl.setHandler("acResetZoom", [chart] { chart()->ResetZoom(); });
    ctl.setHandler("acPrintGrafik", [this] { acPrintGrafikExecute(); });
    ctl.setHandler("acSaveGrafik", [this] { acSaveGrafikExecute(); });
    ctl.setHandler("acGraphic", [this] {
        if (m_form.GraphicSetupForm)
            m_form.GraphicSetupForm->exec();
    });
    ctl.setHandler("acStartStopLog", [this] {
        if (Measurement* m = measurement())
            m->log.acStartStopLogExecute();
    });
    ctl.setHandler("acSaveLog", [this] {
        if (Measurement* m = measurement())
            m->log.acSaveLogExecute();
    });
    ctl.setHandler("acClearLog", [this] {
        if (Measurement* m = measurement())
            m->log.acClearLogExecute();
        m_form.Terminal1->flush();
    });
    if (QAction* a = m_form.action(QStringLiteral("acStartStopLog")))
        a->setCheckable(true);
}

bool MeasurementUi::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == &m_form && e->type() == QEvent::Close) {
        m_form.Chart1->attach(nullptr, nullptr);
        m_form.Terminal1->attach(nullptr);
    }
    return QObject::eventFilter(watched, e);
}

Measurement* MeasurementUi::measurement() const { return m_form.controller().measurement(); }

MeasurementUi::~MeasurementUi() = default;

void MeasurementUi::installHooks()
{
    Measurement* m = measurement();
    if (!m)
        return;
    m->log.setDecimalSeparator(regionalSeparator());
    const MainController& ctl = m_form.controller();

    if (!m_view)
        m_view = std::make_unique<View>(*this);
    m->setView(m_view.get());

    m_form.Chart1->attach(&m->series, &m->zoom);
    // The statistics follow the diagram: new points, Clear, zoom and panning.
    QObject::connect(m_form.Chart1, &DiagramWidget::rangesShown, this, &MeasurementUi::showStatistics,
                     Qt::UniqueConnection);
    showStatistics();
    m_form.Terminal1->attach(&m->log);
    m_form.AnalogMeter1->setScale(SetupAnalogMeter(ctl.deviceType()));
}

void MeasurementUi::showStatistics()
{
    const Measurement* m = measurement();
    if (!m || !m_form.lb_Statistics)
        return;
    const std::string text =
        DiagramStatsText(m->stats, m->series, m->zoom, m_form.Chart1->shownAxes().x, regionalSeparator());
    const QString shown = QString::fromStdString(text);
    if (m_form.lb_Statistics->text() != shown)
        m_form.lb_Statistics->setText(shown);
}

void MeasurementUi::setStartStopLog(bool checked, const QString& caption)
{
    QAction* a = m_form.action(QStringLiteral("acStartStopLog"));
    if (!a)
        return;
    a->setCheckable(true);
    a->setChecked(checked);
    a->setText(caption);
    // The button under the log view carries its own caption.
    for (QPushButton* b : m_form.findChildren<QPushButton*>())
        if (b->property(kActionProperty).toString() == QLatin1String("acStartStopLog"))
            b->setText(caption);
}

void MeasurementUi::attachGraphicSetup(TGraphicSetupForm& dialog)
{
    TGraphicSetupForm::ChartHooks h;
    DiagramWidget* chart = m_form.Chart1;
    h.applyMarkers = [chart](bool pointer, bool stair) { chart->applyMarkers(pointer, stair); };
    h.applyAxis = [chart](bool autoScale, double minimum, double maximum) {
        chart->applyAxis(autoScale, minimum, maximum);
    };
    h.applyZoomPan = [chart](bool zoom, bool pan) { chart->applyZoomPan(zoom, pan); };
    h.setZoomActionsEnabled = [this](bool enabled) {
        for (const char* name : {"acZoomIn", "acZoomOut"})
            if (QAction* a = m_form.action(QString::fromLatin1(name)))
                a->setEnabled(enabled);
    };
    h.store = [this](const GraphicSettings& s) {
        if (Measurement* m = measurement())
            m->applyGraphicSettings(s);
        m_form.controller().settings().writeGraphic(s);
    };
    h.showError = [this](const std::string& text) { m_form.showError(text); };
    dialog.setChartHooks(std::move(h));
    dialog.FormCreate(m_form.controller().startupSettings().graphic);
    if (Measurement* m = measurement())
        m->applyGraphicSettings(dialog.settings());
    chart->refresh();
}

void MeasurementUi::acPrintGrafikExecute()
{
    QPrinter& printer = m_form.printer();
    if (!confirmPrint || !confirmPrint(printer))
        return;
    m_form.setBusyCursor(true);
    try {
        m_form.Chart1->printTo(printer, m_form.windowTitle());
    } catch (...) {
        m_form.setBusyCursor(false);
        throw;
    }
    m_form.setBusyCursor(false);
}

void MeasurementUi::acSaveGrafikExecute()
{
    const QString path = choosePictureFile ? choosePictureFile() : QString();
    if (path.isEmpty())
        return;
    m_form.Chart1->savePicture(path);
}

} // namespace pxr
