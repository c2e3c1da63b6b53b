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

#include <signal.h>

#include <regex>
#include <string>
#include <vector>

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
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            if (QFileInfo::exists(m_link))
                return true;
            QThread::msleep(10);
        }
        return false;
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
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 15000 && splitCrLf(readFile(file("log.csv"))).size() < 5)
        QThread::msleep(20);
    ASSERT_GE(splitCrLf(readFile(file("log.csv"))).size(), 5u) << p.readAllStandardError().toStdString();
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
    t.restart();
    while (t.elapsed() < 5000 && meter.log().find("<ESC>", logBefore) == std::string::npos)
        QThread::msleep(20);
    EXPECT_NE(meter.log().find("<ESC>", logBefore), std::string::npos) << meter.log().substr(logBefore);
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
    for (const char* part : {"Exit codes", "ports", "get", "set", "stream", "send", "--baud", "--debug"})
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
