// The meter emulator, driven directly in virtual time.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "emulator/LinePacer.h"
#include "emulator/MeterEmulator.h"

using namespace pxr;

namespace {

const std::string ESC(1, '\x1b');
const std::string CRLF = "\r\n";

struct Piece {
    double atMs;
    std::string bytes;
};

// An emulator with a recorder of what it sends and a virtual clock.
class Rig {
public:
    explicit Rig(MeterConfig config) : meter(config)
    {
        meter.setOutput([this](const std::string& b) { out.push_back({now, b}); });
    }
    // The configuration of model m, changed by `adjust` where given.
    static MeterConfig model(MeterModel m, const std::function<void(MeterConfig&)>& adjust = {})
    {
        MeterConfig c;
        c.model = m;
        if (adjust)
            adjust(c);
        return c;
    }

    // Powers on and stops the auto-start stream, so that the meter is idle.
    void start()
    {
        meter.powerOn(now);
        send(ESC);
        out.clear();
    }
    void send(const std::string& bytes) { meter.receive(bytes, now); }
    // Runs every event up to t, stepping from event to event like an event loop.
    void runTo(double t)
    {
        for (double next = meter.nextEventMs(); next <= t; next = meter.nextEventMs()) {
            now = std::max(now, next);
            meter.advanceTo(now);
        }
        now = std::max(now, t);
    }
    void run(double ms) { runTo(now + ms); }
    // Sends a command line and collects what comes back within ms.
    std::string ask(const std::string& line, double ms = 200)
    {
        out.clear();
        send(line + "\r");
        run(ms);
        return text();
    }
    std::string text() const
    {
        std::string t;
        for (const Piece& p : out)
            t += p.bytes;
        return t;
    }
    std::vector<std::string> lines(const std::string& terminator = CRLF) const
    {
        std::vector<std::string> result;
        std::string t = text();
        for (size_t p; (p = t.find(terminator)) != std::string::npos; t.erase(0, p + terminator.size()))
            result.push_back(t.substr(0, p));
        return result;
    }

    MeterEmulator meter;
    std::vector<Piece> out;
    double now = 0;
};

// ---- queries answer the factory values, in the meter's form ----

struct QueryCase {
    MeterModel model;
    const char* code;
    const char* value; // factory value, the values joined by single blanks
};

const QueryCase kFactory[] = {
    {MeterModel::PXR7X, "ST", "0"},       {MeterModel::PXR7X, "SA", "1"},      {MeterModel::PXR7X, "TD", "0 0"},
    {MeterModel::PXR7X, "TM", "0 1"},     {MeterModel::PXR7X, "SF", "1"},      {MeterModel::PXR7X, "OF", "0"},
    {MeterModel::PXR7X, "AS", "dt"},      {MeterModel::PXR7X, "SE", "2"},      {MeterModel::PXR7X, "RM", "0 0 0"},
    {MeterModel::PXR7X, "SD", "d"},       {MeterModel::PXR7X, "RB", "0"},      {MeterModel::PXR7X, "RE", "40"},
    {MeterModel::PXR7X, "AC", "2"},       {MeterModel::PXR7X, "AH", "0.1"},    {MeterModel::PXR7X, "AW", "100000"},
    {MeterModel::PXR500C, "SA", "10"},    {MeterModel::PXR500C, "TD", "0 0"},  {MeterModel::PXR500C, "SF", "1"},
    {MeterModel::PXR500C, "AS", "dt"},    {MeterModel::PXR500C, "RB", "0"},    {MeterModel::PXR500C, "RE", "50"},
    {MeterModel::PXR500C, "AC", "2"},     {MeterModel::PXR500C, "AH", "0.1"},
    {MeterModel::PXR501, "SA", "200"},    {MeterModel::PXR501, "MF", "2000"},  {MeterModel::PXR501, "TD", "0 0 1"},
    {MeterModel::PXR501, "SF", "1"},      {MeterModel::PXR501, "OF", "0"},     {MeterModel::PXR501, "AS", "dt"},
    {MeterModel::PXR501, "SE", "2 2"},    {MeterModel::PXR501, "MW", "0 5000"}, {MeterModel::PXR501, "PL", "0"},
    {MeterModel::PXR501, "HE", "4 10"},   {MeterModel::PXR501, "SD", "0 0"},   {MeterModel::PXR501, "TE", "0"},
    {MeterModel::PXR501, "QA", "0 300"},  {MeterModel::PXR501, "Q1", "2 5000 0.1 1"},
    {MeterModel::PXR501, "Q2", "4 5000 0.1 1"}, {MeterModel::PXR501, "SC", "0"},
    {MeterModel::PXR502, "SA", "10"},     {MeterModel::PXR502, "MF", "100"},   {MeterModel::PXR502, "TD", "0 0 1"},
    {MeterModel::PXR502, "Q2", "4 5000 0.1 1"}, {MeterModel::PXR502, "SC", "0"},
};

class FactoryQuery : public ::testing::TestWithParam<QueryCase> {};

TEST_P(FactoryQuery, AnsweredInTheMetersForm)
{
    const QueryCase& c = GetParam();
    Rig rig(Rig::model(c.model));
    rig.start();
    const std::string reply = rig.ask(c.code);
    if (c.model != MeterModel::PXR500C) {
        EXPECT_EQ(reply, std::string(c.code) + " " + c.value + CRLF);
        return;
    }
    // PXR500C: no code, leading blanks, and CR LF like every reply (AS too).
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0], ' ');
    EXPECT_EQ(reply.substr(reply.find_first_not_of(' ')), c.value + CRLF);
}

std::string modelName(MeterModel m)
{
    static const char* const names[] = {"PXR7X", "PXR500C", "PXR501", "PXR502"};
    return names[static_cast<int>(m)];
}

std::string queryCaseName(const ::testing::TestParamInfo<QueryCase>& info)
{
    return modelName(info.param.model) + "_" + info.param.code;
}

INSTANTIATE_TEST_SUITE_P(AllCodes, FactoryQuery, ::testing::ValuesIn(kFactory), queryCaseName);

