#pragma once
// The TCP connection of a network port on QTcpSocket: without Nagle's
// delay (a command is a few bytes and the meter's answer waits for it) and
// with keep-alive, so that a server that vanished without a word is noticed.

#include <QObject>
#include <QTcpSocket>

#include "serial/NetworkPort.h"

namespace pxr {

class QtTcpTransport : public QObject, public NetTransport {
    Q_OBJECT
public:
    explicit QtTcpTransport(QObject* parent = nullptr);
    ~QtTcpTransport() override;

    void setListener(Listener* listener) override { m_listener = listener; }
    void connectTo(const std::string& host, uint16_t port) override;
    void send(const std::string& bytes) override;
    size_t bytesToWrite() const override;
    std::string takeReceived() override;
    void close() override;

private:
    void onConnected();
    void onReadyRead();
    void onError(QAbstractSocket::SocketError error);
    void onDisconnected();
    void report(const QString& message);

    QTcpSocket m_socket;
    Listener* m_listener = nullptr;
    bool m_active = false; // between connectTo and close or the first failure
};

} // namespace pxr
