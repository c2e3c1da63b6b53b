#pragma once
// Meters behind serial device servers. A port name "rfc2217://HOST:PORT"
// reaches the meter through a telnet server with the COM-PORT-OPTION (baud
// rate, data bits, parity, stop bits and purge set over the network);
// "socket://HOST:PORT" through a plain TCP connection, where the line
// settings are the server's. NetworkPortBackend is the port for both, over
// a TCP connection given as a NetTransport (QTcpSocket in the program, an
// in-memory server in virtual time in the tests); PortBackendSwitch puts it
// beside the local serial port, so every name works wherever a port is named.
//
// A connection that goes away is a pulled cable: reported once, the port
// closed; confirming the interface setup connects again.

#include <cstdint>
#include <string>

#include "serial/ComPort.h"
#include "base/EventLoop.h"
#include "serial/Rfc2217Client.h"

namespace pxr {

enum class RemoteKind { Rfc2217, Socket };

struct RemoteAddress {
    RemoteKind kind = RemoteKind::Rfc2217;
    std::string host;
    uint16_t port = 0;
};

// True for a name that begins with "rfc2217://" or "socket://" (any case).
bool isRemotePortName(const std::string& name);
// HOST is a name, an IPv4 address or an IPv6 address in brackets; PORT is
// 1..65535. On failure `error` says what is wrong with the name.
bool parseRemotePortName(const std::string& name, RemoteAddress& address, std::string& error);

// A TCP connection as the port needs it.
class NetTransport {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void transportConnected() = 0;
        virtual void transportReceived(const std::string& bytes) = 0;
        // The connection failed or ended (refused, host unknown, closed by
        // the server), with the system's text; called once, not after close().
        virtual void transportClosed(const std::string& message) = 0;
    };
    virtual ~NetTransport() = default;
    virtual void setListener(Listener* listener) = 0;
    // Starts connecting; the listener hears how it went.
    virtual void connectTo(const std::string& host, uint16_t port) = 0;
    virtual void send(const std::string& bytes) = 0;
    virtual size_t bytesToWrite() const = 0;
    // What has arrived and not yet been handed to the listener.
    virtual std::string takeReceived() = 0;
    // Drops the connection at once; no further calls to the listener.
    virtual void close() = 0;
};

class NetworkPortBackend : public ComPortBackend, private NetTransport::Listener {
public:
    // A host that neither answers nor refuses within this time is given up.
    static constexpr uint32_t kConnectTimeoutMs = 5000;
    // How long open() waits for the server to take up the COM-PORT-OPTION
    // before data flow with the server's own settings.
    static constexpr uint32_t kNegotiationMs = 1000;

    NetworkPortBackend(NetTransport& transport, EventLoop& loop);
    ~NetworkPortBackend() override;

    void setListener(ComPortBackend::Listener* listener) override { m_listener = listener; }
    // Connects (waiting on the loop, at most kConnectTimeoutMs) and, for
    // rfc2217, negotiates (at most kNegotiationMs more). Throws EComPort
    // "Unable to open com port (<host:port: reason>)".
    void open(const std::string& name, const LineSettings& settings) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    // rfc2217: sent to the server without waiting; socket: the server's settings stay.
    void apply(const LineSettings& settings) override;
    void write(const std::string& bytes) override;
    // Drops what arrived and was not handed on yet; rfc2217 also asks the
    // server to drop what it holds. Bytes already under way still arrive.
    void purgeInput() override;
    size_t bytesToWrite() const override;

    const RemoteAddress& address() const { return m_address; }
    const Rfc2217Client& rfc2217() const { return m_client; }

private:
    void transportConnected() override;
    void transportReceived(const std::string& bytes) override;
    void transportClosed(const std::string& message) override;
    // Waits on the loop until `done` or ms have passed or the connection ended.
    template <typename Done>
    void waitUntil(Done done, uint32_t ms);
    [[noreturn]] void failOpen(const std::string& why);

    NetTransport& m_transport;
    EventLoop& m_loop;
    ComPortBackend::Listener* m_listener = nullptr;
    Rfc2217Client m_client;
    RemoteAddress m_address;
    LineSettings m_openSettings;
    bool m_open = false;
    bool m_connecting = false;
    bool m_connected = false;
    bool m_closed = false;
    std::string m_closeMessage;
};

// Local names go to the serial port, rfc2217:// and socket:// names to the
// network port; the choice is made at every open.
class PortBackendSwitch : public ComPortBackend {
public:
    PortBackendSwitch(ComPortBackend& local, ComPortBackend& remote);

    void setListener(Listener* listener) override;
    void open(const std::string& name, const LineSettings& settings) override;
    void close() override { m_active->close(); }
    bool isOpen() const override { return m_active->isOpen(); }
    void apply(const LineSettings& settings) override { m_active->apply(settings); }
    void write(const std::string& bytes) override { m_active->write(bytes); }
    void purgeInput() override { m_active->purgeInput(); }
    size_t bytesToWrite() const override { return m_active->bytesToWrite(); }

private:
    ComPortBackend& m_local;
    ComPortBackend& m_remote;
    ComPortBackend* m_active;
};

} // namespace pxr