TEST(Emulator, CodesOfOtherModelLinesAreNotAnswered)
{
    struct Case {
        MeterModel model;
        const char* code;
    };
    for (Case c : {Case{MeterModel::PXR7X, "MF"}, Case{MeterModel::PXR7X, "QA"}, Case{MeterModel::PXR500C, "ST"},
                   Case{MeterModel::PXR500C, "OF"}, Case{MeterModel::PXR500C, "SD"}, Case{MeterModel::PXR501, "ST"},
                   Case{MeterModel::PXR501, "AW"}, Case{MeterModel::PXR501, "XY"}}) {
        Rig rig(Rig::model(c.model));
        rig.start();
        EXPECT_EQ(rig.ask(c.code, 1500), "") << c.code;
    }
}

// ---- set, then query ----

struct SetCase {
    MeterModel model;
    const char* set; // as the program writes it, without CR
    const char* code;
    const char* value; // what the query then answers
};

const SetCase kSets[] = {
    {MeterModel::PXR7X, "SA5", "SA", "5"},
    {MeterModel::PXR7X, "TD100 1", "TD", "100 1"},
    {MeterModel::PXR7X, "RM3 0.5 10", "RM", "3 0.5 10"},
    {MeterModel::PXR7X, "AH0.5", "AH", "0.5"},
    {MeterModel::PXR7X, "SDh", "SD", "h"},
    {MeterModel::PXR7X, "ASds", "AS", "ds"},
    // Fewer values than the code has replace the leading ones only.
    {MeterModel::PXR7X, "TD250", "TD", "250 0"},
    // Extra values are dropped.
    {MeterModel::PXR7X, "TM1 0 7", "TM", "1 0"},
    {MeterModel::PXR500C, "AS vt", "AS", "vt"},
    {MeterModel::PXR500C, "AH 0.3", "AH", "0.3"},
    {MeterModel::PXR500C, "SA25", "SA", "25"},
    {MeterModel::PXR500C, "TD20 1", "TD", "20 1"},
    {MeterModel::PXR501, "SD0 1", "SD", "0 1"},
    {MeterModel::PXR501, "Q11 200 0.2 0", "Q1", "1 200 0.2 0"},
    {MeterModel::PXR501, "HE-5 5", "HE", "-5 5"},
    {MeterModel::PXR501, "asvt", "AS", "vt"},
    {MeterModel::PXR502, "MF500", "MF", "500"},
};

class SetThenQuery : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetThenQuery, RoundTrip)
{
    const SetCase& c = GetParam();
    Rig rig(Rig::model(c.model));
    rig.start();
    EXPECT_EQ(rig.ask(c.set), "") << "a set command is not answered";
    const std::string reply = rig.ask(c.code);
    if (c.model == MeterModel::PXR500C) {
        EXPECT_EQ(reply.substr(reply.find_first_not_of(' ')), c.value + CRLF);
    } else {
        EXPECT_EQ(reply, std::string(c.code) + " " + c.value + CRLF);
    }
    EXPECT_EQ(rig.meter.parameter(c.code), c.value);
}

INSTANTIATE_TEST_SUITE_P(Codes, SetThenQuery, ::testing::ValuesIn(kSets));

TEST(Emulator, SettingsSurviveAPowerCycle)
{
    Rig rig(Rig::model(MeterModel::PXR7X));
    rig.start();
    rig.ask("SA7");
    rig.start();
    EXPECT_EQ(rig.ask("SA"), "SA 7\r\n");
}

// ---- streams, ESC, auto-start ----

double medianGap(const std::vector<Piece>& out)
{
    std::vector<double> gaps;
    for (size_t i = 1; i < out.size(); ++i)
        gaps.push_back(out[i].atMs - out[i - 1].atMs);
    if (gaps.empty())
        return 0;
    std::sort(gaps.begin(), gaps.end());
    return gaps[gaps.size() / 2];
}

TEST(Emulator, AutoStartStreamsAtPowerOn)
{
    for (MeterModel m : {MeterModel::PXR7X, MeterModel::PXR500C, MeterModel::PXR501, MeterModel::PXR502}) {
        Rig rig(Rig::model(m));
        EXPECT_EQ(rig.meter.nextEventMs(), MeterEmulator::kNever) << "nothing before power-on";
        rig.meter.powerOn(0);
        EXPECT_TRUE(rig.meter.streaming());
        EXPECT_EQ(rig.meter.streamMode(), "DT");
        rig.runTo(1000);
        EXPECT_GE(rig.out.size(), 5u);
    }
}

TEST(Emulator, AutoStartOfASingleOutputSendsOneLine)
{
    Rig rig(Rig::model(MeterModel::PXR7X));
    rig.start();
    rig.ask("AStp");
    rig.out.clear();
    rig.meter.powerOn(rig.now);
    rig.run(2000);
    EXPECT_FALSE(rig.meter.streaming());
    EXPECT_EQ(rig.text(), "+25.6\r\n");
}

TEST(Emulator, AutoStartValueNamingNoCommandStartsNothing)
{
    Rig rig(Rig::model(MeterModel::PXR501));
    rig.start();
    rig.ask("ASxy");
    rig.out.clear();
    rig.meter.powerOn(rig.now);
    rig.run(2000);
    EXPECT_EQ(rig.text(), "");
}

TEST(Emulator, EscStopsTheStreamAndIsNotAnswered)
{
    for (MeterModel m : {MeterModel::PXR7X, MeterModel::PXR500C, MeterModel::PXR501}) {
        Rig rig(Rig::model(m));
        rig.meter.powerOn(0);
        rig.runTo(1000);
        ASSERT_FALSE(rig.out.empty());
        rig.out.clear();
        rig.send(ESC);
        EXPECT_FALSE(rig.meter.streaming());
        rig.run(3000);
        EXPECT_EQ(rig.text(), "");
        EXPECT_EQ(rig.meter.nextEventMs(), MeterEmulator::kNever);
    }
}

TEST(Emulator, AutoStartCommandResumesTheMode)
{
    Rig rig(Rig::model(MeterModel::PXR7X));
    rig.start();
    rig.ask("dt", 1000);
    EXPECT_EQ(rig.meter.streamMode(), "DT");
    EXPECT_GE(rig.lines().size(), 5u);
}

struct RateCase {
    MeterModel model;
    std::vector<const char*> setup;
    const char* command;
    double gapMs;
};

