// The program's own transfers against the meter emulator, in virtual time.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "parameters/ParameterTransfer.h"
#include "support/CoreRig.h"
#include "support/EveryMeterModel.h"

using namespace pxr;
using namespace pxr::test;

namespace {

struct Rig : CoreRig {
    std::unique_ptr<EmulatorPeer> peer;
    ParameterTransfer transfer{tx, mess, pxr7x, pxr500c, pxr501, {}};

    explicit Rig(MeterModel model, MeterFaults faults = {})
    {
        MeterConfig cfg;
        cfg.model = model;
        cfg.faults = faults;
        peer = std::make_unique<EmulatorPeer>(cfg);
        openMeter(*peer);
    }
};

class EveryModel : public ::testing::TestWithParam<ModelCase> {};

} // namespace

TEST_P(EveryModel, GetParameterReadsTheMetersValues)
{
    Rig rig(GetParam().model);
    rig.transfer.acGetParameterExecute();
    EXPECT_EQ(rig.ui.statusText(2), " Get Parameter ok");
    const bool is502 = GetParam().model == MeterModel::PXR502;
    for (const auto& kv : factoryParameterValues(rig.tx.deviceType, is502))
        EXPECT_EQ(rig.transfer.currentSet().joinedValue(kv.first), kv.second) << kv.first;
}

TEST_P(EveryModel, SetParameterRoundTripLeavesMeterUnchangedThenChangesOneValue)
{
    Rig rig(GetParam().model);
    rig.transfer.acGetParameterExecute();
    ASSERT_EQ(rig.ui.statusText(2), " Get Parameter ok");
    const auto before = rig.transfer.currentSet().joinedValues();
    rig.transfer.acSetParameterExecute();
    EXPECT_EQ(rig.ui.statusText(2), " Get Parameter ok");
    for (const auto& kv : before)
        EXPECT_EQ(rig.peer->meter.parameter(kv.first), kv.second) << kv.first;

    // A changed value typed with a comma reaches the meter with a point.
    const ParameterDef& sf = *findParameter(rig.tx.deviceType, "SF");
    rig.fields.setFieldText(sf.values[0].control, "2,5");
    rig.transfer.acSetParameterExecute();
    EXPECT_EQ(rig.peer->meter.parameter("SF"), "2.5");
    EXPECT_EQ(rig.transfer.currentSet().value("SF"), "2.5");
    EXPECT_EQ(rig.fields.fieldText(sf.values[0].control), "2.5");
}

TEST_P(EveryModel, ReadoutStopsAStreamingMeter)
{
    Rig rig(GetParam().model);
    rig.tx.SendCommand("DT");
    rig.loop.waitFor(500);
    ASSERT_TRUE(rig.peer->meter.streaming());
    rig.transfer.acGetParameterExecute();
    EXPECT_EQ(rig.ui.statusText(2), " Get Parameter ok");
}

INSTANTIATE_TEST_SUITE_P(Link, EveryModel, ::testing::ValuesIn(kEveryMeterModel), modelCaseName);

// A fresh meter read with Get Parameter: every editor field shows the
// factory value of the model line's parameter table, whatever the program's
// own tables say.
namespace {

struct FactoryField {
    const char* control;
    const char* value;
};

struct FactoryCase {
    const char* name;
    MeterModel model;
    std::vector<FactoryField> fields; // every field of the model line
};

std::vector<FactoryField> pxr501Fields(const char* sa, const char* mf)
{
    return {{"cb_sa_2", sa},        {"cb_mf_2", mf},        {"cb_td_2", "0"},       {"cb_tl_2", "0"},
            {"cb_tl_3", "1"},       {"cb_sf_2", "1"},       {"cb_of_2", "0"},       {"cb_as_2", "dt"},
            {"cb_se_2_1", "2"},     {"cb_se_2_2", "2"},     {"cb_mw_2_1", "0"},     {"cb_mw_2_2", "5000"},
            {"cb_vp_2", "0"},       {"cb_he_2_1", "4"},     {"cb_he_2_2", "10"},    {"cb_sd_2_1", "0"},
            {"cb_sd_2_2", "0"},     {"cb_te_2", "0"},       {"cb_qa_2_1", "0"},     {"cb_qa_2_2", "300"},
            {"cb_q1_2_1", "2"},     {"cb_q1_2_2", "5000"},  {"cb_q1_2_3", "0.1"},   {"cb_q1_2_4", "1"},
            {"cb_q2_2_1", "4"},     {"cb_q2_2_2", "5000"},  {"cb_q2_2_3", "0.1"},   {"cb_q2_2_4", "1"},
            {"cb_sc_2", "0"}};
}

const FactoryCase kFactoryReadouts[] = {
    {"PXR7X",
     MeterModel::PXR7X,
     {{"cb_st", "0"}, {"cb_sa", "1"}, {"cb_td", "0"}, {"cb_tl", "0"}, {"cb_tm", "0"}, {"cb_tml", "1"},
      {"cb_sf", "1"}, {"cb_of", "0"}, {"cb_as", "dt"}, {"cb_se", "2"}, {"cb_rmx", "0"}, {"cb_rmy", "0"},
      {"cb_rmz", "0"}, {"cb_sd", "d"}, {"cb_rb", "0"}, {"cb_re", "40"}, {"cb_ac", "2"}, {"cb_ah", "0.1"},
      {"cb_aw", "100000"}}},
    {"PXR500C",
     MeterModel::PXR500C,
     {{"cb_sa_1", "10"}, {"cb_td_1", "0"}, {"cb_tl_1", "0"}, {"cb_sf_1", "1"}, {"cb_as_1", "dt"},
      {"cb_rb_1", "0"}, {"cb_re_1", "50"}, {"cb_ac_1", "2"}, {"cb_ah_1", "0.1"}}},
    {"PXR501", MeterModel::PXR501, pxr501Fields("200", "2000")},
    {"PXR502", MeterModel::PXR502, pxr501Fields("10", "100")},
};

class FreshMeter : public ::testing::TestWithParam<FactoryCase> {};

} // namespace

