// A full Get Parameter per model line against pxr-meter on a
// pseudo-terminal, through the Qt port and event loop the GUI uses, in real
// time. Prints the wall time next to the least time the protocol allows:
// the sequence's fixed pauses, the bytes at the line rate (10 bits a byte),
// the meter's own answer time, and each query's wait rounded up to the
// readout's 10 ms poll step. What is left over is waiting the program adds.
//
//   bench_getparameter [runs per model line, default 3]

// Before any Qt header: the emulator has a member named like Qt's "emit".
#include "emulator/MeterEmulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "devices/FieldBinding.h"
#include "devices/ParameterSets.h"
#include "parameters/ParameterTransfer.h"
#include "serial/ComDataPacket.h"
#include "serial/ComPort.h"
#include "serial/ComTransactions.h"
#include "serial/QtComPortBackend.h"
#include "serial/QtEventLoop.h"
#include "base/UiHooks.h"

using namespace pxr;

namespace {

struct Model {
    const char* name;
    DeviceType line;
    uint32_t baud;
};

// The readout's pauses, as the sequence has them (the program's own table is
// private to it): stop phase, then the pause after each query.
struct Pauses {
    double stop;                   // ESC pause, or a silent meter's run detection
    std::vector<std::pair<const char*, double>> queries;
};

Pauses pausesOf(DeviceType line)
{
    switch (line) {
    case kPXR500C:
        // AS: its answer has no line end; the readout waits for the line
        // to fall quiet behind it.
        return {1010,
                {{"SA", 0}, {"TD", 0}, {"SF", 50}, {"AS", ComTransactions::kQuietPasses * 10.0},
                 {"RB", 50}, {"RE", 50}, {"AC", 50}, {"AH", 50}}};
    case kPXR501:
        return {500, {{"SA", 0}, {"MF", 0}, {"TD", 0}, {"SF", 50}, {"OF", 0}, {"AS", 0}, {"SE", 0}, {"MW", 0},
                      {"PL", 0}, {"HE", 0}, {"SD", 0}, {"TE", 0}, {"QA", 150}, {"Q1", 0}, {"Q2", 0}, {"SC", 50}}};
    default:
        return {0, {{"ST", 0}, {"SA", 0}, {"TD", 0}, {"TM", 0}, {"SF", 50}, {"OF", 0}, {"AS", 0}, {"SE", 0},
                    {"RM", 0}, {"SD", 0}, {"RB", 50}, {"RE", 50}, {"AC", 50}, {"AH", 0}, {"AW", 50}}};
    }
}

// Bytes of the meter's answer to a query, as the emulator gives it.
std::size_t replyBytes(DeviceType line, const std::string& code, const ParameterSet& set)
{
    const std::string value = set.joinedValue(code);
    if (line == kPXR500C) {
        // Right-aligned in 8 characters; AS without line end, and taken as
        // soon as its first byte is there.
        if (code == "AS")
            return 1;
        return std::max<std::size_t>(8, value.size() + 1) + 2;
    }
    return code.size() + 1 + value.size() + 2;
}

// The Qt port with a clock on both directions: when each command went out
// and when each block came in.
class TimedBackend : public ComPortBackend, private ComPortBackend::Listener {
public:
    explicit TimedBackend(const QElapsedTimer& clock) : m_clock(clock) { m_port.setListener(this); }

    struct Event {
        double atMs;
        bool written;
        std::string bytes;
    };
    std::vector<Event> events;
    bool recording = false;

    void setListener(ComPortBackend::Listener* listener) override { m_listener = listener; }
    void open(const std::string& name, const LineSettings& settings) override { m_port.open(name, settings); }
    void close() override { m_port.close(); }
    bool isOpen() const override { return m_port.isOpen(); }
    void apply(const LineSettings& settings) override { m_port.apply(settings); }
    void write(const std::string& bytes) override
    {
        note(true, bytes);
        m_port.write(bytes);
    }
    void purgeInput() override { m_port.purgeInput(); }
    size_t bytesToWrite() const override { return m_port.bytesToWrite(); }

private:
    void backendReceived(const std::string& block) override
    {
        note(false, block);
        if (m_listener)
            m_listener->backendReceived(block);
    }
    void backendLost(const std::string& osMessage) override
    {
        if (m_listener)
            m_listener->backendLost(osMessage);
    }
    void note(bool written, const std::string& bytes)
    {
        if (recording)
            events.push_back({static_cast<double>(m_clock.nsecsElapsed()) / 1e6, written, bytes});
    }

