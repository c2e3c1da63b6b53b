#pragma once
// Wires the measurement road into the main window: the live number, the
// needle and the lamps get the core's values, the diagram and the log view
// show the core's series and log, and the diagram, log and setup actions get
// their handlers. The measuring commands themselves are the controller's.
// Created once by TMainForm after FormCreate; the diagram setup dialog is
// attached when the dialogs are created.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QPrinter;

namespace pxr {

class TMainForm;
class TGraphicSetupForm;
class Measurement;

class MeasurementUi : public QObject {
    Q_OBJECT
public:
    explicit MeasurementUi(TMainForm& form);
    ~MeasurementUi() override;

    // The diagram setup: its chart hooks, then its creation step with the
    // stored "Graphic" values.
    void attachGraphicSetup(TGraphicSetupForm& dialog);

    // The file and print dialogs; tests replace them. Each returns the
    // chosen path (empty: cancelled) or whether printing was confirmed.
    std::function<QString(const QString& initialDir)> chooseLogFile;
    std::function<QString()> choosePictureFile;
    std::function<bool(QPrinter& printer)> confirmPrint;

    void acPrintGrafikExecute();
    void acSaveGrafikExecute();
    // The statistics under the diagram, from the core's figures now.
    void showStatistics();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    Measurement* measurement() const;
    void installHooks();
    void setStartStopLog(bool checked, const QString& caption);

    TMainForm& m_form;
    // The measurement's view of the window (lamps, live values, dialogs).
    class View;
    std::unique_ptr<View> m_view;
};

} // namespace pxr
