#pragma once
// The port on QSerialPort: 8N1 without flow control, DTR and RTS held
// inactive where the device supports it. The first read or resource error
// (adapter pulled, pty hung up) is reported once as a lost device; QSerialPort
// would otherwise repeat it endlessly.
//
// Reading: at a fast stream a USB adapter or a pseudo-terminal hands over a
// few bytes every millisecond, and waking up for each piece costs far more
// than the bytes. The first piece after a quiet spell is delivered at once
// (a reply is not held back); then the port is not looked at for kGatherMs,
// and what came meanwhile waits in the driver and is delivered as one block.
// A faster stream is looked at sooner, so that no more than about
// kGatherBytes wait: the driver's buffer is small (4 KiB on Linux).
// Closing and purging first deliver what is waiting, as it would have been.

#include <QObject>
#include <QElapsedTimer>
#include <QPointer>
#include <QSerialPort>
#include <QTimer>

class QSocketNotifier;

#include <string>
#include <vector>

#include "serial/ComPort.h"

namespace pxr {

class QtComPortBackend : public QObject, public ComPortBackend {
    Q_OBJECT
public:
    static constexpr int kGatherMs = 20;
    static constexpr double kGatherBytes = 1024;

    explicit QtComPortBackend(QObject* parent = nullptr);
    ~QtComPortBackend() override;

    void setListener(Listener* listener) override { m_listener = listener; }
    void open(const std::string& name, const LineSettings& settings) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    void apply(const LineSettings& settings) override;
    void write(const std::string& bytes) override;
    void purgeInput() override;
    size_t bytesToWrite() const override;

    // The system's ports, sorted; on Windows "COM1", elsewhere device paths.
    static std::vector<std::string> listPorts();

private:
    void onReadyRead();
    // The bytes delivered.
    qint64 deliver();
    // Stops and restarts QSerialPort's watch of the input (where it has one
    // to stop: on Unix a read notifier; elsewhere every piece is delivered).
    void pauseReading();
    void resumeReading();
    // Delivers what is waiting in the driver now.
    void drain();
    void onError(QSerialPort::SerialPortError error);
    bool applyTo(const LineSettings& s);

    QSerialPort m_port;
    Listener* m_listener = nullptr;
    bool m_lost = false;
    QTimer m_gather;
    QElapsedTimer m_sinceDelivery;
    QPointer<QSocketNotifier> m_paused;
    bool m_draining = false;
};

} // namespace pxr
