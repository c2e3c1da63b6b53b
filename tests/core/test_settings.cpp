// Rules of the settings store over an in-memory backend, both as a typed
// store (registry-like: text, 32-bit integer, binary) and as a text-only
// store (an INI file, where every integer reads back as text after a restart).

#include "app/KeyValueBackend.h"
#include "app/SettingsStore.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>

using namespace pxr;

namespace {

const std::string kDocs = "/home/user/Documents";

// Raw little-endian bytes written out by hand, not produced by the code under test.
std::string bytes(std::initializer_list<unsigned> list)
{
    std::string out;
    for (unsigned b : list)
        out.push_back(static_cast<char>(b));
    return out;
}
const std::string k12_5 = bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x29, 0x40});
const std::string k40 = bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x44, 0x40});
const std::string kMinus2_25 = bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0xC0});

struct Both : ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(Store, Both, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "TextOnly" : "Typed"; });

// ---- first start ---------------------------------------------------------------

TEST_P(Both, FirstStartGivesTheDefaultsOfAFreshMachine)
{
    MemoryKeyValueBackend backend(GetParam());
    SettingsStore store(backend);
    const StartupSettings s = store.loadAllWithDefaults(kDocs);

    EXPECT_TRUE(s.ok());
    EXPECT_EQ(s.message(), "");
    EXPECT_EQ(s.deviceType, 0);  // PXR7X
    EXPECT_EQ(s.port.port, "");  // the first system port is chosen by the caller
    EXPECT_EQ(s.port.baudRate, 9600u);
    EXPECT_EQ(s.port.dataBits, 8);
    EXPECT_EQ(s.port.parity, "None");
    EXPECT_EQ(s.port.stopBits, "1");
    EXPECT_EQ(s.port.flowControl, "None");
    EXPECT_EQ(s.graphic.minimum, 0.0);
    EXPECT_EQ(s.graphic.maximum, 40.0);
    EXPECT_EQ(s.graphic.number, 250);
    EXPECT_FALSE(s.graphic.autoScale || s.graphic.pointer || s.graphic.stair
                 || s.graphic.allowZoom || s.graphic.allowPan);
    EXPECT_EQ(s.directories.parameter, kDocs);
    EXPECT_EQ(s.directories.logFile, kDocs);

    // The single readers agree, and reading creates nothing.
    EXPECT_EQ(store.readDeviceType(), 0);
    EXPECT_EQ(store.readGraphic(), s.graphic);
    EXPECT_EQ(store.readDirectories("D:\\Docs").logFile, "D:\\Docs");
    EXPECT_EQ(backend.size(), 0u);
}

// ---- read integer / boolean ----------------------------------------------------

// What the store holds before (nullopt: nothing), and what is expected.
template <typename Expected>
struct StoredCase {
    const char* label;
    std::optional<StoredValue> stored;
    Expected expected;
};

using IntCase = StoredCase<int32_t>; // the integer read, with default 77

TEST(SettingsReadInteger, ConvertsTextAndKeepsIntegers)
{
    const IntCase cases[] = {
        {"missing", std::nullopt, 77},
        {"text 2", StoredValue::text("2"), 2},
        {"text -5", StoredValue::text("-5"), -5},
        {"text +12", StoredValue::text("+12"), 12},
        {"text with blanks", StoredValue::text(" 3 "), 3},
        {"text abc", StoredValue::text("abc"), 77},
        {"empty text", StoredValue::text(""), 77},
        {"trailing garbage", StoredValue::text("12abc"), 77},
        {"decimal point", StoredValue::text("1.5"), 77},
        {"above 32 bits", StoredValue::text("2147483648"), 77},
        {"largest 32-bit", StoredValue::text("2147483647"), 2147483647},
        {"integer 5", StoredValue::number(5), 5},
        {"integer -1", StoredValue::number(-1), -1},
    };
    for (bool textOnly : {false, true}) {
        for (const auto& c : cases) {
            MemoryKeyValueBackend backend(textOnly);
            if (c.stored)
                backend.put("Graphic", "Number", *c.stored);
            SettingsStore store(backend);
            EXPECT_EQ(store.readInteger("Graphic", "Number", 77), c.expected)
                << c.label << (textOnly ? " (text-only)" : " (typed)");
        }
    }
}

