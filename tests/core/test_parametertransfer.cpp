#include <gtest/gtest.h>

#include <algorithm>

#include <map>
#include <string>
#include <vector>

#include "parameters/ParameterClipboard.h"
#include "parameters/ParameterTransfer.h"
#include "base/TextUtils.h"
#include "support/CoreRig.h"
#include "support/ScriptedPeer.h"

using namespace pxr;
using namespace pxr::test;

namespace {

struct Transfer : ::testing::Test, CoreRig, ParameterTransfer::Host {
    ScriptedPeer peer;
    bool simulation = false;
    std::vector<int> simuModes;
    int recomputed = 0;
    char separator = '.';
    ParameterTransfer transfer{tx, mess, pxr7x, pxr500c, pxr501, this};

    bool simulationOn() const override { return simulation; }
    void recomputeSimuInterval() override { ++recomputed; }
    void setSimuMode(int m) override { simuModes.push_back(m); }
    char decimalSeparator() const override { return separator; }

    void SetUp() override
    {
        open(peer);
        mess.setStopString(CRLF);
        mess.setComPort(&port);
    }
    void model(DeviceType m) { tx.deviceType = m; }
    // The meter answers `code` with the reply line (PXR7X/PXR501 form: echo first).
    void answer(const std::string& code, const std::string& values, double after = 8)
    {
        peer.script[code] = {{after, code + " " + values + "\r\n"}};
    }
    double writtenAt(const std::string& bytes) const
    {
        for (const auto& b : backend.written())
            if (b.bytes == bytes)
                return b.atMs;
        return -1;
    }
};

const std::map<std::string, std::string> kPxr7xMeter = {
    {"ST", "1"}, {"SA", "25"}, {"TD", "0 1"}, {"TM", "2 3"}, {"SF", "1,5"}, {"OF", "0.1"},
    {"AS", "dt"}, {"SE", "0"}, {"RM", "1 2 3"}, {"SD", "d"}, {"RB", "4"}, {"RE", "20"},
    {"AC", "2"}, {"AH", "0.5"}, {"AW", "7"},
};

} // namespace

TEST_F(Transfer, GetParameterPxr7xFillsEverythingAndRestartsAutoStart)
{
    model(kPXR7X);
    for (const auto& kv : kPxr7xMeter)
        answer(kv.first, kv.second);
    transfer.acGetParameterExecute();
    EXPECT_EQ(ui.statusText(2), " Get Parameter ok");
    const std::map<std::string, std::string> expected = {
        {"cb_st", "1"},  {"cb_sa", "25"},  {"cb_td", "0"},   {"cb_tl", "1"},    {"cb_tm", "2"},
        {"cb_tml", "3"}, {"cb_sf", "1.5"}, {"cb_of", "0.1"}, {"cb_as", "dt"},   {"cb_se", "0"},
        {"cb_rmx", "1"}, {"cb_rmy", "2"},  {"cb_rmz", "3"},  {"cb_sd", "d"},    {"cb_rb", "4"},
    };
    for (const auto& kv : expected)
        EXPECT_EQ(fields.fieldText(kv.first), kv.second) << kv.first;
    EXPECT_EQ(pxr7x.GetAW(), "7");
    const auto w = writes();
    ASSERT_GE(w.size(), 3u);
    EXPECT_EQ(w.front(), "\x1b");
    EXPECT_EQ(w[1], "SA\r"); // the probe
    EXPECT_EQ(w.back(), "dt\r");
    // ESC, probe, 15 queries, the auto-start command.
    EXPECT_EQ(w.size(), 18u);
    EXPECT_EQ(mess.comPort(), &port);
    EXPECT_EQ(ui.busy, 0);
}

TEST_F(Transfer, GetParameterQueryOrderAndPausesPxr7x)
{
    model(kPXR7X);
    for (const auto& kv : kPxr7xMeter)
        answer(kv.first, kv.second);
    transfer.acGetParameterExecute();
    const std::vector<std::string> order = {"\x1b", "SA\r", "ST\r", "SA\r", "TD\r", "TM\r", "SF\r",
                                            "OF\r", "AS\r", "SE\r", "RM\r", "SD\r", "RB\r", "RE\r",
                                            "AC\r", "AH\r", "AW\r", "dt\r"};
    EXPECT_EQ(writes(), order);
    // SF is followed by 50 ms; TD is not followed by a pause.
    EXPECT_GE(writtenAt("OF\r") - writtenAt("SF\r"), 50.0 + 10.0);
    EXPECT_LT(writtenAt("TM\r") - writtenAt("TD\r"), 40.0);
}