const RateCase kRates[] = {
    {MeterModel::PXR7X, {}, "DT", 160},
    {MeterModel::PXR7X, {"ST2"}, "DT", 480},
    {MeterModel::PXR7X, {}, "DS", 160},
    {MeterModel::PXR7X, {"ST2"}, "DS", 300},
    {MeterModel::PXR7X, {}, "DW", 100},
    {MeterModel::PXR7X, {}, "DX", 20},
    {MeterModel::PXR500C, {}, "DT", 100},
    {MeterModel::PXR500C, {"SA1"}, "DT", 10},
    {MeterModel::PXR500C, {"SA5"}, "DJ", 50},
    {MeterModel::PXR501, {}, "DT", 100},
    {MeterModel::PXR501, {"SA100"}, "DT", 50},
    {MeterModel::PXR502, {}, "DT", 100},
    {MeterModel::PXR502, {"SA30", "MF1000"}, "VT", 30},
};

class StreamRate : public ::testing::TestWithParam<RateCase> {};

TEST_P(StreamRate, LinesAtTheOutputInterval)
{
    const RateCase& c = GetParam();
    Rig rig(Rig::model(c.model));
    rig.start();
    for (const char* s : c.setup)
        rig.ask(s);
    rig.ask(c.command, 40 * c.gapMs);
    EXPECT_GE(rig.out.size(), 30u);
    EXPECT_NEAR(medianGap(rig.out), c.gapMs, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Models, StreamRate, ::testing::ValuesIn(kRates));

TEST(Emulator, StreamNeverOutrunsItsLine)
{
    // DX makes a reading every 20 ms; its nine bytes take 37.5 ms at 2400
    // baud. A reading that finds the line busy is dropped, so every second
    // one goes out, 40 ms apart, and nothing piles up.
    Rig rig(Rig::model(MeterModel::PXR7X, [](MeterConfig& c) { c.baudRate = 2400; }));
    rig.start();
    rig.ask("DX", 5000);
    EXPECT_NEAR(medianGap(rig.out), 40, 1e-6);
    for (size_t i = 1; i < rig.out.size(); ++i)
        EXPECT_GE(rig.out[i].atMs - rig.out[i - 1].atMs, 9 * 10 * 1000.0 / 2400 - 1e-9) << i;
    // After five seconds the transmitter owes at most the line it is on.
    EXPECT_LE(rig.meter.transmitterFreeMs(), rig.now + 9 * 10 * 1000.0 / 2400);
    rig.out.clear();
    rig.send(ESC);
    rig.run(1000);
    EXPECT_EQ(rig.text(), "");
}

TEST(Emulator, ACallerThatFallsBehindMakesTheMeterDropReadings)
{
    Rig rig(Rig::model(MeterModel::PXR7X));
    rig.start();
    rig.ask("DX", 1000);
    const size_t normal = rig.out.size();
    // The caller's line is busy for the next second: whatever is measured
    // meanwhile is lost, not sent late.
    rig.meter.lineBusyUntil(rig.now + 1000);
    rig.out.clear();
    rig.run(1000);
    EXPECT_EQ(rig.out.size(), 0u);
    rig.run(1000);
    EXPECT_NEAR(static_cast<double>(rig.out.size()), static_cast<double>(normal), 2.0);
}

// ---- reading formats ----

struct FormatCase {
    MeterModel model;
    std::vector<const char*> setup;
    const char* command;
    const char* pattern; // every line (without its terminator) matches
    const char* terminator;
};

const FormatCase kFormats[] = {
    {MeterModel::PXR7X, {}, "DT", R"(005\.00\d)", "\r\n"},
    {MeterModel::PXR7X, {"SDh"}, "DT", R"( 00(1388|1389|138A|138B|138C|138D|138E|138F|1390|1391))", "\r\n"},
    {MeterModel::PXR7X, {"SDH"}, "DT", R"( 0013[89][0-9A-F])", "\r\n"},
    {MeterModel::PXR7X, {"SDs"}, "DT", R"(005\.00\d 140\d)", "\r\n"},
    {MeterModel::PXR7X, {"SF10"}, "DT", R"(050\.0\d0)", "\r\n"},
    {MeterModel::PXR7X, {"SF-1"}, "DT", R"(-05\.00\d)", "\r\n"},
    {MeterModel::PXR7X, {"OF1.5"}, "DW", R"(006\.50\d)", "\r\n"},
    // Below zero: the zeros go after the sign, whatever the scale factor.
    {MeterModel::PXR7X, {"OF-6"}, "DT", R"(-0(1\.000|0\.99\d))", "\r\n"},
    {MeterModel::PXR500C, {}, "DT", R"(    5\.0[01])", ""},
    {MeterModel::PXR500C, {"SF0.1"}, "DF", R"(    0\.50)", ""},
    {MeterModel::PXR500C, {}, "DJ", R"(    150\d)", ""},
    {MeterModel::PXR500C, {"SF-1"}, "DT", R"(   -5\.0[01])", ""},
    {MeterModel::PXR500C, {}, "VT", R"(    0\.0[01])", ""},
    {MeterModel::PXR501, {}, "DT", R"(D 0005\.00\d)", "\r\n"},
    {MeterModel::PXR501, {"SD1 0"}, "DT", R"(H0013[89][0-9A-F])", "\r\n"},
    {MeterModel::PXR501, {"SD0 1"}, "DT", R"(D 0005\.00\d 0140\d)", "\r\n"},
    {MeterModel::PXR501, {"SD0 2"}, "DT", R"(D 0005\.00\d \+25\.6)", "\r\n"},
    {MeterModel::PXR501, {"SD0 3"}, "DT", R"(D 0005\.00\d 0140\d \+25\.6)", "\r\n"},
    {MeterModel::PXR501, {"SD1 3"}, "DT", R"(H0013[89][0-9A-F] 05(7[89A-F]|8[01]) 100)", "\r\n"},
    {MeterModel::PXR501, {"SF-1"}, "DF", R"(D-0005\.00\d)", "\r\n"},
    {MeterModel::PXR501, {"OF-6"}, "DT", R"(D-000(1\.000|0\.99\d))", "\r\n"},
    {MeterModel::PXR501, {"SD1 2"}, "DT", R"(H0013[89][0-9A-F] 100)", "\r\n"},
    {MeterModel::PXR502, {"TE1"}, "DT", R"(D 0005\.00\d)", "\r"},
    {MeterModel::PXR502, {"TE8"}, "DT", R"(D 0005\.00\d)", ";"},
    {MeterModel::PXR502, {}, "VT", R"(D 0000\.00\d)", "\r\n"},
};

class StreamFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(StreamFormat, EveryLineInTheSelectedForm)
{
    const FormatCase& c = GetParam();
    Rig rig(Rig::model(c.model));
    rig.start();
    for (const char* s : c.setup)
        rig.ask(s);
    rig.ask(c.command, 3000);
    std::vector<std::string> lines;
    if (std::string(c.terminator).empty()) {
        // PXR500C: fields of 8 characters, one after the other.
        const std::string t = rig.text();
        ASSERT_EQ(t.size() % 8, 0u);
        for (size_t i = 0; i < t.size(); i += 8)
            lines.push_back(t.substr(i, 8));
    } else {
        lines = rig.lines(c.terminator);
        EXPECT_EQ(rig.text().substr(rig.text().size() - std::string(c.terminator).size()), c.terminator);
    }
    ASSERT_GE(lines.size(), 10u);
    const std::regex re(c.pattern);
    for (const std::string& l : lines)
        EXPECT_TRUE(std::regex_match(l, re)) << "«" << l << "»";
}

INSTANTIATE_TEST_SUITE_P(Models, StreamFormat, ::testing::ValuesIn(kFormats));

TEST(Emulator, NoiseVariesTheReadings)
{
    Rig rig(Rig::model(MeterModel::PXR7X));
    rig.start();
    rig.ask("DX", 2000);
    const auto lines = rig.lines();
    const std::set<std::string> distinct(lines.begin(), lines.end());
    EXPECT_GE(distinct.size(), 5u);
}

TEST(Emulator, SameSeedSameOutputOtherSeedOther)
{
    auto run = [](uint32_t seed) {
        Rig rig(Rig::model(MeterModel::PXR501, [seed](MeterConfig& c) { c.seed = seed; }));
        rig.meter.powerOn(0);
        rig.runTo(3000);
        return rig.text();
    };
    EXPECT_EQ(run(7), run(7));
    EXPECT_NE(run(7), run(8));
}

TEST(Emulator, DistanceIsConfigurable)
{
    Rig rig(Rig::model(MeterModel::PXR7X, [](MeterConfig& c) { c.distance = 12.25; }));
    rig.start();
    rig.ask("DW", 1000);
    const std::regex re(R"(012\.25\d)");
    for (const std::string& l : rig.lines())
        EXPECT_TRUE(std::regex_match(l, re)) << l;
}

struct BurstCase {
    MeterModel model;
    std::vector<const char*> setup;
    const char* command;
    double intervalMs;
    const char* errorLine;
};

const BurstCase kBursts[] = {
    {MeterModel::PXR7X, {}, "DX", 20, "E10"},
    {MeterModel::PXR500C, {"SA1"}, "DT", 10, " 9999.90"},
    {MeterModel::PXR501, {"SA20", "SD0 3"}, "DT", 10, "DE02    00000 +25.6"},
    {MeterModel::PXR501, {"SA20", "SD1 1"}, "DT", 10, "HE02    0000"},
    {MeterModel::PXR502, {"SA1", "SD0 2"}, "DT", 10, "DE02    +25.6"},
};

class RampAndErrorBurst : public ::testing::TestWithParam<BurstCase> {};

// Six error lines in every hundred readings, in the model line's form; the
// other 94 are readings of the ramp.
TEST_P(RampAndErrorBurst, SixErrorLinesInAHundred)
{
    const BurstCase& b = GetParam();
    Rig rig(Rig::model(b.model, [](MeterConfig& c) { c.rampAndError = true; }));
    rig.start();
    for (const char* s : b.setup)
        rig.ask(s);
    rig.ask(b.command, 100 * b.intervalMs + b.intervalMs / 2);
    std::vector<std::string> lines = rig.lines();
    if (b.model == MeterModel::PXR500C) {
        lines.clear();
        for (size_t i = 0; i + 8 <= rig.text().size(); i += 8)
            lines.push_back(rig.text().substr(i, 8));
    }
    ASSERT_EQ(lines.size(), 100u);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), std::string(b.errorLine)), 6);
    std::set<std::string> distinct(lines.begin(), lines.end());
    EXPECT_GE(distinct.size(), 50u) << "the ramp moves";
}

