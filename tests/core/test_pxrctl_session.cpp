// pxrctl's options and its session over the core, against the meter
// emulator in virtual time.

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "CtlOptions.h"
#include "CtlSession.h"
#include "devices/ParameterTable.h"
#include "parameters/ParameterFile.h"
#include "support/EmulatorPeer.h"
#include "support/EveryMeterModel.h"
#include "support/LoopbackPort.h"
#include "support/ScriptedPeer.h"
#include "support/VirtualEventLoop.h"

using namespace pxr;
using namespace pxr::ctl;
using namespace pxr::test;

namespace {

std::vector<std::string> words(const std::string& line)
{
    std::vector<std::string> out;
    std::string cur;
    bool any = false;
    for (char c : line) {
        if (c == ' ') {
            if (any)
                out.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any)
        out.push_back(cur);
    return out;
}

// ---- options ----

struct BadLine {
    const char* line;
    const char* errorPart; // a piece of the message that says what is wrong
};

class CtlUsageErrors : public ::testing::TestWithParam<BadLine> {};

TEST_P(CtlUsageErrors, AreRefusedWithAReason)
{
    const Options o = parseOptions(words(GetParam().line));
    EXPECT_NE(o.error.find(GetParam().errorPart), std::string::npos) << GetParam().line << " -> " << o.error;
}

INSTANTIATE_TEST_SUITE_P(
    Ctl, CtlUsageErrors,
    ::testing::Values(BadLine{"", "no command"}, BadLine{"fetch --port p --model pxr7x", "unknown command"},
                      BadLine{"get --model pxr7x", "--port"}, BadLine{"get --port p", "--model"},
                      BadLine{"get --port p --model pxr9", "unknown model"},
                      BadLine{"get --port p --model pxr7x extra", "unexpected argument"},
                      BadLine{"set --port p --model pxr7x", "parameter file"},
                      BadLine{"set --port p --model pxr7x a.csv b.csv", "too many"},
                      BadLine{"send --port p --model pxr7x", "command text"},
                      BadLine{"get --port p --model pxr7x --baud 12345", "baud"},
                      BadLine{"get --port p --model pxr7x --baud", "needs a value"},
                      BadLine{"stream --port p --model pxr7x --mode lf", "measuring mode"},
                      BadLine{"stream --port p --model pxr500c --mode ds", "model line has no"},
                      BadLine{"stream --port p --model pxr7x --count 0", "--count"},
                      BadLine{"stream --port p --model pxr7x --duration -1", "--duration"},
                      BadLine{"stream --port p --model pxr7x --duration 1e9", "--duration"},
                      BadLine{"send --port p --model pxr7x --count 3 ID", "only for stream"},
                      BadLine{"get --port p --model pxr7x --stats", "only for stream"},
                      BadLine{"send --port p --model pxr7x --timeout 0 ID", "at least 1 ms"},
                      BadLine{"set --port p --model pxr7x -o x a.csv", "-o is only"},
                      BadLine{"get --port p --model pxr7x --timeout 5", "--timeout is only"},
                      BadLine{"get --port p --model pxr7x --verbose", "unknown option"}));

TEST(CtlOptions, ReadsEveryCommandsValues)
{
    Options o = parseOptions(words("get --port=/dev/ttyUSB0 --model PXR501"));
    ASSERT_EQ(o.error, "");
    EXPECT_EQ(o.command, Command::Get);
    EXPECT_EQ(o.port, "/dev/ttyUSB0");
    EXPECT_EQ(o.model, kPXR501);
    EXPECT_EQ(o.baud, 115200u);

    o = parseOptions(words("--debug stream --port p --model pxr7x --mode DW --count 5 -o f.csv"));
    ASSERT_EQ(o.error, "");
    EXPECT_TRUE(o.debug);
    EXPECT_FALSE(o.stats);
    EXPECT_EQ(o.modeAction, "acDW");
    EXPECT_EQ(o.count, 5u);
    EXPECT_EQ(o.output, "f.csv");
    EXPECT_EQ(o.baud, 9600u);
    EXPECT_EQ(o.timeoutMs, kStreamTimeoutMs);

    o = parseOptions(words("send --port p --model pxr500c --baud 19200 --timeout 250 -- -ID"));
    ASSERT_EQ(o.error, "");
    EXPECT_EQ(o.text, "-ID");
    EXPECT_EQ(o.baud, 19200u);
    EXPECT_EQ(o.timeoutMs, 250u);

    o = parseOptions(words("set --port p --model pxr502 saved.csv"));
    ASSERT_EQ(o.error, "");
    EXPECT_EQ(o.input, "saved.csv");
    EXPECT_EQ(o.model, kPXR501);

    o = parseOptions(words("get --port p --model pxr7x -o -"));
    ASSERT_EQ(o.error, "");
    EXPECT_EQ(o.output, "");

    o = parseOptions(words("ports"));
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.command, Command::Ports);
}

TEST(CtlOptions, HelpAndVersionNeedNothingElse)
{
    EXPECT_TRUE(parseOptions(words("get --help")).help);
    EXPECT_EQ(parseOptions(words("get --help")).error, "");
    EXPECT_TRUE(parseOptions(words("--version")).version);
    EXPECT_EQ(parseOptions(words("--version")).error, "");
}

// ---- read-back comparison ----

TEST(CtlReadBack, ComparesWhatWasSent)
{
    const std::vector<std::pair<std::string, std::string>> wanted = {
        {"SA", "5"}, {"AH", "0,5"}, {"SF", ""}, {"TD", "  "}, {"RE", "40"}, {"AW", "100"},
    };
    const std::vector<std::pair<std::string, std::string>> back = {
        {"SA", "5"}, {"AH", "0.5"}, {"SF", "9"}, {"TD", "1 2"}, {"RE", "41"},
    };
    const auto m = compareReadBack(wanted, back);
    // Blank values are not written, so SF and TD are not compared; the comma
    // goes out as a point; AW did not come back at all.
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].code, "RE");
    EXPECT_EQ(m[0].readBack, "41");
    EXPECT_EQ(m[1].code, "AW");
    EXPECT_EQ(m[1].readBack, "");
    const std::string text = mismatchText(m);
    EXPECT_NE(text.find("RE"), std::string::npos);
    EXPECT_NE(text.find("AW"), std::string::npos);
}

