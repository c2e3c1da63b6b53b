// Meters behind serial device servers, in virtual time: the port names, the
// telnet byte layer, the RFC 2217 negotiation, and the network port under
// the program's transactions against a ser2net-like server with the meter
// emulator on its serial line; servers that misbehave.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/ComTransactions.h"
#include "serial/NetworkPort.h"
#include "serial/Rfc2217Client.h"
#include "serial/Telnet.h"
#include "base/Trace.h"
#include "support/EmulatorPeer.h"
#include "support/ScriptedPeer.h"
#include "support/RemoteMeter.h"
#include "support/VirtualEventLoop.h"

using namespace pxr;
using namespace pxr::test;
using Mode = VirtualDeviceServer::Mode;

namespace {

std::string bytes(std::initializer_list<int> list)
{
    std::string s;
    for (int b : list)
        s += static_cast<char>(b);
    return s;
}

const int IAC = 255, SB = 250, SE = 240, WILL = 251, WONT = 252, DO = 253, DONT = 254;

} // namespace

// ---- port names ----

struct NameCase {
    const char* name;
    bool ok;
    RemoteKind kind;
    const char* host;
    uint16_t port;
    const char* errorPart;
};

class RemoteNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(RemoteNames, AreReadOrRefusedWithAReason)
{
    const NameCase& c = GetParam();
    RemoteAddress a;
    std::string error;
    EXPECT_TRUE(isRemotePortName(c.name));
    ASSERT_EQ(parseRemotePortName(c.name, a, error), c.ok) << error;
    if (c.ok) {
        EXPECT_EQ(a.kind, c.kind);
        EXPECT_EQ(a.host, c.host);
        EXPECT_EQ(a.port, c.port);
    } else {
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Net, RemoteNames,
    ::testing::Values(NameCase{"rfc2217://192.168.1.20:4001", true, RemoteKind::Rfc2217, "192.168.1.20", 4001, ""},
                      NameCase{"RFC2217://moxa-hall3:950/", true, RemoteKind::Rfc2217, "moxa-hall3", 950, ""},
                      NameCase{"socket://localhost:2000", true, RemoteKind::Socket, "localhost", 2000, ""},
                      NameCase{"socket://[fe80::1]:7000", true, RemoteKind::Socket, "fe80::1", 7000, ""},
                      NameCase{"rfc2217://host", false, RemoteKind::Rfc2217, "", 0, "port number is missing"},
                      NameCase{"rfc2217://:4001", false, RemoteKind::Rfc2217, "", 0, "host is missing"},
                      NameCase{"socket://host:0", false, RemoteKind::Socket, "", 0, "not a TCP port"},
                      NameCase{"socket://host:65536", false, RemoteKind::Socket, "", 0, "not a TCP port"},
                      NameCase{"socket://host:4x", false, RemoteKind::Socket, "", 0, "not a TCP port"},
                      NameCase{"socket://ho st:4001", false, RemoteKind::Socket, "", 0, "not a host"},
                      NameCase{"socket://[fe80::1:7000", false, RemoteKind::Socket, "", 0, "IPv6"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(RemoteNames, LocalNamesAreNotRemote)
{
    for (const char* name : {"/dev/ttyUSB0", "COM3", "/tmp/rfc2217://x", "rfc2217:/host:1", ""})
        EXPECT_FALSE(isRemotePortName(name)) << name;
}

// ---- telnet byte layer ----

struct ParseCase {
    const char* name;
    std::string in;
    bool binary;
    std::string data;
    std::vector<std::string> events; // "DO 44", "SB 44 <hex>"
};

class TelnetParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(TelnetParse, GivesDataAndCommandsInWholeAndInEveryCut)
{
    const ParseCase& c = GetParam();
    const auto run = [&](size_t piece) {
        telnet::Parser p;
        p.setBinaryInput(c.binary);
        std::vector<std::string> events;
        p.onOption = [&](uint8_t verb, uint8_t option) {
            const char* v = verb == WILL ? "WILL" : verb == WONT ? "WONT" : verb == DO ? "DO" : "DONT";
            events.push_back(std::string(v) + " " + std::to_string(option));
        };
        p.onSubnegotiation = [&](uint8_t option, const std::string& payload) {
            std::string hex;
            for (unsigned char b : payload)
                hex += format("%02x", b);
            events.push_back("SB " + std::to_string(option) + " " + hex);
        };
        std::string data;
        for (size_t off = 0; off < c.in.size(); off += piece)
            p.feed(c.in.substr(off, piece), data);
        EXPECT_EQ(data, c.data) << "pieces of " << piece;
        EXPECT_EQ(events, c.events) << "pieces of " << piece;
    };
    run(c.in.size() + 1);
    run(1);
    run(2);
}

INSTANTIATE_TEST_SUITE_P(
    Net, TelnetParse,
    ::testing::Values(
        ParseCase{"PlainLine", "005.123\r\n", true, "005.123\r\n", {}},
        ParseCase{"DoubledIacIsOneDataByte", bytes({'A', IAC, IAC, 'B'}), true, bytes({'A', IAC, 'B'}), {}},
        ParseCase{"OptionsBetweenData", bytes({'1', IAC, DO, 44, '2', IAC, WONT, 1, '3'}), true, "123",
                  {"DO 44", "WONT 1"}},
        ParseCase{"BaudAnswerWithIacInTheValue", bytes({IAC, SB, 44, 101, 0, 0, IAC, IAC, 1, IAC, SE, 'x'}), true,
                  "x", {"SB 44 650000ff01"}},
        ParseCase{"NopAndGoAheadAreDropped", bytes({'a', IAC, 241, 'b', IAC, 249, 'c'}), true, "abc", {}},
        ParseCase{"CrNulWithoutBinary", bytes({'I', 'D', '\r', 0, 'x'}), false, "ID\rx", {}},
        ParseCase{"CrNulKeptInBinary", bytes({'\r', 0}), true, bytes({'\r', 0}), {}},
        ParseCase{"SubnegotiationWithoutSeEndsAtTheNextCommand", bytes({IAC, SB, 44, 1, 2, IAC, DO, 3, 'k'}), true,
                  "k", {"DO 3"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TelnetParse, EndlessSubnegotiationGivesTheStreamBack)
{
    telnet::Parser p;
    std::string data;
    int subs = 0;
    p.onSubnegotiation = [&](uint8_t, const std::string&) { ++subs; };
    p.feed(bytes({IAC, SB, 99}) + std::string(telnet::kMaxSubnegotiation, 'z') + "005.000\r\n", data);
    EXPECT_EQ(subs, 0);
    EXPECT_EQ(data, "005.000\r\n");
}

TEST(TelnetEscape, DoublesIacAndGuardsALoneCr)
{
    EXPECT_EQ(telnet::escape(bytes({'A', IAC, 'B'}), true), bytes({'A', IAC, IAC, 'B'}));
    EXPECT_EQ(telnet::escape("SA\r", true), "SA\r");
    EXPECT_EQ(telnet::escape("SA\r", false), bytes({'S', 'A', '\r', 0}));
    EXPECT_EQ(telnet::escape("x\r\n", false), "x\r\n");
    EXPECT_EQ(telnet::subnegotiation(44, bytes({1, 0, 0, IAC, 0})),
              bytes({IAC, SB, 44, 1, 0, 0, IAC, IAC, 0, IAC, SE}));
}

// ---- the network port in virtual time ----

namespace {

// The program's side: the network port under a TComPort and the transactions,
// the server with a meter emulator on its line.
struct Remote : RemoteMeter {
    NullUiHooks ui;
    ComTransactions tx{port, loop, ui};
    int lost = 0;
    std::string lostMessage;

    explicit Remote(Mode mode, MeterConfig cfg = {}, uint32_t serverBaud = 9600) : RemoteMeter(mode, cfg, serverBaud)
    {
        port.OnLost = [this](const std::string& m) {
            ++lost;
            lostMessage = m;
        };
    }
    // Opens the named port at the rate; returns the error text or "".
    std::string open(const std::string& name, uint32_t baud)
    {
        port.SetPort(name);
        port.SetBaudRate(baud);
        try {
            port.Open();
        } catch (const EComPort& e) {
            return e.what();
        }
        return std::string();
    }
    std::string query(const std::string& code, int& status)
    {
        return tx.QueryCommand(code, code, CRLF, 1000, status);
    }
};

MeterConfig meterAt(uint32_t baud)
{
    MeterConfig cfg;
    cfg.baudRate = baud;
    cfg.faults.wrongBaud = true; // junk both ways while the line's rate differs
    return cfg;
}

} // namespace

TEST(NetworkPort, RateIsSetOverTheNetworkBeforeTheFirstCommand)
{
    // The server's line is configured for 9600; the meter runs at 19200.
    Remote r(Mode::Rfc2217, meterAt(19200), 9600);
    ASSERT_EQ(r.open("rfc2217://plant-server:4001", 19200), "");
    r.loop.waitFor(5); // the settings' way to the server
    ASSERT_FALSE(r.server.comPortCommands.empty());
    EXPECT_EQ(r.server.comPortCommands[0].code, Rfc2217Client::kSetBaudRate);
    EXPECT_EQ(r.server.comPortCommands[0].value, bytes({0, 0, 0x4b, 0}));
    EXPECT_EQ(r.server.line().baudRate(), 19200u);
    int status = 0;
    const std::string sa = r.query("SA", status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(sa, r.meter.meter.parameter("SA"));
    // The server's answer to SET-BAUDRATE was heard; SET-CONTROL's never came and nobody waited.
    EXPECT_EQ(r.backend.rfc2217().serverBaudRate(), 19200u);
}

TEST(NetworkPort, SameMeterBehindAPlainSocketNeedsTheServersRate)
{
    // socket://: the line settings are the server's, whatever the port says.
    Remote wrong(Mode::Raw, meterAt(19200), 9600);
    ASSERT_EQ(wrong.open("socket://plant-server:4001", 19200), "");
    int status = 0;
    wrong.query("SA", status);
    EXPECT_NE(status, 1);
    EXPECT_TRUE(wrong.server.comPortCommands.empty());

    Remote right(Mode::Raw, meterAt(19200), 19200);
    ASSERT_EQ(right.open("socket://plant-server:4001", 9600), "");
    right.query("SA", status);
    EXPECT_EQ(status, 1);
}

TEST(NetworkPort, DataWrittenBeforeTheServerAgreesWaitsForTheSettings)
{
    Remote r(Mode::Rfc2217, meterAt(38400), 9600);
    r.server.latencyMs = 40; // a slow network: the greeting crosses the first command
    r.port.SetPort("rfc2217://far-away:4001");
    r.port.SetBaudRate(38400);
    r.port.Open();
    const std::string& raw = r.server.rawFromPort;
    const size_t baud = raw.find(telnet::subnegotiation(telnet::kComPort, bytes({1, 0, 0, 0x96, 0})));
    ASSERT_NE(baud, std::string::npos);
    r.tx.SendCommand("ID");
    EXPECT_GT(raw.find("ID\r"), baud);
}

TEST(NetworkPort, BaudRateChangeGoesToTheServerAtOnce)
{
    Remote r(Mode::Rfc2217, MeterConfig{}, 9600);
    ASSERT_EQ(r.open("rfc2217://s:1", 9600), "");
    r.loop.waitFor(5);
    const double before = r.loop.nowMs();
    const size_t n = r.server.comPortCommands.size();
    r.port.SetBaudRate(115200); // what the baud-rate change does to the PC port
    EXPECT_EQ(r.loop.nowMs(), before); // nothing waited for an answer
    r.loop.waitFor(10);
    ASSERT_EQ(r.server.comPortCommands.size(), n + 1);
    EXPECT_EQ(r.server.comPortCommands.back().code, Rfc2217Client::kSetBaudRate);
    EXPECT_EQ(r.server.line().baudRate(), 115200u);
}

TEST(NetworkPort, PortWritePurgesTheServerBeforeTheCommand)
{
    Remote r(Mode::Rfc2217);
    ASSERT_EQ(r.open("rfc2217://s:1", 9600), "");
    r.server.rawFromPort.clear();
    r.tx.PortWrite("SA\r");
    const std::string purge = telnet::subnegotiation(telnet::kComPort, bytes({12, 1}));
    EXPECT_EQ(r.server.rawFromPort, purge + "SA\r");
    // ESC is written without a purge, as on a local port.
    r.server.rawFromPort.clear();
    r.tx.PortWrite("\x1b");
    EXPECT_EQ(r.server.rawFromPort, "\x1b");
}

TEST(NetworkPort, IacInTheDataCrossesBothWays)
{
    VirtualEventLoop loop;
    VirtualDeviceServer server(loop);
    ScriptedPeer peer;
    peer.script["Q\xff"] = {{5, bytes({'A', IAC, 'B', '\r', '\n'})}};
    server.attachPeer(&peer);
    NetworkPortBackend backend(server, loop);
    TComPort port(backend);
    std::string got;
    struct Sink : ComConsumer {
        std::string& out;
        explicit Sink(std::string& o) : out(o) {}
        void comReceived(const std::string& b) override { out += b; }
    } sink(got);
    port.attach(&sink);
    port.SetPort("rfc2217://s:1");
    port.Open();
    port.Write(bytes({'Q', IAC, '\r'}));
    loop.waitFor(100);
    ASSERT_EQ(peer.received.size(), 1u);
    EXPECT_EQ(peer.received[0], bytes({'Q', IAC, '\r'}));
    EXPECT_EQ(got, bytes({'A', IAC, 'B', '\r', '\n'}));
    EXPECT_NE(server.rawFromPort.find(bytes({'Q', IAC, IAC, '\r'})), std::string::npos);
    port.detach(&sink);
}

TEST(NetworkPort, LostConnectionIsAPulledCableAndConfirmingReconnects)
{
    MeterConfig cfg; // a PXR7X streaming DT from power-on
    Remote r(Mode::Rfc2217, cfg);
    ASSERT_EQ(r.open("rfc2217://s:1", 9600), "");
    r.tx.SendCommand("DT");
    r.loop.waitFor(500);
    r.server.dropConnection();
    r.loop.waitFor(50);
    EXPECT_EQ(r.lost, 1);
    EXPECT_FALSE(r.port.Connected());
    EXPECT_NE(r.lostMessage.find("closed"), std::string::npos);
    // Nothing keeps running for the dead connection: no second report, no
    // events of the port piling up while time passes.
    const size_t pending = r.loop.pending();
    r.loop.waitFor(10000);
    EXPECT_EQ(r.lost, 1);
    EXPECT_LE(r.loop.pending(), pending);
    // Opening again (what confirming the interface setup does) connects anew.
    ASSERT_EQ(r.open("rfc2217://s:1", 9600), "");
    EXPECT_EQ(r.server.connectAttempts, 2);
    int status = 0;
    r.tx.PortWrite("\x1b");
    r.loop.waitFor(300);
    r.query("SA", status);
    EXPECT_EQ(status, 1);
}

// ---- servers that misbehave ----

struct BadServerCase {
    const char* name;
    Mode mode;
    const char* portName;
    const char* errorPart;  // "" when open succeeds
    double maxOpenMs;       // open returns within this much virtual time
    bool answersAtMeterRate; // a query at the server's rate works afterwards
};

class BadServers : public ::testing::TestWithParam<BadServerCase> {};

TEST_P(BadServers, GiveAClearMessageOrWorkWithinABoundedTime)
{
    const BadServerCase& c = GetParam();
    Remote r(c.mode);
    const double start = r.loop.nowMs();
    const std::string error = r.open(c.portName, 9600);
    EXPECT_LE(r.loop.nowMs() - start, c.maxOpenMs);
    if (*c.errorPart != '\0') {
        EXPECT_NE(error.find("Unable to open com port"), std::string::npos) << error;
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
        EXPECT_FALSE(r.port.Connected());
        return;
    }
    ASSERT_EQ(error, "");
    if (c.answersAtMeterRate) {
        int status = 0;
        r.tx.PortWrite("\x1b");
        r.loop.waitFor(300);
        const std::string sa = r.query("SA", status);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(sa, r.meter.meter.parameter("SA"));
    }
    // Whatever the server sent, the port answered each of its requests at
    // most once: far fewer bytes than the server's flood.
    EXPECT_LT(r.server.rawFromPort.size(), 6000u);
    EXPECT_EQ(r.lost, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Net, BadServers,
    ::testing::Values(
        BadServerCase{"Refused", Mode::Refused, "rfc2217://s:1", "Connection refused", 50, false},
        BadServerCase{"Unreachable", Mode::Unreachable, "socket://s:1", "no answer within 5 s",
                      NetworkPortBackend::kConnectTimeoutMs + 20, false},
        BadServerCase{"ClosesAtOnce", Mode::ClosesAtOnce, "rfc2217://s:1", "closed", 50, false},
        BadServerCase{"ClosesAtOnceBehindASocket", Mode::ClosesAtOnce, "socket://s:1", "closed", 50, false},
        BadServerCase{"BadName", Mode::Rfc2217, "rfc2217://s", "port number is missing", 0, false},
        // No answer to any option: after the negotiation's time the data flow
        // with the server's own settings.
        BadServerCase{"SilentTelnet", Mode::SilentTelnet, "rfc2217://s:1", "",
                      NetworkPortBackend::kNegotiationMs + 20, true},
        BadServerCase{"RefusesComPort", Mode::RefusesComPort, "rfc2217://s:1", "", 50, true},
        BadServerCase{"Garbage", Mode::Garbage, "rfc2217://s:1", "", NetworkPortBackend::kNegotiationMs + 20,
                      true}),
    [](const auto& info) { return std::string(info.param.name); });
