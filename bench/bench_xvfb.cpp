// The real pxrtool on a real X server, driven as a user drives it.
//
// The bench starts Xvfb, then the pxrtool executable with --port on a
// pseudo-terminal whose master side a feeder process plays as a meter
// streaming at 5,120 lines/s (all a 460800-baud line carries; PtyFeeder.h).
// With xdotool it confirms the interface setup, clicks the "Diagram" tab and,
// where the log file is on, starts it with Alt+L and types its name into the
// save dialog. The settings folder is a fresh one holding only the baud rate,
// the model line (PXR7X) and the log folder, as a user's would after a first
// start. Nothing in the program is changed or hooked for the bench.
//
// Figures, each from outside the program:
// - CPU of the program and of the X server, from /proc/<pid>/stat, over the
//   time the lines were fed (and over a few seconds without lines: "idle");
//   the GUI thread's voluntary context switches a second (its wake-ups);
// - lines sent, lines in the log file (each carries its own value, so a lost,
//   doubled or reordered line is counted), and how often the pseudo-terminal's
//   buffer was full (on a real line the adapter would have dropped bytes);
// - input latency: with the log file on, from the write of every 1000th line
//   to its line appearing in the log file (the file is looked at every
//   millisecond); in the trace configuration the program runs with its
//   "debug" switch and the latency runs to its "MessPacket=<...>" trace line,
//   i.e. to the decoding; the trace costs CPU, so that configuration's CPU
//   figure is not the program's;
// - GUI responsiveness: every 100 ms a _NET_WM_PING (what a window manager
//   sends to find a hung window) goes to the main window; the toolkit answers
//   it from the GUI thread's event loop, so the round trip is how long an
//   event waits there.
//
//   bench_xvfb [--seconds S]       seconds per measured run (default 30)
//              [--rate R]          lines a second (default 5120)
//              [--only LIST]       of log,nolog,trace,ceiling (default: all)
//              [--shot FILE]       screenshot after the first run
//              [--page NAME]       the page shown: device, diagram (default),
//                                  terminal, log
//              [--attach CMD]      run CMD (sh -c; %p = pxrtool's pid, %x = the
//                                  X server's) when the first run starts, and
//                                  wait for it at its end: perf, callgrind_control
//              [--wrap CMD]        start pxrtool under CMD (e.g. valgrind ...)
//              [--program PATH]    another pxrtool
//   bench_xvfb --soak S [--every S] one run of S seconds with the log file on,
//                                  reporting every 60 s, with resident memory
//
// Asserts nothing; exits 1 when a line was lost (or the bench could not run).

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "PtyFeeder.h"

using namespace pxr::bench;
namespace fs = std::filesystem;

namespace {

constexpr int kPingEveryMs = 100;
constexpr double kIdleSeconds = 3;
constexpr double kCeilingSeconds = 4;
const double kCeilingFactors[] = {2, 5, 10, 15, 20, 30, 40};
// Where the tabs lie in the 945 x 721 main window (the window offers no key
// for them): --page picks the one clicked.
constexpr int kTabY = 62;
const std::pair<const char*, int> kTabX[] = {{"device", 264}, {"diagram", 334}, {"terminal", 410}, {"log", 496}};

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// ---- processes -----------------------------------------------------------------

struct ProcStat {
    double cpu = 0;       // user + system seconds, all threads
    long wakeups = 0;     // voluntary context switches of the main thread
    long rssKiB = 0;
};

ProcStat procStat(pid_t pid)
{
    ProcStat p;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string s((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = s.rfind(')');
    if (close != std::string::npos) {
        std::istringstream in(s.substr(close + 2));
        std::string field;
        double utime = 0, stime = 0;
        for (int i = 3; i <= 15 && in >> field; ++i) {
            if (i == 14)
                utime = std::atof(field.c_str());
            if (i == 15)
                stime = std::atof(field.c_str());
        }
        p.cpu = (utime + stime) / double(sysconf(_SC_CLK_TCK));
    }
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            p.rssKiB = std::atol(line.c_str() + 6);
        else if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
            p.wakeups = std::atol(line.c_str() + 24);
    }
    return p;
}

double selfCpu()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6;
}

std::vector<std::string> words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> w;
    for (std::string s; in >> s;)
        w.push_back(s);
    return w;
}

