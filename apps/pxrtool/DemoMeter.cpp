#include "DemoMeter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#ifdef __linux__
#include <csignal>
#include <sys/prctl.h>
#endif

namespace pxr {

namespace {
constexpr int kStartTimeoutMs = 5000;
}

DemoMeter::~DemoMeter() { stop(); }

QString DemoMeter::findMeter()
{
    const QFileInfo beside(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("pxr-meter")));
    if (beside.isFile() && beside.isExecutable())
        return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(QStringLiteral("pxr-meter"));
}

bool DemoMeter::start(const QString& model)
{
    const QString meter = findMeter();
    if (meter.isEmpty()) {
        m_error = QStringLiteral("pxr-meter was found neither beside pxrtool nor on PATH");
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder for the demo: ") + m_dir.errorString();
        return false;
    }
    m_link = m_dir.filePath(QStringLiteral("pxr-demo"));
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
#ifdef __linux__
    // The emulator must not outlive a pxrtool that was killed.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    m_process.start(meter, {QStringLiteral("--model"), model, QStringLiteral("--link"), m_link});
    if (!m_process.waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("pxr-meter did not start: ") + m_process.errorString();
        return false;
    }
    // The emulator makes the link once its pseudo-terminal is ready.
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo(m_link).isSymLink() && !QFileInfo::exists(m_link)) {
        if (m_process.state() == QProcess::NotRunning) {
            m_error = QStringLiteral("pxr-meter ended before its port was ready");
            return false;
        }
        if (clock.elapsed() > kStartTimeoutMs) {
            m_error = QStringLiteral("pxr-meter did not create its port %1").arg(m_link);
            stop();
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

void DemoMeter::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(2000)) {
        m_process.kill();
        m_process.waitForFinished(1000);
    }
}

} // namespace pxr
