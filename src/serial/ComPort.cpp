#include "serial/ComPort.h"

#include <algorithm>

#include "base/ScopedFlag.h"
#include "base/Trace.h"
#include "serial/PortName.h"

namespace pxr {

const char* parityText(Parity p)
{
    switch (p) {
    case Parity::None: return "None";
    case Parity::Odd: return "Odd";
    case Parity::Even: return "Even";
    case Parity::Mark: return "Mark";
    case Parity::Space: return "Space";
    }
    return "None";
}

const char* stopBitsText(StopBits s)
{
    switch (s) {
    case StopBits::One: return "1";
    case StopBits::OneHalf: return "1.5";
    case StopBits::Two: return "2";
    }
    return "1";
}

const char* flowControlText(FlowControl f)
{
    switch (f) {
    case FlowControl::None: return "None";
    case FlowControl::Hardware: return "Hardware";
    case FlowControl::Software: return "Software";
    }
    return "None";
}

namespace {
struct ErrorText {
    const char* text;
    bool withCode;
};
ErrorText errorText(ComErrorKind k)
{
    switch (k) {
    case ComErrorKind::Open: return {"Unable to open com port", true};
    case ComErrorKind::Write: return {"WriteFile function failed", true};
    case ComErrorKind::Read: return {"ReadFile function failed", true};
    case ComErrorKind::AsyncParam: return {"Invalid Async parameter", false};
    case ComErrorKind::Purge: return {"PurgeComm function failed", true};
    case ComErrorKind::AsyncStatus: return {"Unable to get async status", true};
    case ComErrorKind::SetState: return {"SetCommState function failed", true};
    case ComErrorKind::SetTimeouts: return {"SetCommTimeouts failed", true};
    case ComErrorKind::Setup: return {"SetupComm function failed", true};
    case ComErrorKind::ClearError: return {"ClearCommError function failed", true};
    case ComErrorKind::StoreSettings: return {"Failed to store settings", false};
    case ComErrorKind::LoadSettings: return {"Failed to load settings", false};
    }
    return {"Unable to open com port", true};
}
} // namespace

std::string comErrorMessage(ComErrorKind kind, int osCode, const std::string& osMessage)
{
    const ErrorText t = errorText(kind);
    std::string msg = t.text;
    if (!t.withCode)
        return msg;
#ifdef _WIN32
    (void)osMessage;
    msg += format(" (win error code: %d)", osCode);
#else
    // Outside Windows the number is errno-like; say so and give the system's text.
    if (osMessage.empty())
        msg += format(" (error code: %d)", osCode);
    else
        msg += format(" (error code: %d: %s)", osCode, osMessage.c_str());
#endif
    return msg;
}

EComPort::EComPort(ComErrorKind kind, int osCode, const std::string& osMessage)
    : std::runtime_error(comErrorMessage(kind, osCode, osMessage)), m_kind(kind), m_osCode(osCode)
{
}

EComPort::EComPort(ComErrorKind kind, const std::string& text) : std::runtime_error(text), m_kind(kind), m_osCode(0) {}

EComPort EComPort::withDetail(ComErrorKind kind, const std::string& detail)
{
    return EComPort(kind, std::string(errorText(kind).text) + " (" + detail + ")");
}

TComPort::TComPort(ComPortBackend& backend) : m_backend(backend) { m_backend.setListener(this); }

TComPort::~TComPort()
{
    m_backend.setListener(nullptr);
    try {
        Close();
    } catch (...) {
    }
    const auto consumers = m_consumers;
    m_consumers.clear();
    for (ComConsumer* c : consumers)
        c->comPortGone();
}

void TComPort::Open()
{
    if (Connected())
        return;
    m_backend.open(m_port, m_settings);
}

void TComPort::Close()
{
    if (!Connected())
        return;
    m_pending.clear();
    m_backend.close();
}

void TComPort::SetPort(const std::string& name)
{
    // Another spelling of the open port ("COM10" for "\\.\COM10") keeps the
    // connection: closing it would drop what the meter is sending.
    const bool samePort = samePortName(name, m_port);
    m_port = name;
    if (!samePort && Connected()) {
        Close();
        Open();
    }
}

void TComPort::SetBaudRate(uint32_t rate)
{
    LineSettings s = m_settings;
    s.baudRate = rate;
    SetSettings(s);
}

void TComPort::SetSettings(const LineSettings& settings)
{
    if (Connected())
        m_backend.apply(settings); // throws before anything changes
    m_settings = settings;
}

void TComPort::Write(const std::string& bytes)
{
    if (Connected())
        m_backend.write(bytes);
}

void TComPort::PurgeInput()
{
    if (Connected())
        m_backend.purgeInput();
}

size_t TComPort::OutputCount() const { return Connected() ? m_backend.bytesToWrite() : 0; }

void AttachedConsumer::setComPort(TComPort* port)
{
    if (port == m_port)
        return;
    if (m_port)
        m_port->detach(this);
    m_port = port;
    portChanging();
    if (m_port)
        m_port->attach(this);
}

void TComPort::attach(ComConsumer* consumer)
{
    if (consumer && std::find(m_consumers.begin(), m_consumers.end(), consumer) == m_consumers.end())
        m_consumers.push_back(consumer);
}

void TComPort::detach(ComConsumer* consumer)
{
    m_consumers.erase(std::remove(m_consumers.begin(), m_consumers.end(), consumer), m_consumers.end());
}

std::string TComPort::SettingsText() const
{
    return format(" %s:%u,%d,%s,%s,%s", m_port.c_str(), static_cast<unsigned>(m_settings.baudRate),
                  m_settings.dataBits, parityText(m_settings.parity), stopBitsText(m_settings.stopBits),
                  flowControlText(m_settings.flowControl));
}

void TComPort::backendReceived(const std::string& block)
{
    // Blocks are handed over one at a time: one that arrives while a consumer
    // is still handling the previous one (inside a wait) is delivered after it.
    if (m_delivering) {
        m_pending.push_back(block);
        return;
    }
    const ScopedFlag delivering(m_delivering);
    deliver(block);
    while (!m_pending.empty()) {
        std::string next = std::move(m_pending.front());
        m_pending.erase(m_pending.begin());
        deliver(next);
    }
}

void TComPort::deliver(const std::string& block)
{
    // A consumer may detach itself or others while handling the block.
    const std::vector<ComConsumer*> snapshot = m_consumers;
    for (ComConsumer* c : snapshot) {
        if (std::find(m_consumers.begin(), m_consumers.end(), c) != m_consumers.end())
            c->comReceived(block);
    }
}

void TComPort::backendLost(const std::string& osMessage)
{
    if (!Connected())
        return;
    try {
        m_backend.close();
    } catch (...) {
    }
    m_pending.clear();
    if (OnLost)
        OnLost(osMessage);
}

} // namespace pxr