pid_t spawn(const std::vector<std::string>& argv, int stdoutFd, int stderrFd)
{
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        if (stdoutFd >= 0)
            dup2(stdoutFd, 1);
        if (stderrFd >= 0)
            dup2(stderrFd, 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

void stop(pid_t& pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        sleepMs(50);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

// A shell command's output (xdotool); DISPLAY is in the bench's environment.
bool g_verbose = false;

std::string shell(const std::string& cmd)
{
    if (g_verbose)
        std::fprintf(stderr, "[%.3f] %s\n", monotonicNs() / 1e9, cmd.c_str());
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[256];
        while (fgets(buf, sizeof buf, p))
            out += buf;
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

// The first visible window whose name matches, within `seconds`. Searched
// again and again rather than with --sync, which gives up when a window of
// another program goes away during its search.
std::string findWindow(const std::string& pattern, int seconds)
{
    for (int i = 0; i < seconds * 5; ++i) {
        const std::string found = shell("xdotool search --onlyvisible --name '" + pattern + "'");
        if (!found.empty())
            return found.substr(0, found.find_first_of("\n "));
        sleepMs(200);
    }
    return std::string();
}

// ---- the X server and the ping ----------------------------------------------------

class XServer {
public:
    ~XServer()
    {
        if (m_conn)
            xcb_disconnect(m_conn);
        stop(m_pid);
    }

    bool start()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        const int devnull = open("/dev/null", O_WRONLY | O_CLOEXEC);
        m_pid = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24", "-nolisten",
                       "tcp"},
                      devnull, devnull);
        close(fds[1]);
        close(devnull);
        char buf[32] = {};
        ssize_t n = 0;
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 10000) == 1)
            n = read(fds[0], buf, sizeof buf - 1);
        close(fds[0]);
        if (n <= 0)
            return false;
        m_display = ":" + std::to_string(std::atoi(buf));
        setenv("DISPLAY", m_display.c_str(), 1);
        m_conn = xcb_connect(m_display.c_str(), nullptr);
        if (!m_conn || xcb_connection_has_error(m_conn))
            return false;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_conn)).data->root;
        // The toolkit sends its answer to the root window.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_conn, m_root, XCB_CW_EVENT_MASK, &mask);
        m_protocols = atom("WM_PROTOCOLS");
        m_ping = atom("_NET_WM_PING");
        xcb_flush(m_conn);
        return true;
    }

    pid_t pid() const { return m_pid; }
    const std::string& display() const { return m_display; }
    int fd() const { return xcb_get_file_descriptor(m_conn); }

    void setTarget(xcb_window_t w)
    {
        m_target = w;
        m_sent.clear();
    }

    // Sends a ping when due and takes the answers in.
    void pump(std::vector<double>& rttMs)
    {
        const long long now = monotonicNs();
        while (xcb_generic_event_t* e = xcb_poll_for_event(m_conn)) {
            if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                auto* cm = reinterpret_cast<xcb_client_message_event_t*>(e);
                if (cm->type == m_protocols && cm->data.data32[0] == m_ping) {
                    const uint32_t seq = cm->data.data32[1];
                    for (auto it = m_sent.begin(); it != m_sent.end(); ++it)
                        if (it->first == seq) {
                            rttMs.push_back((now - it->second) / 1e6);
                            m_sent.erase(it);
                            break;
                        }
                }
            }
            free(e);
        }
        if (!m_target || now - m_lastPing < kPingEveryMs * 1000000LL)
            return;
        m_lastPing = now;
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = m_target;
        ev.type = m_protocols;
        ev.data.data32[0] = m_ping;
        ev.data.data32[1] = ++m_seq;
        ev.data.data32[2] = m_target;
        xcb_send_event(m_conn, 0, m_target, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ev));
        xcb_flush(m_conn);
        m_sent.emplace_back(m_seq, now);
    }

    // Pings sent and not answered (yet).
    size_t unanswered() const { return m_sent.size(); }
    void forgetUnanswered() { m_sent.clear(); }