// ---- the session against the emulator ----

struct Rig {
    VirtualEventLoop loop;
    std::unique_ptr<EmulatorPeer> peer;
    LoopbackPort backend{loop};
    TComPort port{backend};
    std::unique_ptr<Session> session;

    explicit Rig(MeterModel model, MeterFaults faults = {}, bool rampAndError = false)
    {
        MeterConfig cfg;
        cfg.model = model;
        cfg.faults = faults;
        cfg.rampAndError = rampAndError;
        peer = std::make_unique<EmulatorPeer>(cfg);
        backend.attachPeer(peer.get());
        const DeviceType line = MeterEmulator::deviceTypeOf(model);
        session = std::make_unique<Session>(port, loop, line, [this] { return loop.nowMs() / 1000.0; });
        const Outcome o = session->open("/dev/ttyPXR", MeterEmulator::defaultBaudRate(model));
        EXPECT_EQ(o.exitCode, kExitOk) << o.message;
        peer->meter.powerOn(loop.nowMs());
        backend.wakePeer();
    }
    DeviceType line() const { return peer->meter.deviceType(); }
    std::vector<std::pair<std::string, std::string>> meterValues() const
    {
        std::vector<std::pair<std::string, std::string>> out;
        for (const ParameterDef& d : parameterTable(line()))
            out.emplace_back(d.code, peer->meter.parameter(d.code));
        return out;
    }
};

class CtlEveryModel : public ::testing::TestWithParam<ModelCase> {};

