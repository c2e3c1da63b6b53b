#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "serial/ComDataPacket.h"
#include "serial/ComPort.h"

using namespace pxr;

namespace {

struct Framer {
    TComDataPacket f;
    std::vector<std::string> packets;
    Framer()
    {
        f.OnPacket = [this](TComDataPacket&, const std::string& p) { packets.push_back(p); };
    }
    void lines() { f.setStopString("\r\n"); }
    void fields()
    {
        f.setStartString(" ");
        f.setSize(8);
    }
};

// A backend that only exists so TComPort can be attached to; blocks are
// injected through the listener interface the real backends use.
class FakeBackend : public ComPortBackend {
public:
    Listener* listener = nullptr;
    bool open_ = false;
    int opens = 0;
    int closes = 0;
    std::string openedName;
    void setListener(Listener* l) override { listener = l; }
    void open(const std::string& name, const LineSettings&) override
    {
        open_ = true;
        ++opens;
        openedName = name;
    }
    void close() override
    {
        open_ = false;
        ++closes;
    }
    bool isOpen() const override { return open_; }
    void apply(const LineSettings&) override {}
    void write(const std::string&) override {}
    void purgeInput() override {}
    size_t bytesToWrite() const override { return 0; }
};

} // namespace

TEST(Framer, LinesSplitAcrossBlocks)
{
    Framer fr;
    fr.lines();
    fr.f.AddData("12");
    fr.f.AddData("3\r");
    EXPECT_TRUE(fr.packets.empty());
    fr.f.AddData("\n45\r");
    ASSERT_EQ(fr.packets, (std::vector<std::string>{"123"}));
    fr.f.AddData("\n");
    EXPECT_EQ(fr.packets, (std::vector<std::string>{"123", "45"}));
    EXPECT_TRUE(fr.f.buffer().empty());
}

// One framing, its blocks fed in order: the packets in order and what
// stays in the buffer.
struct FramingCase {
    const char* name;
    const char* start;
    const char* stop;
    int size;
    bool includeStrings;
    bool caseInsensitive;
    std::vector<std::string> blocks;
    std::vector<std::string> packets;
    const char* rest; // nullptr: not looked at
};

void PrintTo(const FramingCase& c, std::ostream* os) { *os << c.name; }

class Framing : public ::testing::TestWithParam<FramingCase> {};