private:
    xcb_atom_t atom(const char* name)
    {
        xcb_intern_atom_reply_t* r =
            xcb_intern_atom_reply(m_conn, xcb_intern_atom(m_conn, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(r);
        return a;
    }

    pid_t m_pid = -1;
    std::string m_display;
    xcb_connection_t* m_conn = nullptr;
    xcb_window_t m_root = 0, m_target = 0;
    xcb_atom_t m_protocols = 0, m_ping = 0;
    uint32_t m_seq = 0;
    long long m_lastPing = 0;
    std::deque<std::pair<uint32_t, long long>> m_sent;
};

// ---- where the lines end up -----------------------------------------------------

// The lines of the log file ("t;v") or of the trace on stderr
// ("MessPacket=<v>"), cut and handed to the stream check.
class LineSink : public StreamCheck {
public:
    explicit LineSink(bool trace) : m_trace(trace) {}

    void take(const char* data, size_t n, long long now)
    {
        m_carry.append(data, n);
        size_t start = 0;
        for (size_t nl; (nl = m_carry.find('\n', start)) != std::string::npos; start = nl + 1) {
            size_t end = nl;
            if (end > start && m_carry[end - 1] == '\r')
                --end;
            line(m_carry.data() + start, end - start, now);
        }
        m_carry.erase(0, start);
    }

private:
    void line(const char* s, size_t n, long long now)
    {
        if (m_trace) {
            static const char kPrefix[] = "MessPacket=<";
            const size_t p = sizeof kPrefix - 1;
            if (n > p && std::memcmp(s, kPrefix, p) == 0 && s[n - 1] == '>')
                value(s + p, n - p - 1, now);
            return; // other trace lines
        }
        const char* semi = static_cast<const char*>(std::memchr(s, ';', n));
        if (semi && !(n == 10 && std::memcmp(s, "Time;Value", 10) == 0))
            value(semi + 1, size_t(s + n - semi - 1), now);
    }

    bool m_trace;
    std::string m_carry;
};

// ---- one start of the program ---------------------------------------------------

struct Options {
    double seconds = 30;
    double rate = kLineRate;
    std::vector<std::string> only{"log", "nolog", "trace", "ceiling"};
    std::string shot, attach, wrap;
    std::string page = "diagram";
    std::string program = PXRTOOL_PATH;
    double soak = 0;
    double every = 60;

    bool wants(const char* what) const { return std::find(only.begin(), only.end(), what) != only.end(); }
};

struct Run {
    std::string name;
    double rate = 0, achieved = 0, seconds = 0;
    uint64_t sent = 0, arrived = 0, outOfSequence = 0, ptyFull = 0, worstBacklog = 0;
    bool observed = false; // lines can be counted (log file or trace)
    double progCpu = 0, xCpu = 0, benchCpu = 0, wakeups = 0;
    double drainMs = 0;
    std::vector<double> latency, ping;
    size_t pingsLost = 0;

    uint64_t lost() const { return observed && sent > arrived ? sent - arrived : 0; }
    bool kept() const
    {
        return observed && arrived == sent && outOfSequence == 0 && ptyFull == 0 && achieved >= 0.98 * rate;
    }
};

double pct(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

std::string spread(const std::vector<double>& v)
{
    if (v.empty())
        return "-";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f/%.2f/%.2f", pct(v, 0.5), pct(v, 0.99), pct(v, 1.0));
    return buf;
}

class Session {
public:
    Session(XServer& x, const Options& o, const fs::path& dir, bool logFile, bool trace)
        : m_x(x), m_o(o), m_dir(dir), m_logFile(logFile), m_trace(trace), m_sink(trace)
    {
    }
    ~Session()
    {
        stop(m_pid);
        if (m_err >= 0)
            close(m_err);
        if (m_log >= 0)
            close(m_log);
        if (m_pty.master >= 0)
            close(m_pty.master);
    }

    pid_t pid() const { return m_pid; }
    const std::string& error() const { return m_error; }

    bool start(bool wrapped)
    {
        m_pty = openPty();
        if (m_pty.master < 0)
            return fail("no pseudo-terminal");
        const fs::path config = m_dir / "config";
        const fs::path logs = m_dir / "logs";
        fs::create_directories(config / "PXRTool");
        fs::create_directories(logs);
        std::ofstream(config / "PXRTool" / "PXRTool.conf")
            << "[ComPort]\nBaudRate=460800\n[Device]\nType=0\n[Directory]\nLogFile=" << logs.string() << "\n";
        m_logPath = (logs / "bench.csv").string();

        int err[2];
        if (pipe2(err, O_CLOEXEC) != 0)
            return fail("no pipe");
        fcntl(err[0], F_SETFL, O_NONBLOCK);
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        setenv("LC_ALL", "C.UTF-8", 1);
        unsetenv("QT_QPA_PLATFORM");
        std::vector<std::string> argv = wrapped ? words(m_o.wrap) : std::vector<std::string>();
        for (const std::string& a : {m_o.program, std::string("--port"), m_pty.slave})
            argv.push_back(a);
        if (m_trace)
            argv.emplace_back("debug");
        m_pid = spawn(argv, -1, err[1]);
        close(err[1]);
        m_err = err[0];
        const int wait = wrapped ? 120 : 30;

        // The interface setup opens at start: OK (the default button).
        const std::string setup = findWindow("^Interface Setup$", wait);
        if (setup.empty())
            return fail("the interface setup did not open");
        shell("xdotool windowfocus --sync " + setup + " key Return");
        if (!portOpen(wait))
            return fail("the program did not open " + m_pty.slave);
        m_window = findWindow("^PXRTool \\(", 10);
        if (m_window.empty())
            return fail("no main window");
        for (const auto& [page, x] : kTabX)
            if (m_o.page == page)
                shell("xdotool mousemove --window " + m_window + " " + std::to_string(x) + " " +
                      std::to_string(kTabY) + " click 1 mousemove 0 0");
        if (m_logFile) {
            shell("xdotool windowfocus --sync " + m_window + " key alt+l");
            const std::string save = findWindow("^Save As$", 10);
            if (save.empty())
                return fail("Alt+L opened no save dialog");
            // The dialog opens in the log folder of the settings: the name is enough
            // (a typed path would bring up the completer, which takes the Return).
            shell("xdotool windowfocus --sync " + save + " type --delay 2 bench.csv");
            shell("xdotool key Return");
            for (int i = 0; i < 100 && m_log < 0; ++i) {
                sleepMs(50);
                if (fs::exists(m_logPath) && fs::file_size(m_logPath) >= 12)
                    m_log = open(m_logPath.c_str(), O_RDONLY | O_CLOEXEC);
            }
            if (m_log < 0)
                return fail("the log file was not started");
        }
        m_x.setTarget(xcb_window_t(std::stoul(m_window)));
        sleepMs(1000); // let the start-up settle
        return true;
    }

    // The program's and the X server's CPU while no line comes.
    Run idle(double seconds)
    {
        Run r;
        r.name = "idle";
        const ProcStat p0 = procStat(m_pid), x0 = procStat(m_x.pid());
        const long long t0 = monotonicNs();
        while (monotonicNs() - t0 < seconds * 1e9)
            pump(r);
        const double wall = (monotonicNs() - t0) / 1e9;
        const ProcStat p1 = procStat(m_pid), x1 = procStat(m_x.pid());
        r.seconds = wall;
        r.progCpu = 100 * (p1.cpu - p0.cpu) / wall;
        r.xCpu = 100 * (x1.cpu - x0.cpu) / wall;
        r.wakeups = (p1.wakeups - p0.wakeups) / wall;
        return r;
    }

    // Feeds `count` lines at `rate`; with `report` every `every` seconds a
    // progress line (the soak).
    Run feed(const std::string& name, uint64_t count, double rate, bool attach, double every = 0)
    {
        Run r;
        r.name = name;
        r.rate = rate;
        r.observed = m_logFile || m_trace;
        PtyFeeder feeder(m_pty.master, m_next, count, rate);
        if (!feeder.ok())
            return r;
        m_sink.setFeeder(&feeder);
        m_sink.latencyMs().clear();
        const uint64_t seen0 = m_sink.seen(), bad0 = m_sink.outOfSequence();
        pid_t attached = -1;
        if (attach && !m_o.attach.empty())
            attached = spawn({"sh", "-c", substitute(m_o.attach)}, -1, -1);

        const ProcStat p0 = procStat(m_pid), x0 = procStat(m_x.pid());
        const double b0 = selfCpu();
        const long long t0 = monotonicNs();
        feeder.start();
        long long nextReport = t0 + static_cast<long long>(every * 1e9);
        ProcStat pLast = p0, xLast = x0;
        long long tLast = t0;
        size_t pingFrom = 0;
        while (!feeder.done()) {
            pump(r);
            if (every > 0 && monotonicNs() >= nextReport) {
                nextReport += static_cast<long long>(every * 1e9);
                const long long now = monotonicNs();
                const ProcStat p = procStat(m_pid), x = procStat(m_x.pid());
                const double dt = (now - tLast) / 1e9;
                std::vector<double> pings(r.ping.begin() + long(pingFrom), r.ping.end());
                std::printf("  %6.0f s  sent %10llu  in file %10llu  out of seq %llu  pty full %llu  "
                            "program %5.1f %%  X %4.1f %%  ping worst %6.2f ms  resident %ld KiB\n",
                            (now - t0) / 1e9, (unsigned long long)feeder.shared().sent.load(),
                            (unsigned long long)(m_sink.seen() - seen0),
                            (unsigned long long)(m_sink.outOfSequence() - bad0),
                            (unsigned long long)feeder.shared().ptyFull.load(), 100 * (p.cpu - pLast.cpu) / dt,
                            100 * (x.cpu - xLast.cpu) / dt, pct(pings, 1.0), p.rssKiB);
                std::fflush(stdout);
                if (m_rssAfterFirstReport == 0)
                    m_rssAfterFirstReport = p.rssKiB;
                pLast = p;
                xLast = x;
                tLast = now;
                pingFrom = r.ping.size();
            }
        }
        const long long tFed = monotonicNs();
        const ProcStat p1 = procStat(m_pid), x1 = procStat(m_x.pid());
        const double b1 = selfCpu();
        const double wall = (tFed - t0) / 1e9;
        r.progCpu = 100 * (p1.cpu - p0.cpu) / wall;
        r.xCpu = 100 * (x1.cpu - x0.cpu) / wall;
        r.benchCpu = 100 * (b1 - b0) / wall;
        r.wakeups = (p1.wakeups - p0.wakeups) / wall;
        if (attached > 0)
            waitpid(attached, nullptr, 0);

        // Until every line has arrived, or none came for 3 s.
        if (r.observed) {
            long long lastProgress = monotonicNs();
            uint64_t last = m_sink.next();
            while (m_sink.next() < feeder.end() && monotonicNs() - lastProgress < 3000000000LL) {
                pump(r);
                if (m_sink.next() != last) {
                    last = m_sink.next();
                    lastProgress = monotonicNs();
                }
            }
            r.drainMs = std::max(0.0, (lastProgress - tFed) / 1e6);
        }
        r.sent = feeder.shared().sent;
        r.seconds = feeder.seconds();
        r.achieved = feeder.achieved();
        r.ptyFull = feeder.shared().ptyFull;
        r.worstBacklog = feeder.shared().worstBacklog;
        r.arrived = m_sink.seen() - seen0;
        r.outOfSequence = m_sink.outOfSequence() - bad0;
        r.latency = m_sink.latencyMs();
        r.pingsLost = m_x.unanswered();
        m_x.forgetUnanswered();
        m_sink.setFeeder(nullptr);
        m_next = feeder.end();
        return r;
    }

    long rss() const { return procStat(m_pid).rssKiB; }
    long rssAfterFirstReport() const { return m_rssAfterFirstReport; }

private:
    // The screen as it was goes next to the bench's temporary folder.
    bool fail(const std::string& why)
    {
        const std::string shot = m_dir.parent_path().string() + "-failed.png";
        shell("import -window root '" + shot + "'");
        if (g_verbose)
            std::fprintf(stderr, "%s\n", shell("for w in $(xdotool search --name .); do echo $w $(xdotool getwindowname $w); done; ps -ef | grep -v grep | grep -E 'pxrtool|Xvfb'").c_str());
        m_error = why + " (the screen: " + shot + ")";
        return false;
    }

    bool portOpen(int seconds)
    {
        const std::string fds = "/proc/" + std::to_string(m_pid) + "/fd";
        for (int i = 0; i < seconds * 20; ++i) {
            std::error_code ec;
            for (const auto& e : fs::directory_iterator(fds, ec)) {
                std::error_code ec2;
                if (fs::read_symlink(e.path(), ec2).string() == m_pty.slave)
                    return true;
            }
            if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1;
                return false;
            }
            sleepMs(50);
        }
        return false;
    }

    std::string substitute(std::string cmd) const
    {
        for (const auto& [key, value] : {std::pair<std::string, std::string>{"%p", std::to_string(m_pid)},
                                         std::pair<std::string, std::string>{"%x", std::to_string(m_x.pid())}})
            for (size_t p; (p = cmd.find(key)) != std::string::npos;)
                cmd.replace(p, key.size(), value);
        return cmd;
    }

    // One pass of the bench's loop: the program's stderr (trace or not),
    // the log file, the pings; then a millisecond's sleep, or less when
    // the trace has something.
    void pump(Run& r)
    {
        char buf[65536];
        const long long now = monotonicNs();
        for (ssize_t n; (n = read(m_err, buf, sizeof buf)) > 0;)
            if (m_trace)
                m_sink.take(buf, size_t(n), monotonicNs());
        if (m_log >= 0)
            for (ssize_t n; (n = read(m_log, buf, sizeof buf)) > 0;)
                m_sink.take(buf, size_t(n), now);
        m_x.pump(r.ping);
        pollfd p[2] = {{m_err, POLLIN, 0}, {m_x.fd(), POLLIN, 0}};
        poll(p, 2, 1);
    }

    XServer& m_x;
    const Options& m_o;
    fs::path m_dir;
    bool m_logFile, m_trace;
    Pty m_pty;
    pid_t m_pid = -1;
    int m_err = -1;
    int m_log = -1;
    std::string m_logPath, m_window, m_error;
    LineSink m_sink;
    uint64_t m_next = 0;
    long m_rssAfterFirstReport = 0;
};

// ---- printing ------------------------------------------------------------------

void printHeader()
{
    std::printf("%-22s %9s %9s %6s %5s %7s %6s %7s %8s %9s  %-20s %-20s\n", "configuration", "sent", "arrived", "lost",
                "full", "prog %", "X %", "sum %", "us/line", "wakeup/s", "latency ms 50/99/max", "ping ms 50/99/max");
}

void printRun(const Run& r)
{
    const double sum = r.progCpu + r.xCpu;
    const double perLine = r.sent ? (r.progCpu + r.xCpu) / 100 * r.seconds / double(r.sent) * 1e6 : 0;
    char arrived[32] = "-", lost[32] = "-";
    if (r.observed) {
        std::snprintf(arrived, sizeof arrived, "%llu", (unsigned long long)r.arrived);
        std::snprintf(lost, sizeof lost, "%llu", (unsigned long long)(r.lost() + r.outOfSequence));
    }
    std::printf("%-22s %9llu %9s %6s %5llu %7.1f %6.1f %7.1f %8.1f %9.0f  %-20s %-20s\n", r.name.c_str(),
                (unsigned long long)r.sent, arrived, lost, (unsigned long long)r.ptyFull, r.progCpu, r.xCpu, sum,
                perLine, r.wakeups, spread(r.latency).c_str(), spread(r.ping).c_str());
    if (r.sent)
        std::printf("%-22s fed %.0f lines/s in %.2f s, worst backlog %llu bytes, drained %.0f ms after the last "
                    "write, pings unanswered %zu, bench CPU %.1f %%\n",
                    "", r.achieved, r.seconds, (unsigned long long)r.worstBacklog, r.drainMs, r.pingsLost,
                    r.benchCpu);
    std::fflush(stdout);
}

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--seconds" && hasValue)
            o.seconds = std::atof(argv[++i]);
        else if (a == "--rate" && hasValue)
            o.rate = std::atof(argv[++i]);
        else if (a == "--only" && hasValue) {
            o.only.clear();
            std::string list = argv[++i];
            std::replace(list.begin(), list.end(), ',', ' ');
            o.only = words(list);
        } else if (a == "--shot" && hasValue)
            o.shot = argv[++i];
        else if (a == "--attach" && hasValue)
            o.attach = argv[++i];
        else if (a == "--wrap" && hasValue)
            o.wrap = argv[++i];
        else if (a == "--program" && hasValue)
            o.program = argv[++i];
        else if (a == "--soak" && hasValue)
            o.soak = std::atof(argv[++i]);
        else if (a == "--page" && hasValue)
            o.page = argv[++i];
        else if (a == "--verbose")
            g_verbose = true;
        else if (a == "--every" && hasValue)
            o.every = std::atof(argv[++i]);
        else
            return false;
    }
    const bool knownPage = std::any_of(std::begin(kTabX), std::end(kTabX),
                                       [&o](const auto& tab) { return o.page == tab.first; });
    return o.seconds > 0 && o.rate > 0 && o.every > 0 && knownPage;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr, "usage: bench_xvfb [--seconds S] [--rate R] [--only log,nolog,trace,ceiling] "
                             "[--shot FILE] [--page device|diagram|terminal|log] [--attach CMD] [--wrap CMD] [--program PATH] | --soak S [--every S]\n");
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    char tmpl[] = "/tmp/pxr-bench-xvfb-XXXXXX";
    if (!mkdtemp(tmpl)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = tmpl;
    struct Cleanup {
        fs::path dir;
        ~Cleanup()
        {
            std::error_code ec;
            fs::remove_all(dir, ec);
        }
    } cleanup{dir};

    XServer x;
    if (!x.start()) {
        std::fprintf(stderr, "bench_xvfb: Xvfb did not start\n");
        return 1;
    }
    bool allKept = true;

    if (o.soak > 0) {
        Session s(x, o, dir / "soak", true, false);
        if (!s.start(!o.wrap.empty())) {
            std::fprintf(stderr, "bench_xvfb: %s\n", s.error().c_str());
            return 1;
        }
        const long rss0 = s.rss();
        std::printf("soak: pxrtool on Xvfb %s, Diagram page, log file on, %.0f lines/s for %.0f s; resident %ld KiB "
                    "before the first line\n",
                    x.display().c_str(), o.rate, o.soak, rss0);
        const Run r = s.feed("soak", static_cast<uint64_t>(o.soak * o.rate), o.rate, true, o.every);
        const long rss1 = s.rss();
        printHeader();
        printRun(r);
        std::printf("resident: %ld KiB before the first line, %ld KiB after %.0f s, %ld KiB at the end "
                    "(growth %+ld KiB since the first report)\n",
                    rss0, s.rssAfterFirstReport(), o.every, rss1, rss1 - s.rssAfterFirstReport());
        return r.kept() ? 0 : 1;
    }

    std::printf("bench_xvfb: pxrtool on Xvfb %s (1280x1024x24), %s page shown, %.0f lines/s, %.0f s a run\n",
                x.display().c_str(), o.page.c_str(), o.rate, o.seconds);
    printHeader();
    const uint64_t count = static_cast<uint64_t>(o.seconds * o.rate);
    bool first = true;
    struct Config {
        const char* key;
        const char* name;
        bool logFile, trace;
    };
    const Config configs[] = {{"log", "log file on", true, false},
                              {"nolog", "log file off", false, false},
                              {"trace", "trace (debug), no log", false, true}};
    for (const Config& c : configs) {
        const bool ceiling = c.logFile && o.wants("ceiling");
        if (!o.wants(c.key) && !ceiling)
            continue;
        Session s(x, o, dir / c.key, c.logFile, c.trace);
        if (!s.start(!o.wrap.empty() && first)) {
            std::fprintf(stderr, "bench_xvfb: %s: %s\n", c.name, s.error().c_str());
            return 1;
        }
        if (o.wants(c.key)) {
            if (!c.trace) {
                Run idle = s.idle(kIdleSeconds);
                idle.name = std::string(c.name) + ", idle";
                printRun(idle);
            }
            const Run r = s.feed(c.name, c.trace ? std::min<uint64_t>(count, uint64_t(10 * o.rate)) : count, o.rate,
                                 first);
            first = false;
            printRun(r);
            allKept = allKept && (!r.observed || r.kept());
            if (!o.shot.empty()) {
                shell("import -window root '" + o.shot + "'");
                o.shot.clear();
            }
        }
        if (ceiling) {
            double best = 0;
            for (double f : kCeilingFactors) {
                const double rate = o.rate * f;
                char name[48];
                std::snprintf(name, sizeof name, "ceiling %.0f", rate);
                const Run r = s.feed(name, static_cast<uint64_t>(kCeilingSeconds * rate), rate, false);
                printRun(r);
                if (!r.kept())
                    break;
                best = rate;
            }
            std::printf("ceiling: highest rate kept up with (nothing lost, the terminal's buffer never full, fed at "
                        ">= 98 %%): %.0f lines/s\n",
                        best);
        }
    }
    return allKept ? 0 : 1;
}
