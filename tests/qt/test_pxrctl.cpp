// pxrctl as a process against pxr-meter on a pseudo-terminal: exit codes,
// files and the Ctrl+C path, as a user or a script sees them.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "qt/PtyMeter.h"
#include "qt/Ser2Net.h"

namespace {

struct CtlRun {
    int exitCode = -1;
    bool finished = false;
    std::string out;
    std::string err;
};

// Generous upper bound for any single run: only a hang check.
constexpr int kRunLimitMs = 30000;

CtlRun pxrctl(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(PXRCTL_PATH), args);
    CtlRun r;
    if (!p.waitForStarted(5000))
        return r;
    r.finished = p.waitForFinished(kRunLimitMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished(5000);
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

std::string readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return f.readAll().toStdString();
}

bool writeFile(const QString& path, const std::string& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           f.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

std::vector<std::string> splitCrLf(const std::string& text)
{
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(text.substr(from, at - from));
    return lines;
}

// Waits until `done` holds, at most `ms`; whether it holds at the end.
bool waitUntil(int ms, const std::function<bool()>& done)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms && !done())
        QThread::msleep(20);
    return done();
}

// Waits (at most 15 s) until the file a stream writes holds n lines or more.
bool waitForLines(const QString& path, size_t n)
{
    return waitUntil(15000, [&] { return splitCrLf(readFile(path)).size() >= n; });
}

// What the meter sent, from its traffic log ("-> " lines), cut into lines.
std::vector<std::string> sentLines(const std::string& log)
{
    std::string sent;
    size_t from = 0;
    for (size_t at; (at = log.find("-> ", from)) != std::string::npos; from = at + 3) {
        if (at > 0 && log[at - 1] != '\n')
            continue;
        const size_t end = log.find('\n', at);
        sent += log.substr(at + 3, end == std::string::npos ? std::string::npos : end - at - 3);
    }
    std::vector<std::string> lines;
    from = 0;
    for (size_t at; (at = sent.find("\\r\\n", from)) != std::string::npos; from = at + 4)
        lines.push_back(sent.substr(from, at - from));
    return lines;
}

// Stops a meter's auto-start stream with ESC through its link, at its rate.
bool escToMeter(const QString& link, speed_t speed)
{
    const int fd = ::open(link.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return false;
    termios t{};
    bool ok = ::tcgetattr(fd, &t) == 0;
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    ok = ok && ::tcsetattr(fd, TCSANOW, &t) == 0 && ::write(fd, "\x1b", 1) == 1;
    ::tcdrain(fd);
    QThread::msleep(300); // the ESC's time on the line before the port goes
    ::close(fd);
    return ok;
}

// pxr-meter with its traffic log, so a test can see what reached the meter.
class Meter {
public:
    explicit Meter(const QString& link) : m_link(link), m_logPath(link + ".log") {}
    ~Meter()
    {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.terminate();
            if (!m_proc.waitForFinished(3000)) {
                m_proc.kill();
                m_proc.waitForFinished(3000);
            }
        }
    }
    bool start(const QStringList& args)
    {
        // Into a file: the test runs no event loop that would drain a pipe.
        m_proc.setStandardErrorFile(m_logPath);
        m_proc.start(QStringLiteral(PXR_METER_PATH), QStringList{"--link", m_link, "--verbose"} + args);
        if (!m_proc.waitForStarted(5000))
            return false;
        return pxr::test::waitUntilExists(m_link);
    }
    // Everything the meter logged so far ("<- " lines are what it received).
    std::string log() const { return readFile(m_logPath); }
    QString link() const { return m_link; }

private:
    QString m_link;
    QString m_logPath;
    QProcess m_proc;
};

struct PxrCtl : ::testing::Test {
    QTemporaryDir dir;
    Meter meter{dir.path() + "/pxr"};
    QString file(const char* name) const { return dir.path() + "/" + name; }
    QStringList on(const char* command, const char* model = "pxr7x") const
    {
        return {command, "--port", meter.link(), "--model", model};
    }
};