struct TdCase {
    std::string reply;
    std::string td0, td1;
};

class TdSplit : public Transfer, public ::testing::WithParamInterface<TdCase> {};

TEST_P(TdSplit, ValuesTakenWithSplitToken)
{
    model(kPXR7X);
    for (const auto& kv : kPxr7xMeter)
        answer(kv.first, kv.second);
    peer.script["TD"] = {{8, "TD " + GetParam().reply + "\r\n"}};
    transfer.acGetParameterExecute();
    EXPECT_EQ(fields.fieldText("cb_td"), GetParam().td0);
    EXPECT_EQ(fields.fieldText("cb_tl"), GetParam().td1);
}

INSTANTIATE_TEST_SUITE_P(Transfer, TdSplit,
                         ::testing::Values(TdCase{"0 1", "0", "1"}, TdCase{"5", "5", ""},
                                           TdCase{"0 1 2", "0", "1"}, TdCase{" 7", "", "7"},
                                           TdCase{"0,5 1,5", "0.5", "1.5"}));

TEST_F(Transfer, SilentAfterProbeBlanksAllAndReportsLastCode)
{
    struct Case {
        DeviceType model;
        std::string last;
    } cases[] = {{kPXR7X, " Error AW=TIMEOUT"}, {kPXR500C, " Error AH=TIMEOUT"}, {kPXR501, " Error SC=TIMEOUT"}};
    for (const auto& c : cases) {
        model(c.model);
        backend.clearWritten();
        peer.script["SA"] = {{8, c.model == kPXR500C ? "  25\r\n" : "SA 25\r\n"}};
        peer.answersLeft["SA"] = 1;
        transfer.acGetParameterExecute();
        EXPECT_EQ(ui.statusText(2), c.last);
        EXPECT_EQ(transfer.currentSet().value("SA"), "");
        // Nothing follows the last query: AS is blank.
        const auto w = writes();
        ASSERT_FALSE(w.empty());
        EXPECT_EQ(w.back(), c.last.substr(7, 2) + "\r");
    }
}

TEST_F(Transfer, NoProbeAnswerTimesOutInterface)
{
    model(kPXR7X);
    fields.setFieldText("cb_sa", "typed");
    pxr7x.SetSA("old");
    transfer.acGetParameterExecute();
    EXPECT_EQ(ui.statusText(2), " Timeout Interface");
    EXPECT_EQ(pxr7x.GetSA(), "");
    EXPECT_EQ(writes(), (std::vector<std::string>{"\x1b", "SA\r"}));
}

// With the port closed (outside simulation) nothing can answer: every
// command that would read or write the meter keeps the editor as it is,
// sends nothing and says that the interface is not open.
TEST_F(Transfer, ClosedPortKeepsTheEditorAndSaysSo)
{
    struct Case {
        const char* name;
        DeviceType model;
        const char* control;
        void (ParameterTransfer::*run)();
        const char* expected; // the field afterwards
    } cases[] = {
        {"Get PXR7X", kPXR7X, "cb_sa", &ParameterTransfer::acGetParameterExecute, "42"},
        {"Get PXR500C", kPXR500C, "cb_sa_1", &ParameterTransfer::acGetParameterExecute, "42"},
        {"Get PXR501", kPXR501, "cb_sa_2", &ParameterTransfer::acGetParameterExecute, "42"},
        {"Set PXR7X", kPXR7X, "cb_sa", &ParameterTransfer::acSetParameterExecute, "42"},
        {"Set PXR500C", kPXR500C, "cb_sa_1", &ParameterTransfer::acSetParameterExecute, "42"},
        {"Set PXR501", kPXR501, "cb_sa_2", &ParameterTransfer::acSetParameterExecute, "42"},
        // Set Standard loads the factory values and then cannot write them;
        // on PXR501/502 the variant cannot be asked, the PXR501 values stay.
        {"Standard PXR7X", kPXR7X, "cb_sa", &ParameterTransfer::acSetStandardExecute, "1"},
        {"Standard PXR501", kPXR501, "cb_sa_2", &ParameterTransfer::acSetStandardExecute, "200"},
        {"Profibus PXR7X", kPXR7X, "cb_as", &ParameterTransfer::acSetProfibusExecute, "dt"},
    };
    port.Close();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model(c.model);
        fields.setFieldText(c.control, "42");
        fields.setFieldText("cb_as", "df");
        ui.setStatusText(2, " something else");
        (transfer.*c.run)();
        EXPECT_EQ(fields.fieldText(c.control), c.expected);
        EXPECT_EQ(ui.statusText(2), " Interface not open");
        EXPECT_TRUE(backend.written().empty());
        EXPECT_EQ(ui.busy, 0);
    }
}

