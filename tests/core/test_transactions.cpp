#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/ComTransactions.h"
#include "base/Trace.h"
#include "support/CoreRig.h"
#include "support/ScriptedPeer.h"

using namespace pxr;
using namespace pxr::test;

namespace {

struct Link : ::testing::Test, CoreRig {
    ScriptedPeer peer;
    std::vector<std::string> traces;

    void SetUp() override
    {
        open(peer);
        DebugTrace = true;
        setTraceSink([this](const std::string& l) { traces.push_back(l); });
    }
    void TearDown() override
    {
        DebugTrace = false;
        setTraceSink(nullptr);
    }
    std::string query(const std::string& cmd, int& status, const std::string& stop = "\r\n")
    {
        return tx.QueryCommand(cmd, cmd, stop, 1000, status);
    }
};

} // namespace

struct ReplyCase {
    const char* name;
    DeviceType model;
    std::vector<ScriptedPeer::Out> outs;
    std::string reply;
    int status;
};

class QueryReplies : public Link, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(QueryReplies, ReplyAndStatus)
{
    const ReplyCase& c = GetParam();
    tx.deviceType = c.model;
    peer.script["SA"] = c.outs;
    int status = 99;
    EXPECT_EQ(query("SA", status), c.reply);
    EXPECT_EQ(status, c.status);
    // Between transactions the reply framer is detached again with Size 1.
    EXPECT_EQ(tx.ComDataPacket.comPort(), nullptr);
    EXPECT_EQ(tx.ComDataPacket.size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Transactions, QueryReplies,
    ::testing::Values(
        ReplyCase{"OneChunk", kPXR7X, {{5, "SA 25\r\n"}}, "25", 1},
        ReplyCase{"Chunked", kPXR7X, {{5, "S"}, {25, "A 2"}, {45, "5\r\n"}}, "25", 1},
        ReplyCase{"TwoLinesOnePass", kPXR7X, {{5, "SA 1\r\nSA 2\r\n"}}, "2", 1},
        ReplyCase{"BareCrLfFirst", kPXR7X, {{5, "\r\n"}, {40, "SA 25\r\n"}}, "25", 1},
        ReplyCase{"BlankLineRightAfterReply", kPXR7X, {{5, "SA 25\r\n\r\n"}}, "25", 1},
        ReplyCase{"BlankLineInTheNextChunk", kPXR7X, {{5, "SA 25\r\n"}, {6, "\r\n"}}, "25", 1},
        ReplyCase{"NoEcho", kPXR7X, {{5, "25\r\n"}}, "25", -1},
        ReplyCase{"TwoBlanks", kPXR7X, {{5, "SA  25\r\n"}}, " 25", 1},
        ReplyCase{"EchoInside", kPXR501, {{5, "xSA 3\r\n"}}, "x 3", 1},
        ReplyCase{"Pxr500cBlanks", kPXR500C, {{5, "   25\r\n"}}, "25", 1},
        ReplyCase{"Pxr500cIgnoresEcho", kPXR500C, {{5, "SA 25\r\n"}}, "SA 25", 1},
        ReplyCase{"NoReply", kPXR7X, {}, "", 0},
        ReplyCase{"OnlyEmptyLines", kPXR7X, {{5, "\r\n\r\n"}}, "", 0},
        // The LF of a line whose CR came before the query.
        ReplyCase{"LfOfAnEarlierLineFirst", kPXR7X, {{5, "\nSA 1\r\n"}}, "1", 1},
        ReplyCase{"Pxr500cLfOfAnEarlierLineFirst", kPXR500C, {{5, "\n       4\r\n"}}, "4", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Link, TimeoutTakes101PassesAndTraces)
{
    int status = 1;
    const double t0 = loop.nowMs();
    EXPECT_EQ(query("SA", status), "");
    EXPECT_EQ(status, 0);
    EXPECT_NEAR(loop.nowMs() - t0, 1010.0, 0.5);
    ASSERT_FALSE(traces.empty());
    EXPECT_EQ(traces.back(), "SA=,ms=1010..1000");
}

TEST_F(Link, AnswerTraceShowsPasses)
{
    peer.script["SA"] = {{15, "SA 25\r\n"}};
    int status = 0;
    query("SA", status);
    ASSERT_GE(traces.size(), 2u);
    EXPECT_EQ(traces[traces.size() - 2], "DataPacket<SA 25>");
    EXPECT_EQ(traces.back(), "SA=SA 25,ms=30..1000");
}

struct TraceCase {
    const char* name;
    DeviceType model;
    const char* stop;
    std::string reply; // what the meter sends after "SA"
    std::vector<std::string> lines; // the trace lines of the exchange, without their ",ms=..."
};

class TraceLines : public Link, public ::testing::WithParamInterface<TraceCase> {};

// One exchange, one line each: bytes of the meter that would break or cut a
// line are written escaped.
TEST_P(TraceLines, ControlCharactersAreEscaped)
{
    const TraceCase& c = GetParam();
    tx.deviceType = c.model;
    peer.script["SA"] = {{15, c.reply}};
    int status = 0;
    tx.QueryCommand("SA", "SA", c.stop, 1000, status);
    ASSERT_GE(traces.size(), c.lines.size());
    std::vector<std::string> last(traces.end() - std::ptrdiff_t(c.lines.size()), traces.end());
    for (std::string& l : last)
        l = l.substr(0, l.rfind(",ms="));
    EXPECT_EQ(last, c.lines);
    for (const std::string& l : traces)
        EXPECT_EQ(l.find_first_of(std::string("\r\n\0", 3)), std::string::npos) << l;
}

INSTANTIATE_TEST_SUITE_P(
    Link, TraceLines,
    ::testing::Values(
        TraceCase{"NulInsideTheReply", kPXR7X, "\r\n", std::string("SA\0 25\r\n", 8),
                  {"DataPacket<SA\\0 25>", "SA=SA\\0 25"}},
        TraceCase{"LineEndsOfAReplyWithoutStopString", kPXR500C, "", "   25\r\n",
                  {"DataPacket<   25\\r\\n>", "SA=   25\\r\\n"}},
        TraceCase{"OtherControlsAndTheBackslash", kPXR7X, "\r\n", "SA \x1b[2J\\\x7f\r\n",
                  {"DataPacket<SA \\x1B[2J\\\\\\x7F>", "SA=SA \\x1B[2J\\\\\\x7F"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Link, RunDetectionTracesTheChunkOnOneLine)
{
    peer.streamLine = "1.234\r\n";
    peer.startStream(loop.nowMs());
    backend.wakePeer();
    EXPECT_TRUE(tx.DetectRunning(1000));
    ASSERT_GE(traces.size(), 2u);
    EXPECT_EQ(traces[traces.size() - 2], "RunPacket<1.234\\r\\n>");
}

TEST_F(Link, ClosedPortReturnsAtOnceWithoutTrace)
{
    port.Close();
    int status = 5;
    const double t0 = loop.nowMs();
    EXPECT_EQ(query("SA", status), "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(loop.nowMs(), t0);
    EXPECT_TRUE(traces.empty());
    EXPECT_FALSE(tx.DetectRunning(1000));
    EXPECT_EQ(loop.nowMs(), t0);
}

TEST_F(Link, EmptyStopStringJoinsChunksUntilTheLineIsQuiet)
{
    // The driver splits "      dt" where it likes; the pieces belong together
    // as long as the meter keeps sending.
    tx.deviceType = kPXR500C;
    // The last piece comes after 150 ms of silence, as on a loaded machine.
    peer.script["AS"] = {{3, "    "}, {16, "  d"}, {166, "t"}};
    int status = 0;
    const double t0 = loop.nowMs();
    EXPECT_EQ(tx.QueryCommand("AS", "", "", 1000, status), "dt");
    EXPECT_EQ(status, 1);
    // Done twenty quiet polls after the last piece, not at the time-out.
    EXPECT_LT(loop.nowMs() - t0, 400.0);
    ASSERT_FALSE(traces.empty());
    EXPECT_EQ(traces.back(), "AS=      dt,ms=380..1000");
}

TEST_F(Link, EmptyStopStringEndsAfterQuietLineAndAtTheTimeout)
{
    tx.deviceType = kPXR500C;
    // A piece after 250 ms of silence is not part of this reply.
    peer.script["AS"] = {{3, "  dt"}, {260, "xx"}};
    int status = 0;
    EXPECT_EQ(tx.QueryCommand("AS", "", "", 1000, status), "dt");
    // A meter that never stops sending still ends the query at its time-out.
    peer.startStream(loop.nowMs());
    backend.wakePeer();
    const double t0 = loop.nowMs();
    const std::string streamed = tx.QueryCommand("", "", "", 200, status);
    EXPECT_FALSE(streamed.empty());
    EXPECT_LE(loop.nowMs() - t0, 210.5);
    EXPECT_EQ(tx.ComDataPacket.comPort(), nullptr);
}

// PXR500C's AS answer, taken without a stop string: with its line end (the
// command interface ends every reply in CR LF), in one piece or in pieces,
// the value is the text without the line end; the line end also ends the
// wait at once.
struct JoinedCase {
    const char* name;
    std::vector<ScriptedPeer::Out> outs;
    double doneWithinMs; // after the query was written
};

class JoinedReplies : public Link, public ::testing::WithParamInterface<JoinedCase> {};

TEST_P(JoinedReplies, LineEndIsNotPartOfTheValue)
{
    tx.deviceType = kPXR500C;
    peer.script["AS"] = GetParam().outs;
    int status = 0;
    const double t0 = loop.nowMs();
    EXPECT_EQ(tx.QueryCommand("AS", "", "", 1000, status), "dt");
    EXPECT_EQ(status, 1);
    EXPECT_LE(loop.nowMs() - t0, GetParam().doneWithinMs);
    EXPECT_EQ(tx.ComDataPacket.comPort(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Transactions, JoinedReplies,
    ::testing::Values(JoinedCase{"OnePieceCrLf", {{3, "      dt\r\n"}}, 20},
                      JoinedCase{"PiecesCrLf", {{3, "    "}, {14, "  d"}, {23, "t\r"}, {27, "\n"}}, 40},
                      JoinedCase{"CrAndLfApart", {{3, "      dt\r"}, {31, "\n"}}, 50},
                      JoinedCase{"LineEndOfAnEarlierLineFirst", {{3, "\n"}, {5, "      dt\r\n"}}, 20},
                      JoinedCase{"HeldUpBeforeTheLineEnd", {{3, "    "}, {150, "  dt\r\n"}}, 180},
                      JoinedCase{"NoLineEnd", {{3, "      dt"}}, 220}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Link, EmptyCommandOnlyListens)
{
    peer.startStream(loop.nowMs());
    backend.wakePeer();
    int status = 0;
    EXPECT_EQ(tx.QueryCommand("", "", "\r\n", 1000, status), "1.234");
    EXPECT_TRUE(backend.written().empty());
}

TEST_F(Link, QueryWritesWithoutPurgeAndKeepsStatusPanel)
{
    ui.setStatusText(2, " old");
    ui.panel2Log.clear();
    int status = 0;
    query("SA", status);
    EXPECT_EQ(backend.purgeCount, 0);
    EXPECT_TRUE(ui.panel2Log.empty());
    EXPECT_EQ(backend.writtenBytes(), "SA\r");
}

TEST_F(Link, PortWritePurgesBeforePrintableCommandsOnly)
{
    tx.PortWrite("\x1b");
    EXPECT_EQ(backend.purgeCount, 0);
    tx.PortWrite("\r");
    EXPECT_EQ(backend.purgeCount, 0);
    tx.PortWrite("DT\r");
    EXPECT_EQ(backend.purgeCount, 1);
    tx.PortWrite(" x");
    EXPECT_EQ(backend.purgeCount, 2);
    tx.PortWrite("");
    EXPECT_EQ(backend.written().size(), 4u);
}

TEST_F(Link, PortWriteDropsStaleBytesAndClearsPanel2)
{
    ui.setStatusText(2, " Get Parameter ok");
    // A stream line that has reached the PC but not the program yet.
    std::vector<std::string> seen;
    TComDataPacket f;
    f.setStopString("\r\n");
    f.OnPacket = [&](TComDataPacket&, const std::string& p) { seen.push_back(p); };
    f.setComPort(&port);
    // The write runs at the very moment the line has arrived, before the
    // port has handed it over.
    const double arrival = loop.nowMs() + 7 * (10000.0 / 9600) + backend.latencyMs;
    loop.schedule(arrival, [&] { tx.PortWrite("DT\r"); });
    backend.inject("stale\r\n");
    loop.waitFor(100);
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(ui.statusText(2), "");
}

TEST_F(Link, PortWriteWaitsUntilSent)
{
    const double t0 = loop.nowMs();
    tx.PortWrite("0123456789"); // 10 bytes at 9600 baud: 10.4 ms on the line
    EXPECT_GE(loop.nowMs() - t0, 10.0);
    EXPECT_EQ(port.OutputCount(), 0u);
}

TEST_F(Link, SendVariantsAndTheirPauses)
{
    const double t0 = loop.nowMs();
    tx.SendCommand("ID");
    EXPECT_EQ(backend.written().back().bytes, "ID\r");
    EXPECT_GE(loop.nowMs() - t0, 50.0);
    tx.SendText("SD0 1");
    EXPECT_EQ(backend.written().back().bytes, "SD0 1");

    struct Case {
        std::string name, value, sent;
    } cases[] = {
        {"TM", "0,5", "TM0.5\r"},
        {"AS ", "dt", "AS dt\r"},
        {"SA", " 25 ", "SA 25 \r"}, // trimmed only to decide, sent untrimmed
        {"TD", "1,5 2,5", "TD1.5 2.5\r"},
    };
    for (const auto& c : cases) {
        backend.clearWritten();
        tx.SendParameter(c.name, c.value);
        ASSERT_EQ(backend.written().size(), 1u) << c.name;
        EXPECT_EQ(backend.written()[0].bytes, c.sent);
    }
    backend.clearWritten();
    const double t1 = loop.nowMs();
    EXPECT_TRUE(tx.SendParameter("SA", " "));
    EXPECT_TRUE(tx.SendParameter("SA", std::string("\t\r\n\0", 4)));
    EXPECT_TRUE(backend.written().empty());
    EXPECT_EQ(loop.nowMs(), t1);
}

TEST_F(Link, ClosedPortSendsNothingAndDoesNotWait)
{
    port.Close();
    const double t0 = loop.nowMs();
    EXPECT_TRUE(tx.SendCommand("ID"));
    EXPECT_TRUE(tx.SendText("x"));
    EXPECT_TRUE(tx.SendParameter("SA", "1"));
    tx.PortWrite("\x1b");
    EXPECT_EQ(loop.nowMs(), t0);
    EXPECT_TRUE(backend.written().empty());
}

TEST_F(Link, DetectRunning)
{
    EXPECT_FALSE(tx.DetectRunning(1000));
    EXPECT_EQ(traces.back(), "run,ms=1010..1000");
    peer.startStream(loop.nowMs());
    backend.wakePeer();
    EXPECT_TRUE(tx.DetectRunning(1000));
    EXPECT_EQ(traces.back().rfind("run,ms=", 0), 0u);
    EXPECT_EQ(tx.ComDataPacket_run.comPort(), nullptr);
    EXPECT_EQ(tx.ComDataPacket_run.size(), 1);
}

TEST(QueryErrorText, MessagesPerStatus)
{
    std::string value = "25", msg = "keep";
    ComTransactions::QueryErrorText("SA", 1, value, msg);
    EXPECT_EQ(msg, "keep");
    EXPECT_EQ(value, "25");
    ComTransactions::QueryErrorText("SA", 0, value, msg);
    EXPECT_EQ(msg, "Error SA=TIMEOUT");
    EXPECT_EQ(value, "25");
    ComTransactions::QueryErrorText("SA", -1, value, msg);
    EXPECT_EQ(msg, "Error Get SA=25");
    EXPECT_EQ(value, "");
}

TEST_F(Link, DeviceInfoPxr7x)
{
    tx.deviceType = kPXR7X;
    tx.DeviceInfo();
    ASSERT_EQ(backend.written().size(), 1u);
    EXPECT_EQ(backend.written()[0].bytes, "ID\r");
    EXPECT_EQ(ui.focusCalls, 1);
}

TEST_F(Link, DeviceInfoPxr501StopsFirst)
{
    tx.deviceType = kPXR501;
    const double t0 = loop.nowMs();
    tx.DeviceInfo();
    const auto& w = backend.written();
    ASSERT_EQ(w.size(), 3u);
    EXPECT_EQ(w[0].bytes, "\x1b");
    EXPECT_EQ(w[1].bytes, "ID\r");
    EXPECT_EQ(w[2].bytes, "ID?\r");
    EXPECT_NEAR(w[0].atMs, t0, 0.01);
    EXPECT_GE(w[1].atMs - w[0].atMs, 500.0);
    EXPECT_LT(w[1].atMs - w[0].atMs, 510.0);
    EXPECT_GE(w[2].atMs - w[1].atMs, 50.0);
}

TEST_F(Link, DeviceInfoPxr500cStopsStreamingMeter)
{
    tx.deviceType = kPXR500C;
    peer.startStream(loop.nowMs());
    backend.wakePeer();
    tx.DeviceInfo();
    const auto& w = backend.written();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].bytes, "\x1b");
    EXPECT_EQ(w[1].bytes, "ID\r");
    EXPECT_GE(w[1].atMs - w[0].atMs, 1000.0);
    EXPECT_EQ(ui.busy, 0);
    EXPECT_EQ(ui.maxBusy, 1);
}

TEST_F(Link, DeviceInfoPxr500cQuietMeterOnlyId)
{
    tx.deviceType = kPXR500C;
    const double t0 = loop.nowMs();
    tx.DeviceInfo();
    ASSERT_EQ(backend.written().size(), 1u);
    EXPECT_EQ(backend.written()[0].bytes, "ID\r");
    EXPECT_GE(backend.written()[0].atMs - t0, 1010.0);
}

TEST_F(Link, DeviceInfoRestoresCursorWhenPortFails)
{
    tx.deviceType = kPXR500C;
    peer.startStream(loop.nowMs());
    backend.wakePeer();
    // The adapter is pulled while the meter is being stopped.
    loop.schedule(loop.nowMs() + 500, [&] { backend.hangUp(); });
    tx.DeviceInfo();
    EXPECT_EQ(ui.busy, 0);
    EXPECT_FALSE(port.Connected());
}

TEST_F(Link, TickCountWrapDoesNotBreakDelay)
{
    loop.setNow(4294967296.0 - 5.0); // 5 ms before the 32-bit tick counter wraps
    const double t0 = loop.nowMs();
    tx.Delay(50);
    EXPECT_NEAR(loop.nowMs() - t0, 50.0, 0.01);
}