TEST_P(FreshMeter, ReadoutShowsTheFactoryValues)
{
    const FactoryCase& c = GetParam();
    Rig rig(c.model);
    rig.transfer.acGetParameterExecute();
    EXPECT_EQ(rig.ui.statusText(2), " Get Parameter ok");
    EXPECT_EQ(c.fields.size(), valueCount(rig.tx.deviceType)) << "every field of the model line";
    for (const FactoryField& f : c.fields)
        EXPECT_EQ(rig.fields.fieldText(f.control), f.value) << f.control;
}

INSTANTIATE_TEST_SUITE_P(Link, FreshMeter, ::testing::ValuesIn(kFactoryReadouts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LinkFaults, SilentMeterTimesOutInterface)
{
    MeterFaults f;
    f.silent = true;
    Rig rig(MeterModel::PXR7X, f);
    const double t0 = rig.loop.nowMs();
    rig.transfer.acGetParameterExecute();
    EXPECT_EQ(rig.ui.statusText(2), " Timeout Interface");
    EXPECT_LT(rig.loop.nowMs() - t0, 1100.0);
}

TEST(LinkFaults, NoEchoMarksEveryValue)
{
    MeterFaults f;
    f.noEcho = true;
    Rig rig(MeterModel::PXR7X, f);
    rig.transfer.acGetParameterExecute();
    EXPECT_EQ(rig.ui.statusText(2).rfind(" Error Get AW=", 0), 0u) << rig.ui.statusText(2);
    EXPECT_EQ(rig.pxr7x.GetSA(), "");
}

TEST(LinkFaults, ChunkedAndBlankLinesStillRead)
{
    MeterFaults f;
    f.chunked = true;
    f.blankLines = 2;
    Rig rig(MeterModel::PXR501, f);
    rig.transfer.acGetParameterExecute();
    EXPECT_EQ(rig.ui.statusText(2), " Get Parameter ok");
}

TEST(LinkFaults, WrongBaudRateEndsInTimeout)
{
    MeterFaults f;
    f.wrongBaud = true;
    Rig rig(MeterModel::PXR7X, f);
    rig.port.SetBaudRate(38400);
    rig.transfer.acGetParameterExecute();
    const std::string s = rig.ui.statusText(2);
    EXPECT_TRUE(s == " Timeout Interface" || s.rfind(" Error", 0) == 0) << s;
}

TEST(LinkFaults, HangUpDuringReadoutEndsCleanly)
{
    MeterFaults f;
    f.hangUpAfter = 60;
    Rig rig(MeterModel::PXR7X, f);
    rig.loop.schedule(rig.loop.nowMs() + 300, [&] {
        if (rig.peer->meter.hungUp())
            rig.backend.hangUp();
    });
    rig.transfer.acGetParameterExecute();
    rig.backend.hangUp();
    EXPECT_EQ(rig.lost, 1);
    EXPECT_FALSE(rig.port.Connected());
    EXPECT_EQ(rig.mess.comPort(), &rig.port);
}

TEST(LinkDeviceInfo, Pxr501AnswersIdAndIdQuery)
{
    Rig rig(MeterModel::PXR502);
    std::string seen;
    TComDataPacket lines;
    lines.setStopString("\r\n");
    lines.OnPacket = [&](TComDataPacket&, const std::string& p) { seen += p + "|"; };
    lines.setComPort(&rig.port);
    rig.tx.DeviceInfo();
    rig.loop.waitFor(200);
    EXPECT_NE(seen.find("ID PXR502"), std::string::npos) << seen;
}