TEST_F(Transfer, GetParameterInSimulationNeedsNoPort)
{
    simulation = true;
    model(kPXR7X);
    port.Close();
    transfer.acGetParameterExecute();
    EXPECT_EQ(fields.fieldText("cb_aw"), "100000");
    EXPECT_NE(ui.statusText(2), kInterfaceNotOpen);
}

TEST_F(Transfer, AutoStartRestartRules)
{
    struct Case {
        std::string as;
        std::string sent; // empty: nothing after the queries
    } cases[] = {{"dt", "dt\r"}, {"DT", "DT\r"}, {"xy", ""}, {"d", ""}, {"dtx", ""}};
    model(kPXR7X);
    for (const auto& c : cases) {
        for (const auto& kv : kPxr7xMeter)
            answer(kv.first, kv.second);
        answer("AS", c.as);
        backend.clearWritten();
        transfer.acGetParameterExecute();
        EXPECT_EQ(pxr7x.GetAS(), c.as);
        EXPECT_EQ(writes().back(), c.sent.empty() ? std::string("AW\r") : c.sent) << c.as;
    }
}

TEST_F(Transfer, Pxr500cStopsStreamQueriesWithoutEchoAndAsWithoutStopString)
{
    model(kPXR500C);
    peer.startStream(loop.nowMs());
    backend.wakePeer();
    const std::map<std::string, std::string> meter = {{"SA", "  25"}, {"TD", " 9 1"}, {"SF", " 3"},
                                                      {"RB", " 4"},   {"RE", " 5"},   {"AC", " 6"},
                                                      {"AH", " 7"}};
    for (const auto& kv : meter)
        peer.script[kv.first] = {{8, kv.second + "\r\n"}};
    // The AS reply comes in two pieces, the line end late; both belong to AS.
    peer.script["AS"] = {{3, " dt"}, {40, "\r\n"}};
    transfer.acGetParameterExecute();
    const auto w = writes();
    ASSERT_GE(w.size(), 2u);
    EXPECT_EQ(w[0], "\x1b");
    EXPECT_EQ(w[1], "SA\r");
    EXPECT_EQ(pxr500c.GetSA(), "25");
    EXPECT_EQ(fields.fieldText("cb_as_1"), "dt");
    EXPECT_EQ(pxr500c.GetAH(), "7");
    EXPECT_EQ(ui.statusText(2), " Get Parameter ok");
    EXPECT_EQ(w.back(), "dt\r");
}

