#include "support/VirtualDeviceServer.h"

#include "serial/Rfc2217Client.h"

namespace pxr::test {

using namespace telnet;

VirtualDeviceServer::VirtualDeviceServer(VirtualEventLoop& loop, Mode mode, uint32_t lineBaud)
    : m_loop(loop), m_mode(mode), m_line(loop)
{
    m_line.setListener(this);
    LineSettings s;
    s.baudRate = lineBaud;
    m_line.open("/dev/ttyS0", s);
    m_parser.onOption = [this](uint8_t verb, uint8_t option) { handleOption(verb, option); };
    m_parser.onSubnegotiation = [this](uint8_t option, const std::string& payload) {
        if (option == kComPort)
            handleComPort(payload);
    };
}

VirtualDeviceServer::~VirtualDeviceServer()
{
    m_client = nullptr;
    ++m_generation;
}

void VirtualDeviceServer::connectTo(const std::string&, uint16_t)
{
    ++connectAttempts;
    const uint64_t gen = ++m_generation;
    m_parser.reset();
    if (m_mode == Mode::Unreachable)
        return;
    m_loop.schedule(m_loop.nowMs() + latencyMs, [this, gen] {
        if (gen != m_generation || !m_client)
            return;
        if (m_mode == Mode::Refused) {
            m_client->transportClosed("Connection refused");
            return;
        }
        m_connected = true;
        m_client->transportConnected();
        if (m_mode == Mode::ClosesAtOnce) {
            dropConnection();
            return;
        }
        if (m_mode == Mode::Rfc2217) {
            // ser2net's greeting.
            toPort(command(kWILL, kSuppressGoAhead) + command(kDO, kSuppressGoAhead) + command(kDO, kBinary) +
                   command(kWILL, kBinary) + command(kDO, kComPort));
        } else if (m_mode == Mode::Garbage) {
            sendGarbage();
        }
    });
}

void VirtualDeviceServer::sendGarbage()
{
    // Every option in every verb, subnegotiations of unknown options and
    // of the COM-PORT-OPTION with nonsense codes, bare IAC commands, and a
    // subnegotiation that never ends; again every 50 ms for a while.
    std::string g;
    for (int option = 0; option < 256; option += 7)
        for (uint8_t verb : {kWILL, kDO, kWONT, kDONT})
            g += command(verb, static_cast<uint8_t>(option));
    g += subnegotiation(200, std::string(40, 'x'));
    g += subnegotiation(kComPort, std::string("\x00", 1));       // asks for our signature
    g += subnegotiation(kComPort, std::string("\x7f\x01\x02", 3)); // no such answer
    g += std::string{static_cast<char>(kIAC), static_cast<char>(241)}; // NOP
    g += std::string{static_cast<char>(kIAC), static_cast<char>(249)}; // GA
    if (++m_garbageRounds == 5)
        g += std::string{static_cast<char>(kIAC), static_cast<char>(kSB), 99} + std::string(600, 'z');
    toPort(g);
    const uint64_t gen = m_generation;
    if (m_garbageRounds < 10)
        m_loop.schedule(m_loop.nowMs() + 50, [this, gen] {
            if (gen == m_generation && m_connected)
                sendGarbage();
        });
}

void VirtualDeviceServer::dropConnection()
{
    if (!m_connected)
        return;
    m_connected = false;
    const uint64_t gen = ++m_generation;
    m_loop.schedule(m_loop.nowMs() + latencyMs, [this, gen] {
        if (gen == m_generation && m_client)
            m_client->transportClosed("the server closed the connection");
    });
}

void VirtualDeviceServer::close()
{
    m_connected = false;
    ++m_generation;
}

void VirtualDeviceServer::send(const std::string& bytes)
{
    if (!m_connected)
        return;
    rawFromPort += bytes;
    const uint64_t gen = m_generation;
    m_loop.schedule(m_loop.nowMs() + latencyMs, [this, gen, bytes] {
        if (gen == m_generation)
            fromPort(bytes);
    });
}

void VirtualDeviceServer::fromPort(const std::string& bytes)
{
    std::string data;
    if (m_mode == Mode::Raw)
        data = bytes;
    else
        m_parser.feed(bytes, data);
    if (!data.empty())
        m_line.write(data);
}

void VirtualDeviceServer::toPort(const std::string& bytes)
{
    const uint64_t gen = m_generation;
    m_loop.schedule(m_loop.nowMs() + latencyMs, [this, gen, bytes] {
        if (gen == m_generation && m_connected && m_client)
            m_client->transportReceived(bytes);
    });
}

void VirtualDeviceServer::backendReceived(const std::string& block)
{
    if (!m_connected)
        return; // nobody connected: the meter's bytes are lost, as on ser2net
    toPort(m_mode == Mode::Raw ? block : escape(block, true));
}

void VirtualDeviceServer::handleOption(uint8_t verb, uint8_t option)
{
    if (m_mode == Mode::SilentTelnet || m_mode == Mode::Garbage)
        return;
    if (m_mode == Mode::RefusesComPort && option == kComPort && verb == kWILL) {
        toPort(command(kDONT, kComPort));
        return;
    }
    // A ser2net-like server has already offered what it wants; it answers a
    // request for anything else with a refusal, once.
    const bool known = option == kBinary || option == kSuppressGoAhead || option == kComPort;
    if (!known && (verb == kWILL || verb == kDO))
        toPort(command(verb == kWILL ? kDONT : kWONT, option));
}

void VirtualDeviceServer::handleComPort(const std::string& payload)
{
    if (payload.empty())
        return;
    const auto code = static_cast<uint8_t>(payload[0]);
    const std::string value = payload.substr(1);
    comPortCommands.push_back({m_loop.nowMs(), code, value});
    if (m_mode != Mode::Rfc2217)
        return;
    const std::string answer = std::string(1, static_cast<char>(code + Rfc2217Client::kServerOffset)) + value;
    switch (code) {
    case Rfc2217Client::kSetBaudRate: {
        if (value.size() != 4)
            return;
        uint32_t rate = 0;
        for (char c : value)
            rate = (rate << 8) | static_cast<uint8_t>(c);
        LineSettings s = m_line.settings();
        s.baudRate = rate;
        m_line.apply(s);
        toPort(subnegotiation(kComPort, answer));
        return;
    }
    case Rfc2217Client::kPurgeData:
        m_line.purgeInput();
        toPort(subnegotiation(kComPort, answer));
        return;
    case Rfc2217Client::kSetControl:
        return; // a line without modem control: ser2net says nothing
    default:
        toPort(subnegotiation(kComPort, answer));
        return;
    }
}

} // namespace pxr::test