// The value the file carries for a code, read back through the file reader.
std::string fileValue(DeviceType line, const std::string& file, const std::string& code)
{
    MapFieldBinding f;
    if (!readParameterFile(line, file, f).ok)
        return "<unreadable>";
    TPXR7x a(&f);
    TPXR500C b(&f);
    TPXR501 c(&f);
    ParameterSet* set = line == kPXR500C ? static_cast<ParameterSet*>(&b)
                        : line == kPXR501 ? static_cast<ParameterSet*>(&c)
                                          : static_cast<ParameterSet*>(&a);
    set->ReadFromEditor();
    return set->joinedValue(code);
}

TEST_P(CtlEveryModel, GetWritesTheMetersValuesAsAParameterFile)
{
    Rig rig(GetParam().model);
    std::string file;
    const Outcome o = rig.session->get(file);
    ASSERT_EQ(o.exitCode, kExitOk) << o.message;
    EXPECT_EQ(file.rfind("[Parameter]\r\n", 0), 0u);
    for (const auto& kv : rig.meterValues())
        EXPECT_EQ(fileValue(rig.line(), file, kv.first), kv.second) << kv.first;
}

TEST_P(CtlEveryModel, SetOfTheReadFileLeavesTheMeterUnchanged)
{
    Rig rig(GetParam().model);
    std::string file;
    ASSERT_EQ(rig.session->get(file).exitCode, kExitOk);
    const auto before = rig.meterValues();
    const Outcome o = rig.session->set(file);
    EXPECT_EQ(o.exitCode, kExitOk) << o.message;
    EXPECT_EQ(rig.meterValues(), before);
    std::string again;
    ASSERT_EQ(rig.session->get(again).exitCode, kExitOk);
    EXPECT_EQ(again, file);
}

TEST_P(CtlEveryModel, SetOfAChangedFileReachesTheMeter)
{
    Rig rig(GetParam().model);
    std::string file;
    ASSERT_EQ(rig.session->get(file).exitCode, kExitOk);
    // SF with a comma, as a user might type it; the meter gets a point.
    const size_t at = file.find("\r\nSF=");
    ASSERT_NE(at, std::string::npos);
    const size_t end = file.find("\r\n", at + 2);
    file.replace(at, end - at, "\r\nSF=3,5");
    const Outcome o = rig.session->set(file);
    EXPECT_EQ(o.exitCode, kExitOk) << o.message;
    EXPECT_EQ(rig.peer->meter.parameter("SF"), "3.5");
}

INSTANTIATE_TEST_SUITE_P(Ctl, CtlEveryModel, ::testing::ValuesIn(kEveryMeterModel), modelCaseName);

TEST(CtlSet, ReadBackThatDiffersNamesTheCode)
{
    Rig rig(MeterModel::PXR7X);
    // TD with only its first value: the meter keeps its own second value, so
    // what comes back is not what the file asked for.
    const Outcome o = rig.session->set("[Parameter]\r\nSA=7\r\nTD=9\r\n");
    EXPECT_EQ(o.exitCode, kExitTimeout);
    EXPECT_NE(o.message.find("TD"), std::string::npos) << o.message;
    EXPECT_EQ(o.message.find("SA "), std::string::npos) << o.message;
    EXPECT_EQ(rig.peer->meter.parameter("SA"), "7");
}

TEST(CtlSet, AFileWithoutTheSectionWritesNothing)
{
    Rig rig(MeterModel::PXR7X);
    rig.backend.clearWritten();
    const Outcome o = rig.session->set("Time;Value\r\n1.000;2.000\r\n");
    EXPECT_EQ(o.exitCode, kExitFile);
    EXPECT_EQ(rig.backend.writtenBytes(), "");
}

TEST(CtlSet, MeterWithoutEchoIsAMismatch)
{
    MeterFaults f;
    f.noEcho = true;
    Rig rig(MeterModel::PXR7X, f);
    const Outcome o = rig.session->set("[Parameter]\r\nSA=3\r\n");
    EXPECT_EQ(o.exitCode, kExitTimeout);
    EXPECT_NE(o.message.find("SA"), std::string::npos) << o.message;
}

