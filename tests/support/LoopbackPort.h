#pragma once
// A serial port in virtual time. What the program writes reaches a peer (the
// meter emulator) once its bytes have crossed the line at the current baud
// rate (10 bits per byte); what the peer sends is delivered to the program
// after its own line time plus a latency, optionally cut into chunks. Every
// written block is recorded with the virtual time it was written.

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "serial/ComPort.h"
#include "support/VirtualEventLoop.h"

namespace pxr::test {

// The far end of the line.
class LinePeer {
public:
    virtual ~LinePeer() = default;
    virtual void receive(const std::string& bytes, double nowMs) = 0;
    virtual void advanceTo(double nowMs) = 0;
    virtual double nextEventMs() const = 0;
    virtual void setHostLineRate(uint32_t baud) = 0;
    // The peer's output goes to this callback.
    virtual void setOutput(std::function<void(const std::string&)> out) = 0;
};

struct WrittenBlock {
    double atMs;
    std::string bytes;
    uint32_t baud; // the line speed it was written at
};

class LoopbackPort : public ComPortBackend {
public:
    explicit LoopbackPort(VirtualEventLoop& loop);
    ~LoopbackPort() override;

    void attachPeer(LinePeer* peer);

    // Line behaviour
    double latencyMs = 1.0;
    size_t chunkSize = 0; // 0: a peer's output arrives as one block
    bool failOpen = false;
    bool failWrite = false; // every write raises the port's write error
    int openCount = 0;
    int closeCount = 0;
    int purgeCount = 0;

    // Recorder
    const std::vector<WrittenBlock>& written() const { return m_written; }
    // Called with every block the program writes, when it writes it (a test
    // presses a key "while the meter is being asked for TD").
    std::function<void(const std::string& bytes)> onWrite;
    std::string writtenBytes() const;
    void clearWritten() { m_written.clear(); }

    // Inject bytes from "the meter" directly, arriving after the line time.
    void inject(const std::string& bytes);
    // The far end vanishes (cable pulled).
    void hangUp();
    // The peer has something new to do (e.g. a stream started by the test).
    void wakePeer();

    // ComPortBackend
    void setListener(Listener* listener) override { m_listener = listener; }
    void open(const std::string& name, const LineSettings& settings) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    void apply(const LineSettings& settings) override;
    void write(const std::string& bytes) override;
    void purgeInput() override;
    size_t bytesToWrite() const override;

    uint32_t baudRate() const { return m_settings.baudRate; }
    const LineSettings& settings() const { return m_settings; }
    std::string name() const { return m_name; }

private:
    double byteMs() const { return 10000.0 / m_settings.baudRate; }
    void peerOutput(const std::string& bytes);

    VirtualEventLoop& m_loop;
    Listener* m_listener = nullptr;
    LinePeer* m_peer = nullptr;
    bool m_open = false;
    std::string m_name;
    LineSettings m_settings;
    std::vector<WrittenBlock> m_written;
    double m_txFreeAt = 0;  // when the PC's transmitter is idle again
    double m_rxFreeAt = 0;  // when the meter's transmitter is idle again
    struct Pending {
        VirtualEventLoop::Id id;
        double atMs;
    };
    std::deque<Pending> m_rx;
    VirtualEventLoop::Id m_wake = 0;
    double m_wakeAt = std::numeric_limits<double>::infinity();
    std::vector<VirtualEventLoop::Id> m_txEvents;
};

} // namespace pxr::test
