#pragma once
// A serial device server in virtual time, for the network port: the port
// under test connects to it as its NetTransport, and the server reaches the
// meter through a LoopbackPort (the real byte time at the line's rate, so
// a meter at another rate than the line's hears junk, as on a real line).
//
// As an RFC 2217 server it behaves like ser2net: it offers BINARY,
// SUPPRESS-GO-AHEAD and the COM-PORT-OPTION at connection, answers
// SET-BAUDRATE and PURGE-DATA, and leaves SET-CONTROL unanswered (a line
// without modem control). Other modes misbehave in named ways. Everything
// the port sends is recorded.

#include <cstdint>
#include <string>
#include <vector>

#include "serial/NetworkPort.h"
#include "serial/Telnet.h"
#include "support/LoopbackPort.h"
#include "support/VirtualEventLoop.h"

namespace pxr::test {

class VirtualDeviceServer : public NetTransport, private ComPortBackend::Listener {
public:
    enum class Mode {
        Rfc2217,        // a telnet server with the COM-PORT-OPTION, like ser2net
        Raw,            // plain TCP: bytes pass unchanged, no telnet
        SilentTelnet,   // telnet data handling, but no option is ever answered
        RefusesComPort, // answers DONT COM-PORT-OPTION
        Garbage,        // floods the port with nonsense options and subnegotiations
        Refused,        // the connection is refused
        Unreachable,    // the connection attempt is never answered
        ClosesAtOnce,   // accepts, then closes at once
    };

    VirtualDeviceServer(VirtualEventLoop& loop, Mode mode = Mode::Rfc2217, uint32_t lineBaud = 9600);
    ~VirtualDeviceServer() override;

    void attachPeer(LinePeer* peer) { m_line.attachPeer(peer); }
    // The server's end of the serial line.
    LoopbackPort& line() { return m_line; }
    // The connection dies (the server was switched off).
    void dropConnection();

    double latencyMs = 1.0;

    // Recorder.
    struct ComPortCommand {
        double atMs;
        uint8_t code;
        std::string value;
    };
    std::vector<ComPortCommand> comPortCommands; // every SB COM-PORT the port sent
    std::string rawFromPort;                      // every byte the port sent
    int connectAttempts = 0;
    bool connected() const { return m_connected; }

    // NetTransport (the port's side).
    void setListener(NetTransport::Listener* listener) override { m_client = listener; }
    void connectTo(const std::string& host, uint16_t port) override;
    void send(const std::string& bytes) override;
    size_t bytesToWrite() const override { return 0; }
    std::string takeReceived() override { return std::string(); }
    void close() override;

private:
    // The serial line's side.
    void backendReceived(const std::string& block) override;
    void backendLost(const std::string&) override {}

    void fromPort(const std::string& bytes);
    void toPort(const std::string& bytes);
    void handleOption(uint8_t verb, uint8_t option);
    void handleComPort(const std::string& payload);
    void sendGarbage();

    VirtualEventLoop& m_loop;
    Mode m_mode;
    LoopbackPort m_line;
    NetTransport::Listener* m_client = nullptr;
    telnet::Parser m_parser;
    bool m_connected = false;
    uint64_t m_generation = 0; // events of an earlier connection are void
    int m_garbageRounds = 0;
};

} // namespace pxr::test