TEST(SettingsReadInteger, BinaryValueIsTheWrongType)
{
    MemoryKeyValueBackend backend;
    backend.put("Graphic", "Number", StoredValue::binary(k40));
    SettingsStore store(backend);
    EXPECT_THROW(store.readInteger("Graphic", "Number", 250), InvalidDataTypeError);
}

struct BoolCase {
    const char* label;
    std::optional<StoredValue> stored;
    bool def;
    bool expected;
};

TEST(SettingsReadBool, AnyNonZeroIntegerIsTrue)
{
    const BoolCase cases[] = {
        {"text 5", StoredValue::text("5"), false, true},
        {"integer 5", StoredValue::number(5), false, true},
        {"text 1", StoredValue::text("1"), false, true},
        {"text 0", StoredValue::text("0"), true, false},
        {"integer 0", StoredValue::number(0), true, false},
        {"text -1", StoredValue::text("-1"), false, true},
        {"text abc, default false", StoredValue::text("abc"), false, false},
        {"text abc, default true", StoredValue::text("abc"), true, true},
        {"missing, default false", std::nullopt, false, false},
        {"missing, default true", std::nullopt, true, true},
    };
    for (const auto& c : cases) {
        MemoryKeyValueBackend backend;
        if (c.stored)
            backend.put("Graphic", "Stair", *c.stored);
        SettingsStore store(backend);
        EXPECT_EQ(store.readBool("Graphic", "Stair", c.def), c.expected) << c.label;
    }
}

TEST_P(Both, BooleansAreWrittenAsTheTextsZeroAndOne)
{
    MemoryKeyValueBackend backend(GetParam());
    SettingsStore store(backend);
    store.writeBool("Graphic", "Pointer", true);
    store.writeBool("Graphic", "Stair", false);
    EXPECT_EQ(backend.read("Graphic", "Pointer"), StoredValue::text("1"));
    EXPECT_EQ(backend.read("Graphic", "Stair"), StoredValue::text("0"));
}

// ---- write integer -------------------------------------------------------------

using WriteIntCase = StoredCase<StoredValue>; // what the store holds after writing 1

TEST(SettingsWriteInteger, ATextValueStaysText)
{
    const WriteIntCase cases[] = {
        {"missing", std::nullopt, StoredValue::number(1)},
        {"text 2", StoredValue::text("2"), StoredValue::text("1")},
        {"text abc", StoredValue::text("abc"), StoredValue::text("1")},
        {"integer 2", StoredValue::number(2), StoredValue::number(1)},
        {"binary", StoredValue::binary(k40), StoredValue::number(1)},
    };
    for (const auto& c : cases) {
        MemoryKeyValueBackend backend;
        if (c.stored)
            backend.put("Device", "Type", *c.stored);
        SettingsStore store(backend);
        store.writeDeviceType(1);
        EXPECT_EQ(backend.read("Device", "Type"), c.expected) << c.label;
    }
}

TEST(SettingsDeviceType, StoredAsTextTwoIsReadAsTwoAndAWriteKeepsItText)
{
    MemoryKeyValueBackend backend;
    backend.put("Device", "Type", StoredValue::text("2"));
    SettingsStore store(backend);
    EXPECT_EQ(store.readDeviceType(), 2);
    store.writeDeviceType(0);
    EXPECT_EQ(backend.read("Device", "Type"), StoredValue::text("0"));
    EXPECT_EQ(store.readDeviceType(), 0);
}

TEST(SettingsDeviceType, TextOnlyStoreSurvivesRestartAndStaysText)
{
    MemoryKeyValueBackend backend(true);
    {
        SettingsStore store(backend);
        store.writeDeviceType(2);
    }
    backend.restart();
    EXPECT_EQ(backend.read("Device", "Type"), StoredValue::text("2"));
    SettingsStore store(backend);
    EXPECT_EQ(store.readDeviceType(), 2);
    store.writeDeviceType(1);
    EXPECT_EQ(backend.read("Device", "Type"), StoredValue::text("1"));
}

// ---- text ------------------------------------------------------------------------

