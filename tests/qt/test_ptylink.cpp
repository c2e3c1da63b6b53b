// The real serial stack end to end: QSerialPort on a pseudo-terminal, the
// nested-event-loop waits, and pxr-meter at the far end.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
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

namespace {

// The master side of a raw pseudo-terminal the test writes to as a meter.
struct RawPty {
    int master = -1;
    std::string slave;
    RawPty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        termios raw{};
        tcgetattr(master, &raw);
        cfmakeraw(&raw);
        tcsetattr(master, TCSANOW, &raw);
        slave = ptsname(master);
    }
    ~RawPty()
    {
        if (master >= 0)
            ::close(master);
    }
    void put(const std::string& bytes) { ASSERT_EQ(::write(master, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
};

struct Blocks : ComPortBackend::Listener {
    std::vector<std::string> got;
    std::string joined() const
    {
        std::string all;
        for (const std::string& b : got)
            all += b;
        return all;
    }
    void backendReceived(const std::string& block) override { got.push_back(block); }
    void backendLost(const std::string&) override {}
};

struct PtyGathering : ::testing::Test {
    RawPty pty;
    QtEventLoop loop;
    QtComPortBackend backend;
    Blocks blocks;

    void SetUp() override
    {
        ASSERT_FALSE(pty.slave.empty());
        backend.setListener(&blocks);
        ASSERT_NO_THROW(backend.open(pty.slave, LineSettings{}));
    }
    void waitForBytes(size_t n)
    {
        for (int i = 0; i < 300 && blocks.joined().size() < n; ++i)
            loop.waitFor(10);
    }
    // One pass of the event loop at a time, so that the pass that delivers
    // the bytes is the last one.
    void passUntilBytes(size_t n)
    {
        QElapsedTimer clock;
        clock.start();
        QTimer wake; // so that a pass never waits for ever
        wake.start(100);
        while (blocks.joined().size() < n && clock.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
};

} // namespace

// A fast stream in 9-byte lines, handed over in 7-byte pieces a millisecond
// apart (lines cut anywhere): every byte arrives once and in order, and the
// pieces come in at most one block per gathering interval.
TEST_F(PtyGathering, FastStreamArrivesWholeAndInOrderInFewBlocks)
{
    std::string sent;
    for (int n = 0; n < 400; ++n) {
        char line[16];
        std::snprintf(line, sizeof line, "%03d.%03d\r\n", n / 7, n % 1000);
        sent += line;
    }
    constexpr size_t kPiece = 7;
    QElapsedTimer clock;
    clock.start();
    std::thread meter([&] {
        for (size_t at = 0; at < sent.size(); at += kPiece) {
            pty.put(sent.substr(at, kPiece));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    waitForBytes(sent.size());
    const qint64 elapsedMs = clock.elapsed();
    meter.join();
    EXPECT_EQ(blocks.joined(), sent);
    EXPECT_LE(qint64(blocks.got.size()), elapsedMs / QtComPortBackend::kGatherMs + 1);
}

// What came while the port was not being looked at is delivered before the
// port is closed or its input purged, as it was when every piece went on at
// once.
TEST_F(PtyGathering, CloseAndPurgeFirstDeliverWhatIsWaiting)
{
    const std::pair<const char*, std::function<void(QtComPortBackend&)>> cases[] = {
        {"close", [](QtComPortBackend& b) { b.close(); }},
        {"purge", [](QtComPortBackend& b) { b.purgeInput(); }},
    };
    for (const auto& [name, act] : cases) {
        SCOPED_TRACE(name);
        blocks.got.clear();
        if (!backend.isOpen()) {
            ASSERT_NO_THROW(backend.open(pty.slave, LineSettings{}));
        }
        pty.put("001.000\r\n");
        passUntilBytes(9);
        // Not a pass of the event loop from here on: the port stays unwatched.
        pty.put("002.0");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        act(backend);
        EXPECT_EQ(blocks.joined(), "001.000\r\n002.0");
        loop.waitFor(50);
    }
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
