// pxr-meter: a software meter on a pseudo-terminal. The program under test
// opens the link like a serial port; this process plays the meter's side of
// the protocol in real time, at the meter's line rate.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string>
#include <utility>

#include "emulator/LinePacer.h"
#include "emulator/MeterEmulator.h"

namespace {

volatile sig_atomic_t g_stop = 0;

void onSignal(int) { g_stop = 1; }

const char* const kUsage =
    "usage: pxr-meter --model pxr7x|pxr500c|pxr501|pxr502 --link PATH [options] [faults]\n"
    "\n"
    "A software meter on a pseudo-terminal: PATH becomes a link to its serial\n"
    "device. It answers queries, takes set commands, streams readings at the\n"
    "model's output rate and sends every byte at the pace of a real line\n"
    "(10 bits a byte). ESC stops a stream at once; only the line on the wire\n"
    "finishes. Settings last until the process ends.\n"
    "\n"
    "options:\n"
    "  --baud N            the meter's rate (9600, pxr501/502 115200); other rates read junk\n"
    "  --distance M        simulated target distance (default 5)\n"
    "  --ramp              distance ramp with a burst of error lines\n"
    "  --seed N            noise, serial number and pieces follow from it (default 1)\n"
    "  --verbose           log the traffic to stderr\n"
    "  --help              this text\n"
    "\n"
    "faults (any number of them):\n"
    "  --silent            a dead meter: answers nothing, streams nothing\n"
    "  --no-echo           query replies without their code\n"
    "  --garbled           every character of a line arrives corrupted, line ends intact\n"
    "  --chunked           output arrives in pieces of 1..3 bytes, 15 ms apart\n"
    "  --one-piece         every reply and reading line arrives in one piece\n"
    "  --pieces N          every reply and reading line arrives in N pieces\n"
    "  --blank-lines N     N empty lines before every reply\n"
    "  --answer-ms N       N ms from a command to the first byte of its answer (default 5)\n"
    "  --slow MS           every reply MS later still\n"
    "  --esc-tail          after ESC the reading line the meter is on still goes out\n"
    "  --ignore-first-esc  a running stream survives the first ESC\n"
    "  --hangup-after N    the line goes dead after N bytes sent (the cable pulled)\n"
    "  --wrong-baud        the meter runs at an unusual rate (19200; 57600 for pxr501/502)\n";

struct SpeedEntry {
    speed_t speed;
    uint32_t baud;
};

const SpeedEntry kSpeeds[] = {
    {B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
    {B200, 200},       {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
    {B2400, 2400},     {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
    {B57600, 57600},   {B115200, 115200}, {B230400, 230400}, {B460800, 460800},
};

uint32_t baudOf(speed_t speed)
{
    for (const SpeedEntry& e : kSpeeds)
        if (e.speed == speed)
            return e.baud;
    return 0;
}

bool speedOf(uint32_t baud, speed_t& speed)
{
    for (const SpeedEntry& e : kSpeeds)
        if (e.baud == baud) {
            speed = e.speed;
            return true;
        }
    return false;
}

bool parseNumber(const char* text, unsigned long long& value)
{
    if (!text || !*text)
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return errno == 0 && end && *end == '\0' && text[0] != '-';
}

std::string printable(const std::string& bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == 0x1b)
            out += "<ESC>";
        else if (c < 32 || c >= 127) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

double nowMs()
{
    static const auto start = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Options {
    pxr::MeterConfig config;
    std::string link;
    bool verbose = false;
    bool modelGiven = false;
    bool baudGiven = false;
};

// The switches that turn one fault of the meter on.
const std::pair<const char*, bool pxr::MeterFaults::*> kFaultSwitches[] = {
    {"--silent", &pxr::MeterFaults::silent},
    {"--no-echo", &pxr::MeterFaults::noEcho},
    {"--garbled", &pxr::MeterFaults::garbled},
    {"--chunked", &pxr::MeterFaults::chunked},
    {"--ignore-first-esc", &pxr::MeterFaults::ignoreFirstEsc},
    {"--wrong-baud", &pxr::MeterFaults::wrongBaud},
    {"--esc-tail", &pxr::MeterFaults::escTail},
};

const std::pair<const char*, pxr::MeterModel> kModels[] = {
    {"pxr7x", pxr::MeterModel::PXR7X},
    {"pxr500c", pxr::MeterModel::PXR500C},
    {"pxr501", pxr::MeterModel::PXR501},
    {"pxr502", pxr::MeterModel::PXR502},
};

bool parseArgs(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        unsigned long long n = 0;
        auto number = [&](unsigned long long& out) {
            if (!parseNumber(next, out)) {
                std::fprintf(stderr, "pxr-meter: %s needs a number\n", a.c_str());
                return false;
            }
            ++i;
            return true;
        };
        const auto fault = std::find_if(std::begin(kFaultSwitches), std::end(kFaultSwitches),
                                        [&a](const auto& f) { return a == f.first; });
        if (fault != std::end(kFaultSwitches)) {
            o.config.faults.*(fault->second) = true;
        } else if (a == "--model" && next) {
            const std::string m = next;
            ++i;
            const auto model =
                std::find_if(std::begin(kModels), std::end(kModels), [&m](const auto& k) { return m == k.first; });
            if (model == std::end(kModels)) {
                std::fprintf(stderr, "pxr-meter: unknown model %s\n", m.c_str());
                return false;
            }
            o.config.model = model->second;
            o.modelGiven = true;
        } else if (a == "--link" && next) {
            o.link = next;
            ++i;
        } else if (a == "--baud") {
            if (!number(n))
                return false;
            speed_t s;
            if (!speedOf(static_cast<uint32_t>(n), s)) {
                std::fprintf(stderr, "pxr-meter: unsupported baud rate %llu\n", n);
                return false;
            }
            o.config.baudRate = static_cast<uint32_t>(n);
            o.baudGiven = true;
        } else if (a == "--blank-lines") {
            if (!number(n))
                return false;
            o.config.faults.blankLines = static_cast<int>(std::min<unsigned long long>(n, 100));
        } else if (a == "--slow") {
            if (!number(n))
                return false;
            o.config.faults.slowMs = static_cast<double>(n);
        } else if (a == "--hangup-after") {
            if (!number(n))
                return false;
            o.config.faults.hangUpAfter = n;
        } else if (a == "--one-piece") {
            o.config.faults.pieces = 1;
        } else if (a == "--pieces") {
            if (!number(n))
                return false;
            if (n == 0) {
                std::fprintf(stderr, "pxr-meter: --pieces needs at least 1\n");
                return false;
            }
            o.config.faults.pieces = static_cast<int>(std::min<unsigned long long>(n, 1000));
        } else if (a == "--answer-ms") {
            if (!number(n))
                return false;
            o.config.answerMs = static_cast<double>(std::min<unsigned long long>(n, 600000));
        } else if (a == "--distance" && next) {
            char* end = nullptr;
            o.config.distance = std::strtod(next, &end);
            if (!end || *end != '\0') {
                std::fprintf(stderr, "pxr-meter: --distance needs a number\n");
                return false;
            }
            ++i;
        } else if (a == "--ramp") {
            o.config.rampAndError = true;
        } else if (a == "--seed") {
            if (!number(n))
                return false;
            o.config.seed = static_cast<uint32_t>(n);
        } else if (a == "--verbose") {
            o.verbose = true;
        } else if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else {
            std::fprintf(stderr, "pxr-meter: unknown argument %s\n", a.c_str());
            return false;
        }
    }
    if (!o.modelGiven || o.link.empty())
        return false;
    const uint32_t usual = pxr::MeterEmulator::defaultBaudRate(o.config.model);
    // A named rate is a real line's rate: a port at another one reads junk.
    if (o.baudGiven)
        o.config.faults.wrongBaud = true;
    if (o.config.faults.wrongBaud && !o.baudGiven)
        o.config.baudRate = usual == 9600 ? 19200 : 57600;
    return true;
}

// The pty's line settings as a serial port would have them before the
// program touches them: raw, 8N1, the model line's usual rate.
bool setUpSlave(const char* slaveName, uint32_t baud)
{
    const int fd = ::open(slaveName, O_RDWR | O_NOCTTY);
    if (fd < 0)
        return false;
    termios t{};
    bool ok = ::tcgetattr(fd, &t) == 0;
    if (ok) {
        ::cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        speed_t s = B9600;
        speedOf(baud, s);
        ::cfsetispeed(&t, s);
        ::cfsetospeed(&t, s);
        ok = ::tcsetattr(fd, TCSANOW, &t) == 0;
    }
    // Closing leaves the master in its hung-up state until the program opens
    // the slave, which is how this process tells whether anyone listens.
    ::close(fd);
    return ok;
}

bool makeLink(const std::string& link, const char* target)
{
    struct stat st{};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            std::fprintf(stderr, "pxr-meter: %s exists and is not a link\n", link.c_str());
            return false;
        }
        ::unlink(link.c_str()); // a stale link of an earlier run
    }
    if (::symlink(target, link.c_str()) != 0) {
        std::fprintf(stderr, "pxr-meter: cannot create %s: %s\n", link.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

void removeLink(const std::string& link, const std::string& target)
{
    char buf[4096];
    const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
    if (n > 0 && std::string(buf, static_cast<std::size_t>(n)) == target)
        ::unlink(link.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parseArgs(argc, argv, o)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::fprintf(stderr, "pxr-meter: no pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    const char* name = ::ptsname(master);
    if (!name) {
        std::fprintf(stderr, "pxr-meter: ptsname: %s\n", std::strerror(errno));
        return 1;
    }
    const std::string slaveName = name;
    const uint32_t usual = pxr::MeterEmulator::defaultBaudRate(o.config.model);
    if (!setUpSlave(slaveName.c_str(), usual)) {
        std::fprintf(stderr, "pxr-meter: cannot set up %s: %s\n", slaveName.c_str(), std::strerror(errno));
        return 1;
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    struct sigaction sa{};
    sa.sa_handler = onSignal;
    ::sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    if (!makeLink(o.link, slaveName.c_str()))
        return 1;

    pxr::MeterEmulator meter(o.config);
    // With --one-piece/--pieces every piece the meter hands over is written
    // whole, once its last byte has crossed the line; otherwise byte by byte.
    pxr::LinePacer line(o.config.faults.pieces > 0);
    line.setBaudRate(meter.baudRate());
    // The program's bytes cross the line too (at its own rate) before the
    // meter can act on them; a pty alone would hand them over at once.
    pxr::LinePacer inbound;
    uint32_t hostRate = 0;
    meter.setOutput([&](const std::string& bytes) { line.push(bytes, nowMs()); });

    if (o.verbose)
        std::fprintf(stderr, "pxr-meter: %u baud, %s -> %s\n", meter.baudRate(), o.link.c_str(),
                     slaveName.c_str());

    bool peerGone = true; // nobody has the slave open yet
    // The program's line speed, as it set it on its end of the pty.
    auto lookAtHostRate = [&] {
        termios t{};
        if (master >= 0 && ::tcgetattr(master, &t) == 0) {
            hostRate = baudOf(::cfgetospeed(&t));
            meter.setHostLineRate(hostRate);
        }
        inbound.setBaudRate(hostRate != 0 ? hostRate : meter.baudRate());
    };
    // A line that lags behind the meter's own account keeps the meter's
    // transmitter busy: readings made meanwhile are dropped, not queued.
    auto tellLineState = [&](double now) {
        line.setBaudRate(meter.baudRate());
        meter.lineBusyUntil(line.busyUntilMs(now));
    };
    lookAtHostRate();
    meter.powerOn(nowMs());

    while (!g_stop) {
        double now = nowMs();
        lookAtHostRate();
        for (const std::string& bytes : inbound.take(now)) {
            tellLineState(now);
            meter.receive(bytes, now);
        }
        tellLineState(now);
        meter.advanceTo(now);
        line.setBaudRate(meter.baudRate());
        for (const std::string& chunk : line.take(now)) {
            // With nobody listening, or the program's queue full, the bytes
            // are lost as on a real line.
            if (master >= 0 && !peerGone) {
                const ssize_t w = ::write(master, chunk.data(), chunk.size());
                (void)w;
            }
            if (o.verbose)
                std::fprintf(stderr, "-> %s\n", printable(chunk).c_str());
        }

        if (master >= 0 && meter.hungUp() && line.empty()) {
            if (o.verbose)
                std::fprintf(stderr, "pxr-meter: hang-up after %llu bytes\n",
                             static_cast<unsigned long long>(meter.bytesSent()));
            ::close(master);
            master = -1;
            // As a pulled USB adapter takes its device node along: the link
            // must not stay pointing at a terminal number the system may
            // give to somebody else.
            removeLink(o.link, slaveName);
        }

        // Sleep until the next byte has crossed the line, the meter has
        // something due, or the program writes; look at the line speed at
        // least every 50 ms. Bytes are given to the pty in batches of at
        // least half a millisecond, which keeps the wake-ups few at high
        // rates and stays within the pacer's slack.
        now = nowMs();
        double wake = std::min(meter.nextEventMs(), now + 50.0);
        const double due = std::min(line.nextDueMs(), inbound.nextDueMs());
        if (due < wake)
            wake = std::max(due, now + 0.5);
        const double waitMs = std::max(0.0, wake - now);
        timespec timeout{};
        timeout.tv_sec = static_cast<time_t>(waitMs / 1000.0);
        timeout.tv_nsec = static_cast<long>(std::fmod(waitMs, 1000.0) * 1e6);

        if (master < 0) {
            ::nanosleep(&timeout, nullptr);
            continue;
        }
        pollfd p{master, POLLIN, 0};
        if (peerGone) {
            // A hung-up master reports POLLHUP at once, every time: look
            // again after a short sleep instead of spinning.
            const timespec nap{0, 20 * 1000 * 1000};
            ::nanosleep(waitMs < 20 ? &timeout : &nap, nullptr);
            timeout = timespec{};
        }
        const int r = ::ppoll(&p, 1, &timeout, nullptr);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "pxr-meter: poll: %s\n", std::strerror(errno));
            break;
        }
        peerGone = r > 0 && (p.revents & POLLHUP) != 0;
        if (r > 0 && (p.revents & POLLIN)) {
            char buf[1024];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) {
                const std::string bytes(buf, static_cast<std::size_t>(n));
                if (o.verbose)
                    std::fprintf(stderr, "<- %s\n", printable(bytes).c_str());
                inbound.push(bytes, nowMs());
            }
        }
    }

    if (master >= 0)
        ::close(master);
    removeLink(o.link, slaveName);
    return 0;
}