TEST(SettingsReadString, TextOrDefaultAnythingElseIsTheWrongType)
{
    MemoryKeyValueBackend typed;
    SettingsStore store(typed);
    EXPECT_EQ(store.readString("Directory", "Parameter", kDocs), kDocs);
    store.writeString("Directory", "Parameter", "/data/params");
    EXPECT_EQ(store.readString("Directory", "Parameter", kDocs), "/data/params");
    store.writeString("Directory", "Parameter", "");
    EXPECT_EQ(store.readString("Directory", "Parameter", kDocs), "");  // empty is a value

    typed.put("Directory", "LogFile", StoredValue::number(3));
    EXPECT_THROW(store.readString("Directory", "LogFile", kDocs), InvalidDataTypeError);
    typed.put("Directory", "LogFile", StoredValue::binary("ab"));
    EXPECT_THROW(store.readString("Directory", "LogFile", kDocs), InvalidDataTypeError);

    // In a text-only store an integer is only text that has not yet been reread.
    MemoryKeyValueBackend textOnly(true);
    textOnly.put("ComPort", "Port", StoredValue::number(7));
    EXPECT_EQ(SettingsStore(textOnly).readString("ComPort", "Port", ""), "7");
}

// ---- float -----------------------------------------------------------------------

struct FloatCase {
    const char* label;
    bool textOnly;
    StoredValue stored;
    std::optional<double> expected;  // nullopt: wrong type
};

TEST(SettingsReadFloat, EightByteBinaryAndInATextOnlyStoreANumberText)
{
    const FloatCase cases[] = {
        {"typed binary 12.5", false, StoredValue::binary(k12_5), 12.5},
        {"typed binary -2.25", false, StoredValue::binary(kMinus2_25), -2.25},
        {"typed text 1.5", false, StoredValue::text("1.5"), std::nullopt},
        {"typed integer", false, StoredValue::number(3), std::nullopt},
        {"typed 4 bytes", false, StoredValue::binary(bytes({0, 0, 0x20, 0x41})), std::nullopt},
        {"text-only text 1.5", true, StoredValue::text("1.5"), 1.5},
        {"text-only text -0.25", true, StoredValue::text("-0.25"), -0.25},
        {"text-only text 1e3", true, StoredValue::text("1e3"), 1000.0},
        {"text-only integer 3", true, StoredValue::number(3), 3.0},
        {"text-only binary 12.5", true, StoredValue::binary(k12_5), 12.5},
        {"text-only text abc", true, StoredValue::text("abc"), std::nullopt},
        {"text-only text 1,5", true, StoredValue::text("1,5"), std::nullopt},
        {"text-only empty", true, StoredValue::text(""), std::nullopt},
        {"text-only inf", true, StoredValue::text("inf"), std::nullopt},
        {"text-only -infinity", true, StoredValue::text("-infinity"), std::nullopt},
        {"text-only nan", true, StoredValue::text("nan"), std::nullopt},
        {"text-only 9 bytes", true, StoredValue::binary(k12_5 + "x"), std::nullopt},
    };
    for (const auto& c : cases) {
        MemoryKeyValueBackend backend(c.textOnly);
        backend.put("Graphic", "Maximum", c.stored);
        SettingsStore store(backend);
        if (c.expected) {
            EXPECT_EQ(store.readFloat("Graphic", "Maximum", 40.0), *c.expected) << c.label;
        } else {
            EXPECT_THROW(store.readFloat("Graphic", "Maximum", 40.0), InvalidDataTypeError)
                << c.label;
        }
    }
}

TEST(SettingsReadFloat, WrongTypeCarriesTheGermanMessageWithTheValueName)
{
    MemoryKeyValueBackend backend;
    backend.put("Graphic", "Minimum", StoredValue::text("0"));
    SettingsStore store(backend);
    try {
        store.readFloat("Graphic", "Minimum", 0.0);
        FAIL() << "no error for a text Minimum";
    } catch (const InvalidDataTypeError& e) {
        EXPECT_STREQ(e.what(), "Ungültiger Datentyp für 'Minimum'");
        EXPECT_EQ(e.valueName(), "Minimum");
    }
}

TEST(SettingsWriteFloat, TypedStoreWritesEightLittleEndianBytes)
{
    MemoryKeyValueBackend backend;
    SettingsStore store(backend);
    store.writeFloat("Graphic", "Maximum", 40.0);
    store.writeFloat("Graphic", "Minimum", -2.25);
    EXPECT_EQ(backend.read("Graphic", "Maximum"), StoredValue::binary(k40));
    EXPECT_EQ(backend.read("Graphic", "Minimum"), StoredValue::binary(kMinus2_25));
}

