// pxrctl: the meter from the command line, on the same core as the GUI.
// QCoreApplication and the Qt serial adapter only; no widgets.

#include <QCoreApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CtlOptions.h"
#include "CtlSession.h"
#include "app/CommandLine.h"
#include "app/MeterFinder.h"
#include "base/Version.h"
#include "measurement/OnlineLog.h"
#include "parameters/ParameterFile.h"
#include "serial/QtComPortBackend.h"
#include "serial/QtPortBackend.h"
#include "serial/QtEventLoop.h"
#include "base/Trace.h"

using namespace pxr;
using namespace pxr::ctl;

namespace {

// Ctrl+C (and SIGTERM) only put a byte into this pipe; the loop reads it and
// asks the session to stop, so the meter gets its ESC and the output file
// its last complete line. A second Ctrl+C ends the process at once.
int g_signalPipe[2] = {-1, -1};

extern "C" void onStopSignal(int sig)
{
    const int saved = errno;
    const char byte = static_cast<char>(sig);
    if (g_signalPipe[1] >= 0) {
        ssize_t n = ::write(g_signalPipe[1], &byte, 1);
        (void)n;
    }
    ::signal(sig, SIG_DFL);
    errno = saved;
}

bool installStopSignals()
{
    if (::pipe(g_signalPipe) != 0)
        return false;
    for (int fd : g_signalPipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &sa, nullptr) == 0 && ::sigaction(SIGTERM, &sa, nullptr) == 0;
}

int fail(int code, const std::string& message)
{
    if (!message.empty())
        std::fprintf(stderr, "pxrctl: %s\n", message.c_str());
    return code;
}

bool readWholeFile(const std::string& path, std::string& bytes, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read file \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    // A parameter file is small; anything far larger is not one.
    std::string data;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        data.append(buf, static_cast<size_t>(in.gcount()));
        if (data.size() > kParameterTextLimit) {
            error = "\"" + path + "\" is too large for a parameter file";
            return false;
        }
    }
    if (in.bad()) {
        error = "cannot read file \"" + path + "\"";
        return false;
    }
    bytes.swap(data);
    return true;
}

bool writeStdout(const std::string& bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
}

int runPorts()
{
    for (const std::string& p : QtComPortBackend::listPorts())
        std::printf("%s\n", p.c_str());
    return std::fflush(stdout) == 0 ? kExitOk : kExitFile;
}

int runFind(const Options& o)
{
    std::vector<std::string> ports = o.ports;
    if (ports.empty())
        ports = QtComPortBackend::listPorts();
    if (ports.empty())
        return fail(kExitTimeout, "no serial port to search; name one with --port");
    QtEventLoop loop;
    QtPortBackend backend(loop);
    TComPort port(backend);
    MeterFinder finder(port, loop);
    QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&finder] {
        char buf[16];
        while (::read(g_signalPipe[0], buf, sizeof buf) > 0) {
        }
        finder.cancel();
    });
    bool outOk = true;
    finder.OnFound = [&outOk](const FoundMeter& m) { outOk = writeStdout(FoundMeterLine(m) + "\n") && outOk; };
    // The model lines' usual rates first: most meters are found at once.
    const std::vector<FoundMeter> found = finder.find(ports, {9600, 115200});
    for (const std::string& problem : finder.problems())
        std::fprintf(stderr, "pxrctl: %s\n", problem.c_str());
    if (!outOk)
        return fail(kExitFile, "cannot write to stdout");
    if (found.empty()) {
        std::string where;
        for (const std::string& p : ports)
            where += (where.empty() ? "" : ", ") + p;
        return fail(kExitTimeout, (finder.cancelled() ? "search stopped; no meter found on " : "no meter found on ") +
                                      where + (finder.cancelled() ? "" : " (tried every rate from 2400 to 460800 baud)"));
    }
    return kExitOk;
}