INSTANTIATE_TEST_SUITE_P(Models, RampAndErrorBurst, ::testing::ValuesIn(kBursts));

// ---- single outputs ----

TEST(Emulator, SingleMeasurementIsOneLine)
{
    for (MeterModel m : {MeterModel::PXR7X, MeterModel::PXR501}) {
        Rig rig(Rig::model(m));
        rig.start();
        const auto reply = rig.ask("DM", 3000);
        EXPECT_TRUE(std::regex_match(reply, std::regex(m == MeterModel::PXR7X ? "005\\.00\\d\r\n" : "D 0005\\.00\\d\r\n")))
            << reply;
        EXPECT_FALSE(rig.meter.streaming());
    }
    Rig rig(Rig::model(MeterModel::PXR502));
    rig.start();
    EXPECT_TRUE(std::regex_match(rig.ask("VM", 3000), std::regex("D 0000\\.00\\d\r\n")));
}

TEST(Emulator, TemperatureLineReadsAsANumber)
{
    struct Case {
        MeterModel model;
        const char* line;
    };
    for (Case c : {Case{MeterModel::PXR7X, "+25.6\r\n"}, Case{MeterModel::PXR500C, "   +25.6\r\n"},
                   Case{MeterModel::PXR501, "D +25.6\r\n"}}) {
        Rig rig(Rig::model(c.model));
        rig.start();
        EXPECT_EQ(rig.ask("TP"), c.line);
    }
}

