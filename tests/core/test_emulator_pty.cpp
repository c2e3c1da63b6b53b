// The pxr-meter tool on a real pseudo-terminal, talked to with plain POSIX calls.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double nowMs() { return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count(); }

struct TimedRead {
    double beforeMs; // just before the read that got the bytes
    double afterMs;  // just after it
    std::string bytes;
};

std::string joined(const std::vector<TimedRead>& reads)
{
    std::string all;
    for (const TimedRead& r : reads)
        all += r.bytes;
    return all;
}

class MeterProcess {
public:
    MeterProcess()
    {
        char pattern[] = "/tmp/pxr-meter-test-XXXXXX";
        const char* dir = ::mkdtemp(pattern);
        if (dir)
            m_dir = dir;
        m_link = m_dir + "/meter";
    }
    ~MeterProcess()
    {
        stop();
        if (m_fd >= 0)
            ::close(m_fd);
        ::unlink(m_link.c_str());
        ::rmdir(m_dir.c_str());
    }

    bool start(std::vector<std::string> args)
    {
        args.insert(args.begin(), {PXR_METER_PATH, "--link", m_link});
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, PXR_METER_PATH, nullptr, nullptr, argv.data(), environ) != 0)
            return false;
        const auto until = Clock::now() + std::chrono::seconds(5);
        struct stat st{};
        while (Clock::now() < until) {
            if (::lstat(m_link.c_str(), &st) == 0)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // Opens the link as a program opens a serial port: raw, 8N1 at `baud`.
    bool open(speed_t baud)
    {
        m_fd = ::open(m_link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return false;
        termios t{};
        ::tcgetattr(m_fd, &t);
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, baud);
        ::cfsetospeed(&t, baud);
        return ::tcsetattr(m_fd, TCSANOW, &t) == 0;
    }

    // Changes the line speed of the open port, as a program does.
    bool setSpeed(speed_t baud)
    {
        termios t{};
        ::tcgetattr(m_fd, &t);
        ::cfsetispeed(&t, baud);
        ::cfsetospeed(&t, baud);
        return ::tcsetattr(m_fd, TCSANOW, &t) == 0;
    }

    void write(const std::string& bytes) { ASSERT_EQ(::write(m_fd, bytes.data(), bytes.size()), ssize_t(bytes.size())); }

    // Reads until `stop` has arrived (empty: never) or ms have passed, each
    // read with the clock taken around it.
    std::vector<TimedRead> readTimed(const std::string& stop, int ms)
    {
        std::vector<TimedRead> reads;
        std::string got;
        const double until = nowMs() + ms;
        while (nowMs() < until && (stop.empty() || got.find(stop) == std::string::npos)) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, std::max(0, static_cast<int>(until - nowMs()))) <= 0)
                continue;
            char buf[256];
            const double before = nowMs();
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0)
                break;
            reads.push_back({before, nowMs(), std::string(buf, static_cast<size_t>(n))});
            got += reads.back().bytes;
        }
        return reads;
    }

    // Reads until `stop` has arrived or ms have passed; `error` tells whether the line failed.
    std::string readUntil(const std::string& stop, int ms, bool* error = nullptr)
    {
        std::string got;
        const auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (Clock::now() < until && got.find(stop) == std::string::npos) {
            pollfd p{m_fd, POLLIN, 0};
            const int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count());
            if (::poll(&p, 1, std::max(left, 0)) <= 0)
                continue;
            char buf[256];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n > 0) {
                got.append(buf, static_cast<size_t>(n));
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                if (error)
                    *error = true;
                break;
            }
        }
        return got;
    }

    // Stops the auto-start stream and throws away what it sent.
    void quieten()
    {
        write("\x1b");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::tcflush(m_fd, TCIFLUSH);
    }

    // SIGTERM, then SIGKILL if it does not end within 3 s; true if it ended on SIGTERM.
    bool stop()
    {
        if (m_pid <= 0)
            return false;
        ::kill(m_pid, SIGTERM);
        const auto until = Clock::now() + std::chrono::seconds(3);
        int status = 0;
        while (Clock::now() < until) {
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = 0;
                return WIFEXITED(status) && WEXITSTATUS(status) == 0;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, &status, 0);
        m_pid = 0;
        return false;
    }

    const std::string& link() const { return m_link; }

