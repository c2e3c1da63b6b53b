#include "support/LoopbackPort.h"

#include <algorithm>
#include <cmath>

namespace pxr::test {

LoopbackPort::LoopbackPort(VirtualEventLoop& loop) : m_loop(loop) {}

LoopbackPort::~LoopbackPort()
{
    // The peer may already be gone; it is only ever driven through the loop
    // callbacks cancelled here.
    for (const auto& p : m_rx)
        m_loop.cancel(p.id);
    for (auto id : m_txEvents)
        m_loop.cancel(id);
    if (m_wake)
        m_loop.cancel(m_wake);
}

void LoopbackPort::attachPeer(LinePeer* peer)
{
    m_peer = peer;
    if (m_peer) {
        m_peer->setOutput([this](const std::string& b) { peerOutput(b); });
        m_peer->setHostLineRate(m_settings.baudRate);
        wakePeer();
    }
}

std::string LoopbackPort::writtenBytes() const
{
    std::string all;
    for (const auto& w : m_written)
        all += w.bytes;
    return all;
}

void LoopbackPort::open(const std::string& name, const LineSettings& settings)
{
    if (failOpen)
        throw EComPort(ComErrorKind::Open, 2, "No such file or directory");
    m_name = name;
    m_settings = settings;
    m_open = true;
    ++openCount;
    if (m_peer)
        m_peer->setHostLineRate(m_settings.baudRate);
}

void LoopbackPort::close()
{
    if (!m_open)
        return;
    m_open = false;
    ++closeCount;
    for (const auto& p : m_rx)
        m_loop.cancel(p.id);
    m_rx.clear();
}

void LoopbackPort::apply(const LineSettings& settings)
{
    if (settings.baudRate == 0 || settings.baudRate > 4000000)
        throw EComPort(ComErrorKind::SetState, 87, "Invalid argument");
    m_settings = settings;
    if (m_peer)
        m_peer->setHostLineRate(m_settings.baudRate);
}

void LoopbackPort::write(const std::string& bytes)
{
    if (!m_open || failWrite)
        throw EComPort(ComErrorKind::Write, 5, "Input/output error");
    const double now = m_loop.nowMs();
    m_written.push_back({now, bytes, m_settings.baudRate});
    if (onWrite)
        onWrite(bytes);
    const double start = std::max(now, m_txFreeAt);
    m_txFreeAt = start + bytes.size() * byteMs();
    const double arrive = m_txFreeAt;
    const auto id = m_loop.schedule(arrive, [this, bytes] {
        if (m_peer) {
            m_peer->receive(bytes, m_loop.nowMs());
            wakePeer();
        }
    });
    m_txEvents.push_back(id);
    if (m_txEvents.size() > 64)
        m_txEvents.erase(m_txEvents.begin(), m_txEvents.begin() + 32);
}

size_t LoopbackPort::bytesToWrite() const
{
    const double left = m_txFreeAt - m_loop.nowMs();
    if (left <= 0)
        return 0;
    return static_cast<size_t>(std::ceil(left / byteMs()));
}

void LoopbackPort::purgeInput()
{
    // Bytes that have arrived but not been handed to the program yet are dropped.
    ++purgeCount;
    const double now = m_loop.nowMs();
    while (!m_rx.empty() && m_rx.front().atMs <= now) {
        m_loop.cancel(m_rx.front().id);
        m_rx.pop_front();
    }
}

void LoopbackPort::inject(const std::string& bytes) { peerOutput(bytes); }

void LoopbackPort::hangUp()
{
    if (m_open && m_listener)
        m_listener->backendLost("Input/output error");
}

void LoopbackPort::peerOutput(const std::string& bytes)
{
    if (bytes.empty())
        return;
    const double now = m_loop.nowMs();
    double t = std::max(now, m_rxFreeAt);
    const size_t step = chunkSize == 0 ? bytes.size() : chunkSize;
    for (size_t off = 0; off < bytes.size(); off += step) {
        const std::string part = bytes.substr(off, step);
        t += part.size() * byteMs();
        const double at = t + latencyMs;
        auto id = m_loop.schedule(at, [this, part] {
            if (!m_rx.empty())
                m_rx.pop_front();
            if (m_open && m_listener)
                m_listener->backendReceived(part);
        });
        if (m_open)
            m_rx.push_back({id, at});
        else
            m_loop.cancel(id); // nobody listens on a closed port
    }
    m_rxFreeAt = t;
}

void LoopbackPort::wakePeer()
{
    if (!m_peer)
        return;
    const double next = m_peer->nextEventMs();
    if (!std::isfinite(next))
        return;
    if (m_wake && next >= m_wakeAt)
        return;
    if (m_wake)
        m_loop.cancel(m_wake);
    m_wakeAt = next;
    m_wake = m_loop.schedule(next, [this] {
        m_wake = 0;
        m_wakeAt = std::numeric_limits<double>::infinity();
        m_peer->advanceTo(m_loop.nowMs());
        wakePeer();
    });
}

} // namespace pxr::test
