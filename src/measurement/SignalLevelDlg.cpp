#include "measurement/SignalLevelDlg.h"

#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace pxr {

TSignalLevelDlg::TSignalLevelDlg(SignalLevel* core, QWidget* parent) : QDialog(parent), m_core(core)
{
    setObjectName(QStringLiteral("SignalLevelDlg"));
    setWindowTitle(QStringLiteral("Signal Strength"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 7000);
    ProgressBar1->setValue(0);
    ProgressBar1->setMinimumSize(340, 28);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    QFont big = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    big.setPointSize(36);
    big.setBold(true);
    Label1->setFont(big);
    Label1->setMinimumHeight(QFontMetrics(big).height() + 8);

    BitBtn2 = new QPushButton(QStringLiteral("Abort"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ProgressBar1);
    layout->addWidget(Label1);
    layout->addWidget(BitBtn2, 0, Qt::AlignHCenter);
    // Fixed dialog border.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    if (!m_core)
        return;
    SignalLevel::View view;
    view.setRange = [this](int minimum, int maximum) { ProgressBar1->setRange(minimum, maximum); };
    // A level beyond the range puts the bar at its end; the number tells the rest.
    view.setPosition = [this](int position) {
        ProgressBar1->setValue(std::clamp(position, ProgressBar1->minimum(), ProgressBar1->maximum()));
    };
    view.setLabel = [this](const std::string& text) { Label1->setText(QString::fromStdString(text)); };
    view.execModal = [this] {
        exec();
        if (m_closeError)
            std::rethrow_exception(std::exchange(m_closeError, nullptr));
    };
    m_core->setView(std::move(view));
}

void TSignalLevelDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the screen, not on the main window.
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void TSignalLevelDlg::FormClose()
{
    if (m_core && m_core->Active)
        m_core->FormClose();
}

void TSignalLevelDlg::done(int result)
{
    if (m_closing)
        return;
    m_closing = true;
    try {
        FormClose();
    } catch (...) {
        // The dialog closes anyway, and the decoding must stop feeding it.
        m_closeError = std::current_exception();
        if (m_core)
            m_core->Active = false;
    }
    m_closing = false;
    QDialog::done(result);
}

} // namespace pxr