TEST_F(PxrCtl, GetSetRoundTripLeavesTheMeterUnchanged)
{
    ASSERT_TRUE(meter.start({"--model", "pxr7x"}));
    const CtlRun get1 = pxrctl(on("get") << "-o" << file("a.csv"));
    ASSERT_EQ(get1.exitCode, 0) << get1.err;
    const std::string saved = readFile(file("a.csv"));
    EXPECT_EQ(saved.rfind("[Parameter]\r\nST=", 0), 0u) << saved;

    const CtlRun set = pxrctl(on("set") << file("a.csv"));
    EXPECT_EQ(set.exitCode, 0) << set.err;

    const CtlRun get2 = pxrctl(on("get"));
    ASSERT_EQ(get2.exitCode, 0) << get2.err;
    EXPECT_EQ(get2.out, saved);
}

TEST_F(PxrCtl, Pxr500cReadoutKeepsEveryValueInItsPlace)
{
    // Its AS is asked for without a stop string and reaches the program in
    // pieces over a real line; no piece, and not its line end, may end up in
    // a value.
    ASSERT_TRUE(meter.start({"--model", "pxr500c"}));
    const CtlRun get = pxrctl(on("get", "pxr500c"));
    ASSERT_EQ(get.exitCode, 0) << get.err;
    EXPECT_NE(get.out.find("\r\nAS=dt\r\n"), std::string::npos) << get.out;
    EXPECT_NE(get.out.find("\r\nRB=0\r\n"), std::string::npos) << get.out;
}

TEST_F(PxrCtl, ChangedFileIsWrittenAndReadBack)
{
    ASSERT_TRUE(meter.start({"--model", "pxr501"}));
    const CtlRun get1 = pxrctl(on("get", "pxr501"));
    ASSERT_EQ(get1.exitCode, 0) << get1.err;
    std::string text = get1.out;
    const size_t at = text.find("\r\nSF=");
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, text.find("\r\n", at + 2) - at, "\r\nSF=4,25");
    ASSERT_TRUE(writeFile(file("b.csv"), text));

    const CtlRun set = pxrctl(on("set", "pxr501") << file("b.csv"));
    EXPECT_EQ(set.exitCode, 0) << set.err;
    const CtlRun get2 = pxrctl(on("get", "pxr501"));
    ASSERT_EQ(get2.exitCode, 0) << get2.err;
    EXPECT_NE(get2.out.find("\r\nSF=4.25\r\n"), std::string::npos) << get2.out;
}

TEST_F(PxrCtl, ReadBackMismatchExitsThreeNamingTheCode)
{
    ASSERT_TRUE(meter.start({"--model", "pxr7x"}));
    // Only the first of TD's two values: the meter keeps its own second one.
    ASSERT_TRUE(writeFile(file("c.csv"), "[Parameter]\r\nTD=9\r\n"));
    const CtlRun set = pxrctl(on("set") << file("c.csv"));
    EXPECT_EQ(set.exitCode, 3);
    EXPECT_NE(set.err.find("TD"), std::string::npos) << set.err;
}

struct SilentCase {
    const char* name;
    std::vector<const char*> extra;
};

class PxrCtlSilentMeter : public PxrCtl, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(PxrCtlSilentMeter, ExitsThreeInsteadOfHanging)
{
    ASSERT_TRUE(meter.start({"--model", "pxr7x", "--silent"}));
    ASSERT_TRUE(writeFile(file("d.csv"), "[Parameter]\r\nSA=2\r\n"));
    QStringList args = on(GetParam().name);
    for (const char* e : GetParam().extra)
        args << (std::string(e) == "FILE" ? file("d.csv") : QString::fromUtf8(e));
    const CtlRun r = pxrctl(args);
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_FALSE(r.err.empty());
}

