#pragma once
// Starts the pxr-meter emulator on a pseudo-terminal link for the integration
// tests, and stops it again. Where the build has no pxr-meter (PXR_METER_PATH
// undefined) available() is false and start() fails: such a test skips.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <string>

namespace pxr::test {

// Polls for the file the starting emulator makes; false after `ms`.
inline bool waitUntilExists(const QString& path, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (QFileInfo::exists(path))
            return true;
        QThread::msleep(10);
    }
    return false;
}

class PtyMeter {
public:
    explicit PtyMeter(const QString& link) : m_link(link) {}
    ~PtyMeter() { stop(); }

    static bool available()
    {
#ifdef PXR_METER_PATH
        return true;
#else
        return false;
#endif
    }

    bool start(const QStringList& args)
    {
#ifndef PXR_METER_PATH
        Q_UNUSED(args);
        return false;
#else
        // A link left behind by a killed meter points at a terminal number
        // the system may since have given to another program's pty: seen
        // as "this meter is ready", it sent the test to a stranger.
        QFile::remove(m_link);
        m_proc.setProgram(QStringLiteral(PXR_METER_PATH));
        m_proc.setArguments(QStringList{"--link", m_link} + args);
        m_proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_proc.start();
        if (!m_proc.waitForStarted(5000))
            return false;
        return waitUntilExists(m_link);
#endif
    }
    // Kills the emulator: its master side closes, as when a cable is pulled.
    void kill()
    {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.kill();
            m_proc.waitForFinished(5000);
        }
    }
    void stop()
    {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.terminate();
            if (!m_proc.waitForFinished(3000))
                kill();
        }
    }
    std::string link() const { return m_link.toStdString(); }

private:
    QString m_link;
    QProcess m_proc;
};

} // namespace pxr::test