int runWithMeter(const Options& o)
{
    // A stream file is created before the meter is touched: a path that
    // cannot be written ends the run before anything is sent.
    if (o.command == Command::Stream && !o.output.empty()) {
        std::string error;
        if (!WriteLogFile(o.output, {}, error))
            return fail(kExitFile, error);
    }
    std::string fileBytes;
    if (o.command == Command::Set) {
        std::string error;
        if (!readWholeFile(o.input, fileBytes, error))
            return fail(kExitFile, error);
    }

    QtEventLoop loop;
    QtPortBackend backend(loop);
    TComPort port(backend);
    Session session(port, loop, o.model);

    QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
    const bool stoppable = o.command == Command::Stream || o.command == Command::Send;
    QObject::connect(&notifier, &QSocketNotifier::activated, [&session, stoppable] {
        char buf[16];
        while (::read(g_signalPipe[0], buf, sizeof buf) > 0) {
        }
        // A readout or write is not cut off half-way: the meter would be
        // left with part of a parameter set.
        if (!stoppable && !session.stopRequested())
            std::fputs("pxrctl: finishing the transfer; Ctrl+C again quits at once\n", stderr);
        session.requestStop();
    });

    Outcome out = session.open(o.port, o.baud);
    if (out.exitCode != kExitOk)
        return fail(out.exitCode, out.message);

    switch (o.command) {
    case Command::Get: {
        if (!o.output.empty()) {
            out = session.getToFile(o.output);
            break;
        }
        std::string text;
        out = session.get(text);
        if (out.exitCode == kExitOk && !writeStdout(text))
            out = {kExitFile, "cannot write to stdout"};
        break;
    }
    case Command::Set:
        out = session.set(fileBytes);
        break;
    case Command::Send: {
        std::string received;
        out = session.send(o.text, o.timeoutMs, received);
        if (!received.empty() && !writeStdout(received) && out.exitCode == kExitOk)
            out = {kExitFile, "cannot write to stdout"};
        break;
    }
    case Command::Stream: {
        Session::StreamPlan plan;
        plan.action = o.modeAction;
        plan.durationS = o.durationS;
        plan.count = o.count;
        plan.timeoutMs = o.timeoutMs;
        Session::LineSink sink;
        if (o.output.empty()) {
            // A reader that went away (`| head`) ends the stream like Ctrl+C;
            // any other failed write (disk full) is an error.
            sink = [&session](const std::string& line, std::string& error) {
                errno = 0;
                if (writeStdout(line + "\r\n"))
                    return true;
                if (errno == EPIPE) {
                    session.requestStop();
                    return true;
                }
                error = std::string("cannot write to stdout: ") + std::strerror(errno ? errno : EIO);
                return false;
            };
            errno = 0;
            if (!writeStdout(std::string(kLogHeader) + "\r\n")) {
                if (errno != EPIPE)
                    return fail(kExitFile, std::string("cannot write to stdout: ") +
                                               std::strerror(errno ? errno : EIO));
                break;
            }
        } else {
            sink = [&o](const std::string& line, std::string& error) {
                return AppendLogLine(o.output, line.data(), line.size(), error);
            };
        }
        out = session.stream(plan, sink);
        // On stderr: stdout may be carrying the log lines.
        if (o.stats)
            std::fprintf(stderr, "%s\n", FormatReadingStats(session.streamStats(), '.').c_str());
        break;
    }
    default:
        break;
    }
    port.Close();
    return fail(out.exitCode, out.message);
}

std::vector<std::string> argumentsOf(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return args;
}

} // namespace

int main(int argc, char** argv)
{
    const Options o = parseOptions(argumentsOf(argc, argv));
    if (o.help) {
        std::fputs(usageText().c_str(), stdout);
        return kExitOk;
    }
    if (o.version) {
        std::printf("pxrctl %s\n", PXR_VERSION);
        return kExitOk;
    }
    if (!o.error.empty()) {
        std::fprintf(stderr, "pxrctl: %s\n%s", o.error.c_str(), usageText().c_str());
        return kExitUsage;
    }
    DebugTrace = o.debug;
    // A closed stdout must end the program through a failed write, not SIGPIPE.
    ::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pxrctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PXR_VERSION));

    if (o.command == Command::Ports)
        return runPorts();
    if (!installStopSignals())
        return fail(kExitPort, "cannot install the signal handler");
    if (o.command == Command::Find)
        return runFind(o);
    return runWithMeter(o);
}
