#pragma once
// The port on QSerialPort: 8N1 without flow control, DTR and RTS held
// inactive where the device supports it. The first read or resource error
// (adapter pulled, pty hung up) is reported once as a lost device; QSerialPort
// would otherwise repeat it endlessly.

#include <QObject>
#include <QSerialPort>

#include <string>
#include <vector>

#include "serial/ComPort.h"

namespace pxr {

class QtComPortBackend : public QObject, public ComPortBackend {
    Q_OBJECT
public:
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
    void onError(QSerialPort::SerialPortError error);
    bool applyTo(const LineSettings& s);

    QSerialPort m_port;
    Listener* m_listener = nullptr;
    bool m_lost = false;
};

} // namespace pxr