TEST(Emulator, IdentificationNamesTheVariantAsFirstWord)
{
    struct Case {
        MeterModel model;
        const char* prefix;
    };
    for (Case c : {Case{MeterModel::PXR7X, "ID PXR7X "}, Case{MeterModel::PXR501, "ID PXR501 "},
                   Case{MeterModel::PXR502, "ID PXR502 "}, Case{MeterModel::PXR500C, "  PXR500C "}}) {
        Rig rig(Rig::model(c.model));
        rig.start();
        const std::string reply = rig.ask("ID");
        EXPECT_EQ(reply.rfind(c.prefix, 0), 0u) << reply;
        EXPECT_EQ(rig.lines().size(), 1u);
        EXPECT_EQ(reply.substr(reply.size() - 2), CRLF);
    }
}

TEST(Emulator, ExtendedIdentificationOnlyOnPXR501)
{
    Rig rig(Rig::model(MeterModel::PXR502));
    rig.start();
    rig.ask("ID");
    const std::string more = rig.ask("ID?");
    EXPECT_EQ(more.rfind("ID? PXR502", 0), 0u) << more;
    EXPECT_EQ(rig.lines().size(), 1u);

    Rig other(Rig::model(MeterModel::PXR7X));
    other.start();
    EXPECT_EQ(other.ask("ID?", 1500), "");
}

TEST(Emulator, SetOffsetAnswersAndStoresTheNewOffset)
{
    for (MeterModel m : {MeterModel::PXR7X, MeterModel::PXR501}) {
        Rig rig(Rig::model(m));
        rig.start();
        const std::string reply = rig.ask("SO");
        std::smatch match;
        ASSERT_TRUE(std::regex_match(reply, match, std::regex("SO (-5\\.00\\d)\r\n"))) << reply;
        EXPECT_EQ(rig.meter.parameter("OF"), match[1].str());
        EXPECT_EQ(rig.ask("OF"), "OF " + match[1].str() + CRLF);
        // The readings now sit around zero.
        rig.ask("DM");
        const std::string line = rig.lines().at(0);
        const double value = std::atof(line.substr(m == MeterModel::PXR7X ? 0 : 1).c_str());
        EXPECT_LT(std::fabs(value), 0.01) << line;
    }
    Rig small(Rig::model(MeterModel::PXR500C));
    small.start();
    EXPECT_EQ(small.ask("SO", 1500), "");
}

TEST(Emulator, SignalStrengthSequenceOfPXR501)
{
    Rig rig(Rig::model(MeterModel::PXR501));
    rig.start();
    rig.ask("SD0 1");
    rig.ask("DT", 1000);
    const auto lines = rig.lines();
    ASSERT_GE(lines.size(), 5u);
    for (const std::string& l : lines) {
        // The level sits at characters 12..16 of a decimal line.
        ASSERT_GE(l.size(), 16u);
        const int level = std::atoi(l.substr(11, 5).c_str());
        EXPECT_GE(level, 1400);
        EXPECT_LE(level, 1409);
    }
    rig.send(ESC);
    rig.ask("SD0 0");
    rig.ask("dt", 500);
    EXPECT_TRUE(std::regex_match(rig.lines().at(0), std::regex(R"(D 0005\.00\d)")));
}

TEST(Emulator, LaserOffEndsTheStream)
{
    Rig rig(Rig::model(MeterModel::PXR7X));
    rig.meter.powerOn(0);
    rig.runTo(500);
    EXPECT_EQ(rig.ask("LF", 2000), "");
    EXPECT_FALSE(rig.meter.streaming());
}

// ---- commands during a stream ----

TEST(Emulator, PXR7XAnswersQueriesWhileStreaming)
{
    Rig rig(Rig::model(MeterModel::PXR7X));
    rig.meter.powerOn(0);
    rig.runTo(500);
    rig.ask("SA", 400);
    const auto lines = rig.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "SA 1"), lines.end());
    EXPECT_TRUE(rig.meter.streaming());
    // A measuring command replaces the running one.
    rig.ask("DW", 1000);
    EXPECT_EQ(rig.meter.streamMode(), "DW");
    EXPECT_NEAR(medianGap(rig.out), 100, 1e-6);
}

TEST(Emulator, PXR500CAndPXR501WantEscBeforeACommand)
{
    for (MeterModel m : {MeterModel::PXR500C, MeterModel::PXR501}) {
        Rig rig(Rig::model(m));
        rig.meter.powerOn(0);
        rig.runTo(500);
        rig.ask("SA9", 100);
        rig.ask("TP", 500);
        EXPECT_EQ(rig.text().find("25.6"), std::string::npos);
        rig.send(ESC);
        EXPECT_NE(rig.meter.parameter("SA"), "9");
        EXPECT_NE(rig.ask("TP").find("+25.6"), std::string::npos);
    }
}

// ---- baud rate ----

TEST(Emulator, BaudRateCommand)
{
    Rig rig(Rig::model(MeterModel::PXR7X));
    rig.start();
    EXPECT_EQ(rig.meter.baudRate(), 9600u);
    EXPECT_EQ(rig.ask("BR115200"), "");
    EXPECT_EQ(rig.meter.baudRate(), 115200u);
    rig.ask("BR1234");
    EXPECT_EQ(rig.meter.baudRate(), 115200u);
    rig.ask("BRfast");
    EXPECT_EQ(rig.meter.baudRate(), 115200u);
    rig.ask("BR2400");
    EXPECT_EQ(rig.meter.baudRate(), 2400u);

    Rig fast(Rig::model(MeterModel::PXR501));
    fast.start();
    EXPECT_EQ(fast.meter.baudRate(), 115200u);
    fast.ask("BR9600");
    EXPECT_EQ(fast.meter.baudRate(), 9600u);

    Rig small(Rig::model(MeterModel::PXR500C));
    small.start();
    small.ask("BR115200");
    EXPECT_EQ(small.meter.baudRate(), 9600u);
}

bool isJunk(const std::string& bytes)
{
    for (unsigned char c : bytes)
        if (c < 0x80)
            return false;
    return !bytes.empty();
}

TEST(Emulator, AfterBaudChangeTheOldRateNoLongerWorks)
{
    Rig rig(Rig::model(MeterModel::PXR7X, [](MeterConfig& c) { c.faults.wrongBaud = true; }));
    rig.meter.setHostLineRate(9600);
    rig.start();
    EXPECT_EQ(rig.ask("SA"), "SA 1\r\n");
    rig.ask("BR115200");
    // The program still on 9600: the meter's command is spoilt, the meter's answer is junk.
    EXPECT_EQ(rig.ask("SA", 500), "");
    rig.meter.setHostLineRate(115200);
    rig.ask("dt", 1000);
    EXPECT_EQ(rig.meter.streamMode(), "DT");
    rig.meter.setHostLineRate(9600);
    rig.out.clear();
    rig.run(1000);
    EXPECT_TRUE(isJunk(rig.text()));
}

