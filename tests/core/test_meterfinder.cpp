// The meter finder: recognising a model line from a stream or from the
// identification answer, and the search over ports and rates in virtual
// time against meters at rates nobody told it, one streaming, one quiet,
// one dead, one behind a serial device server.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "app/MeterFinder.h"
#include "serial/NetworkPort.h"
#include "support/EmulatorPeer.h"
#include "support/PortRack.h"
#include "support/RemoteMeter.h"
#include "support/VirtualEventLoop.h"

using namespace pxr;
using namespace pxr::test;

// ---- recognition ----

struct StreamCase {
    const char* name;
    std::string received;
    bool recognised;
    DeviceType line;
    const char* sample;
};

class StreamRecognition : public ::testing::TestWithParam<StreamCase> {};

TEST_P(StreamRecognition, TellsTheModelLineFromItsReadings)
{
    const StreamCase& c = GetParam();
    DeviceType line = kPXR7X;
    std::string sample;
    ASSERT_EQ(RecogniseReadings(c.received, line, sample), c.recognised);
    if (c.recognised) {
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(sample, c.sample);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Finder, StreamRecognition,
    ::testing::Values(
        StreamCase{"Pxr7xDecimal", "005.003\r\n005.001\r\n005.0", true, kPXR7X, "005.001"},
        StreamCase{"Pxr7xHexAndAnError", " 0001389\r\nE15\r\n 000138A\r\n", true, kPXR7X, " 000138A"},
        StreamCase{"Pxr7xWithItsIdAnswerBetween", "005.003\r\nID PXR7X V2.04\r\n005.004\r\n005.002\r\n", true,
                   kPXR7X, "005.002"},
        StreamCase{"Pxr501Decimal", "D 0005.003 01403\r\nD 0005.001 01405\r\n", true, kPXR501, "D 0005.001 01405"},
        StreamCase{"Pxr501HexWithAnErrorLine", "H001389\r\nHE02   \r\nH00138A\r\n", true, kPXR501, "H00138A"},
        StreamCase{"Pxr500cFieldsWithoutLineEnds", "0.00    5.00    5.01    5.00    5.0", true, kPXR500C, "    5.00"},
        StreamCase{"OneLineIsNotEnough", "005.003\r\n005.0", false, kPXR7X, ""},
        StreamCase{"TwoFieldsAreNotEnough", "    5.00    5.01", false, kPXR7X, ""},
        StreamCase{"JunkOfAWrongRate", "\xf8\x80x\x86\r\n\xe0\x1e\x98\r\n\x80\xf8\xfe\r\n", false, kPXR7X, ""},
        StreamCase{"MostlyJunkWithTwoLuckyLines", "005.003\r\n005.001\r\n\x81\r\n\x82\r\n\x83\r\nx9\r\n", false,
                   kPXR7X, ""},
        StreamCase{"AQueryAnswerIsNoStream", "SA 25\r\nSA 25\r\n", false, kPXR7X, "" }),
    [](const auto& info) { return std::string(info.param.name); });

struct IdCase {
    const char* name;
    std::string received;
    bool answered;
    const char* model;
    bool needsIdq;
    const char* text;
};

class IdRecognition : public ::testing::TestWithParam<IdCase> {};

TEST_P(IdRecognition, TellsTheModelFromTheAnswer)
{
    const IdCase& c = GetParam();
    const IdentifyResult r = RecogniseIdentification(c.received);
    ASSERT_EQ(r.answered, c.answered);
    if (!c.answered)
        return;
    EXPECT_EQ(r.model, c.model);
    EXPECT_EQ(r.needsIdq, c.needsIdq);
    EXPECT_EQ(r.text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Finder, IdRecognition,
    ::testing::Values(
        IdCase{"Pxr7x", "ID PXR7X V2.04 SN 100001\r\n", true, "pxr7x", false, "PXR7X V2.04 SN 100001"},
        IdCase{"Pxr500cWithoutEcho", "  PXR500C V1.12 SN 7\r\n", true, "pxr500c", false, "PXR500C V1.12 SN 7"},
        IdCase{"Pxr502", "ID PXR502 V3.10 SN 9\r\n", true, "pxr502", true, "PXR502 V3.10 SN 9"},
        IdCase{"LowerCaseName", "ID pxr501-10 V1\r\n", true, "pxr501", true, "pxr501-10 V1"},
        IdCase{"EchoedWithoutAName", "ID LDM V1.0\r\n", true, "pxr7x", true, "LDM V1.0"},
        IdCase{"NoEchoNoName", "   V1.12 SN 7\r\n", true, "pxr500c", false, "V1.12 SN 7"},
        IdCase{"AfterReadingsOfAStream", "005.003\r\n005.002\r\nID PXR7X V2\r\n", true, "pxr7x", false, "PXR7X V2"},
        IdCase{"NotYetWhole", "ID PXR7X V2.0", false, "", false, ""},
        IdCase{"JunkOfAWrongRate", "\x86\x98\xf8\r\n", false, "", false, ""},
        IdCase{"ReadingsOnly", "005.003\r\n005.002\r\n", false, "", false, ""},
        IdCase{"OnlyTheEcho", "ID \r\n", false, "", false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IdRecognition, SecondAnswerIsTheOneOfIdQuestion)
{
    EXPECT_EQ(IdentificationMoreText("ID? PXR501 HW 2.1 FW 3.10\r\n"), "PXR501 HW 2.1 FW 3.10");
    EXPECT_EQ(IdentificationMoreText("ID PXR501 V3\r\n"), "");
    EXPECT_EQ(IdentificationMoreText("ID? PXR5"), "");
}

TEST(FinderLine, IsTabSeparatedWithADashForTheServersRate)
{
    FoundMeter m;
    m.port = "/dev/ttyUSB0";
    m.model = "pxr7x";
    m.baud = 38400;
    m.identification = "PXR7X\tV2\r";
    EXPECT_EQ(FoundMeterLine(m), "/dev/ttyUSB0\tpxr7x\t38400\tPXR7X V2 ");
    m.baud = 0;
    EXPECT_EQ(FoundMeterLine(m), "/dev/ttyUSB0\tpxr7x\t-\tPXR7X V2 ");
}

TEST(FinderRates, AreTheDialogsWithThePreferredFirst)
{
    const std::vector<uint32_t> rates = MeterFinder::ratesToTry({115200, 1200, 9600, 115200});
    EXPECT_EQ(rates, (std::vector<uint32_t>{115200, 9600, 2400, 4800, 19200, 38400, 57600, 230400, 460800}));
}

// ---- the search in virtual time ----

namespace {

struct Rack {
    VirtualEventLoop loop;
    PortRack rack{loop};
    TComPort port{rack};
    MeterFinder finder{port, loop};
    std::vector<std::unique_ptr<EmulatorPeer>> meters;

    // A meter at `baud` on the named line; junk both ways at any other rate.
    EmulatorPeer& meterOn(const std::string& name, MeterModel model, uint32_t baud, bool quiet = false,
                          bool silent = false)
    {
        MeterConfig cfg;
        cfg.model = model;
        cfg.baudRate = baud;
        cfg.faults.wrongBaud = true;
        cfg.faults.silent = silent;
        meters.push_back(std::make_unique<EmulatorPeer>(cfg));
        EmulatorPeer& m = *meters.back();
        LoopbackPort& line = rack.line(name);
        line.attachPeer(&m);
        m.meter.powerOn(loop.nowMs());
        if (quiet) {
            m.meter.setHostLineRate(baud);
            m.meter.receive("\x1b", loop.nowMs()); // stopped in an earlier session
        }
        line.wakePeer();
        return m;
    }
    // Everything written to a line, as "baud:bytes" per block.
    std::vector<std::string> written(const std::string& name)
    {
        std::vector<std::string> w;
        for (const WrittenBlock& b : rack.line(name).written())
            w.push_back(std::to_string(b.baud) + ":" + b.bytes);
        return w;
    }
};

} // namespace

TEST(FinderSearch, FindsStreamingAndQuietMetersAtRatesItWasNotTold)
{
    Rack r;
    EmulatorPeer& streaming = r.meterOn("/dev/ttyA", MeterModel::PXR7X, 38400);
    r.meterOn("/dev/ttyB", MeterModel::PXR502, 19200, true);
    EmulatorPeer& pxr500c = r.meterOn("/dev/ttyC", MeterModel::PXR500C, 4800);
    EmulatorPeer& pxr501 = r.meterOn("/dev/ttyD", MeterModel::PXR501, 230400);
    std::vector<std::string> progress;
    r.finder.OnProgress = [&](const MeterFinder::Progress& p) {
        progress.push_back(p.port + "@" + std::to_string(p.baud) + " " + std::to_string(p.done) + "/" +
                           std::to_string(p.total));
    };
    const auto found = r.finder.find({"/dev/ttyA", "/dev/ttyB", "/dev/ttyC", "/dev/ttyD"}, {9600, 115200});
    ASSERT_EQ(found.size(), 4u);
    EXPECT_TRUE(r.finder.problems().empty());

    EXPECT_EQ(found[0].model, "pxr7x");
    EXPECT_EQ(found[0].baud, 38400u);
    EXPECT_TRUE(found[0].streaming);
    EXPECT_EQ(found[0].identification.rfind("streaming, left running (reading \"005.00", 0), 0u)
        << found[0].identification;
    EXPECT_EQ(found[1].model, "pxr502");
    EXPECT_EQ(found[1].line, kPXR501);
    EXPECT_EQ(found[1].baud, 19200u);
    EXPECT_FALSE(found[1].streaming);
    EXPECT_TRUE(std::regex_match(found[1].identification,
                                 std::regex(R"(PXR502 V3\.10 SN \d+; PXR502 HW 2\.1 FW 3\.10 MFmax 10000 Hz)")))
        << found[1].identification;
    EXPECT_EQ(found[2].model, "pxr500c");
    EXPECT_EQ(found[2].baud, 4800u);
    EXPECT_TRUE(found[2].streaming);
    EXPECT_EQ(found[3].model, "pxr501");
    EXPECT_EQ(found[3].baud, 230400u);

    // The streaming meters were left running and heard nothing at all.
    EXPECT_TRUE(streaming.meter.streaming());
    EXPECT_TRUE(pxr500c.meter.streaming());
    EXPECT_TRUE(pxr501.meter.streaming());
    EXPECT_TRUE(r.written("/dev/ttyA").empty());
    EXPECT_TRUE(r.written("/dev/ttyC").empty());
    EXPECT_TRUE(r.written("/dev/ttyD").empty());
    // The quiet one was asked at each rate up to its own, and "ID?" there.
    EXPECT_EQ(r.written("/dev/ttyB"), (std::vector<std::string>{"9600:ID\r", "115200:ID\r", "2400:ID\r",
                                                                 "4800:ID\r", "19200:ID\r", "19200:ID?\r"}));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), "/dev/ttyA@9600 0/36");
    EXPECT_EQ(progress.back(), "@0 36/36");
}

TEST(FinderSearch, NothingAnsweringAtAnyRateEndsWithinItsTimeAndMissingPortsAreNamed)
{
    Rack r;
    r.meterOn("/dev/ttyDead", MeterModel::PXR7X, 9600, false, true);
    const double start = r.loop.nowMs();
    const auto found = r.finder.find({"/dev/ttyDead", "/dev/ttyGone"});
    EXPECT_TRUE(found.empty());
    // Nine rates, each listened to and asked once with the answer's line time.
    const double bound = 9.0 * (MeterFinder::kListenMs + MeterFinder::kAnswerMs) + 640000.0 / 2400 * 9 + 100;
    EXPECT_LE(r.loop.nowMs() - start, bound);
    ASSERT_EQ(r.finder.problems().size(), 1u);
    EXPECT_NE(r.finder.problems()[0].find("/dev/ttyGone: Unable to open com port"), std::string::npos)
        << r.finder.problems()[0];
    EXPECT_FALSE(r.port.Connected());
}

TEST(FinderSearch, CancelEndsTheSearchAtItsNextWait)
{
    Rack r;
    r.meterOn("/dev/ttyDead", MeterModel::PXR7X, 9600, false, true);
    r.meterOn("/dev/ttyLate", MeterModel::PXR7X, 460800, true);
    int probes = 0;
    r.finder.OnProgress = [&](const MeterFinder::Progress&) {
        if (++probes == 3)
            r.finder.cancel();
    };
    const double start = r.loop.nowMs();
    const auto found = r.finder.find({"/dev/ttyDead", "/dev/ttyLate"});
    EXPECT_TRUE(found.empty());
    EXPECT_TRUE(r.finder.cancelled());
    EXPECT_EQ(probes, 3);
    EXPECT_LE(r.loop.nowMs() - start, 3 * (MeterFinder::kListenMs + MeterFinder::kAnswerMs + 300.0));
    EXPECT_TRUE(r.written("/dev/ttyLate").empty());
    EXPECT_FALSE(r.port.Connected());
}

TEST(FinderSearch, StopAtFirstLeavesTheOtherPortsAlone)
{
    Rack r;
    r.meterOn("/dev/ttyA", MeterModel::PXR7X, 9600, true);
    r.meterOn("/dev/ttyB", MeterModel::PXR7X, 9600, true);
    const auto found = r.finder.find({"/dev/ttyA", "/dev/ttyB"}, {}, true);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].port, "/dev/ttyA");
    EXPECT_TRUE(r.written("/dev/ttyB").empty());
}

