#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "measurement/SignalLevel.h"
#include "support/CoreRig.h"
#include "support/ScriptedPeer.h"

using namespace pxr;
using namespace pxr::test;

namespace {

struct Signal : ::testing::Test, CoreRig {
    ScriptedPeer peer;
    int position = -1;
    std::string label = "unset";
    std::pair<int, int> range{-1, -1};
    std::vector<double> openedAt;
    std::function<void()> whileOpen;
    SignalLevel dlg{tx, pxr500c, pxr501,
                    SignalLevel::View{
                        [this](int lo, int hi) { range = {lo, hi}; },
                        [this](int p) { position = p; },
                        [this](const std::string& t) { label = t; },
                        [this] {
                            openedAt.push_back(loop.nowMs());
                            if (whileOpen)
                                whileOpen();
                            dlg.FormClose();
                        },
                    }};

    void SetUp() override { open(peer); }
};

} // namespace

TEST_F(Signal, Pxr501SwitchesToSignalOutputAndBack)
{
    tx.deviceType = kPXR501;
    pxr501.SetSD(0, "0");
    pxr501.SetSD(1, "0");
    pxr501.SetAS("dt");
    bool activeWhileOpen = false;
    whileOpen = [&] {
        activeWhileOpen = dlg.Active;
        EXPECT_EQ(fields.fieldText("cb_sd_2_1"), "0");
        EXPECT_EQ(fields.fieldText("cb_sd_2_2"), "1");
    };
    dlg.acSdExecute();
    EXPECT_TRUE(activeWhileOpen);
    EXPECT_FALSE(dlg.Active);
    const auto& w = backend.written();
    ASSERT_EQ(writes(), (std::vector<std::string>{"\x1b", "SD0 1\r", "DT\r", "\x1b\r", "SD0 0\r", "dt\r"}));
    EXPECT_GE(w[1].atMs - w[0].atMs, 1050.0);
    EXPECT_GE(w[4].atMs - w[3].atMs, 1000.0);
    EXPECT_EQ(fields.fieldText("cb_sd_2_1"), "0");
    EXPECT_EQ(fields.fieldText("cb_sd_2_2"), "0");
    EXPECT_EQ(range, std::make_pair(0, 7000));
}

TEST_F(Signal, Pxr501EmptySavedValuesWriteNoSd)
{
    tx.deviceType = kPXR501;
    dlg.acSdExecute();
    const auto w = writes();
    EXPECT_EQ(std::count(w.begin(), w.end(), "SD0 1\r"), 1);
    for (size_t i = 3; i < w.size(); ++i)
        EXPECT_NE(w[i].substr(0, 2), "SD");
    EXPECT_EQ(pxr501.GetSD(0), "");
}

TEST_F(Signal, Pxr500cQuietMeterGetsDjAfterRunDetection)
{
    tx.deviceType = kPXR500C;
    pxr500c.SetAS("dt");
    const double t0 = loop.nowMs();
    dlg.acDJExecute();
    const auto w = writes();
    ASSERT_GE(w.size(), 2u);
    EXPECT_EQ(w[0], "DJ\r");
    EXPECT_GE(backend.written()[0].atMs - t0, 1000.0);
    EXPECT_EQ(w.back(), "dt\r");
}

TEST_F(Signal, Pxr500cStreamingMeterIsStoppedFirst)
{
    tx.deviceType = kPXR500C;
    peer.startStream(loop.nowMs());
    backend.wakePeer();
    dlg.acDJExecute();
    const auto w = writes();
    ASSERT_GE(w.size(), 2u);
    EXPECT_EQ(w[0], "\x1b");
    EXPECT_EQ(w[1], "DJ\r");
}

TEST_F(Signal, LevelsShownOnlyWhenChanged)
{
    tx.deviceType = kPXR500C;
    whileOpen = [&] {
        dlg.ShowSignalLevel(1500);
        EXPECT_EQ(position, 1500);
        EXPECT_EQ(label, "1500");
        dlg.ShowSignalLevel(9000); // above the bar's end: the label still tells
        EXPECT_EQ(label, "9000");
    };
    dlg.acDJExecute();
    // A second opening whose first level equals the last one shows nothing yet.
    whileOpen = [&] {
        dlg.ShowSignalLevel(9000);
        EXPECT_EQ(position, 0);
        EXPECT_EQ(label, "");
    };
    dlg.acDJExecute();
}

// The run detection and the pauses handle user commands; choosing the
// command again meanwhile must not start a second sequence.
TEST_F(Signal, CommandAgainWhileOneRunsIsIgnored)
{
    tx.deviceType = kPXR501;
    pxr501.SetSD(0, "0");
    pxr501.SetSD(1, "0");
    loop.schedule(loop.nowMs() + 500, [this] { dlg.acSdExecute(); }); // inside the 1000 ms pause
    whileOpen = [this] { dlg.acSdExecute(); };                        // while the dialog is open
    dlg.acSdExecute();
    EXPECT_EQ(openedAt.size(), 1u);
    const auto w = writes();
    EXPECT_EQ(std::count(w.begin(), w.end(), std::string("DT\r")), 1);
    // What the second call would have saved (the signal output) is not what comes back.
    EXPECT_EQ(pxr501.GetSD(1), "0");
    EXPECT_FALSE(dlg.Active);
}