// The AS answer has no line end; when it comes in pieces across the
// readout's poll steps, the whole of it is AS and nothing of it is left in
// front of the next code's answer.
TEST_F(Transfer, Pxr500cAsAnswerInPiecesStaysWithAs)
{
    struct Case {
        const char* name;
        std::vector<ScriptedPeer::Out> as;
        std::string expected;
    } cases[] = {
        {"one piece", {{3, "      dt"}}, "dt"},
        {"blanks first", {{3, "    "}, {14, "  d"}, {23, "t"}}, "dt"},
        {"slow tail", {{3, "     "}, {12, "d"}, {31, "t"}}, "dt"},
        // The command interface ends the answer in CR LF.
        {"one piece with line end", {{3, "      dt\r\n"}}, "dt"},
        {"pieces with line end", {{3, "    "}, {14, "  d"}, {23, "t\r"}, {27, "\n"}}, "dt"},
    };
    model(kPXR500C);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* code : {"SA", "TD", "SF", "RB", "RE", "AC", "AH"})
            peer.script[code] = {{8, "       4\r\n"}};
        peer.script["AS"] = c.as;
        backend.clearWritten();
        transfer.acGetParameterExecute();
        EXPECT_EQ(fields.fieldText("cb_as_1"), c.expected);
        EXPECT_EQ(pxr500c.GetRB(), "4");
        EXPECT_EQ(ui.statusText(2), " Get Parameter ok");
        EXPECT_EQ(writes().back(), c.expected + "\r");
        // The value goes back to the meter, to a file and to the clipboard as it is.
        EXPECT_TRUE(exportParameterText(kPXR500C, fields).ok);
        backend.clearWritten();
        transfer.acSetParameterExecute();
        const auto w = writes();
        EXPECT_NE(std::find(w.begin(), w.end(), "AS " + c.expected + "\r"), w.end());
        EXPECT_EQ(w.back(), c.expected + "\r");
    }
}

TEST_F(Transfer, Pxr500cQuietMeterGetsNoEsc)
{
    model(kPXR500C);
    transfer.acGetParameterExecute();
    EXPECT_EQ(writes().front(), "SA\r");
}

TEST_F(Transfer, SimulationGetLoadsFactoryValuesAndSendsNothing)
{
    simulation = true;
    for (DeviceType m : {kPXR7X, kPXR500C, kPXR501}) {
        model(m);
        transfer.acGetParameterExecute();
        for (const auto& kv : factoryParameterValues(m, false))
            EXPECT_EQ(transfer.currentSet().joinedValue(kv.first), kv.second) << kv.first;
    }
    EXPECT_TRUE(backend.written().empty());
    EXPECT_EQ(simuModes, (std::vector<int>{1}));
}

TEST_F(Transfer, SetParameterPxr7xWritesJoinedValuesInOrderThenReadsBack)
{
    model(kPXR7X);
    pxr7x.SetDefaults();
    fields.setFieldText("cb_ah", "0,5");
    fields.setFieldText("cb_td", "0");
    fields.setFieldText("cb_tl", "1");
    for (const auto& kv : kPxr7xMeter)
        answer(kv.first, kv.second);
    transfer.acSetParameterExecute();
    const auto w = writes();
    ASSERT_GT(w.size(), 2u);
    EXPECT_EQ(w[0], "\x1b");
    EXPECT_EQ(w[1].substr(0, 2), "ST");
    EXPECT_NE(std::find(w.begin(), w.end(), "AH0.5\r"), w.end());
    EXPECT_NE(std::find(w.begin(), w.end(), "TD0 1\r"), w.end());
    EXPECT_GE(writtenAt(w[1]) - writtenAt("\x1b"), 500.0);
    // The codes go out in the write order, then the readout begins with ESC.
    std::vector<std::string> codes;
    for (size_t i = 1; i < w.size() && w[i] != "\x1b"; ++i)
        codes.push_back(w[i].substr(0, 2));
    EXPECT_EQ(codes, (std::vector<std::string>{"ST", "SA", "TD", "TM", "SF", "OF", "AS", "SE", "RM", "SD",
                                               "RB", "RE", "AC", "AH", "AW"}));
    EXPECT_EQ(ui.statusText(2), " Get Parameter ok");
    EXPECT_EQ(ui.busy, 0);
}

TEST_F(Transfer, SetParameterPxr500cBlanksAfterAsAndAh)
{
    model(kPXR500C);
    pxr500c.SetDefaults();
    transfer.acSetParameterExecute();
    const auto w = writes();
    ASSERT_FALSE(w.empty());
    // Quiet meter: no ESC, the first write is AS with its blank.
    EXPECT_EQ(w[0].substr(0, 3), "AS ");
    bool sawAh = false;
    for (const auto& s : w) {
        if (s.rfind("AH", 0) == 0 && s != "AH\r") {
            EXPECT_EQ(s[2], ' ');
            sawAh = true;
        }
        if (s.rfind("SA", 0) == 0 && s != "SA\r") {
            EXPECT_NE(s[2], ' ');
        }
    }
    EXPECT_TRUE(sawAh);
}

