#include "support/VirtualEventLoop.h"

namespace pxr::test {

VirtualEventLoop::Id VirtualEventLoop::schedule(double atMs, std::function<void()> fn)
{
    const Id id = m_next++;
    if (atMs < m_now)
        atMs = m_now;
    m_queue.emplace(std::make_pair(atMs, id), std::move(fn));
    m_times[id] = atMs;
    return id;
}

void VirtualEventLoop::cancel(Id id)
{
    auto it = m_times.find(id);
    if (it == m_times.end())
        return;
    m_queue.erase({it->second, id});
    m_times.erase(it);
}

void VirtualEventLoop::runUntil(double atMs)
{
    while (!m_queue.empty() && m_queue.begin()->first.first <= atMs) {
        auto node = m_queue.extract(m_queue.begin());
        m_times.erase(node.key().second);
        if (node.key().first > m_now)
            m_now = node.key().first;
        node.mapped()();
    }
    if (atMs > m_now)
        m_now = atMs;
}

namespace {
class VirtualTimer : public Timer {
public:
    explicit VirtualTimer(VirtualEventLoop& loop) : m_loop(loop) {}
    ~VirtualTimer() override { stop(); }
    void start(uint32_t intervalMs) override
    {
        stop();
        m_interval = intervalMs;
        arm();
    }
    void stop() override
    {
        if (m_id) {
            m_loop.cancel(m_id);
            m_id = 0;
        }
    }
    bool isActive() const override { return m_id != 0; }
    uint32_t interval() const override { return m_interval; }
    void setSingleShot(bool s) override { m_singleShot = s; }
    void setCallback(std::function<void()> cb) override { m_callback = std::move(cb); }

private:
    void arm()
    {
        // A zero interval still lets other events run between ticks.
        const double step = m_interval == 0 ? 0.001 : m_interval;
        m_id = m_loop.schedule(m_loop.nowMs() + step, [this] {
            m_id = 0;
            if (!m_singleShot)
                arm();
            if (m_callback)
                m_callback();
        });
    }
    VirtualEventLoop& m_loop;
    VirtualEventLoop::Id m_id = 0;
    uint32_t m_interval = 0;
    bool m_singleShot = false;
    std::function<void()> m_callback;
};
} // namespace

std::unique_ptr<Timer> VirtualEventLoop::createTimer() { return std::make_unique<VirtualTimer>(*this); }

} // namespace pxr::test