private:
    std::string m_dir;
    std::string m_link;
    pid_t m_pid = 0;
    int m_fd = -1;
};

TEST(PxrMeterTool, AnswersIdThroughTheLink)
{
    MeterProcess meter;
    ASSERT_TRUE(meter.start({"--model", "pxr7x"}));
    ASSERT_TRUE(meter.open(B9600));
    meter.quieten();
    meter.write("ID\r");
    const std::string reply = meter.readUntil("\r\n", 3000);
    EXPECT_EQ(reply.rfind("ID PXR7X ", 0), 0u) << reply;
    EXPECT_EQ(reply.substr(reply.size() - 2), "\r\n");

    // Ended by SIGTERM, it takes its link away.
    EXPECT_TRUE(meter.stop());
    struct stat st{};
    EXPECT_NE(::lstat(meter.link().c_str(), &st), 0);
}

TEST(PxrMeterTool, Pxr502NamesItsVariantAndPacesItsOutput)
{
    MeterProcess meter;
    ASSERT_TRUE(meter.start({"--model", "pxr502", "--baud", "2400"}));
    ASSERT_TRUE(meter.open(B2400));
    meter.quieten();
    meter.write("SA\r");
    EXPECT_EQ(meter.readUntil("\r\n", 3000), "SA 10\r\n");
    // "ID?" answers one line of some 40 characters: at 2400 baud that takes
    // about 4 ms per character.
    meter.write("ID?\r");
    const auto begin = Clock::now();
    const std::string more = meter.readUntil("\r\n", 3000);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count();
    EXPECT_EQ(more.rfind("ID? PXR502", 0), 0u) << more;
    EXPECT_GE(took, static_cast<long>(more.size() * 4 * 8 / 10)) << more.size() << " bytes in " << took << " ms";
}

TEST(PxrMeterTool, HangUpClosesTheLine)
{
    MeterProcess meter;
    ASSERT_TRUE(meter.start({"--model", "pxr7x", "--hangup-after", "30"}));
    ASSERT_TRUE(meter.open(B9600));
    bool error = false;
    const std::string got = meter.readUntil("never", 3000, &error);
    EXPECT_TRUE(error);
    EXPECT_LE(got.size(), 30u);
    // The device is gone with the line: no link is left to a terminal that
    // the system may hand to another program.
    struct stat st{};
    for (int i = 0; i < 50 && ::lstat(meter.link().c_str(), &st) == 0; ++i)
        ::usleep(20000);
    EXPECT_NE(::lstat(meter.link().c_str(), &st), 0);
}

// ---- the pace of the line ----

struct RateCase {
    const char* baud;
    speed_t speed;
    double byteMs;
};

const RateCase kRates[] = {{"9600", B9600, 10000.0 / 9600}, {"115200", B115200, 10000.0 / 115200}};

class PxrMeterPace : public ::testing::TestWithParam<RateCase> {};

// A reply crosses the line at 10 bits a byte: never faster (whatever the
// reader's luck, the bytes after its first read need their line time, less
// the millisecond a late writer may make up), and, at least once in five
// tries on a busy machine, within its line time and a few ms.
TEST_P(PxrMeterPace, ReplyTakesItsLineTime)
{
    const RateCase& c = GetParam();
    MeterProcess meter;
    ASSERT_TRUE(meter.start({"--model", "pxr502", "--baud", c.baud}));
    ASSERT_TRUE(meter.open(c.speed));
    meter.quieten();
    double best = 1e9;
    size_t size = 0;
    for (int attempt = 0; attempt < 5; ++attempt) {
        meter.write("ID?\r");
        const std::vector<TimedRead> reads = meter.readTimed("\r\n", 2000);
        const std::string reply = joined(reads);
        ASSERT_EQ(reply.rfind("ID? PXR502 ", 0), 0u) << reply;
        ASSERT_EQ(reply.substr(reply.size() - 2), "\r\n");
        size = reply.size();
        const size_t later = size - reads.front().bytes.size();
        const double span = reads.back().afterMs - reads.front().beforeMs;
        if (later > 1) {
            EXPECT_GE(span, static_cast<double>(later - 1) * c.byteMs - 1.0)
                << later << " bytes after the first read came within " << span << " ms";
        }
        best = std::min(best, span);
    }
    EXPECT_LE(best, static_cast<double>(size) * c.byteMs + 5.0) << size << " bytes took at best " << best << " ms";
}