TEST(SettingsWriteFloat, TextOnlyStoreReadsBackExactlyAfterRestart)
{
    const double values[] = {0.0, 40.0, 0.1, 1.0 / 3.0, -2.25, 123456.789, 1e-300,
                             -DBL_MAX, DBL_MIN / 4 /* subnormal */, 0.30000000000000004};
    for (double v : values) {
        MemoryKeyValueBackend backend(true);
        SettingsStore(backend).writeFloat("Graphic", "Minimum", v);
        backend.restart();
        const auto stored = backend.read("Graphic", "Minimum");
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->type, ValueType::Text) << v;
        EXPECT_EQ(stored->data.find(','), std::string::npos) << "locale leaked into " << stored->data;
        const double back = SettingsStore(backend).readFloat("Graphic", "Minimum", 99.0);
        EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << stored->data;
    }
}

// ---- port settings ---------------------------------------------------------------

std::string field(const PortSettings& p, const std::string& name)
{
    if (name == "Port") return p.port;
    if (name == "BaudRate") return std::to_string(p.baudRate);
    if (name == "DataBits") return std::to_string(p.dataBits);
    if (name == "Parity") return p.parity;
    if (name == "StopBits") return p.stopBits;
    return p.flowControl;
}

struct PortCase {
    const char* name;
    const char* stored;
    const char* expected;
};

TEST(SettingsPortLoad, TextsMatchTheTablesWithoutRegardToCase)
{
    const PortCase cases[] = {
        {"Port", "COM3", "COM3"},
        {"Port", "\\\\.\\COM10", "\\\\.\\COM10"},
        {"Port", "/dev/serial/by-id/usb-FTDI-if00", "/dev/serial/by-id/usb-FTDI-if00"},
        {"Port", "", ""},
        {"Parity", "even", "Even"},
        {"Parity", "EVEN", "Even"},
        {"Parity", "Odd", "Odd"},
        {"Parity", "mark", "Mark"},
        {"Parity", "space", "Space"},
        {"Parity", "xyz", "None"},
        {"Parity", "", "None"},
        {"BaudRate", "115201", "9600"},
        {"BaudRate", "115200", "115200"},
        {"BaudRate", "110", "110"},
        {"BaudRate", "1200", "1200"},
        {"BaudRate", "460800", "460800"},
        {"BaudRate", "921600", "9600"},
        {"BaudRate", "", "9600"},
        {"StopBits", "1.5", "1.5"},
        {"StopBits", "2", "2"},
        {"StopBits", "3", "1"},
        {"StopBits", "1,5", "1"},
        {"DataBits", "5", "5"},
        {"DataBits", "7", "7"},
        {"DataBits", "9", "8"},
        {"DataBits", "eight", "8"},
        {"FlowControl", "hardware", "Hardware"},
        {"FlowControl", "SOFTWARE", "Software"},
        {"FlowControl", "none", "None"},
        // No match keeps the port's current flow control (here "Software").
        {"FlowControl", "rts", "Software"},
        {"FlowControl", "", "Software"},
    };
    PortSettings current;
    current.flowControl = "Software";
    for (bool textOnly : {false, true}) {
        for (const auto& c : cases) {
            MemoryKeyValueBackend backend(textOnly);
            backend.put("ComPort", c.name, StoredValue::text(c.stored));
            SettingsStore store(backend);
            EXPECT_EQ(field(store.loadPortSettings(current), c.name), c.expected)
                << c.name << "=" << c.stored;
            EXPECT_EQ(field(store.loadAllWithDefaults(kDocs, current).port, c.name), c.expected)
                << c.name << "=" << c.stored << " at start";
        }
    }
}

TEST(SettingsPortLoad, MissingTextsGiveTheDefaults)
{
    MemoryKeyValueBackend backend;
    SettingsStore store(backend);
    PortSettings current;
    current.port = "COM9";
    current.baudRate = 115200;
    current.flowControl = "Hardware";
    const PortSettings p = store.loadPortSettings(current);
    EXPECT_EQ(p.port, "");
    EXPECT_EQ(p.baudRate, 9600u);
    EXPECT_EQ(p.dataBits, 8);
    EXPECT_EQ(p.parity, "None");
    EXPECT_EQ(p.stopBits, "1");
    EXPECT_EQ(p.flowControl, "Hardware");
}