TEST_P(Framing, CutsThePackets)
{
    const FramingCase& c = GetParam();
    Framer fr;
    fr.f.setCaseInsensitive(c.caseInsensitive);
    fr.f.IncludeStrings = c.includeStrings;
    fr.f.setStartString(c.start);
    fr.f.setStopString(c.stop);
    fr.f.setSize(c.size);
    for (const std::string& block : c.blocks)
        fr.f.AddData(block);
    EXPECT_EQ(fr.packets, c.packets);
    if (c.rest) {
        EXPECT_EQ(fr.f.buffer(), c.rest);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Framer, Framing,
    ::testing::Values(
        FramingCase{"BareCrLfGivesEmptyPacket", "", "\r\n", 0, false, false, {"\r\n"}, {""}, nullptr},
        FramingCase{"SeveralPacketsInOneBlockDeliveredInOrder", "", "\r\n", 0, false, false,
                    {"a\r\nb\r\n\r\nc\r\nrest"}, {"a", "b", "", "c"}, "rest"},
        FramingCase{"FixedFieldsDropJunkBeforeBlank", " ", "", 8, false, false, {"xx 1234567 7654321"},
                    {"1234567", "7654321"}, ""},
        FramingCase{"NulBytesAreKept", "", "\r\n", 0, false, false, {std::string("a\0b\r\n", 5)},
                    {std::string("a\0b", 3)}, nullptr},
        FramingCase{"NoStopConditionPassesEachBlockUnbuffered", "", "", 0, false, false, {"x", "a\r\nb"},
                    {"x", "a\r\nb"}, ""},
        FramingCase{"IncludeStringsKeepsStartAndStop", "<", ">", 0, true, false, {"x<ab>y<c>"}, {"<ab>", "<c>"},
                    nullptr},
        FramingCase{"StopSearchStartsBehindStartString", "AA", "A", 0, false, false, {"AAxA"}, {"x"}, nullptr},
        // Size wins as soon as four characters are there; the stop string
        // inside the packet is not at its end, so it stays.
        FramingCase{"SizeCutKeepsEarlierStopString", "", "\r\n", 4, false, false, {"a\r\nbcd"}, {"a\r\nb"},
                    nullptr},
        FramingCase{"CaseInsensitiveMatchesLettersOnly", "id", "x", 0, false, true, {"..ID 7X"}, {" 7"}, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Framer, FixedFieldWithoutBlankIsDroppedAtLimit)
{
    Framer fr;
    fr.fields();
    fr.f.AddData(std::string(1023, 'x'));
    EXPECT_EQ(fr.f.buffer().size(), 1023u);
    fr.f.AddData("x");
    EXPECT_TRUE(fr.f.buffer().empty());
    EXPECT_TRUE(fr.packets.empty());
    // Still framing afterwards.
    fr.f.AddData(" 0001234");
    EXPECT_EQ(fr.packets, (std::vector<std::string>{"0001234"}));
}

TEST(Framer, EndlessLineDroppedAtLimitThenRecovers)
{
    Framer fr;
    fr.lines();
    for (int i = 0; i < 100; ++i)
        fr.f.AddData(std::string(100, '\0'));
    EXPECT_LT(fr.f.buffer().size(), 1024u);
    fr.f.AddData("\r\nok\r\n");
    ASSERT_FALSE(fr.packets.empty());
    EXPECT_EQ(fr.packets.back(), "ok");
}

TEST(Framer, StartStringChangeWhileInPacketWithEmptyBuffer)
{
    Framer fr;
    fr.lines();
    fr.f.AddData("a\r\n");
    ASSERT_TRUE(fr.f.inPacket());
    ASSERT_TRUE(fr.f.buffer().empty());
    fr.f.setStartString("#");
    // The buffer was empty, so InPacket survives: the next packet is cut
    // without looking for the new start string.
    EXPECT_TRUE(fr.f.inPacket());
    fr.f.AddData("zz#1\r\nyy#2\r\n");
    EXPECT_EQ(fr.packets, (std::vector<std::string>{"a", "zz#1", "2"}));
}

TEST(Framer, PropertyChangeEmptiesBufferOnlyForNewValues)
{
    Framer fr;
    fr.lines();
    fr.f.AddData("partial");
    fr.f.setStopString("\r\n"); // same value
    EXPECT_EQ(fr.f.buffer(), "partial");
    fr.f.IncludeStrings = true; // plain field
    fr.f.MaxBufferSize = 2000;
    EXPECT_EQ(fr.f.buffer(), "partial");
    fr.f.setSize(5);
    EXPECT_TRUE(fr.f.buffer().empty());
    EXPECT_FALSE(fr.f.inPacket());
}

TEST(Framer, HandlerErrorLeavesFramerConsistent)
{
    TComDataPacket f;
    f.setStopString("\r\n");
    f.MaxBufferSize = 8;
    int calls = 0;
    f.OnPacket = [&](TComDataPacket&, const std::string&) {
        ++calls;
        throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(f.AddData("a\r\n123456789"), std::runtime_error);
    EXPECT_EQ(calls, 1);
    // The packet was removed before the handler ran and the size check still applied.
    EXPECT_TRUE(f.buffer().empty());
    f.OnPacket = [&](TComDataPacket&, const std::string& p) { EXPECT_EQ(p, "b"); ++calls; };
    f.AddData("b\r\n");
    EXPECT_EQ(calls, 2);
}

TEST(ComPortConsumers, EveryConsumerGetsEachBlockInAttachmentOrder)
{
    FakeBackend backend;
    TComPort port(backend);
    port.Open();
    std::vector<std::string> log;
    TComDataPacket a, b;
    a.OnPacket = [&](TComDataPacket&, const std::string& p) { log.push_back("a:" + p); };
    b.OnPacket = [&](TComDataPacket&, const std::string& p) { log.push_back("b:" + p); };
    b.setComPort(&port);
    a.setComPort(&port);
    a.setComPort(&port); // same port again: stays where it is
    backend.listener->backendReceived("x");
    EXPECT_EQ(log, (std::vector<std::string>{"b:x", "a:x"}));
    b.setComPort(nullptr);
    backend.listener->backendReceived("y");
    EXPECT_EQ(log.back(), "a:y");
    EXPECT_EQ(port.consumers().size(), 1u);
}

TEST(ComPortConsumers, BlockArrivingDuringHandlerIsDeliveredAfterIt)
{
    FakeBackend backend;
    TComPort port(backend);
    port.Open();
    std::vector<std::string> seen;
    TComDataPacket f;
    f.setComPort(&port);
    f.OnPacket = [&](TComDataPacket&, const std::string& p) {
        seen.push_back("begin " + p);
        if (p == "1")
            backend.listener->backendReceived("2"); // as if a nested wait ran the port
        seen.push_back("end " + p);
    };
    backend.listener->backendReceived("1");
    EXPECT_EQ(seen, (std::vector<std::string>{"begin 1", "end 1", "begin 2", "end 2"}));
}

TEST(ComPortConsumers, FramersFallBackToNoneWhenPortGoes)
{
    TComDataPacket f;
    {
        FakeBackend backend;
        TComPort port(backend);
        f.setComPort(&port);
        EXPECT_EQ(f.comPort(), &port);
    }
    EXPECT_EQ(f.comPort(), nullptr);
    f.setComPort(nullptr);
}

TEST(ComPortConsumers, LostDeviceClosesOnceAndTellsOnce)
{
    FakeBackend backend;
    TComPort port(backend);
    port.SetPort("/dev/ttyUSB0");
    port.Open();
    int told = 0;
    port.OnLost = [&](const std::string&) { ++told; };
    backend.listener->backendLost("Input/output error");
    backend.listener->backendLost("Input/output error");
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(told, 1);
    port.Open(); // reconnect works
    EXPECT_TRUE(port.Connected());
}

TEST(ComPortSettings, StatusTextAndErrorTexts)
{
    FakeBackend backend;
    TComPort port(backend);
    port.SetPort("COM1");
    EXPECT_EQ(port.SettingsText(), " COM1:9600,8,None,1,None");
    port.SetBaudRate(115200);
    EXPECT_EQ(port.SettingsText(), " COM1:115200,8,None,1,None");
    EXPECT_EQ(std::string(EComPort(ComErrorKind::LoadSettings).what()), "Failed to load settings");
    const std::string open = EComPort(ComErrorKind::Open, 2, "No such file or directory").what();
    EXPECT_EQ(open.rfind("Unable to open com port (", 0), 0u) << open;
    EXPECT_NE(open.find("2"), std::string::npos);
}

TEST(ComPortSettings, EachSettingHasItsStatusText)
{
    struct Case {
        Parity parity;
        StopBits stopBits;
        FlowControl flow;
        const char* status;
    };
    const Case cases[] = {
        {Parity::Odd, StopBits::OneHalf, FlowControl::Hardware, " COM1:9600,8,Odd,1.5,Hardware"},
        {Parity::Even, StopBits::Two, FlowControl::Software, " COM1:9600,8,Even,2,Software"},
        {Parity::Mark, StopBits::One, FlowControl::None, " COM1:9600,8,Mark,1,None"},
        {Parity::Space, StopBits::Two, FlowControl::Hardware, " COM1:9600,8,Space,2,Hardware"},
    };
    FakeBackend backend;
    TComPort port(backend);
    port.SetPort("COM1");
    for (const Case& c : cases) {
        LineSettings settings;
        settings.parity = c.parity;
        settings.stopBits = c.stopBits;
        settings.flowControl = c.flow;
        port.SetSettings(settings);
        EXPECT_EQ(port.SettingsText(), c.status);
    }
}

TEST(ComPortSettings, AnotherSpellingOfTheOpenPortKeepsItOpen)
{
    // The interface setup may hand back "\\.\COM10" for the open "COM10":
    // closing and reopening would drop what the meter is sending.
    FakeBackend backend;
    TComPort port(backend);
    port.SetPort("COM10");
    port.Open();
    port.SetPort("\\\\.\\COM10");
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(backend.opens, 1);
    EXPECT_EQ(backend.closes, 0);
    EXPECT_EQ(port.Port(), "\\\\.\\COM10");
    EXPECT_EQ(port.SettingsText(), " \\\\.\\COM10:9600,8,None,1,None");
    port.SetPort("COM3");
    EXPECT_EQ(backend.opens, 2);
    EXPECT_EQ(backend.closes, 1);
    EXPECT_EQ(backend.openedName, "COM3");
}
