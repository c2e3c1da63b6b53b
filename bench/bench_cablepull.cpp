// Repeated cable pulls over a real pseudo-terminal: QSerialPort at the
// program's end, pxr-meter at the far end streaming readings. Each pull
// either lets pxr-meter hang up by itself after a random number of bytes
// (--hangup-after) or kills it, in the middle of the stream. After every
// pull: the port reports the loss exactly once and is closed, the program
// spends (next to) no CPU while it waits on the dead line, and a new meter
// on the same link answers a query after the port is opened again.
//
//   bench_cablepull [pulls, default 50]
// Prints one line per pull and a summary; exits 1 if any pull failed.

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "qt/PtyMeter.h"
#include "serial/ComTransactions.h"
#include "serial/QtComPortBackend.h"
#include "serial/QtEventLoop.h"

using namespace pxr;
using pxr::test::PtyMeter;

namespace {

double cpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int pulls = argc > 1 ? std::atoi(argv[1]) : 50;
    QTemporaryDir dir;
    const QString link = dir.path() + "/pxr";

    QtEventLoop loop;
    QtComPortBackend backend;
    TComPort port(backend);
    NullUiHooks ui;
    ComTransactions tx(port, loop, ui);
    tx.ComDataPacket.OnPacket = [&tx](TComDataPacket& s, const std::string& p) { tx.ComDataPacketPacket(s, p); };
    int lost = 0;
    port.OnLost = [&lost](const std::string&) { ++lost; };
    // The measurement framer stays attached through every pull, as in the program.
    TComDataPacket mess;
    mess.setStopString(CRLF);
    uint64_t lines = 0;
    mess.OnPacket = [&lines](TComDataPacket&, const std::string&) { ++lines; };

    std::mt19937 random(20261208);
    int survived = 0;
    double worstIdleCpu = 0.0;
    for (int i = 1; i <= pulls; ++i) {
        const bool byHangUp = i % 2 == 1;
        const unsigned hangUpAfter = std::uniform_int_distribution<unsigned>(120, 400)(random);
        // A killed pxr-meter leaves its link behind, pointing to a terminal
        // number the system may give to someone else; the next meter must
        // not be taken for started before it has made its own.
        QFile::remove(link);
        PtyMeter meter(link);
        // The meter streams from power-on (auto-start "dt", about 6 lines a
        // second) and counts those bytes too; a count of 120 or more falls
        // seconds after the port is open, in the middle of our stream.
        QStringList args{"--model", "pxr7x"};
        if (byHangUp)
            args << "--hangup-after" << QString::number(hangUpAfter);
        if (!meter.start(args)) {
            std::printf("pull %2d: pxr-meter did not start\n", i);
            continue;
        }
        port.SetPort(meter.link());
        LineSettings s = port.settings();
        s.baudRate = 9600;
        port.SetSettings(s);
        bool reopened = true;
        try {
            port.Open();
        } catch (const std::exception& e) {
            reopened = false;
            std::printf("pull %2d: open failed: %s\n", i, e.what());
        }
        // A query first proves the (re)connection works.
        int status = 7;
        const std::string reply = reopened ? tx.QueryCommand("SA", "SA", CRLF, 1000, status) : std::string();
        const bool answered = status == 1 && !reply.empty();

        mess.setComPort(&port);
        const int lostBefore = lost;
        const uint64_t linesBefore = lines;
        tx.SendCommand("DT");
        if (byHangUp) {
            // pxr-meter hangs up by itself after its bytes; wait for it.
            for (int w = 0; w < 240 && lost == lostBefore; ++w)
                loop.waitFor(50);
        } else {
            // In the middle of the stream: after its first line, at a random point.
            for (int w = 0; w < 100 && lines == linesBefore; ++w)
                loop.waitFor(20);
            loop.waitFor(std::uniform_int_distribution<unsigned>(0, 400)(random));
            meter.kill();
            loop.waitFor(300);
        }
        const uint64_t streamed = lines - linesBefore;
        const bool closedOnce = lost == lostBefore + 1 && !port.Connected();

        const double cpu0 = cpuSeconds();
        loop.waitFor(500);
        const double idleCpu = cpuSeconds() - cpu0;
        worstIdleCpu = std::max(worstIdleCpu, idleCpu);
        const bool stillOnce = lost == lostBefore + 1;
        // Operations on the dead line do nothing.
        int deadStatus = 7;
        tx.QueryCommand("SA", "SA", CRLF, 100, deadStatus);

        const bool ok = answered && closedOnce && stillOnce && idleCpu < 0.05 && deadStatus == 0 && streamed > 0;
        survived += ok;
        std::printf("pull %2d (%s): query %s, %4llu lines streamed, lost reported %d time(s), "
                    "CPU %.3f s in 0.5 s after: %s\n",
                    i, byHangUp ? ("hang-up after " + std::to_string(hangUpAfter) + " bytes").c_str() : "kill",
                    answered ? "answered" : "NOT answered", static_cast<unsigned long long>(streamed),
                    lost - lostBefore, idleCpu, ok ? "ok" : "FAILED");
        std::fflush(stdout);
        mess.setComPort(nullptr);
        meter.stop();
        port.Close();
    }
    std::printf("%d of %d pulls survived; worst CPU while waiting on a dead line: %.3f s per 0.5 s\n",
                survived, pulls, worstIdleCpu);
    return survived == pulls ? 0 : 1;
}
