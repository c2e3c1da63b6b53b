// The whole program at the full line rate: the main window (diagram, log
// window and log file on, shown offscreen unless a display is given) reads
// a pseudo-terminal through the real serial port, while a feeder process on
// the master side plays a meter streaming numbered lines at 5,120 lines/s,
// the most a 460800-baud line can carry (PtyFeeder.h). pxr-meter streams at
// a model line's own output rate, so the feeder plays the meter here. Prints
// the lines sent and logged, the program's CPU share (from /proc), the input
// latency (the time from the write of every 1000th line to its decoding,
// both on the monotonic clock), how late the event loop ran, and how long
// after the last line was sent it was logged. Asserts nothing.
// bench_xvfb runs the pxrtool executable itself on a real X server.
//
// With --ceiling, short runs follow at 5,120, 10,240, 25,600, 51,200 and
// 102,400 lines/s until one loses lines or the line cannot be fed at the
// rate asked for; the highest rate kept up with is the program's ceiling.
// The feeders are forked before the toolkit starts its threads.
//
//   bench_fullrate [seconds, default 10] [lines per second, default 5120]
//   bench_fullrate --long      (60 s, then the ceiling)
//   bench_fullrate --ceiling   (the run asked for, then the ceiling)
//   bench_fullrate --page N    (the notebook page shown, default 1: "Diagram")

#include <QApplication>
#include <QEventLoop>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "PtyFeeder.h"

#include "app/KeyValueBackend.h"
#include "app/MainForm.h"
#include "measurement/DiagramWidget.h"
#include "measurement/LogView.h"
#include "measurement/MeasurementUi.h"
#include "app/ComSetupForm.h"

using namespace pxr;
using namespace pxr::bench;

namespace {

double cpuSeconds()
{
    // utime + stime of this process, in clock ticks (fields 14 and 15).
    QFile f(QStringLiteral("/proc/self/stat"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray s = f.readAll();
    const int close = s.lastIndexOf(')');
    const QList<QByteArray> fields = s.mid(close + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (fields[11].toDouble() + fields[12].toDouble()) / ticks;
}

struct Run {
    long sent = 0;
    double feedSeconds = 0;
    long logged = 0;
    double cpuShare = 0;
    double cpu = 0;
    double wall = 0;
    std::vector<double> latency; // sorted, ms
    size_t markers = 0;
    size_t decoded = 0;
    double meanLate = 0, worstLate = 0;
    long long ticks = 0;
    double drainedMs = 0;
    uint64_t ptyFull = 0;

    long lost() const { return sent - logged; }
    double achieved() const { return feedSeconds > 0 ? sent / feedSeconds : 0; }
    double pct(double p) const
    {
        return latency.empty() ? 0.0 : latency[std::min(latency.size() - 1, size_t(p * latency.size()))];
    }
    double worst() const { return latency.empty() ? 0.0 : latency.back(); }
};

long logLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    long n = 0;
    while (!f.atEnd())
        if (f.readLine().endsWith("\r\n"))
            ++n;
    return n - 1; // the header
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 10;
    double rate = 5120;
    bool ceiling = false;
    int page = 1;
    int pos = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--page") == 0 && i + 1 < argc) {
            page = std::atoi(argv[++i]);
            continue;
        }
        if (std::strcmp(argv[i], "--long") == 0) {
            seconds = 60;
            ceiling = true;
        } else if (std::strcmp(argv[i], "--ceiling") == 0)
            ceiling = true;
        else if (pos++ == 0)
            seconds = std::atof(argv[i]);
        else
            rate = std::atof(argv[i]);
    }
    if (seconds <= 0 || rate <= 0) {
        std::fprintf(stderr, "usage: bench_fullrate [seconds] [lines per second] [--page N] | --long | --ceiling\n");
        return 2;
    }
    const double kCeilingRates[] = {5120, 10240, 25600, 51200, 102400};
    constexpr double kCeilingSeconds = 4;

    const Pty pty = openPty();
    if (pty.master < 0) {
        std::perror("pty");
        return 1;
    }
    const std::string& slave = pty.slave;
    std::vector<std::unique_ptr<PtyFeeder>> feeders;
    uint64_t nextLine = 0;
    const auto addFeeder = [&](uint64_t count, double r) {
        feeders.push_back(std::make_unique<PtyFeeder>(pty.master, nextLine, count, r));
        nextLine += count;
    };
    addFeeder(uint64_t(seconds * rate), rate);
    if (ceiling)
        for (double r : kCeilingRates)
            addFeeder(uint64_t(kCeilingSeconds * r), r);
    for (const auto& f : feeders)
        if (!f->ok())
            return 1;
    const auto stopFeeders = [&] {
        for (auto& f : feeders)
            f->finish();
    };

    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);