// Heater values outside their limits are written within them, as the GUI
// writes them, and named: the meter then holds something else than the file.
TEST(CtlSet, HeaterValuesOutsideTheLimitsAreNamed)
{
    Rig rig(MeterModel::PXR501);
    const Outcome o = rig.session->set("[Parameter]\r\nHE=99 50\r\n");
    EXPECT_EQ(o.exitCode, kExitTimeout);
    EXPECT_NE(o.message.find("outside the heater limits: HE (file \"99 50\", written \"40 45\")"), std::string::npos)
        << o.message;
    EXPECT_EQ(o.message.find("read-back differs"), std::string::npos) << o.message;
    EXPECT_EQ(rig.peer->meter.parameter("HE"), "40 45");
}

// A PXR500C at another baud rate answers line noise without an echo: the
// readout fails (exit 3) instead of writing "!!!!!!01" values to a file.
TEST(CtlGet, Pxr500cLineNoiseIsNoReadout)
{
    MeterFaults f;
    f.garbled = true;
    Rig rig(MeterModel::PXR500C, f);
    std::string file;
    const Outcome o = rig.session->get(file);
    EXPECT_EQ(o.exitCode, kExitTimeout) << o.message;
    EXPECT_NE(o.message.find("Error Get "), std::string::npos) << o.message;
    EXPECT_TRUE(file.empty());
}

struct SilentCase {
    const char* name;
    int which; // 0 get, 1 set, 2 send, 3 stream
};

class CtlSilentMeter : public ::testing::TestWithParam<SilentCase> {};

TEST_P(CtlSilentMeter, EndsWithTimeOut)
{
    MeterFaults f;
    f.silent = true;
    Rig rig(MeterModel::PXR7X, f);
    Outcome o;
    std::string text;
    switch (GetParam().which) {
    case 0: o = rig.session->get(text); break;
    case 1: o = rig.session->set("[Parameter]\r\nSA=3\r\n"); break;
    case 2: o = rig.session->send("ID", 500, text); break;
    default: {
        Session::StreamPlan plan;
        plan.timeoutMs = 2000;
        o = rig.session->stream(plan, [&](const std::string& l, std::string&) {
            text += l;
            return true;
        });
        // The meter is told to stop all the same.
        EXPECT_EQ(rig.backend.written().back().bytes, "\x1b");
        break;
    }
    }
    EXPECT_EQ(o.exitCode, kExitTimeout) << o.message;
    EXPECT_EQ(text, "");
    EXPECT_FALSE(o.message.empty());
}

