// The simulation setup dialog and the signal-strength dialog offscreen,
// under a German number format (the system locale is chosen before the
// application starts).

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <functional>
#include <string>

#include "devices/ParameterSets.h"
#include "measurement/SignalLevel.h"
#include "measurement/SignalLevelDlg.h"
#include "serial/ComPort.h"
#include "serial/ComTransactions.h"
#include "serial/QtComPortBackend.h"
#include "serial/QtEventLoop.h"
#include "base/UiHooks.h"
#include "simulation/SimuSetupForm.h"

using namespace pxr;

namespace {

// Runs `step` once the dialog is shown (from inside its modal loop).
void whenShown(QDialog& dlg, std::function<void()> step)
{
    auto* timer = new QTimer(&dlg);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, &dlg, [&dlg, timer, step] {
        if (!dlg.isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        step();
        // A failed check returned early: close, so the modal loop ends.
        if (dlg.isVisible())
            dlg.reject();
    });
    timer->start();
}

// Shows the setup, types `distance`, ticks Ramp and Error and clicks
// `button`; true when the dialog has closed.
bool closesWith(TSimuSetupForm& form, const char* distance, QPushButton* button)
{
    form.show();
    form.ed_dist->setText(distance);
    form.cb_autodist->setChecked(true);
    QTest::mouseClick(button, Qt::LeftButton);
    return !form.isVisible();
}

} // namespace

class SimuDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void systemLocaleIsGerman();
    void setupStartsWithFiveAndNoRamp();
    void rampBoxLocksTheDistance();
    void okTakesACommaDistanceAndRefusesOutOfRange();
    void okTwiceKeepsAThousandsDistance();
    void cancelShowsTheValuesInForce();
    void signalDialogShowsLevelsAndAborts();
    void signalDialogSecondOpeningStartsBlank();
};

void SimuDialogsTest::systemLocaleIsGerman()
{
    QCOMPARE(QLocale::system().decimalPoint(), QString(","));
}

void SimuDialogsTest::setupStartsWithFiveAndNoRamp()
{
    SimuSetup setup;
    setup.RampAndError = true; // the dialog's creation takes its box's state
    TSimuSetupForm form(setup);
    QCOMPARE(form.windowTitle(), QString("Simulate Distance"));
    QCOMPARE(form.ed_dist->text(), QString("5"));
    QVERIFY(!form.cb_autodist->isChecked());
    QVERIFY(form.ed_dist->isEnabled());
    QCOMPARE(setup.RampAndError, false);
    QCOMPARE(setup.FixedDistance, 5.0);
    QVERIFY(form.OKButton->isDefault());
    QCOMPARE(form.cb_autodist->text(), QString("Ramp and Error"));
}

void SimuDialogsTest::rampBoxLocksTheDistance()
{
    SimuSetup setup;
    TSimuSetupForm form(setup);
    QTest::mouseClick(form.cb_autodist, Qt::LeftButton, {}, QPoint(5, form.cb_autodist->height() / 2));
    QVERIFY(form.cb_autodist->isChecked());
    QVERIFY(!form.ed_dist->isEnabled());
    // Nothing is taken before OK.
    QCOMPARE(setup.RampAndError, false);
    form.cb_autodist->setChecked(false);
    QVERIFY(form.ed_dist->isEnabled());
}

void SimuDialogsTest::okTakesACommaDistanceAndRefusesOutOfRange()
{
    SimuSetup setup;
    TSimuSetupForm form(setup);
    QVERIFY(closesWith(form, "4,5", form.OKButton));
    QCOMPARE(setup.FixedDistance, 4.5);
    QVERIFY(setup.RampAndError);
    QCOMPARE(form.ed_dist->text(), QString("4,5"));

    form.show();
    form.ed_dist->setText("5000");
    QTest::mouseClick(form.OKButton, Qt::LeftButton);
    QCOMPARE(setup.FixedDistance, 4.5);
    QCOMPARE(form.ed_dist->text(), QString("4,5"));
}

void SimuDialogsTest::okTwiceKeepsAThousandsDistance()
{
    SimuSetup setup;
    TSimuSetupForm form(setup);
    form.ed_dist->setText("2500,25");
    form.OKButtonClick();
    QCOMPARE(setup.FixedDistance, 2500.25);
    const QString shown = form.ed_dist->text();
    form.OKButtonClick();
    QCOMPARE(setup.FixedDistance, 2500.25);
    QCOMPARE(form.ed_dist->text(), shown);
}