// ---- fault modes ----

MeterConfig withFault(MeterModel m, void (*set)(MeterFaults&))
{
    MeterConfig c = Rig::model(m);
    set(c.faults);
    return c;
}

TEST(Faults, SilentSendsNothingAtAll)
{
    Rig rig(withFault(MeterModel::PXR7X, [](MeterFaults& f) { f.silent = true; }));
    rig.meter.powerOn(0);
    EXPECT_EQ(rig.meter.nextEventMs(), MeterEmulator::kNever);
    for (const char* cmd : {"SA", "ID", "DT", "TP", "SO"})
        rig.ask(cmd, 1500);
    EXPECT_EQ(rig.text(), "");
    EXPECT_EQ(rig.meter.bytesSent(), 0u);
}

TEST(Faults, NoEchoDropsTheCode)
{
    Rig rig(withFault(MeterModel::PXR7X, [](MeterFaults& f) { f.noEcho = true; }));
    rig.start();
    EXPECT_EQ(rig.ask("SA"), "1\r\n");
    EXPECT_EQ(rig.ask("TD"), "0 0\r\n");
    EXPECT_EQ(rig.ask("ID").rfind("PXR7X ", 0), 0u);
}

TEST(Faults, GarbledFlipsEveryCharacterButTheTerminator)
{
    Rig rig(withFault(MeterModel::PXR7X, [](MeterFaults& f) { f.garbled = true; }));
    rig.start();
    // 'S'^1 = 'R', 'A'^1 = '@', ' '^1 = '!', '1'^1 = '0'
    EXPECT_EQ(rig.ask("SA"), "R@!0\r\n");
    Rig small(withFault(MeterModel::PXR500C, [](MeterFaults& f) { f.garbled = true; }));
    small.start();
    small.ask("DT", 1000);
    EXPECT_EQ(small.text().find(' '), std::string::npos) << "no field starts with a blank";
}

TEST(Faults, ChunkedSplitsEveryOutput)
{
    Rig rig(withFault(MeterModel::PXR501, [](MeterFaults& f) { f.chunked = true; }));
    rig.start();
    const std::string reply = rig.ask("Q1", 1000);
    EXPECT_EQ(reply, "Q1 2 5000 0.1 1\r\n");
    ASSERT_GE(rig.out.size(), 6u);
    for (size_t i = 0; i < rig.out.size(); ++i) {
        EXPECT_LE(rig.out[i].bytes.size(), 3u);
        if (i > 0) {
            EXPECT_NEAR(rig.out[i].atMs - rig.out[i - 1].atMs, MeterEmulator::kChunkGapMs, 1e-9);
        }
    }
    // Streams are cut too, and a line never starts before the previous one is out.
    rig.ask("DT", 3000);
    const auto lines = rig.lines();
    ASSERT_GE(lines.size(), 5u);
    for (const std::string& l : lines)
        EXPECT_TRUE(std::regex_match(l, std::regex(R"(D 0005\.00\d)"))) << l;
}

TEST(Faults, BlankLinesBeforeEveryReply)
{
    Rig rig(withFault(MeterModel::PXR7X, [](MeterFaults& f) { f.blankLines = 2; }));
    rig.start();
    EXPECT_EQ(rig.ask("SA"), "\r\n\r\nSA 1\r\n");
    EXPECT_EQ(rig.ask("TP"), "\r\n\r\n+25.6\r\n");
}

TEST(Faults, SlowRepliesComeLater)
{
    Rig normal(Rig::model(MeterModel::PXR7X));
    normal.start();
    normal.ask("SA");
    ASSERT_EQ(normal.out.size(), 1u);
    const double normalDelay = normal.out[0].atMs - (normal.now - 200);

    Rig slow(withFault(MeterModel::PXR7X, [](MeterFaults& f) { f.slowMs = 1500; }));
    slow.start();
    EXPECT_EQ(slow.ask("SA", 1400), "");
    slow.run(200);
    ASSERT_EQ(slow.out.size(), 1u);
    EXPECT_EQ(slow.out[0].bytes, "SA 1\r\n");
    EXPECT_NEAR(slow.out[0].atMs - (slow.now - 1600), normalDelay + 1500, 1e-9);
}

TEST(Faults, FirstEscIsIgnored)
{
    Rig rig(withFault(MeterModel::PXR500C, [](MeterFaults& f) { f.ignoreFirstEsc = true; }));
    rig.meter.powerOn(0);
    rig.runTo(500);
    rig.send(ESC);
    rig.out.clear();
    rig.run(1000);
    EXPECT_TRUE(rig.meter.streaming());
    EXPECT_FALSE(rig.out.empty());
    rig.send(ESC);
    rig.out.clear();
    rig.run(1000);
    EXPECT_FALSE(rig.meter.streaming());
    EXPECT_TRUE(rig.out.empty());
}

TEST(Faults, HangUpAfterNBytes)
{
    Rig rig(withFault(MeterModel::PXR7X, [](MeterFaults& f) { f.hangUpAfter = 20; }));
    rig.meter.powerOn(0);
    rig.runTo(5000);
    EXPECT_TRUE(rig.meter.hungUp());
    EXPECT_EQ(rig.text().size(), 20u);
    EXPECT_EQ(rig.meter.bytesSent(), 20u);
    EXPECT_EQ(rig.meter.nextEventMs(), MeterEmulator::kNever);
    EXPECT_EQ(rig.ask("SA", 1000), "");
}