INSTANTIATE_TEST_SUITE_P(Process, PxrCtlSilentMeter,
                         ::testing::Values(SilentCase{"get", {}}, SilentCase{"set", {"FILE"}},
                                           SilentCase{"send", {"--timeout", "300", "ID"}},
                                           SilentCase{"stream", {"--timeout", "1500"}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PxrCtl, CtrlCDuringStreamSendsEscAndLeavesACompleteFile)
{
    ASSERT_TRUE(meter.start({"--model", "pxr7x"}));
    QProcess p;
    p.start(QStringLiteral(PXRCTL_PATH), on("stream") << "-o" << file("log.csv"));
    ASSERT_TRUE(p.waitForStarted(5000));
    // Wait until some readings are on disk.
    ASSERT_TRUE(waitForLines(file("log.csv"), 5)) << p.readAllStandardError().toStdString();
    const size_t logBefore = meter.log().size();
    ASSERT_EQ(::kill(static_cast<pid_t>(p.processId()), SIGINT), 0);
    ASSERT_TRUE(p.waitForFinished(kRunLimitMs));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();

    const std::string text = readFile(file("log.csv"));
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    const std::vector<std::string> lines = splitCrLf(text);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Time;Value");
    const std::regex logLine(R"(\d+\.\d{3};(-?\d+\.\d{3})?)");
    for (size_t i = 1; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], logLine)) << i << ": " << lines[i];

    // The meter received the ESC after the signal.
    EXPECT_TRUE(waitUntil(5000, [&] { return meter.log().find("<ESC>", logBefore) != std::string::npos; }))
        << meter.log().substr(logBefore);
}

TEST_F(PxrCtl, StreamToStdoutWithCount)
{
    ASSERT_TRUE(meter.start({"--model", "pxr500c"}));
    const CtlRun r = pxrctl(on("stream", "pxr500c") << "--count" << "4");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<std::string> lines = splitCrLf(r.out);
    ASSERT_EQ(lines.size(), 5u) << r.out;
    EXPECT_EQ(lines[0], "Time;Value");
}

TEST_F(PxrCtl, SendPrintsTheAnswer)
{
    ASSERT_TRUE(meter.start({"--model", "pxr7x"}));
    const CtlRun r = pxrctl(on("send") << "--timeout" << "500" << "SA");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // The meter may be streaming its auto-start mode; the answer is among the lines.
    EXPECT_NE(r.out.find("SA "), std::string::npos) << r.out;
}

// ---- meters behind ser2net, and the meter finder ----

struct PxrCtlSer2Net : PxrCtl {
    pxr::test::Ser2Net server{dir.path()};
    void SetUp() override
    {
        if (!pxr::test::Ser2Net::available())
            GTEST_SKIP() << "ser2net is not installed (Debian package ser2net; scripts/deps installs it)";
    }
};

TEST_F(PxrCtlSer2Net, GetSetAndStreamOverRfc2217SetTheRateOverTheNetwork)
{
    // The meter runs at 38400; the server's line is configured for 9600, so
    // nothing works unless the rate goes over the network.
    ASSERT_TRUE(meter.start({"--model", "pxr7x", "--baud", "38400"}));
    ASSERT_TRUE(server.start(meter.link(), 9600, 38400));
    const QStringList at = {"--port", server.rfc2217Name(), "--model", "pxr7x", "--baud", "38400"};
    const CtlRun get = pxrctl(QStringList{"get", "-o", file("net.csv")} + at);
    ASSERT_EQ(get.exitCode, 0) << get.err << server.log().toStdString();
    const std::string saved = readFile(file("net.csv"));
    EXPECT_EQ(saved.rfind("[Parameter]\r\nST=", 0), 0u) << saved;
    const CtlRun set = pxrctl(QStringList{"set", file("net.csv")} + at);
    EXPECT_EQ(set.exitCode, 0) << set.err;
    const CtlRun stream = pxrctl(QStringList{"stream", "--count", "12", "--stats"} + at);
    ASSERT_EQ(stream.exitCode, 0) << stream.err;
    EXPECT_EQ(splitCrLf(stream.out).size(), 13u) << stream.out;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(stream.err, m, std::regex(R"(Count (\d+) .* Invalid (\d+))"))) << stream.err;
    EXPECT_EQ(std::stoi(m[1]) + std::stoi(m[2]), 12);
    // At the server's configured rate the meter hears junk: the rate above was set remotely.
    const CtlRun wrong = pxrctl({"send", "--port", server.rfc2217Name(), "--model", "pxr7x", "--timeout", "400", "SA"});
    EXPECT_EQ(wrong.out.find("SA "), std::string::npos) << wrong.out;
}

