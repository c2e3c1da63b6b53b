#include "serial/QtTcpTransport.h"

namespace pxr {


QtTcpTransport::QtTcpTransport(QObject* parent) : QObject(parent)
{
    connect(&m_socket, &QTcpSocket::connected, this, &QtTcpTransport::onConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &QtTcpTransport::onReadyRead);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &QtTcpTransport::onError);
    connect(&m_socket, &QTcpSocket::disconnected, this, &QtTcpTransport::onDisconnected);
}

QtTcpTransport::~QtTcpTransport()
{
    m_listener = nullptr;
    m_active = false;
    m_socket.abort();
}

void QtTcpTransport::connectTo(const std::string& host, uint16_t port)
{
    m_active = false;
    m_socket.abort();
    m_active = true;
    m_socket.connectToHost(QString::fromStdString(host), port);
}

void QtTcpTransport::onConnected()
{
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    if (m_active && m_listener)
        m_listener->transportConnected();
}

void QtTcpTransport::send(const std::string& bytes)
{
    if (m_active && m_socket.state() == QAbstractSocket::ConnectedState)
        m_socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

size_t QtTcpTransport::bytesToWrite() const { return static_cast<size_t>(m_socket.bytesToWrite()); }

std::string QtTcpTransport::takeReceived()
{
    const QByteArray data = m_socket.readAll();
    return std::string(data.constData(), static_cast<size_t>(data.size()));
}

void QtTcpTransport::close()
{
    m_active = false;
    m_socket.abort();
}

void QtTcpTransport::onReadyRead()
{
    const QByteArray data = m_socket.readAll();
    if (m_active && m_listener && !data.isEmpty())
        m_listener->transportReceived(std::string(data.constData(), static_cast<size_t>(data.size())));
}

void QtTcpTransport::report(const QString& message)
{
    if (!m_active)
        return;
    // Once: Qt may follow an error with "disconnected", and a dead socket
    // must not be reported again and again.
    m_active = false;
    if (m_listener)
        m_listener->transportClosed(message.toStdString());
}

void QtTcpTransport::onError(QAbstractSocket::SocketError)
{
    // Data still waiting in the buffer belong to the meter's last words.
    if (m_socket.bytesAvailable() > 0)
        onReadyRead();
    report(m_socket.errorString());
}

void QtTcpTransport::onDisconnected()
{
    if (m_socket.bytesAvailable() > 0)
        onReadyRead();
    report(QStringLiteral("the server closed the connection"));
}

} // namespace pxr