    MemoryKeyValueBackend store(true);
    store.put("ComPort", "Port", StoredValue::text(slave));
    store.put("ComPort", "BaudRate", StoredValue::text("460800"));
    TMainForm form(store, {});
    form.createDialogs();
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (form.ComSetupForm->isVisible()) {
            answer.stop();
            form.ComSetupForm->OKButton->click();
        }
    });
    answer.start(10);
    form.show();
    QElapsedTimer wait;
    wait.start();
    while (!form.controller().port().Connected() && wait.elapsed() < 5000)
        app.processEvents(QEventLoop::AllEvents, 20);
    if (!form.controller().port().Connected()) {
        std::fprintf(stderr, "bench_fullrate: the program did not open %s\n", slave.c_str());
        stopFeeders();
        return 1;
    }
    form.controller().port().SetBaudRate(460800);

    QTemporaryDir logDir;
    QString logPath;
    auto* ui = form.findChild<MeasurementUi*>(QStringLiteral("MeasurementUi"));
    ui->chooseLogFile = [&](const QString&) { return logPath; };
    form.Notebook->setCurrentIndex(page); // by default the diagram page, replotting
    // Every reading's line, as the decoding took it, goes to the stream check:
    // a sink of its own after the program's.
    struct DecodedLines : StreamCheck, ReadingSink {
        explicit DecodedLines(MeasurementDecoding& decoding) : m_decoding(decoding) { decoding.addSink(*this); }
        void takeReading(const Reading&) override
        {
            const std::string& line = m_decoding.LastMessLine();
            value(line.data(), line.size(), monotonicNs());
        }
        const MeasurementDecoding& m_decoding;
    } decoded(form.controller().measurement()->decoding);

    // Event-loop lateness: a 10 ms timer that notes how late it fires.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0, worstLate = 0, sumLate = 0, ticks = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick) {
            const qint64 late = std::max<qint64>(0, now - lastTick - 10'000'000);
            worstLate = std::max(worstLate, late);
            sumLate += late;
            ++ticks;
        }
        lastTick = now;
    });

    int runNo = 0;
    const auto run = [&](PtyFeeder& feeder) {
        Run r;
        r.sent = long(feeder.count());
        logPath = logDir.filePath(QStringLiteral("fullrate%1.csv").arg(++runNo));
        form.action("acStartStopLog")->trigger();
        decoded.setFeeder(&feeder);
        decoded.latencyMs().clear();
        lastTick = worstLate = sumLate = ticks = 0;
        probe.start(10);

        const double cpu0 = cpuSeconds();
        const qint64 t0 = clock.nsecsElapsed();
        if (!feeder.start())
            return r;
        // The waits block in the event loop as the program's own loop does;
        // polling here would count the bench's spinning as the program's CPU.
        {
            QEventLoop loop;
            QSocketNotifier done(feeder.doneFd(), QSocketNotifier::Read);
            QObject::connect(&done, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
            loop.exec();
        }
        r.feedSeconds = feeder.seconds();
        r.ptyFull = feeder.shared().ptyFull;
        const qint64 tSent = clock.nsecsElapsed();
        qint64 tLast = tSent;
        long logged = -1;
        // Until the log file stops growing.
        for (;;) {
            QEventLoop loop;
            QTimer::singleShot(300, &loop, &QEventLoop::quit);
            loop.exec();
            const long now = logLines(logPath);
            if (now == logged || now >= long(feeder.count())) {
                if (now > logged)
                    tLast = clock.nsecsElapsed();
                logged = now;
                break;
            }
            logged = now;
            tLast = clock.nsecsElapsed();
        }
        r.logged = logged;
        r.cpu = cpuSeconds() - cpu0;
        r.wall = double(clock.nsecsElapsed() - t0) / 1e9;
        r.cpuShare = 100.0 * r.cpu / r.wall;
        probe.stop();
        r.meanLate = ticks ? sumLate / 1e6 / ticks : 0.0;
        r.worstLate = worstLate / 1e6;
        r.ticks = ticks;
        r.drainedMs = std::max<qint64>(0, tLast - tSent - 300'000'000) / 1e6;

        r.markers = feeder.shared().markers;
        r.latency = decoded.latencyMs();
        r.decoded = r.latency.size();
        decoded.setFeeder(nullptr);
        std::sort(r.latency.begin(), r.latency.end());
        form.action("acStartStopLog")->trigger();
        return r;
    };

    const Run r = run(*feeders[0]);
    std::printf("bench_fullrate: %s, %.0f lines/s asked for %.0f s\n", slave.c_str(), rate, seconds);
    std::printf("  lines sent            %ld in %.2f s (%.0f lines/s)\n", r.sent, r.feedSeconds, r.achieved());
    std::printf("  lines in the log file %ld (lost %ld), terminal's buffer full %llu times\n", r.logged, r.lost(),
                (unsigned long long)r.ptyFull);
    std::printf("  log window rows       %d, diagram points %d\n", form.measurementUi().logView()->blockCount(),
                form.measurementUi().chart()->Series1->dataCount());
    std::printf("  program CPU           %.2f s of %.2f s wall = %.0f %% of one core\n", r.cpu, r.wall, r.cpuShare);
    std::printf("  input latency         median %.2f ms, 99 %% %.2f ms, worst %.2f ms (%zu of %zu markers)\n",
                r.pct(0.5), r.pct(0.99), r.worst(), r.decoded, r.markers);
    std::printf("  event loop lateness   mean %.2f ms, worst %.2f ms (10 ms timer, %lld ticks)\n", r.meanLate,
                r.worstLate, r.ticks);
    std::printf("  drained               last line logged within %.0f ms after the last was sent\n", r.drainedMs);

    if (ceiling) {
        std::printf("ceiling: %.0f s per rate; kept up = nothing lost, the terminal's buffer never full, fed at >= 98 %% of the rate\n",
                    kCeilingSeconds);
        std::printf("  %9s %9s %7s %6s %10s %10s\n", "asked", "fed", "lost", "CPU %", "lat 99 ms",
                    "drain ms");
        double best = 0;
        for (size_t i = 1; i < feeders.size(); ++i) {
            const Run c = run(*feeders[i]);
            const bool kept = c.lost() == 0 && c.ptyFull == 0 && c.achieved() >= 0.98 * feeders[i]->rate();
            std::printf("  %9.0f %9.0f %7ld %6.0f %10.2f %10.0f%s\n", feeders[i]->rate(), c.achieved(), c.lost(),
                        c.cpuShare, c.pct(0.99), c.drainedMs, kept ? "" : "  (not kept up)");
            if (!kept)
                break;
            best = feeders[i]->rate();
        }
        std::printf("  highest rate kept up  %.0f lines/s\n", best);
    }

    stopFeeders();
    form.controller().port().Close();
    return 0;
}
