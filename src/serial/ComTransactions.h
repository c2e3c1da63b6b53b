#pragma once
// The blocking command/reply operations: the only road by which the program
// talks to the meter. Each operation waits on the event loop, so received
// data, timers and user commands are handled while it waits. A closed port is
// never an error: the operations quietly do nothing and report no reply.

#include <cstdint>
#include <string>

#include "devices/DeviceType.h"
#include "serial/ComDataPacket.h"
#include "serial/ComPort.h"
#include "base/EventLoop.h"
#include "serial/MeterConversation.h"
#include "base/UiHooks.h"

namespace pxr {

constexpr char CR = '\r';
constexpr char LF = '\n';
constexpr char ESC = '\x1b';
extern const std::string CRLF;

class ComTransactions {
public:
    ComTransactions(TComPort& port, EventLoop& loop, UiHooks& ui);

    // Model line whose reply rules apply (echo handling, PXR500C blanks).
    DeviceType deviceType = kPXR7X;

    void Delay(uint32_t ms);
    void PortWrite(const std::string& text);
    bool SendCommand(const std::string& command);
    bool SendText(const std::string& text);
    bool SendParameter(const std::string& name, const std::string& value);
    // A reply without a line end (PXR500C's AS) is over after this many
    // 10 ms polls without a new byte. Every reply of the command interface
    // ends in CR LF, so this only ends the wait for a meter that breaks that
    // rule. A silence in the middle of a line is not the meter's: on a loaded
    // machine the kernel holds received bytes back for about 100 ms at a time
    // (seen while a compiler ran beside the program), and a reply cut there
    // spilt its rest into the next query's answer. 20 polls outlast that.
    static constexpr int kQuietPasses = 20;
    // status: 1 reply accepted, 0 no reply (or port closed), -1 reply without echo.
    // With an empty stop string the reply is every chunk received from the
    // first one on until the line has been quiet for kQuietPasses polls or
    // the text ends in LF; line-end bytes before and after it are dropped.
    std::string QueryCommand(const std::string& command, const std::string& echo,
                             const std::string& stopString, uint32_t timeoutMs, int& status);
    bool DetectRunning(uint32_t timeoutMs);

    // After ESC a streaming meter finishes the line it is sending, and one
    // that ignored the ESC goes on streaming. Waits until nothing has
    // arrived for kSettleQuietMs (at most kSettleMaxMs), then throws away
    // whatever came, so that the next question's answer is the first thing
    // to arrive and no line end of the stream ends up in a value.
    static constexpr uint32_t kSettleQuietMs = 40;
    static constexpr uint32_t kSettleMaxMs = 500;
    void SettleLine();

    // Builds the message of a failed query (status -1 clears the value).
    static void QueryErrorText(const std::string& name, int status, std::string& value,
                               std::string& message);

    // "Device Info": asks the meter for its identification in the model
    // line's way; the answer is shown by the terminal and the history.
    void DeviceInfo();

    void ComDataPacketPacket(TComDataPacket& sender, const std::string& packet);
    void ComDataPacket_runPacket(TComDataPacket& sender, const std::string& packet);

    TComDataPacket ComDataPacket;
    TComDataPacket ComDataPacket_run;
    std::string LastReply;
    std::string LastRunReply;

    // The operation now talking to the meter. Every exchange (PortWrite,
    // the Send operations, QueryCommand, DetectRunning) first ends a
    // cancelled operation with OperationCancelled; pauses do not.
    MeterConversation& conversation() { return m_conversation; }
    const MeterConversation& conversation() const { return m_conversation; }

    TComPort& port() { return m_port; }
    EventLoop& loop() { return m_loop; }
    UiHooks& ui() { return m_ui; }

private:
    // Polls every 10 ms until `reply` is non-empty or timeout div 10 + 1 passes are made.
    int poll(const std::string& reply, uint32_t timeoutMs);

    bool m_joinChunks = false;
    uint64_t m_runPackets = 0;
    MeterConversation m_conversation;

    TComPort& m_port;
    EventLoop& m_loop;
    UiHooks& m_ui;
};

} // namespace pxr
