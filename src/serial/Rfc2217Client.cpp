#include "serial/Rfc2217Client.h"

#include "base/Trace.h"

namespace pxr {

using namespace telnet;

namespace {

std::string byte(uint8_t b) { return std::string(1, static_cast<char>(b)); }

std::string bigEndian32(uint32_t v)
{
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
}

uint8_t parityCode(Parity p)
{
    switch (p) {
    case Parity::None: return 1;
    case Parity::Odd: return 2;
    case Parity::Even: return 3;
    case Parity::Mark: return 4;
    case Parity::Space: return 5;
    }
    return 1;
}

uint8_t stopCode(StopBits s)
{
    switch (s) {
    case StopBits::One: return 1;
    case StopBits::Two: return 2;
    case StopBits::OneHalf: return 3;
    }
    return 1;
}

} // namespace

bool Rfc2217Client::wantUs(uint8_t option)
{
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}

// The server's echo would come back as if the meter had sent it.
bool Rfc2217Client::wantHim(uint8_t option) { return option == kBinary || option == kSuppressGoAhead; }

void Rfc2217Client::out(const std::string& bytes)
{
    if (send && !bytes.empty())
        send(bytes);
}

std::string Rfc2217Client::escaped(const std::string& data) const
{
    return escape(data, m_options[kBinary].us == Side::Yes);
}

void Rfc2217Client::start(const LineSettings& settings)
{
    for (Option& o : m_options)
        o = Option();
    m_parser.reset();
    m_parser.onOption = [this](uint8_t verb, uint8_t option) { handleOption(verb, option); };
    m_parser.onSubnegotiation = [this](uint8_t option, const std::string& payload) {
        handleSubnegotiation(option, payload);
    };
    m_wanted = settings;
    m_settingsSent = false;
    m_purgePending = false;
    m_comPortRefused = false;
    m_gaveUp = false;
    m_held.clear();
    m_serverBaud = 0;

    std::string hello;
    for (uint8_t option : {kBinary, kSuppressGoAhead, kComPort}) {
        m_options[option].us = Side::WantYes;
        hello += command(kWILL, option);
    }
    for (uint8_t option : {kBinary, kSuppressGoAhead}) {
        m_options[option].him = Side::WantYes;
        hello += command(kDO, option);
    }
    out(hello);
}

void Rfc2217Client::feed(const std::string& bytes, std::string& data)
{
    m_parser.feed(bytes, data);
}

void Rfc2217Client::handleOption(uint8_t verb, uint8_t option)
{
    const bool wasSettled = settled();
    const bool wasAgreed = comPortAgreed();
    Option& o = m_options[option];
    switch (verb) {
    case kWILL:
        offered(o.him, wantHim(option), kDO, kDONT, option);
        break;
    case kWONT:
        refused(o.him, kDONT, option);
        break;
    case kDO:
        offered(o.us, wantUs(option), kWILL, kWONT, option);
        break;
    case kDONT:
        refused(o.us, kWONT, option);
        if (option == kComPort)
            m_comPortRefused = true;
        break;
    default:
        break;
    }
    m_parser.setBinaryInput(m_options[kBinary].him == Side::Yes);
    // Also after giving up: a server that agrees late still gets the settings.
    if ((!wasAgreed && comPortAgreed()) || (!wasSettled && settled()))
        comPortSettled();
}

// The option negotiation of RFC 1143 for one side of an option (the
// server's: WILL/WONT, answered DO/DONT; ours: DO/DONT, answered WILL/WONT).
void Rfc2217Client::offered(Side& side, bool wanted, uint8_t accept, uint8_t decline, uint8_t option)
{
    if (side == Side::No) {
        if (wanted) {
            side = Side::Yes;
            out(command(accept, option));
        } else {
            out(command(decline, option));
        }
    } else if (side == Side::WantYes) {
        side = Side::Yes;
    } else if (side == Side::WantNo) {
        side = Side::No; // declined, yet offered: a broken peer, leave it off
    }
}

void Rfc2217Client::refused(Side& side, uint8_t decline, uint8_t option)
{
    if (side == Side::Yes)
        out(command(decline, option));
    side = Side::No;
}

void Rfc2217Client::comPortSettled()
{
    if (comPortAgreed()) {
        sendSettings(!m_settingsSent);
        if (m_purgePending) {
            m_purgePending = false;
            sendComPort(kPurgeData, byte(kPurgeReceiveBuffer));
        }
    } else if (DebugTrace) {
        trace("rfc2217: the server refused the COM-PORT option; its own line settings apply");
    }
    if (!m_held.empty()) {
        const std::string held = std::move(m_held);
        m_held.clear();
        out(escaped(held));
    }
}

void Rfc2217Client::handleSubnegotiation(uint8_t option, const std::string& payload)
{
    if (option != kComPort || payload.empty())
        return;
    const auto code = static_cast<uint8_t>(payload[0]);
    if (code == kServerOffset + kSetBaudRate && payload.size() == 5) {
        uint32_t rate = 0;
        for (size_t i = 1; i < 5; ++i)
            rate = (rate << 8) | static_cast<uint8_t>(payload[i]);
        m_serverBaud = rate;
        if (DebugTrace && rate != m_wanted.baudRate)
            trace(format("rfc2217: the server's line runs at %u, not %u", static_cast<unsigned>(rate),
                         static_cast<unsigned>(m_wanted.baudRate)));
        return;
    }
    // Answers to the other settings and the line and modem state
    // notifications change nothing here; a server's own requests (codes
    // below 100, e.g. asking for our signature) are not answered.
}

void Rfc2217Client::sendComPort(uint8_t code, const std::string& value)
{
    out(subnegotiation(kComPort, byte(code) + value));
}

void Rfc2217Client::sendSettings(bool all)
{
    const LineSettings& w = m_wanted;
    const LineSettings& s = m_sent;
    if (all || w.baudRate != s.baudRate)
        sendComPort(kSetBaudRate, bigEndian32(w.baudRate));
    if (all || w.dataBits != s.dataBits)
        sendComPort(kSetDataSize, byte(static_cast<uint8_t>(w.dataBits)));
    if (all || w.parity != s.parity)
        sendComPort(kSetParity, byte(parityCode(w.parity)));
    if (all || w.stopBits != s.stopBits)
        sendComPort(kSetStopSize, byte(stopCode(w.stopBits)));
    if (all || w.flowControl != s.flowControl) {
        const uint8_t flow = w.flowControl == FlowControl::Hardware   ? kHardwareFlowControl
                             : w.flowControl == FlowControl::Software ? kSoftwareFlowControl
                                                                      : kNoFlowControl;
        sendComPort(kSetControl, byte(flow));
    }
    if (all) {
        // The port's modem lines are held inactive, as on a local port.
        sendComPort(kSetControl, byte(kDtrOff));
        sendComPort(kSetControl, byte(kRtsOff));
    }
    m_sent = w;
    m_settingsSent = true;
}

void Rfc2217Client::write(const std::string& data)
{
    if (data.empty())
        return;
    if (!settled()) {
        m_held += data;
        return;
    }
    out(escaped(data));
}

void Rfc2217Client::apply(const LineSettings& settings)
{
    m_wanted = settings;
    if (comPortAgreed())
        sendSettings(!m_settingsSent);
}

void Rfc2217Client::purgeInput()
{
    if (comPortAgreed())
        sendComPort(kPurgeData, byte(kPurgeReceiveBuffer));
    else if (!settled())
        m_purgePending = true;
}

void Rfc2217Client::giveUpWaiting()
{
    if (settled())
        return;
    m_gaveUp = true;
    if (DebugTrace)
        trace("rfc2217: no answer to the COM-PORT option; the server's own line settings apply");
    comPortSettled();
}

} // namespace pxr