TEST_F(Transfer, SetParameterSkipsBlankValues)
{
    for (DeviceType m : {kPXR7X, kPXR501}) {
        model(m);
        transfer.currentSet().ClearAll();
        backend.clearWritten();
        transfer.acSetParameterExecute();
        const auto w = writes();
        ASSERT_GE(w.size(), 2u);
        EXPECT_EQ(w[0], "\x1b");
        EXPECT_EQ(w[1], "\x1b"); // the readout's own stop: nothing was written between
    }
}

TEST_F(Transfer, SetParameterOnClosedPortKeepsTheSet)
{
    model(kPXR7X);
    fields.setFieldText("cb_sa", "42");
    port.Close();
    transfer.acSetParameterExecute();
    // The set took the editor's values, so a later write sends them.
    EXPECT_EQ(pxr7x.GetSA(), "42");
}

TEST_F(Transfer, SetParameterInSimulationOnlyRecomputesInterval)
{
    simulation = true;
    model(kPXR7X);
    fields.setFieldText("cb_sa", "12");
    transfer.acSetParameterExecute();
    EXPECT_EQ(pxr7x.GetSA(), "12");
    EXPECT_EQ(recomputed, 1);
    EXPECT_TRUE(backend.written().empty());
}

TEST_F(Transfer, SetStandardPxr501AsksVariant)
{
    struct Case {
        std::string id;
        std::string sa, mf;
    } cases[] = {{"ID PXR502 V1.0", "SA10\r", "MF100\r"},
                 {"ID pxr502", "SA10\r", "MF100\r"},
                 {"ID PXR501 V1.0", "SA200\r", "MF2000\r"},
                 {"ID PXR5021", "SA200\r", "MF2000\r"}};
    model(kPXR501);
    for (const auto& c : cases) {
        peer.script["ID"] = {{8, c.id + "\r\n"}};
        backend.clearWritten();
        transfer.acSetStandardExecute();
        const auto w = writes();
        EXPECT_EQ(w[0], "\x1b");
        EXPECT_EQ(w[1], "ID\r");
        EXPECT_NE(std::find(w.begin(), w.end(), c.sa), w.end()) << c.id;
        EXPECT_NE(std::find(w.begin(), w.end(), c.mf), w.end()) << c.id;
    }
}

TEST_F(Transfer, SetStandardPxr501WithoutIdWritesNothing)
{
    model(kPXR501);
    transfer.acSetStandardExecute();
    EXPECT_EQ(writes(), (std::vector<std::string>{"\x1b", "ID\r"}));
    EXPECT_EQ(ui.statusText(2), " Timeout Interface");
    EXPECT_EQ(pxr501.GetSA(), "");
    EXPECT_EQ(mess.comPort(), &port);
}

TEST_F(Transfer, SetProfibusPresetValues)
{
    model(kPXR7X);
    transfer.acSetProfibusExecute();
    EXPECT_EQ(fields.fieldText("cb_sa_2"), "10");
    EXPECT_EQ(fields.fieldText("cb_mf_2"), "100");
    const auto w = writes();
    EXPECT_NE(std::find(w.begin(), w.end(), "ASdt\r"), w.end());
    EXPECT_NE(std::find(w.begin(), w.end(), "SDh\r"), w.end());
}

TEST_F(Transfer, CleanUpWhenThePortFails)
{
    model(kPXR7X);
    answer("SA", "25");
    backend.failWrite = true;
    EXPECT_THROW(transfer.acGetParameterExecute(), EComPort);
    EXPECT_EQ(ui.busy, 0);
    EXPECT_EQ(mess.comPort(), &port);
}

TEST_F(Transfer, AutoGetTimerRunsOneReadout)
{
    model(kPXR7X);
    transfer.Timer_AutoGet().start(300);
    loop.waitFor(299);
    EXPECT_TRUE(backend.written().empty());
    loop.waitFor(2);
    EXPECT_FALSE(backend.written().empty());
    EXPECT_FALSE(transfer.Timer_AutoGet().isActive());
    const size_t n = backend.written().size();
    loop.waitFor(5000);
    EXPECT_EQ(backend.written().size(), n);
}