TEST_P(Both, PortSettingsAreStoredAsTextsAndReadBackAfterRestart)
{
    MemoryKeyValueBackend backend(GetParam());
    PortSettings p;
    p.port = "COM4";
    p.baudRate = 460800;
    p.dataBits = 7;
    p.parity = "even";  // the table's spelling is what gets written
    p.stopBits = "1.5";
    p.flowControl = "None";
    SettingsStore(backend).storePortSettings(p);

    const std::pair<const char*, const char*> expected[] = {
        {"Port", "COM4"}, {"BaudRate", "460800"}, {"StopBits", "1.5"},
        {"DataBits", "7"}, {"Parity", "Even"},    {"FlowControl", "None"},
    };
    for (const auto& [name, text] : expected)
        EXPECT_EQ(backend.read("ComPort", name), StoredValue::text(text)) << name;
    EXPECT_EQ(backend.size(), 6u);

    backend.restart();
    PortSettings back = SettingsStore(backend).loadPortSettings();
    p.parity = "Even";
    EXPECT_EQ(back, p);
}

TEST(SettingsPortLoad, AnyFailureIsFailedToLoadSettings)
{
    const std::function<void(MemoryKeyValueBackend&)> faults[] = {
        [](MemoryKeyValueBackend& b) { b.put("ComPort", "BaudRate", StoredValue::number(9600)); },
        [](MemoryKeyValueBackend& b) { b.put("ComPort", "Parity", StoredValue::binary("x")); },
        [](MemoryKeyValueBackend& b) { b.failReadOf("StopBits"); },
        [](MemoryKeyValueBackend& b) { b.failReadOf(""); },
    };
    for (std::size_t i = 0; i < std::size(faults); ++i) {
        MemoryKeyValueBackend backend;
        backend.put("ComPort", "Port", StoredValue::text("COM2"));
        faults[i](backend);
        SettingsStore store(backend);
        try {
            store.loadPortSettings();
            ADD_FAILURE() << "fault " << i << " not reported";
        } catch (const SettingsError& e) {
            EXPECT_STREQ(e.what(), "Failed to load settings") << i;
            EXPECT_FALSE(e.cause().empty()) << i;
        }
    }
}

TEST(SettingsPortStore, AnyFailureIsFailedToStoreSettings)
{
    for (int fault = 0; fault < 2; ++fault) {
        MemoryKeyValueBackend backend;
        if (fault == 0)
            backend.failWrites(true);
        else
            backend.failFlush(true);
        SettingsStore store(backend);
        try {
            store.storePortSettings(PortSettings{});
            ADD_FAILURE() << "fault " << fault << " not reported";
        } catch (const SettingsError& e) {
            EXPECT_STREQ(e.what(), "Failed to store settings") << fault;
        }
    }
}

// ---- Graphic and Directory -------------------------------------------------------

TEST_P(Both, GraphicValuesRoundTripThroughARestart)
{
    MemoryKeyValueBackend backend(GetParam());
    GraphicSettings g;
    g.minimum = -1.25;
    g.maximum = 0.1;
    g.autoScale = true;
    g.pointer = false;
    g.stair = true;
    g.allowZoom = true;
    g.allowPan = false;
    g.number = 1000;
    SettingsStore(backend).writeGraphic(g);
    backend.restart();
    EXPECT_EQ(SettingsStore(backend).readGraphic(), g);
    EXPECT_EQ(backend.size(), 8u);
    EXPECT_EQ(backend.read("Graphic", "AutoScale"), StoredValue::text("1"));
    EXPECT_EQ(backend.read("Graphic", "Pointer"), StoredValue::text("0"));
}

TEST(SettingsGraphic, TypedStoreKeepsTheTypesOfTheDataModel)
{
    MemoryKeyValueBackend backend;
    GraphicSettings g;
    g.maximum = 12.5;
    SettingsStore(backend).writeGraphic(g);
    EXPECT_EQ(backend.read("Graphic", "Maximum"), StoredValue::binary(k12_5));
    EXPECT_EQ(backend.read("Graphic", "Number"), StoredValue::number(250));
    EXPECT_EQ(backend.read("Graphic", "AllowPan"), StoredValue::text("0"));
}