TEST(Faults, WrongBaudGarblesOutputAndIgnoresInput)
{
    Rig rig(Rig::model(MeterModel::PXR7X, [](MeterConfig& c) {
        c.faults.wrongBaud = true;
        c.baudRate = 19200;
    }));
    rig.meter.setHostLineRate(9600);
    rig.meter.powerOn(0);
    rig.runTo(1000);
    const std::string junk = rig.text();
    EXPECT_TRUE(isJunk(junk));
    EXPECT_EQ(junk.find('\n'), std::string::npos);
    // ESC at the wrong rate is no ESC: the stream goes on.
    rig.send(ESC);
    EXPECT_TRUE(rig.meter.streaming());
    rig.ask("SA7");
    EXPECT_EQ(rig.meter.parameter("SA"), "1");
    // At the meter's own rate everything is fine.
    rig.meter.setHostLineRate(19200);
    rig.send(ESC);
    EXPECT_FALSE(rig.meter.streaming());
    EXPECT_EQ(rig.ask("SA"), "SA 1\r\n");
}

TEST(Faults, WithoutTheWrongBaudFaultTheRatesDoNotMatter)
{
    Rig rig(Rig::model(MeterModel::PXR7X));
    rig.meter.setHostLineRate(115200);
    rig.start();
    EXPECT_EQ(rig.ask("SA"), "SA 1\r\n");
}

TEST(Faults, EscTailSendsTheReadingInHand)
{
    struct Case {
        MeterModel model;
        const char* pattern; // the one line that follows the ESC
        size_t size;         // its bytes with the terminator
    };
    for (Case c : {Case{MeterModel::PXR7X, R"(005\.00\d\r\n)", 9}, Case{MeterModel::PXR500C, R"(    5\.0[01])", 8},
                   Case{MeterModel::PXR501, R"(D 0005\.00\d\r\n)", 12}}) {
        Rig rig(withFault(c.model, [](MeterFaults& f) { f.escTail = true; }));
        rig.meter.powerOn(0);
        rig.runTo(1000);
        // Between two lines: the transmitter is idle.
        ASSERT_LE(rig.meter.transmitterFreeMs(), rig.now);
        rig.out.clear();
        rig.send(ESC);
        EXPECT_FALSE(rig.meter.streaming());
        rig.run(3000);
        ASSERT_EQ(rig.out.size(), 1u) << rig.text();
        EXPECT_EQ(rig.out[0].atMs, 1000) << "at once";
        EXPECT_EQ(rig.text().size(), c.size);
        EXPECT_TRUE(std::regex_match(rig.text(), std::regex(c.pattern))) << rig.text();
        EXPECT_EQ(rig.meter.nextEventMs(), MeterEmulator::kNever);
        // The meter is stopped for good: the next ESC leaves no tail.
        rig.out.clear();
        rig.send(ESC);
        rig.run(1000);
        EXPECT_EQ(rig.text(), "");
    }
}

// The line on the wire finishes after an ESC, with or without the tail
// fault; a line not yet begun never goes out.
TEST(Faults, TheLineOnTheWireFinishesAfterEsc)
{
    for (bool tail : {false, true}) {
        Rig rig(Rig::model(MeterModel::PXR501, [tail](MeterConfig& c) {
            c.faults.pieces = 4;
            c.faults.escTail = tail;
            c.baudRate = 9600;
        }));
        rig.meter.powerOn(0);
        rig.runTo(1000);
        // Wait for the first piece of a line, then ESC while the rest is on the wire.
        rig.out.clear();
        do
            rig.runTo(rig.meter.nextEventMs());
        while (rig.out.empty() || rig.out.back().bytes[0] != 'D');
        std::string line = rig.out.back().bytes;
        rig.out.clear();
        rig.send(ESC);
        rig.run(2000);
        line += rig.text();
        EXPECT_EQ(rig.out.size(), 3u) << "tail " << tail;
        EXPECT_TRUE(std::regex_match(line, std::regex(R"(D 0005\.00\d\r\n)"))) << line;
    }
}

struct PiecesCase {
    const char* name;
    int pieces;
    std::vector<size_t> sizes; // of "Q1 2 5000 0.1 1\r\n", 17 bytes
};

const PiecesCase kPieces[] = {
    {"Whole", 0, {17}},
    {"OnePiece", 1, {17}},
    {"Three", 3, {6, 6, 5}},
    {"Five", 5, {4, 4, 3, 3, 3}},
    {"MoreThanBytes", 40, std::vector<size_t>(17, 1)},
};

class Pieces : public ::testing::TestWithParam<PiecesCase> {};