void SimuDialogsTest::cancelShowsTheValuesInForce()
{
    SimuSetup setup;
    TSimuSetupForm form(setup);
    QVERIFY(closesWith(form, "7", form.CancelButton));
    QCOMPARE(setup.FixedDistance, 5.0);
    QCOMPARE(form.ed_dist->text(), QString("5"));
    QVERIFY(!form.cb_autodist->isChecked());
    QVERIFY(form.ed_dist->isEnabled());
    // Esc is Cancel too.
    form.show();
    form.ed_dist->setText("8");
    QTest::keyClick(&form, Qt::Key_Escape);
    QCOMPARE(form.ed_dist->text(), QString("5"));
}

// A closed port: the sequences write nothing, the dialog opens anyway.
struct SignalRig {
    QtEventLoop loop;
    QtComPortBackend backend;
    TComPort port{backend};
    NullUiHooks ui;
    ComTransactions tx{port, loop, ui};
    TPXR500C pxr500c;
    TPXR501 pxr501;
    SignalLevel core{tx, pxr500c, pxr501};
    TSignalLevelDlg dlg{&core};
};

void SimuDialogsTest::signalDialogShowsLevelsAndAborts()
{
    SignalRig rig;
    rig.tx.deviceType = kPXR501;
    rig.pxr501.SetSD(0, "0");
    rig.pxr501.SetSD(1, "0");
    QCOMPARE(rig.dlg.windowTitle(), QString("Signal Strength"));
    QCOMPARE(rig.dlg.BitBtn2->text(), QString("Abort"));

    bool seen = false;
    whenShown(rig.dlg, [&] {
        QVERIFY(rig.core.Active);
        QCOMPARE(rig.dlg.ProgressBar1->minimum(), 0);
        QCOMPARE(rig.dlg.ProgressBar1->maximum(), 7000);
        QCOMPARE(rig.dlg.ProgressBar1->value(), 0);
        QCOMPARE(rig.dlg.Label1->text(), QString());
        QCOMPARE(rig.pxr501.GetSD(1), std::string("1"));
        rig.core.ShowSignalLevel(1404);
        QCOMPARE(rig.dlg.ProgressBar1->value(), 1404);
        QCOMPARE(rig.dlg.Label1->text(), QString("1404"));
        rig.core.ShowSignalLevel(9000);
        QCOMPARE(rig.dlg.ProgressBar1->value(), 7000);
        QCOMPARE(rig.dlg.Label1->text(), QString("9000"));
        // A second command while the dialog is open does not start another.
        rig.core.acSdExecute();
        QVERIFY(rig.dlg.isVisible());
        seen = true;
        QTest::mouseClick(rig.dlg.BitBtn2, Qt::LeftButton);
    });
    rig.core.acSdExecute();
    QVERIFY(seen);
    QVERIFY(!rig.core.Active);
    QVERIFY(!rig.dlg.isVisible());
    QCOMPARE(rig.pxr501.GetSD(0), std::string("0"));
    QCOMPARE(rig.pxr501.GetSD(1), std::string("0"));
}

void SimuDialogsTest::signalDialogSecondOpeningStartsBlank()
{
    SignalRig rig;
    rig.tx.deviceType = kPXR500C;
    whenShown(rig.dlg, [&] {
        rig.core.ShowSignalLevel(1503);
        rig.dlg.close(); // the close box
    });
    rig.core.acDJExecute();
    QVERIFY(!rig.core.Active);
    QCOMPARE(rig.core.LastLevel, 1503);

    whenShown(rig.dlg, [&] {
        rig.core.ShowSignalLevel(1503);
        QCOMPARE(rig.dlg.ProgressBar1->value(), 0);
        QCOMPARE(rig.dlg.Label1->text(), QString());
        rig.core.ShowSignalLevel(1505);
        QCOMPARE(rig.dlg.Label1->text(), QString("1505"));
        QTest::keyClick(&rig.dlg, Qt::Key_Escape);
    });
    rig.core.acDJExecute();
    QVERIFY(!rig.core.Active);
}

int main(int argc, char** argv)
{
    // Qt takes the system locale from the environment; the C library
    // follows where the locale is installed.
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    SimuDialogsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_simudialogs.moc"