TEST(FinderSearch, MeterBehindADeviceServerIsFoundThroughTheNetworksRate)
{
    MeterConfig cfg;
    cfg.baudRate = 57600;
    cfg.faults.wrongBaud = true;
    RemoteMeter r(VirtualDeviceServer::Mode::Rfc2217, cfg, 9600);
    MeterFinder finder(r.port, r.loop);
    const auto found = finder.find({"rfc2217://plant:4001"}, {9600, 115200});
    ASSERT_EQ(found.size(), 1u) << (finder.problems().empty() ? "" : finder.problems()[0]);
    EXPECT_EQ(found[0].baud, 57600u);
    EXPECT_EQ(found[0].model, "pxr7x");
    // One connection for the whole search; the rates went as SET-BAUDRATE.
    EXPECT_EQ(r.server.connectAttempts, 1);
}

TEST(FinderSearch, BehindAPlainSocketThereIsOneTryAtTheServersRate)
{
    MeterConfig cfg;
    cfg.baudRate = 19200;
    RemoteMeter r(VirtualDeviceServer::Mode::Raw, cfg, 19200);
    MeterFinder finder(r.port, r.loop);
    size_t total = 0;
    finder.OnProgress = [&](const MeterFinder::Progress& p) { total = p.total; };
    const auto found = finder.find({"socket://plant:4002"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].baud, 0u);
    EXPECT_EQ(total, 1u);
}
