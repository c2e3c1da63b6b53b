#pragma once
// A real ser2net for the integration tests: started on free loopback ports
// with a generated configuration that serves one serial device (a pxr-meter
// link) twice, as an RFC 2217 telnet server and as a raw TCP socket, each
// with its own configured line settings. Stopped (SIGTERM) on destruction.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <cstdint>

namespace pxr::test {

class Ser2Net {
public:
    // Where the Debian package puts it; empty when it is not installed.
    static QString program()
    {
        return QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                              {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"),
                                               QStringLiteral("/usr/local/sbin")});
    }
    static bool available() { return !program().isEmpty(); }

    explicit Ser2Net(const QString& dir) : m_dir(dir) {}
    ~Ser2Net() { stop(); }

    // Serves `device`: rfc2217 with `telnetBaud` configured (a client sets
    // its own), raw with `rawBaud` (what the client gets).
    bool start(const QString& device, uint32_t telnetBaud, uint32_t rawBaud)
    {
        m_telnetPort = freePort();
        m_rawPort = freePort();
        if (m_telnetPort == 0 || m_rawPort == 0 || m_telnetPort == m_rawPort)
            return false;
        const QString config = QDir(m_dir).filePath(QStringLiteral("ser2net.yaml"));
        QFile f(config);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        const auto connection = [&](const char* alias, const QString& accepter, uint32_t baud) {
            return QStringLiteral("connection: &%1\n"
                                  "  accepter: %2\n"
                                  "  connector: serialdev,%3,%4n81,local\n"
                                  "  options:\n"
                                  "    kickolduser: true\n")
                .arg(QLatin1String(alias), accepter, device)
                .arg(baud);
        };
        const QString yaml =
            connection("telnet", QStringLiteral("telnet(rfc2217),tcp,127.0.0.1,%1").arg(m_telnetPort), telnetBaud) +
            connection("raw", QStringLiteral("tcp,127.0.0.1,%1").arg(m_rawPort), rawBaud);
        f.write(yaml.toUtf8());
        f.close();
        m_proc.setStandardOutputFile(QDir(m_dir).filePath(QStringLiteral("ser2net.log")));
        m_proc.setStandardErrorFile(QDir(m_dir).filePath(QStringLiteral("ser2net.log")), QIODevice::Append);
        // -n: stay in the foreground; -u: no lock files in the system's folders.
        m_proc.start(program(), {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"), config,
                                 QStringLiteral("-P"), QDir(m_dir).filePath(QStringLiteral("ser2net.pid"))});
        if (!m_proc.waitForStarted(5000))
            return false;
        return listening(m_telnetPort) && listening(m_rawPort);
    }
    void stop()
    {
        if (m_proc.state() == QProcess::NotRunning)
            return;
        m_proc.terminate();
        if (!m_proc.waitForFinished(3000)) {
            m_proc.kill();
            m_proc.waitForFinished(3000);
        }
    }
    QString rfc2217Name() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_telnetPort); }
    QString socketName() const { return QStringLiteral("socket://127.0.0.1:%1").arg(m_rawPort); }
    QString log() const
    {
        QFile f(QDir(m_dir).filePath(QStringLiteral("ser2net.log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private:
    static quint16 freePort()
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0))
            return 0;
        return probe.serverPort();
    }
    // Whether something listens on the loopback port, from the kernel's
    // table: neither a connection (which would open the device) nor a
    // bind of our own (which could take the port from ser2net).
    static bool listening(quint16 port)
    {
        const QString wanted = QStringLiteral(":%1 ").arg(port, 4, 16, QLatin1Char('0')).toUpper();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            QFile table(QStringLiteral("/proc/net/tcp"));
            if (table.open(QIODevice::ReadOnly)) {
                for (const QByteArray& line : table.readAll().split('\n')) {
                    const QString l = QString::fromLatin1(line).simplified() + QLatin1Char(' ');
                    const QStringList f = l.split(QLatin1Char(' '));
                    // sl local_address rem_address st ...; 0A is LISTEN
                    if (f.size() > 3 && (f[1] + QLatin1Char(' ')).endsWith(wanted) && f[3] == QLatin1String("0A"))
                        return true;
                }
            }
            QThread::msleep(20);
        }
        return false;
    }

    QString m_dir;
    QProcess m_proc;
    quint16 m_telnetPort = 0;
    quint16 m_rawPort = 0;
};

} // namespace pxr::test