// The heater limits hold whatever starts the write: Set Parameter applies
// them to the editor before it takes the values (the check of a field being
// left need not have run: the "Set" button takes no focus, F10 keeps it).
TEST_F(Transfer, SetParameterAppliesTheHeaterLimits)
{
    struct Case {
        char separator;
        const char* on;
        const char* off;
        const char* written;
    } cases[] = {
        {'.', "99", "50", "HE40 45\r"},
        {'.', "99", "10", "HE10 10\r"},
        {',', "12,5", "10", "HE10 10\r"},
        {',', "-70,5", "4,5", "HE-60 4.5\r"},
        {'.', "5", "20", "HE5 20\r"},
    };
    model(kPXR501);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        separator = c.separator;
        fields.setFieldText("cb_he_2_1", c.on);
        fields.setFieldText("cb_he_2_2", c.off);
        backend.clearWritten();
        transfer.acSetParameterExecute();
        const auto w = writes();
        EXPECT_NE(std::find(w.begin(), w.end(), c.written), w.end());
    }
}

// A value the meter cannot take stops the whole write before anything is sent.
TEST_F(Transfer, SetParameterRefusesAValueTheMeterCannotTake)
{
    struct Case {
        DeviceType model;
        const char* control;
        std::string text;
        const char* status;
    } cases[] = {
        {kPXR7X, "cb_sa", "5\xE2\x82\xAC",
         " Set Parameter refused: the value of SA contains \"\xE2\x82\xAC\", which the meter cannot take"},
        {kPXR501, "cb_of_2", "1\n2",
         " Set Parameter refused: the value of OF contains the control character 0x0A, which the meter cannot take"},
        {kPXR501, "cb_td_2", "1 2",
         " Set Parameter refused: the value of TD contains \" \", which the meter cannot take"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        model(c.model);
        for (const auto& [code, value] : factoryParameterValues(c.model, false))
            setEditorJoinedText(fields, *findParameter(c.model, code), value);
        fields.setFieldText(c.control, c.text);
        backend.clearWritten();
        transfer.acSetParameterExecute();
        EXPECT_TRUE(backend.written().empty());
        EXPECT_EQ(ui.statusText(2), c.status);
        EXPECT_EQ(fields.fieldText(c.control), c.text);
        EXPECT_EQ(ui.busy, 0);
    }
}

// PXR500C answers without an echo: an answer that cannot be a value of its
// code (by the field's editor kind and range) is a failed query, as an
// answer without its echo is on the other lines.
TEST_F(Transfer, Pxr500cAnswerThatIsNoPossibleValueFailsItsQuery)
{
    struct Case {
        const char* code;
        const char* answer;
        bool possible;
    } cases[] = {
        {"SA", "!!!!!!01", false}, {"SA", "      60", false}, {"SA", "      50", true},
        {"TD", "     0 2", false}, {"TD", "  1000 1", true},  {"TD", "   x 1", false},
        {"SF", "       3", true},  {"SF", "   0,01", true},   {"SF", "  1e2x", false},
        {"AS", "      dt", true},  {"AS", "      DJ", true},  {"AS", "      xx", false},
        {"AH", "  -0.125", true},  {"AH", "    0.1.", false},
    };
    model(kPXR500C);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.code) + " <" + c.answer + ">");
        for (const char* code : {"SA", "TD", "SF", "AS", "RB", "RE", "AC", "AH"})
            peer.script[code] = {{8, std::string(code) == "AS" ? "      dt\r\n" : "       1\r\n"}};
        peer.script[c.code] = {{8, std::string(c.answer) + "\r\n"}};
        backend.clearWritten();
        transfer.acGetParameterExecute();
        if (c.possible) {
            EXPECT_EQ(ui.statusText(2), " Get Parameter ok");
        } else {
            EXPECT_EQ(ui.statusText(2), std::string(" Error Get ") + c.code + "=" + TrimControls(c.answer));
            EXPECT_EQ(transfer.currentSet().joinedValue(c.code).find_first_not_of(' '), std::string::npos);
        }
    }
}