INSTANTIATE_TEST_SUITE_P(Ctl, CtlSilentMeter,
                         ::testing::Values(SilentCase{"Get", 0}, SilentCase{"Set", 1}, SilentCase{"Send", 2},
                                           SilentCase{"Stream", 3}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- stream ----

const std::regex kLogLine(R"(\d+\.\d{3};(-?\d+\.\d{3})?)");

struct StreamCase {
    const char* name;
    MeterModel model;
    const char* action;
};

class CtlStreams : public ::testing::TestWithParam<StreamCase> {};

TEST_P(CtlStreams, CountEndsWithExactlyThatManyLinesAndStopsTheMeter)
{
    Rig rig(GetParam().model);
    Session::StreamPlan plan;
    plan.action = GetParam().action;
    plan.count = 7;
    std::vector<std::string> lines;
    const Outcome o = rig.session->stream(plan, [&](const std::string& l, std::string&) {
        lines.push_back(l);
        return true;
    });
    EXPECT_EQ(o.exitCode, kExitOk) << o.message;
    ASSERT_EQ(lines.size(), 7u);
    for (const std::string& l : lines)
        EXPECT_TRUE(std::regex_match(l, kLogLine)) << l;
    rig.loop.waitFor(100);
    EXPECT_FALSE(rig.peer->meter.streaming());
}

INSTANTIATE_TEST_SUITE_P(Ctl, CtlStreams,
                         ::testing::Values(StreamCase{"PXR7X_DT", MeterModel::PXR7X, "acDT"},
                                           StreamCase{"PXR7X_DW", MeterModel::PXR7X, "acDW"},
                                           StreamCase{"PXR500C_DT", MeterModel::PXR500C, "acDT"},
                                           StreamCase{"PXR501_VT", MeterModel::PXR501, "acVT"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CtlStream, StatisticsAreThoseOfTheLinesWritten)
{
    // The ramp with its burst of error lines: valid and invalid readings.
    Rig rig(MeterModel::PXR7X, {}, true);
    Session::StreamPlan plan;
    plan.count = 120;
    std::vector<std::string> lines;
    ASSERT_EQ(rig.session->stream(plan, [&](const std::string& l, std::string&) {
        lines.push_back(l);
        return true;
    }).exitCode, kExitOk);
    ASSERT_EQ(lines.size(), 120u);
    // Worked out again from the log lines' three decimals.
    double sum = 0, lo = 1e300, hi = -1e300;
    uint64_t valid = 0;
    for (const std::string& l : lines) {
        const std::string v = l.substr(l.find(';') + 1);
        if (v.empty())
            continue;
        const double x = std::stod(v);
        ++valid;
        sum += x;
        lo = std::min(lo, x);
        hi = std::max(hi, x);
    }
    const ReadingStats& s = rig.session->streamStats();
    EXPECT_GT(s.invalid(), 0u);
    EXPECT_EQ(s.count(), valid);
    EXPECT_EQ(s.count() + s.invalid(), 120u);
    EXPECT_NEAR(s.mean(), sum / valid, 0.0005);
    EXPECT_NEAR(s.minimum(), lo, 0.0005);
    EXPECT_NEAR(s.maximum(), hi, 0.0005);
}

TEST(CtlStream, StopRequestEndsTheStreamWithEsc)
{
    Rig rig(MeterModel::PXR7X);
    Session::StreamPlan plan;
    size_t lines = 0;
    double stopAt = 0;
    rig.loop.schedule(rig.loop.nowMs() + 1500, [&] {
        stopAt = rig.loop.nowMs();
        rig.session->requestStop();
    });
    const Outcome o = rig.session->stream(plan, [&](const std::string&, std::string&) {
        ++lines;
        return true;
    });
    EXPECT_EQ(o.exitCode, kExitOk) << o.message;
    EXPECT_GT(lines, 0u);
    ASSERT_FALSE(rig.backend.written().empty());
    EXPECT_EQ(rig.backend.written().back().bytes, "\x1b");
    EXPECT_GE(rig.backend.written().back().atMs, stopAt);
}

TEST(CtlStream, DurationEndsTheStream)
{
    Rig rig(MeterModel::PXR7X);
    Session::StreamPlan plan;
    plan.durationS = 2;
    std::vector<std::string> lines;
    const double t0 = rig.loop.nowMs();
    const Outcome o = rig.session->stream(plan, [&](const std::string& l, std::string&) {
        lines.push_back(l);
        return true;
    });
    EXPECT_EQ(o.exitCode, kExitOk) << o.message;
    ASSERT_FALSE(lines.empty());
    // The time column counts from the start of the stream and stays inside it.
    const double lastT = std::stod(lines.back().substr(0, lines.back().find(';')));
    EXPECT_LE(lastT, 2.0);
    EXPECT_GE(rig.backend.written().back().atMs - t0, 2000.0);
    EXPECT_EQ(rig.backend.written().back().bytes, "\x1b");
}

TEST(CtlStream, FailedWriteStopsTheMeterAndSaysWhy)
{
    Rig rig(MeterModel::PXR501);
    Session::StreamPlan plan;
    int calls = 0;
    const Outcome o = rig.session->stream(plan, [&](const std::string&, std::string& error) {
        if (++calls < 3)
            return true;
        error = "disk full";
        return false;
    });
    EXPECT_EQ(o.exitCode, kExitFile);
    EXPECT_EQ(o.message, "disk full");
    EXPECT_EQ(calls, 3);
    rig.loop.waitFor(100);
    EXPECT_FALSE(rig.peer->meter.streaming());
}

TEST(CtlStream, LostPortEndsWithPortError)
{
    Rig rig(MeterModel::PXR7X);
    rig.loop.schedule(rig.loop.nowMs() + 800, [&] { rig.backend.hangUp(); });
    Session::StreamPlan plan;
    const Outcome o = rig.session->stream(plan, [](const std::string&, std::string&) { return true; });
    EXPECT_EQ(o.exitCode, kExitPort) << o.message;
}

TEST(CtlSend, PrintsTheAnswer)
{
    Rig rig(MeterModel::PXR7X);
    // The meter streams its auto-start mode after power-on; quiet it first.
    rig.session->transactions().PortWrite("\x1b");
    rig.loop.waitFor(100);
    std::string got;
    const Outcome o = rig.session->send("SA", 500, got);
    EXPECT_EQ(o.exitCode, kExitOk) << o.message;
    EXPECT_EQ(got, "SA " + rig.peer->meter.parameter("SA") + "\r\n");
}

// A PXR500C whose command interface ends the AS answer in CR LF, in one
// piece and in pieces: get writes AS=dt, and set of that file sends
// "AS dt" CR and reads the same set back.
class CtlPxr500cLineEnds : public ::testing::TestWithParam<size_t> {};

TEST_P(CtlPxr500cLineEnds, GetAndSetWork)
{
    VirtualEventLoop loop;
    LoopbackPort backend{loop};
    backend.chunkSize = GetParam();
    ScriptedPeer peer;
    for (const char* code : {"SA", "SF", "RB", "RE", "AC", "AH"})
        peer.script[code] = {{5, "       4\r\n"}};
    peer.script["TD"] = {{5, "     0 1\r\n"}};
    peer.script["AS"] = {{5, "      dt\r\n"}};
    backend.attachPeer(&peer);
    TComPort port{backend};
    Session s(port, loop, kPXR500C, [&loop] { return loop.nowMs() / 1000.0; });
    ASSERT_EQ(s.open("/dev/ttyPXR", 9600).exitCode, kExitOk);
    std::string file;
    const Outcome got = s.get(file);
    ASSERT_EQ(got.exitCode, kExitOk) << got.message;
    EXPECT_NE(file.find("\r\nAS=dt\r\nRB=4\r\n"), std::string::npos) << file;
    backend.clearWritten();
    const Outcome set = s.set(file);
    EXPECT_EQ(set.exitCode, kExitOk) << set.message;
    EXPECT_EQ(backend.writtenBytes().rfind("AS dt\r", 0), 0u) << backend.writtenBytes();
}

INSTANTIATE_TEST_SUITE_P(Ctl, CtlPxr500cLineEnds, ::testing::Values(0u, 1u, 3u));

TEST(CtlOpen, EveryOperationOnAClosedPortIsAPortError)
{
    VirtualEventLoop loop;
    LoopbackPort backend{loop};
    TComPort port{backend};
    Session s(port, loop, kPXR7X);
    std::string text;
    EXPECT_EQ(s.get(text).exitCode, kExitPort);
    EXPECT_EQ(s.set("[Parameter]\r\nSA=1\r\n").exitCode, kExitPort);
    EXPECT_EQ(s.send("ID", 100, text).exitCode, kExitPort);
    EXPECT_EQ(s.stream({}, [](const std::string&, std::string&) { return true; }).exitCode, kExitPort);
    EXPECT_EQ(backend.writtenBytes(), "");
}

TEST(CtlOpen, ClosedPortIsAPortError)
{
    VirtualEventLoop loop;
    LoopbackPort backend{loop};
    backend.failOpen = true;
    TComPort port{backend};
    Session s(port, loop, kPXR7X);
    const Outcome o = s.open("/dev/nothing", 9600);
    EXPECT_EQ(o.exitCode, kExitPort);
    EXPECT_NE(o.message.find("/dev/nothing"), std::string::npos);
}

} // namespace