    const QElapsedTimer& m_clock;
    QtComPortBackend m_port;
    ComPortBackend::Listener* m_listener = nullptr;
};

struct Figures {
    double wallMs = 0;
    double bareMs = 0;     // pauses + bytes + meter answer time, in theory
    double pacedMs = 0;    // the same with every query's wait rounded up to the poll step
    double answeredMs = 0; // pauses + each query's wait from its command to its answer's end, as measured,
                           // rounded up to the poll step
    double meterMs = 0;    // sum of the measured answer times
    bool ok = false;
};

double roundUpTo10(double ms) { return std::ceil(ms / 10.0 - 1e-9) * 10.0; }

Figures runOnce(const Model& m, const std::string& link, double answerMs)
{
    QElapsedTimer clock;
    clock.start();
    TimedBackend backend(clock);
    TComPort port(backend);
    QtEventLoop loop;
    NullUiHooks ui;
    ComTransactions tx(port, loop, ui);
    tx.deviceType = m.line;
    TComDataPacket mess;
    MapFieldBinding fields;
    TPXR7x pxr7x(&fields);
    TPXR500C pxr500c(&fields);
    TPXR501 pxr501(&fields);
    ParameterTransfer transfer(tx, mess, pxr7x, pxr500c, pxr501, nullptr);
    port.SetPort(link);
    port.SetBaudRate(m.baud);
    port.Open();

    // A meter that streams would make the stop phase depend on the stream;
    // start from a silent one so the pauses are the sequence's own.
    tx.PortWrite(std::string(1, ESC));
    loop.waitFor(1500);
    port.PurgeInput();

    backend.recording = true;
    const double start = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    transfer.acGetParameterExecute();
    Figures f;
    f.wallMs = static_cast<double>(clock.nsecsElapsed()) / 1e6 - start;
    backend.recording = false;
    f.ok = ui.statusText(2) == " Get Parameter ok";

    const double byteMs = 10000.0 / m.baud;
    const Pauses p = pausesOf(m.line);
    ParameterSet& set = transfer.currentSet();
    f.bareMs = f.pacedMs = f.answeredMs = p.stop;
    // The probe, then the sequence.
    std::vector<std::pair<const char*, double>> queries = p.queries;
    queries.insert(queries.begin(), {"SA", 0});
    std::size_t e = 0;
    for (const auto& [code, pause] : queries) {
        const double wait = (std::string(code).size() + 1) * byteMs + answerMs +
                            static_cast<double>(replyBytes(m.line, code, set)) * byteMs;
        f.bareMs += wait + pause;
        f.pacedMs += roundUpTo10(wait) + pause;
        // Measured: from the query's command to the block that ends its
        // answer (its line end; the PXR500C's AS has none and counts from
        // its first block).
        const std::string command = std::string(code) + "\r";
        while (e < backend.events.size() && !(backend.events[e].written && backend.events[e].bytes == command))
            ++e;
        if (e == backend.events.size())
            break;
        const double sent = backend.events[e].atMs;
        const bool noLineEnd = m.line == kPXR500C && std::string(code) == "AS";
        double answered = sent;
        for (++e; e < backend.events.size() && !backend.events[e].written; ++e) {
            answered = backend.events[e].atMs;
            if (noLineEnd || backend.events[e].bytes.find('\n') != std::string::npos)
                break;
        }
        f.meterMs += answered - sent;
        f.answeredMs += roundUpTo10(answered - sent) + pause;
    }
    // The auto-start command goes out with a pause of 50 ms behind it.
    const std::string as = set.value("AS");
    for (const std::string& entry : autoStartList(m.line))
        if (entry == as) {
            f.bareMs += 50;
            f.pacedMs += 50;
            f.answeredMs += 50;
        }
    port.Close();
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const double answerMs = MeterConfig{}.answerMs;
    const Model models[] = {
        {"pxr7x", kPXR7X, 9600},
        {"pxr500c", kPXR500C, 9600},
        {"pxr501", kPXR501, 115200},
        {"pxr502", kPXR501, 115200},
    };
    std::printf("Get Parameter against pxr-meter on a pseudo-terminal, %d run(s) each\n", runs);
    std::printf("meter answer time %.1f ms per query; poll step 10 ms\n\n", answerMs);
    std::printf("%-8s %7s %9s %9s %9s %9s %9s %9s %s\n", "model", "baud", "wall", "bare", "paced",
                "answers", "answered", "program", "result");
    int failures = 0;
    for (const Model& m : models) {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("pxr"));
        QProcess meter;
        meter.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        meter.start(QStringLiteral(PXR_METER_PATH), {QStringLiteral("--model"), QString::fromLatin1(m.name),
                                                     QStringLiteral("--link"), link});
        QElapsedTimer wait;
        wait.start();
        while (!QFileInfo::exists(link) && wait.elapsed() < 5000)
            QThread::msleep(10);
        if (!QFileInfo::exists(link)) {
            std::fprintf(stderr, "pxr-meter --model %s did not start\n", m.name);
            return 1;
        }
        for (int i = 0; i < runs; ++i) {
            const Figures f = runOnce(m, link.toStdString(), answerMs);
            failures += f.ok ? 0 : 1;
            std::printf("%-8s %7u %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f %s\n", m.name, m.baud, f.wallMs,
                        f.bareMs, f.pacedMs, f.meterMs, f.answeredMs, f.wallMs - f.answeredMs,
                        f.ok ? "ok" : "not ok");
            std::fflush(stdout);
        }
        meter.terminate();
        meter.waitForFinished(3000);
    }
    std::printf("\nAll times in ms.\n"
                "bare:     fixed pauses + bytes at the line rate + meter answer time (the least the\n"
                "          protocol allows);\n"
                "paced:    the same with each query's wait rounded up to the readout's 10 ms poll step;\n"
                "answers:  measured time from each query's command to the end of its answer, summed\n"
                "          (meter, emulator scheduling and pseudo-terminal);\n"
                "answered: fixed pauses + each measured answer time rounded up to the poll step;\n"
                "program:  wall - answered, the time the program spends beyond that.\n");
    return failures == 0 ? 0 : 1;
}
