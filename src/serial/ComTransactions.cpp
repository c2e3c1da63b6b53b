#include "serial/ComTransactions.h"

#include <algorithm>

#include "base/TextUtils.h"
#include "base/Trace.h"

namespace pxr {

const std::string CRLF = "\r\n";

ComTransactions::ComTransactions(TComPort& port, EventLoop& loop, UiHooks& ui)
    : m_port(port), m_loop(loop), m_ui(ui)
{
    ComDataPacket.OnPacket = [this](TComDataPacket& s, const std::string& p) { ComDataPacketPacket(s, p); };
    ComDataPacket_run.OnPacket = [this](TComDataPacket& s, const std::string& p) {
        ComDataPacket_runPacket(s, p);
    };
    // Between transactions both framers are detached and hold no partial line.
    ComDataPacket_run.setSize(1);
}

void ComTransactions::Delay(uint32_t ms)
{
    if (ms == 0)
        return;
    m_loop.waitFor(ms);
}

void ComTransactions::PortWrite(const std::string& text)
{
    m_conversation.throwIfCancelled();
    if (text.empty() || !m_port.Connected())
        return;
    // Bytes still waiting before a printable command are stale replies or
    // stream lines; they must not be taken as the answer to this command.
    if (static_cast<unsigned char>(text[0]) >= 32)
        m_port.PurgeInput();
    m_ui.setStatusText(2, std::string());
    m_port.Write(text);
    while (m_port.Connected() && m_port.OutputCount() > 0)
        m_loop.waitFor(1);
}

bool ComTransactions::SendCommand(const std::string& command)
{
    if (m_port.Connected()) {
        PortWrite(command + CR);
        Delay(50);
    }
    return true;
}

bool ComTransactions::SendText(const std::string& text)
{
    if (m_port.Connected()) {
        PortWrite(text);
        Delay(50);
    }
    return true;
}

bool ComTransactions::SendParameter(const std::string& name, const std::string& value)
{
    if (TrimControls(value).empty() || !m_port.Connected())
        return true;
    PortWrite(name + ReplaceText(value, ",", ".") + CR);
    Delay(50);
    return true;
}

int ComTransactions::poll(const std::string& reply, uint32_t timeoutMs)
{
    int passes = 0;
    const int maxPasses = static_cast<int>(timeoutMs / 10);
    do {
        Delay(10);
        ++passes;
    } while (passes <= maxPasses && reply.empty());
    return passes;
}

std::string ComTransactions::QueryCommand(const std::string& command, const std::string& echo,
                                          const std::string& stopString, uint32_t timeoutMs, int& status)
{
    m_conversation.throwIfCancelled();
    status = 0;
    std::string reply;
    struct CleanUp {
        TComDataPacket& f;
        bool& join;
        ~CleanUp()
        {
            f.setSize(1);
            f.setComPort(nullptr);
            join = false;
        }
    } cleanUp{ComDataPacket, m_joinChunks};

    if (m_port.Connected()) {
        ComDataPacket.setComPort(&m_port);
        LastReply.clear();
        ComDataPacket.setSize(0);
        ComDataPacket.setStartString(std::string());
        ComDataPacket.setStopString(stopString);
        // Without a stop string the framer hands over chunks as the port
        // delivers them. Taking only the first one cut the reply wherever the
        // driver happened to split it (on a real line, "  " of "      dt"),
        // and the rest then spoilt the next query's reply. So the chunks are
        // joined until the meter has stopped sending.
        m_joinChunks = stopString.empty();
        if (!command.empty())
            m_port.Write(command + CR);
        int passes = poll(LastReply, timeoutMs);
        if (m_joinChunks && !LastReply.empty()) {
            // A meter that ends the reply with its line end (PXR500C's
            // command interface does) says itself that it is complete.
            const int maxPasses = static_cast<int>(timeoutMs / 10);
            int quiet = 0;
            while (quiet < kQuietPasses && passes <= maxPasses && LastReply.back() != LF) {
                const size_t before = LastReply.size();
                Delay(10);
                ++passes;
                quiet = LastReply.size() == before ? quiet + 1 : 0;
            }
        }
        reply = LastReply;
        trace(command + "=" + reply + format(",ms=%d..%u", passes * 10, static_cast<unsigned>(timeoutMs)));
        // The line end is not part of the value: left in, it failed every
        // later use of the value (restart, Save, Export) and went back to
        // the meter inside the set command.
        if (m_joinChunks)
            reply.erase(reply.find_last_not_of("\r\n") + 1);
        if (!reply.empty()) {
            status = 1;
            if (deviceType == kPXR500C) {
                const auto first = reply.find_first_not_of(' ');
                reply.erase(0, first == std::string::npos ? reply.size() : first);
            } else {
                const auto p = echo.empty() ? std::string::npos : reply.find(echo);
                if (p == std::string::npos) {
                    status = -1;
                } else {
                    reply.erase(p, echo.size());
                    if (!reply.empty() && reply[0] == ' ')
                        reply.erase(0, 1);
                }
            }
        }
    }
    return reply;
}

namespace {

// The run framer goes back to its idle state (size 1, no port) however the
// exchange that used it ends.
struct RunFramerReset {
    TComDataPacket& framer;
    ~RunFramerReset()
    {
        framer.setSize(1);
        framer.setComPort(nullptr);
    }
};

} // namespace

bool ComTransactions::DetectRunning(uint32_t timeoutMs)
{
    m_conversation.throwIfCancelled();
    std::string received;
    const RunFramerReset reset{ComDataPacket_run};

    if (m_port.Connected()) {
        ComDataPacket_run.setComPort(&m_port);
        LastRunReply.clear();
        ComDataPacket_run.setSize(0);
        const int passes = poll(LastRunReply, timeoutMs);
        received = LastRunReply;
        trace(format("run,ms=%d..%u", passes * 10, static_cast<unsigned>(timeoutMs)));
    }
    return !received.empty();
}

void ComTransactions::SettleLine()
{
    if (!m_port.Connected())
        return;
    const RunFramerReset reset{ComDataPacket_run};
    // The run framer passes every chunk on as it comes; only the count matters.
    ComDataPacket_run.setComPort(&m_port);
    ComDataPacket_run.setSize(0);
    uint32_t quiet = 0;
    uint32_t waited = 0;
    while (quiet < kSettleQuietMs && waited < kSettleMaxMs && m_port.Connected()) {
        const uint64_t before = m_runPackets;
        Delay(10);
        waited += 10;
        quiet = m_runPackets == before ? quiet + 10 : 0;
    }
    if (m_port.Connected())
        m_port.PurgeInput();
    trace(format("quiet,ms=%u..%u", static_cast<unsigned>(waited), static_cast<unsigned>(kSettleMaxMs)));
}

void ComTransactions::QueryErrorText(const std::string& name, int status, std::string& value,
                                     std::string& message)
{
    if (status == -1) {
        message = format("Error Get %s=%s", name.c_str(), value.c_str());
        value.clear();
    } else if (status == 0) {
        message = format("Error %s=TIMEOUT", name.c_str());
    }
}

void ComTransactions::ComDataPacketPacket(TComDataPacket&, const std::string& packet)
{
    // Line-end bytes in front of a reply are the end of a line the meter
    // sent earlier (a CR LF split between two reads), not part of this
    // answer: kept, an LF ended up inside the value.
    const std::string text = packet.substr(std::min(packet.size(), packet.find_first_not_of("\r\n")));
    if (m_joinChunks)
        LastReply += LastReply.empty() ? text : packet;
    else if (!text.empty())
        // A blank line never ends the wait; neither may it wipe out the
        // answer that came just before it in the same poll.
        LastReply = text;
    trace("DataPacket<" + packet + ">");
}

void ComTransactions::ComDataPacket_runPacket(TComDataPacket&, const std::string& packet)
{
    LastRunReply = packet;
    ++m_runPackets;
    trace("RunPacket<" + packet + ">");
}

void ComTransactions::DeviceInfo()
{
    switch (deviceType) {
    case kPXR500C: {
        const BusyCursor busy(m_ui);
        if (DetectRunning(1000)) {
            PortWrite(std::string(1, ESC));
            Delay(1000);
        }
        SendCommand("ID");
        break;
    }
    case kPXR501:
        PortWrite(std::string(1, ESC));
        Delay(500);
        SendCommand("ID");
        SendCommand("ID?");
        break;
    default:
        SendCommand("ID");
        break;
    }
    m_ui.focusTerminalIfShown();
}

} // namespace pxr
