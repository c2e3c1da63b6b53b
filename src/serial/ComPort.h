#pragma once
// TComPort: the program's one serial port. It owns the line settings, the
// open state and the list of consumers (framers, terminal, history). Each
// received block goes, in one call each, to every attached consumer in the
// order of attachment. The operating system's port sits behind a
// ComPortBackend (QSerialPort in the program, a loopback in tests).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pxr {

enum class Parity { None, Odd, Even, Mark, Space };
enum class StopBits { One, OneHalf, Two };
enum class FlowControl { None, Hardware, Software };

struct LineSettings {
    uint32_t baudRate = 9600;
    int dataBits = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    FlowControl flowControl = FlowControl::None;
};

// Texts of the settings store and the status bar ("None", "1.5", ...).
const char* parityText(Parity p);
const char* stopBitsText(StopBits s);
const char* flowControlText(FlowControl f);

// Errors of the port component, with their fixed texts.
enum class ComErrorKind {
    Open,          // "Unable to open com port"
    Write,         // "WriteFile function failed"
    Read,          // "ReadFile function failed"
    AsyncParam,    // "Invalid Async parameter"
    Purge,         // "PurgeComm function failed"
    AsyncStatus,   // "Unable to get async status"
    SetState,      // "SetCommState function failed"
    SetTimeouts,   // "SetCommTimeouts failed"
    Setup,         // "SetupComm function failed"
    ClearError,    // "ClearCommError function failed"
    StoreSettings, // "Failed to store settings"
    LoadSettings,  // "Failed to load settings"
};

class EComPort : public std::runtime_error {
public:
    // osCode/osMessage: the operating system's error number and text, where known.
    EComPort(ComErrorKind kind, int osCode = 0, const std::string& osMessage = std::string());
    // The fixed text and " (<detail>)" on every platform, for a failure that
    // has no system error number worth showing but a reason that matters,
    // such as a network port's "host:4001: Connection refused".
    static EComPort withDetail(ComErrorKind kind, const std::string& detail);
    ComErrorKind kind() const { return m_kind; }
    int osCode() const { return m_osCode; }

private:
    EComPort(ComErrorKind kind, const std::string& text);
    ComErrorKind m_kind;
    int m_osCode;
};

std::string comErrorMessage(ComErrorKind kind, int osCode, const std::string& osMessage);

class ComConsumer {
public:
    virtual ~ComConsumer() = default;
    virtual void comReceived(const std::string& block) = 0;
    // The port is being destroyed: forget it.
    virtual void comPortGone() {}
};

class TComPort;

// A consumer on at most one port at a time, which leaves the port's list
// when it goes.
class AttachedConsumer : public ComConsumer {
public:
    AttachedConsumer() = default;
    ~AttachedConsumer() override { setComPort(nullptr); }
    AttachedConsumer(const AttachedConsumer&) = delete;
    AttachedConsumer& operator=(const AttachedConsumer&) = delete;

    // Attaches to the end of the port's consumer list (nullptr detaches); the
    // same port again leaves the consumer where it is.
    void setComPort(TComPort* port);
    TComPort* comPort() const { return m_port; }
    void comPortGone() override { m_port = nullptr; }

protected:
    // Between leaving the old port and joining the new one.
    virtual void portChanging() {}

private:
    TComPort* m_port = nullptr;
};

class ComPortBackend {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void backendReceived(const std::string& block) = 0;
        // The device went away or failed for good (adapter pulled, pty hung up).
        virtual void backendLost(const std::string& osMessage) = 0;
    };
    virtual ~ComPortBackend() = default;
    virtual void setListener(Listener* listener) = 0;
    // Each of these throws EComPort on failure.
    virtual void open(const std::string& name, const LineSettings& settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void apply(const LineSettings& settings) = 0;
    virtual void write(const std::string& bytes) = 0;
    virtual void purgeInput() = 0;
    virtual size_t bytesToWrite() const = 0;
};

class TComPort : private ComPortBackend::Listener {
public:
    explicit TComPort(ComPortBackend& backend);
    ~TComPort() override;
    TComPort(const TComPort&) = delete;
    TComPort& operator=(const TComPort&) = delete;

    bool Connected() const { return m_backend.isOpen(); }
    // Does nothing when already open / closed. Open throws EComPort.
    void Open();
    void Close();

    const std::string& Port() const { return m_port; }
    // A new name on an open port closes and reopens it under that name
    // (another spelling of the same port, see samePortName, does not).
    void SetPort(const std::string& name);
    uint32_t BaudRate() const { return m_settings.baudRate; }
    // Applied at once to an open port; on failure the old rate stays and EComPort is thrown.
    void SetBaudRate(uint32_t rate);
    const LineSettings& settings() const { return m_settings; }
    void SetSettings(const LineSettings& settings);

    void Write(const std::string& bytes);
    void PurgeInput();
    size_t OutputCount() const;

    void attach(ComConsumer* consumer);
    void detach(ComConsumer* consumer);
    const std::vector<ComConsumer*>& consumers() const { return m_consumers; }

    // " COM1:9600,8,None,1,None" as shown in status panel 0.
    std::string SettingsText() const;

    // Called once when the device is lost while open; the port is closed
    // before the call.
    std::function<void(const std::string& message)> OnLost;

private:
    void backendReceived(const std::string& block) override;
    void backendLost(const std::string& osMessage) override;
    void deliver(const std::string& block);

    ComPortBackend& m_backend;
    std::string m_port;
    LineSettings m_settings;
    std::vector<ComConsumer*> m_consumers;
    std::vector<std::string> m_pending;
    bool m_delivering = false;
};

} // namespace pxr
