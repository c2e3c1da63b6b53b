#include "serial/QtComPortBackend.h"

#include <QSocketNotifier>

#include <QSerialPortInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace pxr {

QtComPortBackend::QtComPortBackend(QObject* parent) : QObject(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &QtComPortBackend::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtComPortBackend::onError);
    m_gather.setSingleShot(true);
    m_gather.setTimerType(Qt::PreciseTimer);
    connect(&m_gather, &QTimer::timeout, this, &QtComPortBackend::resumeReading);
}

QtComPortBackend::~QtComPortBackend()
{
    m_listener = nullptr;
    if (m_port.isOpen())
        m_port.close();
}

bool QtComPortBackend::applyTo(const LineSettings& s)
{
    bool ok = m_port.setBaudRate(static_cast<qint32>(s.baudRate));
    ok = m_port.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits)) && ok;
    QSerialPort::Parity p = QSerialPort::NoParity;
    switch (s.parity) {
    case Parity::None: p = QSerialPort::NoParity; break;
    case Parity::Odd: p = QSerialPort::OddParity; break;
    case Parity::Even: p = QSerialPort::EvenParity; break;
    case Parity::Mark: p = QSerialPort::MarkParity; break;
    case Parity::Space: p = QSerialPort::SpaceParity; break;
    }
    ok = m_port.setParity(p) && ok;
    QSerialPort::StopBits sb = QSerialPort::OneStop;
    switch (s.stopBits) {
    case StopBits::One: sb = QSerialPort::OneStop; break;
    case StopBits::OneHalf: sb = QSerialPort::OneAndHalfStop; break;
    case StopBits::Two: sb = QSerialPort::TwoStop; break;
    }
    ok = m_port.setStopBits(sb) && ok;
    QSerialPort::FlowControl fc = QSerialPort::NoFlowControl;
    if (s.flowControl == FlowControl::Hardware)
        fc = QSerialPort::HardwareControl;
    else if (s.flowControl == FlowControl::Software)
        fc = QSerialPort::SoftwareControl;
    ok = m_port.setFlowControl(fc) && ok;
    return ok;
}

void QtComPortBackend::open(const std::string& name, const LineSettings& settings)
{
    if (m_port.isOpen())
        return;
    m_lost = false;
    m_port.setPortName(QString::fromStdString(name));
    applyTo(settings); // before open these only record the values
    errno = 0;
    if (name.empty() || !m_port.open(QIODevice::ReadWrite)) {
        const int code = errno != 0 ? errno : static_cast<int>(m_port.error());
        const std::string msg = name.empty() ? std::string("no port name") : m_port.errorString().toStdString();
        throw EComPort(ComErrorKind::Open, code, msg);
    }
    if (!applyTo(settings)) {
        const std::string msg = m_port.errorString().toStdString();
        m_port.close();
        throw EComPort(ComErrorKind::SetState, static_cast<int>(m_port.error()), msg);
    }
    // Pseudo-terminals and some adapters have no modem lines; that is no
    // failure of the port.
    m_port.setDataTerminalReady(false);
    m_port.setRequestToSend(false);
    m_port.clearError();
}

void QtComPortBackend::close()
{
    drain();
    if (m_port.isOpen())
        m_port.close();
}

void QtComPortBackend::apply(const LineSettings& settings)
{
    if (!m_port.isOpen())
        return;
    if (!applyTo(settings)) {
        const std::string msg = m_port.errorString().toStdString();
        const int code = static_cast<int>(m_port.error());
        m_port.clearError();
        throw EComPort(ComErrorKind::SetState, code, msg);
    }
}

void QtComPortBackend::write(const std::string& bytes)
{
    if (!m_port.isOpen())
        return;
    const qint64 n = m_port.write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (n != static_cast<qint64>(bytes.size()))
        throw EComPort(ComErrorKind::Write, static_cast<int>(m_port.error()), m_port.errorString().toStdString());
}

void QtComPortBackend::purgeInput()
{
    drain();
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Input);
}

size_t QtComPortBackend::bytesToWrite() const
{
    return m_port.isOpen() ? static_cast<size_t>(m_port.bytesToWrite()) : 0;
}

void QtComPortBackend::onReadyRead()
{
    const qint64 bytes = deliver();
    const double sinceMs = m_sinceDelivery.isValid() ? m_sinceDelivery.nsecsElapsed() / 1e6 : double(kGatherMs);
    m_sinceDelivery.start();
    if (m_draining || m_gather.isActive() || !m_port.isOpen() || bytes <= 0)
        return;
    // The time in which the stream brings about kGatherBytes at the rate it
    // came at since the last delivery.
    const double pauseMs = std::min<double>(kGatherMs, kGatherBytes * std::max(sinceMs, 0.1) / double(bytes));
    if (pauseMs < 1)
        return;
    pauseReading();
    m_gather.start(static_cast<int>(pauseMs));
}

qint64 QtComPortBackend::deliver()
{
    const QByteArray data = m_port.readAll();
    if (data.isEmpty() || !m_listener)
        return data.size();
    m_listener->backendReceived(std::string(data.constData(), static_cast<size_t>(data.size())));
    return data.size();
}

void QtComPortBackend::pauseReading()
{
    for (QSocketNotifier* n : m_port.findChildren<QSocketNotifier*>())
        if (n->type() == QSocketNotifier::Read && n->isEnabled()) {
            n->setEnabled(false);
            m_paused = n;
            return;
        }
}

void QtComPortBackend::resumeReading()
{
    if (m_paused)
        m_paused->setEnabled(true);
    m_paused = nullptr;
}

void QtComPortBackend::drain()
{
    m_gather.stop();
    const bool paused = !m_paused.isNull();
    resumeReading();
    if (!paused || !m_port.isOpen())
        return;
    // Reads the driver's bytes now; readyRead delivers them.
    m_draining = true;
    if (!m_port.waitForReadyRead(0) && m_port.error() == QSerialPort::TimeoutError)
        m_port.clearError(); // nothing was waiting
    m_draining = false;
}

void QtComPortBackend::onError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::ResourceError:
    case QSerialPort::WriteError:
        break;
    default:
        return; // e.g. DTR/RTS unsupported on a pty, or a time-out: not fatal
    }
    if (m_lost || !m_port.isOpen())
        return;
    m_lost = true;
    const std::string msg = m_port.errorString().toStdString();
    if (m_listener)
        m_listener->backendLost(msg);
    if (m_port.isOpen())
        m_port.close();
}

std::vector<std::string> QtComPortBackend::listPorts()
{
    std::vector<std::string> names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef _WIN32
        names.push_back(info.portName().toStdString());
#else
        names.push_back(info.systemLocation().toStdString());
#endif
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

} // namespace pxr