TEST_F(PxrCtlSer2Net, GetAndStreamOverAPlainSocketAtTheServersRate)
{
    ASSERT_TRUE(meter.start({"--model", "pxr501", "--baud", "57600"}));
    ASSERT_TRUE(server.start(meter.link(), 9600, 57600));
    // The port's own rate does not matter behind a plain socket.
    const QStringList at = {"--port", server.socketName(), "--model", "pxr501", "--baud", "2400"};
    const CtlRun get = pxrctl(QStringList{"get"} + at);
    ASSERT_EQ(get.exitCode, 0) << get.err;
    EXPECT_NE(get.out.find("\r\nSA="), std::string::npos) << get.out;
    const CtlRun stream = pxrctl(QStringList{"stream", "--count", "5"} + at);
    EXPECT_EQ(stream.exitCode, 0) << stream.err;
    EXPECT_EQ(splitCrLf(stream.out).size(), 6u) << stream.out;
}

TEST_F(PxrCtlSer2Net, StoppingTheServerEndsAStreamWithExitTwoAndEveryLineKept)
{
    ASSERT_TRUE(meter.start({"--model", "pxr7x", "--baud", "19200"}));
    ASSERT_TRUE(server.start(meter.link(), 9600, 19200));
    QProcess p;
    p.start(QStringLiteral(PXRCTL_PATH), {"stream", "--port", server.rfc2217Name(), "--model", "pxr7x", "--baud",
                                          "19200", "--timeout", "0", "-o", file("cut.csv")});
    ASSERT_TRUE(p.waitForStarted(5000));
    ASSERT_TRUE(waitForLines(file("cut.csv"), 8)) << p.readAllStandardError().toStdString();
    server.stop();
    // Lost, not waiting for ever (--timeout 0): exit 2 within a moment.
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_NE(p.readAllStandardError().toStdString().find("lost"), std::string::npos);

    const std::string text = readFile(file("cut.csv"));
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    const std::vector<std::string> lines = splitCrLf(text);
    // Every reading in the file, in order and without a gap, is one the meter sent.
    std::vector<std::string> values;
    for (size_t i = 1; i < lines.size(); ++i)
        values.push_back(lines[i].substr(lines[i].find(';') + 1));
    std::vector<std::string> sent;
    for (const std::string& l : sentLines(meter.log()))
        sent.push_back(l.size() == 7 ? std::to_string(std::stoi(l.substr(0, 3))) + l.substr(3) : std::string());
    bool contiguous = false;
    for (size_t start = 0; !contiguous && start + values.size() <= sent.size(); ++start)
        contiguous = std::equal(values.begin(), values.end(), sent.begin() + static_cast<long>(start));
    EXPECT_TRUE(contiguous) << text;
}