TEST(SettingsGraphic, MinimumStoredAsTextEndsTheRead)
{
    MemoryKeyValueBackend backend;
    backend.put("Graphic", "Minimum", StoredValue::text("10"));
    SettingsStore store(backend);
    EXPECT_THROW(store.readGraphic(), InvalidDataTypeError);
}

TEST_P(Both, DirectoriesDefaultToTheDocumentsFolderEach)
{
    MemoryKeyValueBackend backend(GetParam());
    SettingsStore store(backend);
    store.writeString("Directory", "LogFile", "/var/log/pxr");
    DirectorySettings d = store.readDirectories(kDocs);
    EXPECT_EQ(d.parameter, kDocs);
    EXPECT_EQ(d.logFile, "/var/log/pxr");

    store.writeDirectories({"/p", "/l"});
    backend.restart();
    d = SettingsStore(backend).readDirectories(kDocs);
    EXPECT_EQ(d.parameter, "/p");
    EXPECT_EQ(d.logFile, "/l");
}

TEST_P(Both, OneUnreadableFolderLeavesTheOtherAsStored)
{
    const StoredValue unreadable = StoredValue::binary("\x01\x02");
    for (const char* bad : {"Parameter", "LogFile"}) {
        MemoryKeyValueBackend backend(GetParam());
        backend.put("Directory", "Parameter", StoredValue::text("/srv/params"));
        backend.put("Directory", "LogFile", StoredValue::text("/srv/logs"));
        backend.put("Directory", bad, unreadable);
        std::vector<std::string> problems;
        const DirectorySettings d = SettingsStore(backend).readDirectories(kDocs, &problems);
        const bool paramBad = std::string(bad) == "Parameter";
        EXPECT_EQ(d.parameter, paramBad ? kDocs : "/srv/params") << bad;
        EXPECT_EQ(d.logFile, paramBad ? "/srv/logs" : kDocs) << bad;
        ASSERT_EQ(problems.size(), 1u) << bad;
        EXPECT_EQ(problems[0], std::string("Directory/") + bad + ": Ungültiger Datentyp für '" + bad + "'");
    }
}

// ---- a run that must not change the user's store ----------------------------------

TEST_P(Both, OverlayReadsTheUserStoreAndKeepsEveryWriteToItself)
{
    MemoryKeyValueBackend user(GetParam());
    user.put("ComPort", "Port", StoredValue::text("/dev/ttyUSB0"));
    user.put("Device", "Type", StoredValue::text("1"));
    user.put("Directory", "LogFile", StoredValue::text("/srv/logs"));
    user.setDamage("one line of the file could not be read");
    const MemoryKeyValueBackend before = user;

    OverlayKeyValueBackend run(user);
    EXPECT_EQ(run.textOnly(), GetParam());
    EXPECT_EQ(run.damage(), user.damage());
    SettingsStore store(run);
    const StartupSettings s = store.loadAllWithDefaults(kDocs);
    EXPECT_EQ(s.port.port, "/dev/ttyUSB0");
    EXPECT_EQ(s.deviceType, 1);

    // Everything a run may write: the interface setup, diagram and folders.
    PortSettings demo;
    demo.port = "/tmp/pxr-demo-XXXX/pxr-demo";
    demo.baudRate = 115200;
    store.storePortSettings(demo);
    store.writeDeviceType(2);
    GraphicSettings g;
    g.maximum = 12.5;
    store.writeGraphic(g);
    store.writeDirectories({"/tmp/p", "/tmp/l"});

    // This run sees what it wrote ...
    EXPECT_EQ(store.loadPortSettings().port, demo.port);
    EXPECT_EQ(store.readDeviceType(), 2);
    EXPECT_EQ(store.readGraphic().maximum, 12.5);
    EXPECT_EQ(store.readDirectories(kDocs).logFile, "/tmp/l");
    // ... the user's store holds what it held.
    EXPECT_EQ(user.size(), before.size());
    for (const auto& [section, name] : {std::pair<const char*, const char*>{"ComPort", "Port"},
                                        {"Device", "Type"}, {"Directory", "LogFile"}})
        EXPECT_EQ(*user.read(section, name), *before.read(section, name)) << section << "/" << name;
    EXPECT_FALSE(user.exists("Graphic", "Maximum"));
    EXPECT_FALSE(user.exists("ComPort", "BaudRate"));
    EXPECT_GT(run.written(), 0u);
}