TEST_P(Pieces, ReplyHandedOverInPiecesAtTheLinesPace)
{
    const PiecesCase& p = GetParam();
    Rig rig(Rig::model(MeterModel::PXR501, [&p](MeterConfig& c) {
        c.faults.pieces = p.pieces;
        c.baudRate = 9600;
    }));
    rig.start();
    EXPECT_EQ(rig.ask("Q1", 500), "Q1 2 5000 0.1 1\r\n");
    ASSERT_EQ(rig.out.size(), p.sizes.size());
    const double byteMs = 10.0 * 1000.0 / 9600;
    for (size_t i = 0; i < rig.out.size(); ++i) {
        EXPECT_EQ(rig.out[i].bytes.size(), p.sizes[i]) << i;
        if (i > 0) {
            EXPECT_NEAR(rig.out[i].atMs - rig.out[i - 1].atMs, p.sizes[i - 1] * byteMs, 1e-9) << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Replies, Pieces, ::testing::ValuesIn(kPieces),
                         [](const ::testing::TestParamInfo<PiecesCase>& info) { return std::string(info.param.name); });

TEST(Faults, PiecesCutReadingLinesToo)
{
    Rig rig(withFault(MeterModel::PXR7X, [](MeterFaults& f) { f.pieces = 2; }));
    rig.start();
    rig.ask("DT", 2000);
    ASSERT_GE(rig.out.size(), 20u);
    for (size_t i = 0; i + 1 < rig.out.size(); i += 2) {
        EXPECT_EQ(rig.out[i].bytes.size(), 5u);
        EXPECT_EQ(rig.out[i + 1].bytes.size(), 4u);
    }
    for (const std::string& l : rig.lines())
        EXPECT_TRUE(std::regex_match(l, std::regex(R"(005\.00\d)"))) << l;
}

TEST(Faults, AnswerTimeBeforeEveryAnswer)
{
    for (double answer : {0.0, 5.0, 250.0}) {
        Rig rig(Rig::model(MeterModel::PXR7X, [answer](MeterConfig& c) { c.answerMs = answer; }));
        rig.start();
        const double asked = rig.now;
        EXPECT_EQ(rig.ask("SA", answer + 50), "SA 1\r\n");
        ASSERT_EQ(rig.out.size(), 1u);
        EXPECT_EQ(rig.out[0].atMs, asked + answer);
        // A stream's first reading comes one output interval (160 ms) after the answer time.
        const double started = rig.now;
        rig.ask("DT", answer + 170);
        ASSERT_EQ(rig.out.size(), 1u);
        EXPECT_EQ(rig.out[0].atMs, started + answer + 160);
    }
}

// ---- the pace of a real line (pxr-meter's writer) ----

struct Write {
    double atMs;
    std::string bytes;
};

// Drives a pacer as pxr-meter does: pieces pushed at given times, take()
// called on a schedule that now and then stalls (a loaded machine).
std::vector<Write> drive(LinePacer& pacer, const std::vector<std::pair<double, std::string>>& pushes,
                         uint32_t seed, double stallEveryMs)
{
    std::mt19937 rng(seed);
    std::vector<Write> writes;
    size_t next = 0;
    for (double t = 0; t < 5000 && (next < pushes.size() || !pacer.empty());) {
        while (next < pushes.size() && pushes[next].first <= t)
            pacer.push(pushes[next++].second, t);
        for (std::string& w : pacer.take(t))
            writes.push_back({t, std::move(w)});
        // Mostly prompt wake-ups, sometimes late by up to 20 ms.
        double step = 0.01 + (rng() % 50) / 100.0;
        if (stallEveryMs > 0 && rng() % static_cast<unsigned>(stallEveryMs) == 0)
            step += 20.0 * (rng() % 100) / 100.0;
        t += step;
    }
    return writes;
}

struct PaceCase {
    uint32_t baud;
    bool whole;
    double stallEveryMs; // 0: never late
};

class Pace : public ::testing::TestWithParam<PaceCase> {};

TEST_P(Pace, NeverSoonerNorFasterThanTheLine)
{
    const PaceCase& c = GetParam();
    const double b = 10000.0 / c.baud;
    const double slack = 1.0;
    std::vector<std::pair<double, std::string>> pushes;
    std::string all;
    for (int i = 0; i < 12; ++i) {
        // Pieces handed over in bursts and alone, long and short.
        const std::string piece = "piece " + std::to_string(i) + std::string(static_cast<size_t>(i * 3 % 17), 'x') + "\r\n";
        pushes.push_back({i < 6 ? 0.0 : 40.0 * i, piece});
        all += piece;
    }
    for (uint32_t seed : {1u, 2u, 3u}) {
        LinePacer pacer(c.whole, slack);
        pacer.setBaudRate(c.baud);
        const std::vector<Write> writes = drive(pacer, pushes, seed, c.stallEveryMs);
        std::string got;
        for (const Write& w : writes)
            got += w.bytes;
        ASSERT_EQ(got, all) << "everything, in order";

        // Never sooner: no byte is written before an unhurried line could
        // have carried it, behind the bytes handed over before it.
        std::vector<double> crossed;
        double lineFree = 0;
        for (const auto& p : pushes)
            for (size_t k = 0; k < p.second.size(); ++k)
                crossed.push_back(lineFree = std::max(lineFree, p.first) + b);
        size_t n = 0;
        for (const Write& w : writes)
            for (size_t k = 0; k < w.bytes.size(); ++k, ++n)
                EXPECT_GE(w.atMs + 1e-9, crossed[n]) << "byte " << n;
        // Never faster: bytes in any later writes fit into the time since an
        // earlier write (plus the slack a late writer may use; a whole piece
        // comes at once when its last byte has crossed).
        for (size_t i = 0; i < writes.size(); ++i) {
            size_t bytes = 0;
            for (size_t j = i + 1; j < writes.size(); ++j) {
                bytes += writes[j].bytes.size();
                const size_t lastPiece = c.whole ? writes[j].bytes.size() : 1;
                EXPECT_LE(static_cast<double>(bytes - lastPiece) * b, writes[j].atMs - writes[i].atMs + slack + 1e-9)
                    << "writes " << i << ".." << j;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, Pace,
                         ::testing::Values(PaceCase{1200, false, 0}, PaceCase{9600, false, 0},
                                           PaceCase{115200, false, 0}, PaceCase{460800, false, 0},
                                           PaceCase{9600, false, 5}, PaceCase{115200, false, 5},
                                           PaceCase{9600, true, 0}, PaceCase{115200, true, 5}));

TEST(Pace, ALateWriterDoesNotBurst)
{
    LinePacer pacer(false, 1.0);
    pacer.setBaudRate(9600);
    pacer.push(std::string(100, 'a'), 0);
    EXPECT_NEAR(pacer.busyUntilMs(0), 100 * 10000.0 / 9600, 1e-9);
    EXPECT_NEAR(pacer.nextDueMs(), 10000.0 / 9600, 1e-9);
    // 50 ms asleep: 48 bytes would have crossed; one goes now, the rest
    // follow at the line's pace, so the line ends later, not sooner.
    const auto writes = pacer.take(50);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].size(), 1u);
    const double b = 10000.0 / 9600;
    EXPECT_NEAR(pacer.busyUntilMs(50), 49 + 99 * b, 1e-9);
    EXPECT_TRUE(pacer.take(49 + b - 0.01).empty());
    EXPECT_EQ(pacer.take(49 + b).at(0), "a");
    EXPECT_TRUE(pacer.take(49 + 2 * b - 0.01).empty());
}

TEST(Pace, WholePiecesWaitForTheirLastByte)
{
    LinePacer pacer(true, 1.0);
    pacer.setBaudRate(1200); // 8.33 ms a byte
    pacer.push("Q1 2 5", 0);
    pacer.push("000 0.", 0);
    EXPECT_NEAR(pacer.nextDueMs(), 50, 1e-9);
    EXPECT_TRUE(pacer.take(49.9).empty());
    EXPECT_EQ(pacer.take(50), std::vector<std::string>{"Q1 2 5"});
    EXPECT_TRUE(pacer.take(99.9).empty());
    EXPECT_EQ(pacer.take(100), std::vector<std::string>{"000 0."});
    EXPECT_TRUE(pacer.empty());
    EXPECT_EQ(pacer.nextDueMs(), LinePacer::kNever);
}

} // namespace
