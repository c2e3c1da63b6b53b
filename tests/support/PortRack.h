#pragma once
// Several serial lines in virtual time, one per port name: opening a name
// opens its LoopbackPort; a name without a line fails as a missing device.
// For searches over many ports (the meter finder).

#include <map>
#include <memory>
#include <string>

#include "support/LoopbackPort.h"

namespace pxr::test {

class PortRack : public ComPortBackend {
public:
    explicit PortRack(VirtualEventLoop& loop) : m_loop(loop) {}

    // The line behind `name`, made on first use.
    LoopbackPort& line(const std::string& name)
    {
        auto& p = m_lines[name];
        if (!p) {
            p = std::make_unique<LoopbackPort>(m_loop);
            p->setListener(m_listener);
        }
        return *p;
    }

    void setListener(Listener* listener) override
    {
        m_listener = listener;
        for (auto& [name, p] : m_lines)
            p->setListener(listener);
    }
    void open(const std::string& name, const LineSettings& settings) override
    {
        const auto it = m_lines.find(name);
        if (it == m_lines.end())
            throw EComPort(ComErrorKind::Open, 2, "No such file or directory");
        m_active = it->second.get();
        m_active->open(name, settings);
    }
    void close() override
    {
        if (m_active)
            m_active->close();
    }
    bool isOpen() const override { return m_active && m_active->isOpen(); }
    void apply(const LineSettings& settings) override
    {
        if (m_active)
            m_active->apply(settings);
    }
    void write(const std::string& bytes) override
    {
        if (m_active)
            m_active->write(bytes);
    }
    void purgeInput() override
    {
        if (m_active)
            m_active->purgeInput();
    }
    size_t bytesToWrite() const override { return m_active ? m_active->bytesToWrite() : 0; }

private:
    VirtualEventLoop& m_loop;
    Listener* m_listener = nullptr;
    std::map<std::string, std::unique_ptr<LoopbackPort>> m_lines;
    LoopbackPort* m_active = nullptr;
};

} // namespace pxr::test