// ---- damaged store at start ------------------------------------------------------

TEST(SettingsStartup, DamagedValuesGetDefaultsAndOneMessage)
{
    MemoryKeyValueBackend backend;
    backend.setDamage("The settings file is damaged");
    backend.put("Device", "Type", StoredValue::binary("\x01"));
    backend.put("ComPort", "Port", StoredValue::text("COM5"));
    backend.put("ComPort", "BaudRate", StoredValue::number(19200));  // must be text
    backend.put("ComPort", "Parity", StoredValue::text("odd"));
    backend.put("Graphic", "Minimum", StoredValue::text("abc"));     // must be binary
    backend.put("Graphic", "Maximum", StoredValue::binary(k12_5));
    backend.put("Graphic", "Stair", StoredValue::text("1"));
    backend.put("Graphic", "Number", StoredValue::binary(k40));
    backend.put("Directory", "Parameter", StoredValue::number(1));
    backend.put("Directory", "LogFile", StoredValue::text("/logs"));

    const StartupSettings s = SettingsStore(backend).loadAllWithDefaults(kDocs);

    // The bad values fall back to their defaults ...
    EXPECT_EQ(s.deviceType, 0);
    EXPECT_EQ(s.port.baudRate, 9600u);
    EXPECT_EQ(s.graphic.minimum, 0.0);
    EXPECT_EQ(s.graphic.number, 250);
    EXPECT_EQ(s.directories.parameter, kDocs);
    // ... the good ones are kept ...
    EXPECT_EQ(s.port.port, "COM5");
    EXPECT_EQ(s.port.parity, "Odd");
    EXPECT_EQ(s.graphic.maximum, 12.5);
    EXPECT_TRUE(s.graphic.stair);
    EXPECT_EQ(s.directories.logFile, "/logs");
    // ... and every problem is in one message.
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(s.problems.size(), 6u);
    const std::string m = s.message();
    for (const char* part : {"The settings file is damaged", "Device/Type", "ComPort/BaudRate",
                             "Ungültiger Datentyp für 'Minimum'", "Graphic/Number",
                             "Directory/Parameter"})
        EXPECT_NE(m.find(part), std::string::npos) << part << " missing in: " << m;
    EXPECT_EQ(m.find("Maximum"), std::string::npos);
}

TEST(SettingsStartup, UnreadableStoreStillStartsWithDefaults)
{
    MemoryKeyValueBackend backend;
    backend.put("Device", "Type", StoredValue::number(2));
    backend.failReadOf("");
    StartupSettings s;
    ASSERT_NO_THROW(s = SettingsStore(backend).loadAllWithDefaults(kDocs));
    EXPECT_EQ(s.deviceType, 0);
    EXPECT_EQ(s.port.baudRate, 9600u);
    EXPECT_EQ(s.graphic.maximum, 40.0);
    EXPECT_EQ(s.directories.logFile, kDocs);
    EXPECT_FALSE(s.message().empty());
}

TEST(SettingsStartup, ModelLineOutsideTheThreeLinesStartsAsPXR7X)
{
    struct Case {
        StoredValue stored;
        int32_t expected;
        bool ok;
    };
    const Case cases[] = {
        {StoredValue::number(2), 2, true},
        {StoredValue::text("1"), 1, true},
        {StoredValue::number(0), 0, true},
        {StoredValue::number(3), 0, false},
        {StoredValue::text("-1"), 0, false},
        {StoredValue::number(258), 0, false},  // would pass for 2 if cut to a byte
    };
    for (const auto& c : cases) {
        MemoryKeyValueBackend backend;
        backend.put("Device", "Type", c.stored);
        const StartupSettings s = SettingsStore(backend).loadAllWithDefaults(kDocs);
        EXPECT_EQ(s.deviceType, c.expected) << c.stored.data << c.stored.integer;
        EXPECT_EQ(s.ok(), c.ok) << s.message();
    }
}

} // namespace
