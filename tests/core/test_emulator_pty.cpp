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
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

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

    void write(const std::string& bytes) { ASSERT_EQ(::write(m_fd, bytes.data(), bytes.size()), ssize_t(bytes.size())); }

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

} // namespace
