// The real serial stack end to end: QSerialPort on a pseudo-terminal, the
// nested-event-loop waits, and pxr-meter at the far end.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <string>
#include <vector>

#include "devices/ParameterTable.h"
#include "serial/ComTransactions.h"
#include "serial/QtComPortBackend.h"
#include "serial/QtEventLoop.h"
#include "qt/PtyMeter.h"

using namespace pxr;
using namespace pxr::test;

namespace {

double cpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6;
}

std::string factory(DeviceType model, const std::string& code)
{
    for (const auto& kv : factoryParameterValues(model, false))
        if (kv.first == code)
            return kv.second;
    return "?";
}

struct PtyLink : ::testing::Test {
    QTemporaryDir dir;
    QString linkPath = dir.path() + "/pxr";
    PtyMeter meter{linkPath};
    QtEventLoop loop;
    QtComPortBackend backend;
    TComPort port{backend};
    NullUiHooks ui;
    ComTransactions tx{port, loop, ui};
    int lost = 0;
    std::string lostMessage;

    void SetUp() override
    {
        port.OnLost = [this](const std::string& m) {
            ++lost;
            lostMessage = m;
        };
    }
    void connect(const QStringList& args)
    {
        ASSERT_TRUE(meter.start(args));
        port.SetPort(meter.link());
        ASSERT_NO_THROW(port.Open());
        ASSERT_TRUE(port.Connected());
    }
};

} // namespace

TEST_F(PtyLink, QueryAnsweredByMeter)
{
    connect({"--model", "pxr7x"});
    int status = 0;
    const std::string reply = tx.QueryCommand("SA", "SA", CRLF, 1000, status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(reply, factory(kPXR7X, "SA"));
}

TEST_F(PtyLink, StreamStopsOnEsc)
{
    connect({"--model", "pxr7x"});
    std::vector<std::string> lines;
    TComDataPacket framer;
    framer.setStopString(CRLF);
    framer.OnPacket = [&](TComDataPacket&, const std::string& p) { lines.push_back(p); };
    framer.setComPort(&port);
    tx.SendCommand("DT");
    loop.waitFor(1000);
    EXPECT_GT(lines.size(), 3u);
    tx.PortWrite(std::string(1, ESC));
    loop.waitFor(300);
    const size_t afterStop = lines.size();
    loop.waitFor(700);
    EXPECT_EQ(lines.size(), afterStop);
}

TEST_F(PtyLink, FarEndHangingUpClosesPortOnceAndStaysIdle)
{
    connect({"--model", "pxr7x"});
    tx.SendCommand("DT");
    loop.waitFor(300);
    meter.kill();
    loop.waitFor(500);
    EXPECT_EQ(lost, 1);
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(lostMessage.empty());

    // No error loop: a second of waiting costs next to no CPU.
    const double before = cpuSeconds();
    loop.waitFor(1000);
    EXPECT_LT(cpuSeconds() - before, 0.2);
    EXPECT_EQ(lost, 1);

    // Operations on the closed port quietly do nothing.
    int status = 7;
    EXPECT_EQ(tx.QueryCommand("SA", "SA", CRLF, 1000, status), "");
    EXPECT_EQ(status, 0);

    // Reconnect to a new meter on the same link.
    PtyMeter second{linkPath};
    ASSERT_TRUE(second.start({"--model", "pxr7x"}));
    ASSERT_NO_THROW(port.Open());
    EXPECT_EQ(tx.QueryCommand("SA", "SA", CRLF, 1000, status), factory(kPXR7X, "SA"));
    EXPECT_EQ(status, 1);
}

TEST_F(PtyLink, WaitsCostNoCpu)
{
    const double before = cpuSeconds();
    loop.waitFor(1000);
    EXPECT_LT(cpuSeconds() - before, 0.1);
}

TEST_F(PtyLink, OpenFailureCarriesSystemText)
{
    port.SetPort((dir.path() + "/missing").toStdString());
    try {
        port.Open();
        FAIL() << "opened a missing device";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.kind(), ComErrorKind::Open);
        EXPECT_EQ(std::string(e.what()).rfind("Unable to open com port", 0), 0u);
    }
    EXPECT_FALSE(port.Connected());
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
