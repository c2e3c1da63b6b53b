// The command vocabulary (actions, menus, toolbar, context menus, button
// bars), the interface setup rules and the command line.

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "app/ActionTable.h"
#include "app/Arrangement.h"
#include "app/CommandLine.h"
#include "app/InterfaceSetup.h"

using namespace pxr;

namespace {

// ---- actions ---------------------------------------------------------------------

struct ExpectedAction {
    const char* name;
    const char* category;
    const char* caption;
    const char* hint; // the hint shown in the status bar; "" for none
    const char* shortcut;
    bool enabled;
};

// Where the document gives no hint the hint is the caption (without the
// mnemonic marker); the velocity commands have none.
const ExpectedAction kExpected[] = {
    {"acGetParameter", "Parameter", "Get Parameter", "Get Parameter", "F8", true},
    {"acSetParameter", "Parameter", "Set Parameter", "Set Parameter", "F10", true},
    {"acSetStandard", "Parameter", "Set Standard", "Set Satndard Parameter", "", true},
    {"acSetProfibus", "Parameter", "Set Profibus", "Set Profibus Parameter", "", true},
    {"acOpen", "Parameter", "&Open", "Open Parameter File", "Ctrl+O", true},
    {"acSave", "Parameter", "&Save", "Save Parameter File", "Ctrl+S", true},
    {"acPrint", "Parameter", "&Print", "Print", "Ctrl+P", true},
    {"acExport", "Parameter", "Export to Clipboard", "Export to Clipboard", "", true},
    {"acImport", "Parameter", "Import from Clipboard", "Import from Clipboard", "", true},
    {"acViewFile", "File", "&View File", "View File", "Alt+V", true},
    {"acExit", "File", "Exit", "Exit Program", "Alt+F4", true},
    {"acStartStopLog", "Log", "Start Log File", "Start / Stop Online Log File (*.csv)", "Alt+L", true},
    {"acClearLog", "Log", "Clear Log Window", "Clear Log Window", "", true},
    {"acSaveLog", "Log", "Save Log Window", "Save Log Window (*.csv)", "", true},
    {"acDT", "Commands", "DT Distance Tracking", "DT Distance Tracking", "F2", true},
    {"acDS", "Commands", "DS Distance Tracking up to 7 m", "Distance Tracking up to 7 m", "", true},
    {"acDW", "Commands", "DW Distance Tracking with cooprative Target (10 Hz)",
     "DW Distance Tracking with cooprative Target (10 Hz)", "F3", true},
    {"acDX", "Commands", "DX Distance Tracking with cooperative Target (50 Hz)",
     "DX Distance Tracking with cooperative Target (50 Hz)", "", true},
    {"acDF", "Commands", "DF Distance Tracking with Trigger", "DF Distance Tracking with Trigger", "", true},
    {"acDM", "Commands", "DM Distance Measurement", "DM Distance Measurement", "F4", true},
    {"acVM", "Commands", "VM Velocity Measurement", "", "", true},
    {"acVT", "Commands", "VT Velocity Tracking", "", "", true},
    {"acLF", "Commands", "LF Laser Off", "LF Laser Off", "", true},
    {"acTP", "Commands", "TP Internal Temperature in \xc2\xb0" "C", "TP Internal Temperature in \xc2\xb0" "C", "", true},
    {"acID", "Commands", "ID Identification", "ID Identification", "", true},
    {"acSO", "Commands", "SO Set Offset", "SO Set Offset", "", true},
    {"acStop", "Commands", "STOP", "Stop Measurement", "", true},
    {"acDJ", "Commands", "Signal Strength", "Signal Strength", "", true},
    {"acSd", "Commands", "Signal Strength", "Signal Strength", "", true},
    {"acBaudrate", "Commands", "BR Change Baud Rate", "Change baud rate of PXR and PC", "", true},
    {"acSettings", "Options", "Interfa&ce Setup", "Interface Setup", "Alt+C", true},
    {"acGraphic", "Options", "Diagram Setup", "Diagram Setup", "Alt+G", true},
    {"acPrinterSetup", "Options", "&Printer Setup", "Printer Setup", "", true},
    {"acDirectory", "Options", "&Directory Setup", "Directory Setup", "Alt+D", true},
    {"acSimulation", "Options", "Simulation Setup", "Simulation Setup", "", true},
    {"acDevice", "Help", "&Device Info", "Device Info", "", true},
    {"acClearGrafik", "Grafik", "Clear", "Clear Diagram", "", true},
    {"acPrintGrafik", "Grafik", "Print Diagram", "Print Diagram", "Alt+P", true},
    {"acSaveGrafik", "Grafik", "Save Diagram", "Save Diagram", "Alt+S", true},
    {"acZoomIn", "Grafik", "Zoom In", "Zoom In", "", false},
    {"acZoomOut", "Grafik", "Zoom Out", "Zoom Out", "", false},
    {"acResetZoom", "Grafik", "Reset Zoom", "Reset Zoom", "", true},
};

class Actions : public ::testing::TestWithParam<ExpectedAction> {};

TEST_P(Actions, MatchTheCommandList)
{
    const ExpectedAction& e = GetParam();
    const ActionDef* a = findAction(e.name);
    ASSERT_NE(a, nullptr) << e.name;
    EXPECT_STREQ(a->category, e.category);
    EXPECT_STREQ(a->caption, e.caption);
    EXPECT_EQ(a->hintText(), e.hint);
    EXPECT_STREQ(a->shortcut, e.shortcut);
    EXPECT_EQ(a->enabledAtStart, e.enabled);
}

INSTANTIATE_TEST_SUITE_P(All, Actions, ::testing::ValuesIn(kExpected),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ActionTable, HoldsExactlyTheCommandsOfTheListOnceEach)
{
    ASSERT_EQ(actionTable().size(), std::size(kExpected));
    for (size_t i = 0; i < actionTable().size(); ++i)
        for (size_t j = i + 1; j < actionTable().size(); ++j)
            EXPECT_STRNE(actionTable()[i].name, actionTable()[j].name);
    EXPECT_EQ(findAction("acNothing"), nullptr);
}

TEST(ActionTable, MnemonicMarkerIsDroppedFromACaptionUsedAsHint)
{
    EXPECT_EQ(withoutMnemonic("&Print"), "Print");
    EXPECT_EQ(withoutMnemonic("Interfa&ce Setup"), "Interface Setup");
    EXPECT_EQ(withoutMnemonic("Save && Exit"), "Save & Exit");
    EXPECT_EQ(withoutMnemonic("STOP"), "STOP");
}

// ---- where the actions appear ------------------------------------------------------

// "-" is a separator or, in a button bar, an empty place.
std::vector<std::string> names(const std::vector<EntryDef>& entries)
{
    std::vector<std::string> out;
    for (const EntryDef& e : entries)
        out.push_back(e.isSeparator() ? "-" : e.action);
    return out;
}

std::vector<std::string> captions(const std::vector<EntryDef>& entries)
{
    std::vector<std::string> out;
    for (const EntryDef& e : entries)
        out.push_back(e.isSeparator() ? "" : e.caption ? e.caption : "?");
    return out;
}

TEST(Menus, HoldTheActionsInTheStatedOrder)
{
    const auto& menus = mainMenus();
    ASSERT_EQ(menus.size(), 5u);
    const std::vector<std::pair<std::string, std::vector<std::string>>> expected = {
        {"&File", {"acStartStopLog", "acViewFile", "-", "acSaveGrafik", "acPrintGrafik", "-", "acExit"}},
        {"&Parameter",
         {"acOpen", "acSave", "acPrint", "-", "acExport", "acImport", "-", "acSetStandard",
          "acSetProfibus", "-", "acGetParameter", "acSetParameter", "acBaudrate"}},
        {"&Commands",
         {"acDT", "acDS", "acDJ", "acSd", "acDW", "acDX", "acDF", "acDM", "acVM", "acVT", "-", "acLF",
          "acTP", "acID", "acSO", "acBaudrate"}},
        {"&Options", {"acSettings", "acGraphic", "acPrinterSetup", "acDirectory", "acSimulation"}},
        {"&Help", {"acDevice"}},
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(menus[i].title, expected[i].first);
        EXPECT_EQ(names(menus[i].entries), expected[i].second) << menus[i].title;
    }
}

TEST(Menus, SetStandardEntryHasItsOwnHint)
{
    for (const MenuDef& m : mainMenus())
        for (const EntryDef& e : m.entries) {
            if (e.isSeparator())
                continue;
            ASSERT_NE(findAction(e.action), nullptr) << e.action;
            if (std::string(e.action) == "acSetStandard")
                EXPECT_STREQ(e.hint, "Set Standard Parameter");
            else
                EXPECT_EQ(e.hint, nullptr) << e.action;
        }
}

TEST(ContextMenus, DiagramAndLogMenus)
{
    EXPECT_EQ(names(chartContextMenu()),
              (std::vector<std::string>{"acStop", "acDT", "acDF", "-", "acClearGrafik", "acGraphic",
                                        "acPrintGrafik", "acSaveGrafik", "-", "acZoomIn", "acZoomOut",
                                        "acResetZoom"}));
    EXPECT_STREQ(chartContextMenu()[4].caption, "Clear Diagram");
    EXPECT_EQ(names(logContextMenu()),
              (std::vector<std::string>{"acStop", "acDT", "acDF", "-", "acClearLog", "acStartStopLog"}));
}

TEST(Toolbar, GroupsLeftToRight)
{
    EXPECT_EQ(names(toolbarEntries()),
              (std::vector<std::string>{"acOpen", "acSave", "acPrint", "-", "acGetParameter",
                                        "acSetParameter", "-", "acExport", "acImport", "-",
                                        "ToolButton8", "ToolButton10", "tb_Bold", "-", "acDevice"}));
    const std::vector<std::pair<std::string, std::string>> terminal = {
        {"ToolButton8", "Terminal Font Size +"},
        {"ToolButton10", "Terminal Font Size -"},
        {"tb_Bold", "Terminal Bold Font"},
    };
    for (const auto& [name, hint] : terminal) {
        const ToolButtonDef* b = findToolButton(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->hint, hint);
        EXPECT_EQ(b->toggle, name == "tb_Bold");
    }
}

struct BarCase {
    int line;
    std::vector<std::string> device;
    std::vector<std::string> graphic;
};

class ButtonBars : public ::testing::TestWithParam<BarCase> {};

TEST_P(ButtonBars, PlacesAndCaptions)
{
    const BarCase& c = GetParam();
    const auto line = static_cast<DeviceType>(c.line);
    EXPECT_EQ(captions(deviceButtonBar(line)), c.device);
    EXPECT_EQ(captions(graphicButtonBar(line)), c.graphic);
    // Every button is bound to an action the line has.
    for (const auto* bar : {&deviceButtonBar(line), &graphicButtonBar(line)})
        for (const EntryDef& e : *bar)
            if (!e.isSeparator()) {
                ASSERT_NE(findAction(e.action), nullptr) << e.action;
                EXPECT_TRUE(actionVisibleFor(e.action, line)) << e.action;
            }
}

INSTANTIATE_TEST_SUITE_P(
    ModelLines, ButtonBars,
    ::testing::Values(
        BarCase{0, {"STOP", "DT", "DW", "DF", "TP", "ID"},
                {"STOP", "DT", "DW", "DF", "Clear", "Setup", "Print", "Save"}},
        BarCase{1, {"STOP", "DT", "DJ", "DF", "TP", "ID"},
                {"STOP", "DT", "", "DF", "Clear", "Setup", "Print", "Save"}},
        BarCase{2, {"STOP", "DT", "", "DF", "TP", "ID"},
                {"STOP", "DT", "", "DF", "Clear", "Setup", "Print", "Save"}}));

TEST(ButtonBars, BindTheNamedActions)
{
    EXPECT_EQ(names(graphicButtonBar(0)),
              (std::vector<std::string>{"acStop", "acDT", "acDW", "acDF", "acClearGrafik", "acGraphic",
                                        "acPrintGrafik", "acSaveGrafik"}));
    EXPECT_EQ(names(deviceButtonBar(1))[2], "acDJ");
    EXPECT_EQ(names(logButtonBar()),
              (std::vector<std::string>{"acStop", "acClearLog", "acSaveLog", "acStartStopLog"}));
    EXPECT_EQ(captions(logButtonBar()),
              (std::vector<std::string>{"STOP", "Clear Log Window", "Save Log Window", "Start Log File"}));
    EXPECT_TRUE(deviceButtonBar(3).empty());
}

TEST(Arrangement, NoneForAValueOutsideTheModelLines)
{
    EXPECT_EQ(arrangementFor(3), nullptr);
    EXPECT_FALSE(actionVisibleFor("acDS", 3));
    EXPECT_TRUE(actionVisibleFor("acDT", 3));
    EXPECT_EQ(defaultBaudRate(kPXR7X), 9600u);
    EXPECT_EQ(defaultBaudRate(kPXR500C), 9600u);
    EXPECT_EQ(defaultBaudRate(kPXR501), 115200u);
}

// ---- interface setup rules ---------------------------------------------------------

TEST(ComSetup, Lists)
{
    EXPECT_EQ(ComSetupModel::deviceItems(), (std::vector<std::string>{"PXR7X", "PXR500C", "PXR501/502"}));
    EXPECT_EQ(ComSetupModel::baudItems(),
              (std::vector<std::string>{"2400", "4800", "9600", "19200", "38400", "57600", "115200",
                                        "230400", "460800"}));
}

struct RateCase {
    const char* text;
    uint32_t rate;
};

class RateFromText : public ::testing::TestWithParam<RateCase> {};

TEST_P(RateFromText, NamedRateOr9600)
{
    EXPECT_EQ(ComSetupModel::rateFromText(GetParam().text), GetParam().rate);
}

INSTANTIATE_TEST_SUITE_P(Texts, RateFromText,
                         ::testing::Values(RateCase{"2400", 2400}, RateCase{"19200", 19200},
                                           RateCase{"460800", 460800}, RateCase{"", 9600},
                                           RateCase{"1200", 9600}, RateCase{"115201", 9600},
                                           RateCase{" 4800", 9600}));

struct ShowCase {
    uint32_t rate;
    int index;
};

class FormShowRate : public ::testing::TestWithParam<ShowCase> {};

TEST_P(FormShowRate, SelectsTheRateOrNothing)
{
    ComSetupModel m;
    m.FormShow(kPXR500C, "/dev/ttyS0", GetParam().rate);
    EXPECT_EQ(m.baudIndex, GetParam().index);
    EXPECT_EQ(m.deviceIndex, 1);
}

INSTANTIATE_TEST_SUITE_P(Rates, FormShowRate,
                         ::testing::Values(ShowCase{2400, 0}, ShowCase{9600, 2}, ShowCase{115200, 6},
                                           ShowCase{460800, 8}, ShowCase{1200, -1}, ShowCase{110, -1},
                                           ShowCase{921600, -1}));

TEST(ComSetup, PickingAModelLineJumpsToItsRate)
{
    ComSetupModel m;
    m.FormShow(kPXR7X, "", 38400);
    m.cb_deviceChange(2);
    EXPECT_EQ(m.baudText(), "115200");
    m.cb_deviceChange(1);
    EXPECT_EQ(m.baudText(), "9600");
    m.selectBaudText("57600");
    m.cb_deviceChange(0);
    EXPECT_EQ(m.baudText(), "9600");
}

TEST(ComSetup, SimulateDeviceTicksTheReadoutBoxButUntickingLeavesIt)
{
    ComSetupModel m;
    m.simulate = true;
    m.simulateToggled();
    EXPECT_TRUE(m.readoutNow);
    m.simulate = false;
    m.simulateToggled();
    EXPECT_TRUE(m.readoutNow);
    m.readoutNow = false;
    m.simulateToggled();
    EXPECT_FALSE(m.readoutNow);
}

TEST(ComSetup, PortListIsSortedAndKeepsUnlistedNames)
{
    ComSetupModel m;
    m.setSystemPorts({"/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyACM0"});
    EXPECT_EQ(m.portItems(), (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0"}));
    m.FormShow(kPXR7X, "/tmp/pxr-demo", 9600);
    EXPECT_EQ(m.portName, "/tmp/pxr-demo");
    // The system list changes (adapter pulled); the shown name stays offered.
    m.setSystemPorts({"/dev/ttyS0"});
    EXPECT_EQ(m.portItems(), (std::vector<std::string>{"/dev/ttyS0", "/tmp/pxr-demo"}));
    m.FormShow(kPXR7X, "/dev/ttyS0", 9600);
    EXPECT_EQ(m.portItems().size(), 2u);
}

TEST(ComSetup, AWindowsPortTypedAnotherWayIsTheListedOne)
{
    // The list as Windows gives it, sorted as text; a stored or typed
    // "\\.\COM10" or "com3" selects the listed entry instead of adding a
    // second one for the same port.
    ComSetupModel m;
    m.setSystemPorts({"COM3", "COM10", "COM1"});
    const std::vector<std::string> listed{"COM1", "COM10", "COM3"};
    EXPECT_EQ(m.portItems(), listed);
    struct Case {
        const char* stored;
        const char* selected;
    } cases[] = {{"\\\\.\\COM10", "COM10"}, {"com3", "COM3"}, {"COM1", "COM1"}};
    for (const Case& c : cases) {
        m.FormShow(kPXR7X, c.stored, 9600);
        EXPECT_EQ(m.portName, c.selected) << c.stored;
        EXPECT_EQ(m.portItems(), listed) << c.stored;
    }
    // A port the system does not list (yet) is kept as typed.
    m.FormShow(kPXR7X, "\\\\.\\COM11", 9600);
    EXPECT_EQ(m.portName, "\\\\.\\COM11");
    EXPECT_EQ(m.portItems(), (std::vector<std::string>{"COM1", "COM10", "COM3", "\\\\.\\COM11"}));
    // Once it is plugged in, the system's entry takes its place.
    m.setSystemPorts({"COM1", "COM11"});
    EXPECT_EQ(m.portItems(), (std::vector<std::string>{"COM1", "COM11"}));
}

// ---- command line ------------------------------------------------------------------

struct CommandLineCase {
    std::vector<std::string> args;
    bool debug;
    std::string port;
    bool demo;
    std::string model;
    bool help;
    bool version;
    bool error;
};

class CommandLines : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLines, Parse)
{
    const CommandLineCase& c = GetParam();
    const CommandLine cl = parseCommandLine(c.args);
    EXPECT_EQ(!cl.error.empty(), c.error) << cl.error;
    if (c.error)
        return;
    EXPECT_EQ(cl.debug, c.debug);
    EXPECT_EQ(cl.port, c.port);
    EXPECT_EQ(cl.demo, c.demo);
    EXPECT_EQ(cl.demoModel, c.model);
    EXPECT_EQ(cl.help, c.help);
    EXPECT_EQ(cl.version, c.version);
}

INSTANTIATE_TEST_SUITE_P(
    Args, CommandLines,
    ::testing::Values(
        CommandLineCase{{}, false, "", false, "pxr7x", false, false, false},
        CommandLineCase{{"DeBuG"}, true, "", false, "pxr7x", false, false, false},
        CommandLineCase{{"--port", "/dev/ttyUSB0"}, false, "/dev/ttyUSB0", false, "pxr7x", false, false, false},
        CommandLineCase{{"--port=/tmp/x", "debug"}, true, "/tmp/x", false, "pxr7x", false, false, false},
        CommandLineCase{{"--port", "COM3"}, false, "COM3", false, "pxr7x", false, false, false},
        CommandLineCase{{"--port=\\\\.\\COM10"}, false, "\\\\.\\COM10", false, "pxr7x", false, false, false},
        CommandLineCase{{"--demo"}, false, "", true, "pxr7x", false, false, false},
        CommandLineCase{{"--demo", "PXR502", "debug"}, true, "", true, "pxr502", false, false, false},
        CommandLineCase{{"--demo", "debug"}, true, "", true, "pxr7x", false, false, false},
        CommandLineCase{{"--demo=pxr500c"}, false, "", true, "pxr500c", false, false, false},
        CommandLineCase{{"--help"}, false, "", false, "pxr7x", true, false, false},
        CommandLineCase{{"-h"}, false, "", false, "pxr7x", true, false, false},
        CommandLineCase{{"--version"}, false, "", false, "pxr7x", false, true, false},
        CommandLineCase{{"somefile.csv"}, false, "", false, "pxr7x", false, false, false},
        CommandLineCase{{"--port"}, false, "", false, "", false, false, true},
        CommandLineCase{{"--port="}, false, "", false, "", false, false, true},
        CommandLineCase{{"--demo=pxr9"}, false, "", false, "", false, false, true},
        CommandLineCase{{"--frobnicate"}, false, "", false, "", false, false, true}));

TEST(CommandLine, DemoModelsMapToModelLines)
{
    EXPECT_EQ(demoModelLine("pxr7x"), kPXR7X);
    EXPECT_EQ(demoModelLine("PXR500C"), kPXR500C);
    EXPECT_EQ(demoModelLine("pxr501"), kPXR501);
    EXPECT_EQ(demoModelLine("pxr502"), kPXR501);
    EXPECT_FALSE(demoModelLine("pxr600").has_value());
}

TEST(CommandLine, UsageNamesEveryOption)
{
    const std::string u = usageText("pxrtool");
    for (const char* opt : {"debug", "--port", "--demo", "--help", "--version"})
        EXPECT_NE(u.find(opt), std::string::npos) << opt;
}

} // namespace

namespace {

TEST(CommandLine, RunsWithADemoOrAPortForThisRunLeaveTheStoredSettingsAlone)
{
    const struct {
        std::vector<std::string> args;
        bool keeps;
    } cases[] = {
        {{}, false},
        {{"debug"}, false},
        {{"--demo"}, true},
        {{"--demo=pxr501", "debug"}, true},
        {{"--port", "/dev/ttyUSB1"}, true},
        {{"--port=/tmp/pxr"}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keepsUserSettings(parseCommandLine(c.args)), c.keeps) << ::testing::PrintToString(c.args);
}

TEST(CommandLine, NoDisplayIsFoundBeforeTheToolkitTries)
{
    const struct {
        const char* platform;
        const char* display;
        const char* wayland;
        bool missing;
    } cases[] = {
        {nullptr, nullptr, nullptr, true},
        {"", "", "", true},
        {nullptr, ":0", nullptr, false},
        {nullptr, nullptr, "wayland-0", false},
        {"xcb", nullptr, "wayland-0", true},
        {"XCB", ":1", nullptr, false},
        {"wayland", ":0", nullptr, true},
        {"wayland;xcb", ":0", nullptr, false},
        {"offscreen", nullptr, nullptr, false},
        {"vnc:size=800x600", nullptr, nullptr, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(displayMissing(c.platform, c.display, c.wayland), c.missing)
            << (c.platform ? c.platform : "(unset)") << " DISPLAY=" << (c.display ? c.display : "(unset)");
}

TEST(CommandLine, NoDisplayTextIsOneLineSayingWhatToUseInstead)
{
    for (const std::string display : {"", ":99"}) {
        const std::string t = noDisplayText(display);
        EXPECT_EQ(t.find('\n'), std::string::npos) << t;
        EXPECT_EQ(t.rfind("pxrtool: ", 0), 0u) << t;
        EXPECT_NE(t.find("pxrctl"), std::string::npos) << t;
        EXPECT_NE(t.find("scripts/run"), std::string::npos) << t;
        EXPECT_NE(t.find(display.empty() ? "DISPLAY is not set" : "\":99\""), std::string::npos) << t;
    }
}

TEST(InterfaceSetupRules, OkNeedsAPortNameExceptForSimulation)
{
    const struct {
        const char* port;
        bool simulate;
        bool refused;
    } cases[] = {
        {"", false, true}, {"   ", false, true}, {"\t", false, true},
        {"/dev/ttyUSB0", false, false}, {"COM1", false, false},
        {"", true, false}, {"/dev/ttyUSB0", true, false},
    };
    for (const auto& c : cases) {
        const std::string r = ComSetupModel::okRefusal(c.port, c.simulate);
        EXPECT_EQ(!r.empty(), c.refused) << "'" << c.port << "' simulate=" << c.simulate;
        if (c.refused) {
            EXPECT_NE(r.find("port"), std::string::npos) << r;
        }
    }
}

} // namespace