// A stream at the meter's true rate builds no backlog: after ESC only the
// line on the wire may finish, and 50 ms later the line is quiet.
TEST_P(PxrMeterPace, NothingArrives50MsAfterEsc)
{
    const RateCase& c = GetParam();
    for (const char* model : {"pxr501", "pxr7x"}) {
        MeterProcess meter;
        ASSERT_TRUE(meter.start({"--model", model, "--baud", c.baud}));
        ASSERT_TRUE(meter.open(c.speed));
        meter.quieten();
        // PXR501/502: SA 7 at MF 2000 is a reading every 3.5 ms; PXR7X's DX one every 20 ms.
        const bool fast = std::string(model) == "pxr501";
        if (fast)
            meter.write("SA7\r");
        meter.write(fast ? "DT\r" : "DX\r");
        const std::string stream = joined(meter.readTimed("", 1000));
        EXPECT_GE(stream.size(), 250u) << model;
        const double esc = nowMs();
        meter.write("\x1b");
        meter.readTimed("", static_cast<int>(esc + 50 - nowMs()));
        const std::string late = joined(meter.readTimed("", 500));
        EXPECT_EQ(late, "") << model << " at " << c.baud;
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, PxrMeterPace, ::testing::ValuesIn(kRates),
                         [](const ::testing::TestParamInfo<RateCase>& info) { return std::string(info.param.baud); });

// Between two readings (two a second), ESC leaves the line quiet; with
// --esc-tail the reading in hand still comes, whole, and then nothing.
TEST(PxrMeterTool, EscTailBetweenReadings)
{
    for (bool tail : {false, true}) {
        MeterProcess meter;
        std::vector<std::string> args{"--model", "pxr501"};
        if (tail)
            args.push_back("--esc-tail");
        ASSERT_TRUE(meter.start(args));
        ASSERT_TRUE(meter.open(B115200));
        meter.quieten();
        meter.write("SA1000\r");
        meter.write("DT\r");
        ASSERT_NE(joined(meter.readTimed("\r\n", 3000)).find("\r\n"), std::string::npos);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        meter.write("\x1b");
        const std::string after = joined(meter.readTimed("", 800));
        if (tail) {
            EXPECT_EQ(after.size(), 12u) << after;
            EXPECT_EQ(after.rfind("D 0005.00", 0), 0u) << after;
        } else {
            EXPECT_EQ(after, "");
        }
    }
}

// How a reply arrives: in one piece, in pieces at the line's pace, after
// the answer time.
struct ShapeCase {
    const char* name;
    std::vector<std::string> args;
    speed_t speed;
    const char* command;
    const char* reply;
    size_t minReads;
    size_t maxReads;
    double minMs; // from writing the command to the reply's last byte
};

const ShapeCase kShapes[] = {
    // 1200 baud: 8.3 ms a byte; "Q1" CR takes 25 ms, the reply 142 ms.
    {"OnePiece", {"--model", "pxr501", "--baud", "1200", "--one-piece"}, B1200, "Q1", "Q1 2 5000 0.1 1\r\n", 1, 1, 171},
    {"ThreePieces", {"--model", "pxr501", "--baud", "1200", "--pieces", "3"}, B1200, "Q1", "Q1 2 5000 0.1 1\r\n", 2, 3, 171},
    {"AnswerTime", {"--model", "pxr7x", "--answer-ms", "300"}, B9600, "SA", "SA 1\r\n", 1, 6, 300},
};

class PxrMeterShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(PxrMeterShape, ReplyArrivesAsAsked)
{
    const ShapeCase& c = GetParam();
    MeterProcess meter;
    ASSERT_TRUE(meter.start(c.args));
    ASSERT_TRUE(meter.open(c.speed));
    meter.quieten();
    const double asked = nowMs();
    meter.write(std::string(c.command) + "\r");
    const std::vector<TimedRead> reads = meter.readTimed("\r\n", 3000);
    EXPECT_EQ(joined(reads), c.reply);
    ASSERT_FALSE(reads.empty());
    EXPECT_GE(reads.size(), c.minReads);
    EXPECT_LE(reads.size(), c.maxReads);
    EXPECT_GE(reads.back().afterMs - asked, c.minMs);
}

INSTANTIATE_TEST_SUITE_P(Faults, PxrMeterShape, ::testing::ValuesIn(kShapes),
                         [](const ::testing::TestParamInfo<ShapeCase>& info) { return std::string(info.param.name); });

// With --baud the rates matter as on a real line: at another rate the
// program reads junk and the meter does not understand it.
TEST(PxrMeterTool, ANamedRateGarblesBothDirections)
{
    MeterProcess meter;
    ASSERT_TRUE(meter.start({"--model", "pxr7x", "--baud", "19200"}));
    ASSERT_TRUE(meter.open(B9600));
    const std::string junk = joined(meter.readTimed("", 600));
    ASSERT_FALSE(junk.empty()) << "the auto-start stream runs";
    for (unsigned char ch : junk)
        EXPECT_GE(ch, 0x80) << "no byte passes for text";
    meter.write("SA7\r");
    // As a program drains its output before it changes the rate.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(meter.setSpeed(B19200));
    meter.quieten();
    meter.write("SA\r");
    EXPECT_EQ(meter.readUntil("\r\n", 2000), "SA 1\r\n") << "SA7 at the wrong rate was not understood";
}

// --help names every fault on a line of its own, and every option it names
// is taken.
TEST(PxrMeterTool, HelpListsEveryFaultOnOneLine)
{
    FILE* pipe = ::popen(PXR_METER_PATH " --help", "r");
    ASSERT_NE(pipe, nullptr);
    std::string help;
    char buf[256];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
        help.append(buf, n);
    EXPECT_EQ(::pclose(pipe), 0);

    std::vector<std::vector<std::string>> options; // flag and its argument, as the help shows them
    for (size_t at = 0, end; (end = help.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = help.substr(at, end - at);
        if (line.rfind("  --", 0) != 0)
            continue;
        // "  --flag VALUE       text" or "  --flag             text"
        const std::string flag = line.substr(2, line.find(' ', 2) - 2);
        const size_t next = 3 + flag.size();
        std::vector<std::string> words{flag};
        if (next < line.size() && std::isupper(static_cast<unsigned char>(line[next])))
            words.push_back(line.substr(next, line.find(' ', next) - next));
        options.push_back(words);
    }
    for (const char* fault : {"--silent", "--no-echo", "--garbled", "--chunked", "--one-piece", "--pieces",
                              "--blank-lines", "--answer-ms", "--slow", "--esc-tail", "--ignore-first-esc",
                              "--hangup-after", "--wrong-baud", "--baud"}) {
        EXPECT_EQ(std::count_if(options.begin(), options.end(), [&](const auto& o) { return o[0] == fault; }), 1)
            << fault;
    }
    for (std::vector<std::string> option : options) {
        if (option[0] == "--help")
            continue;
        if (option.size() > 1)
            option[1] = option[0] == "--baud" ? "9600" : "300";
        MeterProcess meter;
        option.insert(option.begin(), {"--model", "pxr7x"});
        EXPECT_TRUE(meter.start(option)) << option[2];
        EXPECT_TRUE(meter.stop()) << option[2];
    }
}

} // namespace