TEST_F(PxrCtlSer2Net, FindsMetersAtRatesItWasNotTold)
{
    // A streaming PXR7X at 38400, a quiet PXR502 at 19200, and a streaming
    // PXR500C at 4800 behind ser2net (configured for 9600).
    ASSERT_TRUE(meter.start({"--model", "pxr7x", "--baud", "38400"}));
    Meter quiet(dir.path() + "/quiet");
    ASSERT_TRUE(quiet.start({"--model", "pxr502", "--baud", "19200"}));
    ASSERT_TRUE(escToMeter(quiet.link(), B19200));
    Meter remote(dir.path() + "/remote");
    ASSERT_TRUE(remote.start({"--model", "pxr500c", "--baud", "4800"}));
    ASSERT_TRUE(server.start(remote.link(), 9600, 9600));
    const size_t quietBefore = quiet.log().size();

    QElapsedTimer t;
    t.start();
    const CtlRun r =
        pxrctl({"find", "--port", meter.link(), "--port", quiet.link(), "--port", server.rfc2217Name()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string expected[] = {
        meter.link().toStdString() + "\tpxr7x\t38400\tstreaming, left running \\(reading \"005\\.00\\d\"\\)",
        quiet.link().toStdString() + "\tpxr502\t19200\tPXR502 V3.10 SN \\d+; PXR502 HW .*",
        server.rfc2217Name().toStdString() + "\tpxr500c\t4800\tstreaming, left running \\(reading \".*\"\\)",
    };
    std::vector<std::string> lines;
    for (size_t from = 0, at; (at = r.out.find('\n', from)) != std::string::npos; from = at + 1)
        lines.push_back(r.out.substr(from, at - from));
    ASSERT_EQ(lines.size(), 3u) << r.out << r.err;
    for (size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(expected[i]))) << lines[i];
    // Nothing but the identification reached the meters: the streaming
    // ones heard nothing, the quiet one only "ID" and "ID?" at its rate.
    EXPECT_EQ(meter.log().find("<- "), std::string::npos) << meter.log();
    EXPECT_EQ(remote.log().find("<- "), std::string::npos) << remote.log();
    const std::string heard = quiet.log().substr(quietBefore);
    EXPECT_NE(heard.find("<- ID\\r"), std::string::npos) << heard;
    for (const char* never : {"<ESC>", "BR", "SA"})
        EXPECT_EQ(heard.find(never), std::string::npos) << never << " in " << heard;
    std::printf("find took %lld ms\n", static_cast<long long>(t.elapsed()));
}

TEST_F(PxrCtl, FindOnAPortWhereNothingAnswersSaysSoWithinItsTime)
{
    ASSERT_TRUE(meter.start({"--model", "pxr7x", "--silent"}));
    QElapsedTimer t;
    t.start();
    const CtlRun r = pxrctl({"find", "--port", meter.link()});
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("no meter found on " + meter.link().toStdString()), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    std::printf("find on a silent port took %lld ms\n", static_cast<long long>(t.elapsed()));
}

TEST(PxrCtlUsage, WrongCommandLinesExitOne)
{
    const std::vector<QStringList> lines = {
        {},
        {"frobnicate"},
        {"get", "--model", "pxr7x"},
        {"get", "--port", "/dev/null", "--model", "pxr9000"},
        {"set", "--port", "/dev/null", "--model", "pxr7x"},
        {"stream", "--port", "/dev/null", "--model", "pxr7x", "--count", "x"},
        {"send", "--port", "/dev/null", "--model", "pxr7x", "--bogus", "ID"},
        {"find", "--model", "pxr7x"},
        {"get", "--port", "a", "--port", "b", "--model", "pxr7x"},
    };
    for (const QStringList& args : lines) {
        const CtlRun r = pxrctl(args);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_NE(r.err.find("usage:"), std::string::npos) << args.join(' ').toStdString();
    }
}

TEST(PxrCtlUsage, MissingPortExitsTwo)
{
    QTemporaryDir dir;
    const CtlRun r = pxrctl({"get", "--port", dir.path() + "/no-such-tty", "--model", "pxr7x"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("no-such-tty"), std::string::npos) << r.err;
}

TEST(PxrCtlUsage, HelpNamesTheExitCodes)
{
    const CtlRun r = pxrctl({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* part : {"Exit codes", "ports", "get", "set", "stream", "send", "find", "rfc2217://",
                             "socket://", "--stats", "--baud", "--debug"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part;
    EXPECT_EQ(pxrctl({"ports"}).exitCode, 0);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
