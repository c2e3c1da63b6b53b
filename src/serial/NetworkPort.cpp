#include "serial/NetworkPort.h"

#include <algorithm>
#include <cctype>

#include "base/Trace.h"

namespace pxr {

namespace {

constexpr uint32_t kWaitSliceMs = 10;

struct Scheme {
    const char* prefix;
    RemoteKind kind;
};
const Scheme kSchemes[] = {{"rfc2217://", RemoteKind::Rfc2217}, {"socket://", RemoteKind::Socket}};

bool startsWithNoCase(const std::string& s, const char* prefix)
{
    size_t i = 0;
    for (; prefix[i] != '\0'; ++i)
        if (i >= s.size() || std::tolower(static_cast<unsigned char>(s[i])) != prefix[i])
            return false;
    return true;
}

const Scheme* schemeOf(const std::string& name)
{
    for (const Scheme& s : kSchemes)
        if (startsWithNoCase(name, s.prefix))
            return &s;
    return nullptr;
}

bool hostCharOk(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

} // namespace

bool isRemotePortName(const std::string& name) { return schemeOf(name) != nullptr; }

bool parseRemotePortName(const std::string& name, RemoteAddress& address, std::string& error)
{
    const Scheme* scheme = schemeOf(name);
    if (!scheme) {
        error = "not a network port name (rfc2217://HOST:PORT or socket://HOST:PORT)";
        return false;
    }
    std::string rest = name.substr(std::char_traits<char>::length(scheme->prefix));
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    std::string host;
    std::string port;
    if (!rest.empty() && rest[0] == '[') {
        const size_t close = rest.find(']');
        if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':') {
            error = "an IPv6 address needs the form [ADDRESS]:PORT";
            return false;
        }
        host = rest.substr(1, close - 1);
        port = rest.substr(close + 2);
        if (host.empty() || !std::all_of(host.begin(), host.end(), [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
            })) {
            error = "\"" + host + "\" is not an IPv6 address";
            return false;
        }
    } else {
        const size_t colon = rest.rfind(':');
        if (colon == std::string::npos) {
            error = "the port number is missing (HOST:PORT)";
            return false;
        }
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (host.empty() || !std::all_of(host.begin(), host.end(), hostCharOk)) {
            error = host.empty() ? std::string("the host is missing (HOST:PORT)")
                                 : "\"" + host + "\" is not a host name or address";
            return false;
        }
    }
    unsigned long number = 0;
    const bool digits = !port.empty() && port.size() <= 5 &&
                        std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits)
        number = std::stoul(port);
    if (!digits || number < 1 || number > 65535) {
        error = "\"" + port + "\" is not a TCP port number (1..65535)";
        return false;
    }
    address.kind = scheme->kind;
    address.host = host;
    address.port = static_cast<uint16_t>(number);
    return true;
}

// ---- NetworkPortBackend ------------------------------------------------------

NetworkPortBackend::NetworkPortBackend(NetTransport& transport, EventLoop& loop)
    : m_transport(transport), m_loop(loop)
{
    m_transport.setListener(this);
    m_client.send = [this](const std::string& bytes) { m_transport.send(bytes); };
}

NetworkPortBackend::~NetworkPortBackend()
{
    m_listener = nullptr;
    m_transport.setListener(nullptr);
    m_transport.close();
}

template <typename Done>
void NetworkPortBackend::waitUntil(Done done, uint32_t ms)
{
    const uint32_t start = m_loop.tickCount();
    while (!done() && !m_closed) {
        const uint32_t passed = m_loop.tickCount() - start;
        if (passed >= ms)
            break;
        m_loop.waitFor(std::min(kWaitSliceMs, ms - passed));
    }
}

void NetworkPortBackend::failOpen(const std::string& why)
{
    m_connecting = false;
    m_transport.close();
    throw EComPort::withDetail(ComErrorKind::Open, why);
}

void NetworkPortBackend::open(const std::string& name, const LineSettings& settings)
{
    if (m_open)
        return;
    std::string error;
    if (!parseRemotePortName(name, m_address, error))
        throw EComPort::withDetail(ComErrorKind::Open, name + ": " + error);
    const std::string where = m_address.host + ":" + std::to_string(m_address.port);
    m_connected = false;
    m_closed = false;
    m_closeMessage.clear();
    m_connecting = true;
    m_openSettings = settings;
    m_transport.connectTo(m_address.host, m_address.port);
    waitUntil([this] { return m_connected; }, kConnectTimeoutMs);
    if (m_closed)
        failOpen(where + ": " + m_closeMessage);
    if (!m_connected)
        failOpen(format("%s: no answer within %u s", where.c_str(), unsigned(kConnectTimeoutMs / 1000)));

    if (m_address.kind == RemoteKind::Rfc2217) {
        waitUntil([this] { return m_client.settled(); }, kNegotiationMs);
        if (m_closed)
            failOpen(where + ": " + m_closeMessage);
        m_client.giveUpWaiting();
    }
    m_connecting = false;
    m_open = true;
}

void NetworkPortBackend::close()
{
    m_open = false;
    m_connecting = false;
    m_connected = false;
    m_transport.close();
}

void NetworkPortBackend::apply(const LineSettings& settings)
{
    if (m_open && m_address.kind == RemoteKind::Rfc2217)
        m_client.apply(settings);
}

void NetworkPortBackend::write(const std::string& bytes)
{
    if (!m_open)
        return;
    if (m_address.kind == RemoteKind::Rfc2217)
        m_client.write(bytes);
    else
        m_transport.send(bytes);
}

void NetworkPortBackend::purgeInput()
{
    if (!m_open)
        return;
    const std::string waiting = m_transport.takeReceived();
    if (m_address.kind == RemoteKind::Rfc2217) {
        // Telnet commands among the dropped bytes still count.
        std::string dropped;
        m_client.feed(waiting, dropped);
        m_client.purgeInput();
    }
}

size_t NetworkPortBackend::bytesToWrite() const
{
    return m_open ? m_transport.bytesToWrite() + m_client.heldBytes() : 0;
}

void NetworkPortBackend::transportConnected()
{
    m_connected = true;
    // At once: the server's own greeting may follow in the same breath.
    if (m_address.kind == RemoteKind::Rfc2217)
        m_client.start(m_openSettings);
}

void NetworkPortBackend::transportReceived(const std::string& bytes)
{
    if (!m_open && !m_connecting)
        return;
    std::string data;
    if (m_address.kind == RemoteKind::Rfc2217)
        m_client.feed(bytes, data);
    else
        data = bytes;
    if (!data.empty() && m_listener)
        m_listener->backendReceived(data);
}

void NetworkPortBackend::transportClosed(const std::string& message)
{
    m_closed = true;
    m_closeMessage = message;
    if (!m_open)
        return; // open() reports it
    // As a pulled cable: the port's owner closes us and tells the user once.
    if (m_listener)
        m_listener->backendLost(message);
    m_open = false;
    m_transport.close();
}

// ---- PortBackendSwitch -------------------------------------------------------

PortBackendSwitch::PortBackendSwitch(ComPortBackend& local, ComPortBackend& remote)
    : m_local(local), m_remote(remote), m_active(&local)
{
}

void PortBackendSwitch::setListener(Listener* listener)
{
    m_local.setListener(listener);
    m_remote.setListener(listener);
}

void PortBackendSwitch::open(const std::string& name, const LineSettings& settings)
{
    if (m_active->isOpen())
        return;
    m_active = isRemotePortName(name) ? &m_remote : &m_local;
    m_active->open(name, settings);
}

} // namespace pxr
