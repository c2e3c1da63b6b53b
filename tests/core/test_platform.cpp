// What differs between Linux and Windows, run on both: the spellings of a
// Windows COM port, and the trace's default sink (stderr, and on Windows the
// debugger output). Files by UTF-8 name, replacing and appending are tested
// with their owners (test_parameterfile, test_safefile, test_onlinelog).

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "serial/PortName.h"
#include "base/Trace.h"

using namespace pxr;

TEST(PortNames, SpellingsOfOneWindowsPortAreOnePort)
{
    struct Case {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"COM3", "COM3", true},
        {"COM3", "com3", true},
        {"\\\\.\\COM10", "COM10", true},
        {"\\\\.\\com10", "Com10", true},
        {"\\\\?\\COM10", "\\\\.\\COM10", true},
        {"COM1", "COM10", false},
        {"COM3", "\\\\.\\COM30", false},
        {"\\\\.\\COM10", "\\\\.\\COM1", false},
        {"COM", "com", false},
        {"COMX", "comx", false},
        {"\\\\.\\CNCA0", "CNCA0", false}, // only COM ports are known by both names here
        {"/dev/ttyUSB0", "/dev/ttyUSB0", true},
        {"/dev/ttyUSB0", "/dev/ttyusb0", false},
        {"/dev/ttyS1", "/dev/ttyS10", false},
        {"", "", true},
        {"", "COM1", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(samePortName(c.a, c.b), c.same) << c.a << " / " << c.b;
        EXPECT_EQ(samePortName(c.b, c.a), c.same) << c.b << " / " << c.a;
    }
}

namespace {

struct DefaultTrace : ::testing::Test {
    void SetUp() override
    {
        setTraceSink(nullptr);
        DebugTrace = true;
    }
    void TearDown() override { DebugTrace = false; }
};

} // namespace

TEST_F(DefaultTrace, EachLineGoesToStderr)
{
    ::testing::internal::CaptureStderr();
    trace("DataPacket<SA 25>");
    trace("SA=SA 25,ms=10..1000");
    DebugTrace = false;
    trace("not with the switch off");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "DataPacket<SA 25>\nSA=SA 25,ms=10..1000\n");
}

#ifdef _WIN32

namespace {

// Takes the part of DebugView: a process that owns the DBWIN buffer and its
// two events receives what OutputDebugString writes when no debugger is
// attached.
class DebuggerOutput {
public:
    DebuggerOutput()
        : m_bufferReady(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY")),
          m_dataReady(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY")),
          m_buffer(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "DBWIN_BUFFER")),
          m_view(m_buffer ? static_cast<const char*>(MapViewOfFile(m_buffer, FILE_MAP_READ, 0, 0, 4096)) : nullptr)
    {
    }
    ~DebuggerOutput()
    {
        if (m_view)
            UnmapViewOfFile(m_view);
        for (HANDLE h : {m_buffer, m_dataReady, m_bufferReady})
            if (h)
                CloseHandle(h);
    }
    bool ready() const { return m_bufferReady && m_dataReady && m_view; }
    // Calls `write`, then returns the text it sent to the debugger output
    // from this process, or "(nothing)".
    template <class F> std::string capture(F&& write)
    {
        SetEvent(m_bufferReady);
        write();
        if (WaitForSingleObject(m_dataReady, 5000) != WAIT_OBJECT_0)
            return "(nothing)";
        DWORD pid = 0;
        std::memcpy(&pid, m_view, sizeof pid);
        if (pid != GetCurrentProcessId())
            return "(another process)";
        return std::string(m_view + sizeof pid);
    }

private:
    HANDLE m_bufferReady;
    HANDLE m_dataReady;
    HANDLE m_buffer;
    const char* m_view;
};

} // namespace

TEST_F(DefaultTrace, OnWindowsEachLineAlsoReachesTheDebuggerOutput)
{
    DebuggerOutput debugger;
    ASSERT_TRUE(debugger.ready()) << GetLastError();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(debugger.capture([] { trace("MessPacket=<  1523.870>"); }), "MessPacket=<  1523.870>\n");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "MessPacket=<  1523.870>\n");
}

#endif
