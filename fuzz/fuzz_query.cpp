// QueryCommand and DetectRunning against a far end that sends whatever the
// input says, whenever it says (virtual time, so a time-out costs nothing):
// replies in any number of pieces, bare line ends, junk, NUL bytes, long
// lines without an end, a meter that keeps streaming, a line that goes dead
// in the middle of the wait.
//
// Properties: the status is 1, 0 or -1 and the reply is what the rules make
// of the last packet (0: empty; -1: the packet unaltered; 1: the echo and
// one blank removed, or the leading blanks on PXR500C), which never begins
// with a line-end byte and, taken without a stop string, never ends with
// one either; the wait ends within
// time-out div 10 + 1 passes of 10 ms; afterwards both framers are detached,
// have size 1 and hold nothing.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "serial/ComPort.h"
#include "serial/ComTransactions.h"
#include "base/Trace.h"
#include "base/UiHooks.h"
#include "support/LoopbackPort.h"
#include "support/VirtualEventLoop.h"

using namespace pxr;
using pxr::fuzz::FuzzInput;
using pxr::test::LoopbackPort;
using pxr::test::VirtualEventLoop;

namespace {

const char* const kCommands[] = {"SA", "TD", "AS", "SD", "ID", "SC", "Q1", ""};
const uint32_t kTimeouts[] = {1000, 1000, 1000, 0, 5, 10, 95, 300};

bool detachedAndEmpty(const TComDataPacket& f, const TComPort& port)
{
    for (const ComConsumer* c : port.consumers())
        if (c == &f)
            return false;
    return f.comPort() == nullptr && f.size() == 1 && f.buffer().empty();
}

std::string expectedReply(DeviceType model, const std::string& raw, const std::string& echo, bool joined,
                          int& status)
{
    if (raw.empty()) {
        status = 0;
        return raw;
    }
    status = 1;
    std::string r = raw;
    if (joined)
        r.erase(r.find_last_not_of("\r\n") + 1);
    if (model == kPXR500C) {
        size_t i = 0;
        while (i < r.size() && r[i] == ' ')
            ++i;
        return r.substr(i);
    }
    const size_t p = echo.empty() ? std::string::npos : r.find(echo);
    if (p == std::string::npos) {
        status = -1;
        return r;
    }
    r.erase(p, echo.size());
    if (!r.empty() && r[0] == ' ')
        r.erase(0, 1);
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    VirtualEventLoop loop;
    LoopbackPort backend(loop);
    TComPort port(backend);
    NullUiHooks ui;
    ComTransactions tx(port, loop, ui);
    tx.ComDataPacket.OnPacket = [&tx](TComDataPacket& s, const std::string& p) { tx.ComDataPacketPacket(s, p); };
    tx.ComDataPacket_run.OnPacket = [&tx](TComDataPacket& s, const std::string& p) {
        tx.ComDataPacket_runPacket(s, p);
    };

    tx.deviceType = static_cast<DeviceType>(in.pick(3));
    const std::string command = kCommands[in.pick(8)];
    const std::string stop = in.flag() ? std::string() : CRLF;
    const uint32_t timeout = kTimeouts[in.pick(8)];
    backend.chunkSize = in.pick(4); // 0: each output as one block
    const bool open = in.pick(8) != 0;
    DebugTrace = in.flag();
    const bool detectAfter = in.flag();
    setTraceSink([](const std::string&) {});

    port.SetPort("/dev/ttyFUZZ");
    if (open)
        port.Open();

    // The far end's output: (gap in ms, bytes) pairs, or a hang-up.
    double at = loop.nowMs();
    while (!in.empty()) {
        at += in.byte() * 4;
        const uint8_t kind = in.byte();
        if (kind == 0xFF) {
            loop.schedule(at, [&backend] { backend.hangUp(); });
            continue;
        }
        std::string bytes = in.bytes(kind % 48);
        if (kind & 0x40)
            bytes += "\r\n";
        loop.schedule(at, [&backend, bytes] { backend.inject(bytes); });
    }

    const double start = loop.nowMs();
    int status = 7;
    const std::string reply = tx.QueryCommand(command, command, stop, timeout, status);
    const double took = loop.nowMs() - start;

    FUZZ_CHECK(status == 1 || status == 0 || status == -1);
    FUZZ_CHECK(took <= (timeout / 10 + 1) * 10.0 + 1e-6);
    if (!open) {
        FUZZ_CHECK(status == 0 && reply.empty() && took == 0.0);
    } else {
        int expectedStatus = 7;
        FUZZ_CHECK(tx.LastReply.empty() || (tx.LastReply[0] != '\r' && tx.LastReply[0] != '\n'));
        const std::string expected =
            expectedReply(tx.deviceType, tx.LastReply, command, stop.empty(), expectedStatus);
        FUZZ_CHECK(status == expectedStatus);
        FUZZ_CHECK(reply == expected);
        if (status == 0)
            FUZZ_CHECK(took >= (timeout / 10 + 1) * 10.0 - 1e-6);
    }
    FUZZ_CHECK(detachedAndEmpty(tx.ComDataPacket, port));

    if (!detectAfter) {
        DebugTrace = false;
        return 0;
    }
    // Run detection on what is still to come.
    const double detectStart = loop.nowMs();
    const bool running = tx.DetectRunning(timeout);
    FUZZ_CHECK(loop.nowMs() - detectStart <= (timeout / 10 + 1) * 10.0 + 1e-6);
    FUZZ_CHECK(running == !tx.LastRunReply.empty() || !port.Connected());
    FUZZ_CHECK(detachedAndEmpty(tx.ComDataPacket_run, port));
    FUZZ_CHECK(detachedAndEmpty(tx.ComDataPacket, port));
    DebugTrace = false;
    return 0;
}
