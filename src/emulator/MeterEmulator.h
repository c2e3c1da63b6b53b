#pragma once
// The meter's side of the serial protocol, for the three model lines, as a
// software substitute for a real meter: it answers queries, stores set
// commands, streams readings at the model's output rate in the format its SD
// value selects, and can misbehave in named ways (fault modes).
//
// Time-driven and free of any OS call: the caller feeds received bytes with
// their time (receive), moves time on (advanceTo) and learns from
// nextEventMs when something falls due. The same object runs in virtual time
// (core tests) and in real time (the pxr-meter tool on a pseudo-terminal).
// Every output is handed over at the time its first byte goes onto the line;
// carrying the bytes at the line's pace is the caller's business. The meter
// keeps its own account of when its transmitter is free (10 bits a byte at
// its baud rate) and never hands over an output before the previous one has
// left the line: a reply waits for it, a reading made meanwhile is dropped.
// Codes, factory values and reading formats come from the meter's own table
// (MeterTable.h), never from the program's.

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "devices/DeviceType.h"
#include "emulator/MeterTable.h"

namespace pxr {

// Named misbehaviours. All off by default.
struct MeterFaults {
    bool silent = false;         // a dead meter: reads nothing, sends nothing
    bool noEcho = false;         // query replies lack their code ("25" for "SA 25")
    bool garbled = false;        // every character of a line arrives with its lowest bit flipped (terminators intact)
    bool chunked = false;        // every output arrives in pieces of 1..3 bytes, kChunkGapMs apart
    int blankLines = 0;          // bare CR LF lines in front of every reply
    double slowMs = 0;           // extra delay before every reply
    bool ignoreFirstEsc = false; // a running stream survives the first ESC it gets
    uint64_t hangUpAfter = 0;    // after this many bytes sent the meter goes dead (0 = never)
    bool wrongBaud = false;      // the line rates matter: while the host's rate differs from the
                                 // meter's, output arrives as junk and input is not understood
    bool escTail = false;        // an ESC during a stream always leaves a tail: the reading line on the
                                 // wire finishes (as always), and between lines the reading in hand
                                 // still goes out whole, at once
    int pieces = 0;              // every reply and reading line handed over in this many pieces, one
                                 // after the other at the line's pace (0: whole, as the line carries it)
};

struct MeterConfig {
    MeterModel model = MeterModel::PXR7X;
    uint32_t baudRate = 0; // the meter's rate at power-on; 0 = the model line's usual rate
    MeterFaults faults;
    uint32_t seed = 1;         // noise, signal levels and chunk sizes follow from it
    double distance = 5.0;     // target distance, in the reading's unit
    bool rampAndError = false; // distance ramp with a burst of error lines, as the simulated device
    double answerMs = 5.0;     // time from a command's CR to the first byte of its answer
                               // (or to the start of a stream's first measurement)
};

class MeterEmulator {
public:
    using Output = std::function<void(const std::string& bytes)>;

    static constexpr double kChunkGapMs = 15.0;
    static constexpr double kNever = std::numeric_limits<double>::infinity();

    explicit MeterEmulator(const MeterConfig& config);

    // Receives what the meter sends, in the order it goes onto the line.
    void setOutput(Output output);

    // Switches the meter on: input and any running mode are dropped (the
    // parameters and the baud rate are kept, as in the meter's own memory)
    // and the mode named by the auto-start value AS is started.
    void powerOn(double nowMs);

    // Bytes from the program. Commands end with CR; LF is ignored; ESC stops
    // a stream at once and answers nothing. PXR500C and PXR501/502 ignore
    // every command but ESC while they stream; PXR7X takes queries and set
    // commands during a stream, and a new measuring command replaces it.
    void receive(const std::string& bytes, double nowMs);

    // Sends everything that falls due up to nowMs.
    void advanceTo(double nowMs);

    // When advanceTo next has something to send, or kNever.
    double nextEventMs() const;

    // The line speed the program set on its port (0 = unknown, taken as matching).
    void setHostLineRate(uint32_t baud);

    // The caller's line cannot take another byte before ms (a real-time
    // caller that fell behind the meter's own account): the meter counts its
    // transmitter busy until then.
    void lineBusyUntil(double ms);
    // When the meter's transmitter has sent everything handed over or queued.
    double transmitterFreeMs() const { return m_txFreeMs; }

    bool hungUp() const { return m_hungUp; }
    // The meter's current line rate; "BR" changes it.
    uint32_t baudRate() const { return m_rate; }
    bool streaming() const { return m_stream != nullptr; }
    // Code of the running stream ("DT", "DJ" ...) or empty.
    std::string streamMode() const;
    // A parameter's values joined by single blanks; empty for an unknown code.
    std::string parameter(const std::string& code) const;
    uint64_t bytesSent() const { return m_sent; }
    const MeterConfig& config() const { return m_config; }
    DeviceType deviceType() const { return m_device; }

    static DeviceType deviceTypeOf(MeterModel model);
    // 9600 for PXR7X and PXR500C, 115200 for PXR501/502.
    static uint32_t defaultBaudRate(MeterModel model);
    // The rates "BR" accepts.
    static bool isSupportedRate(uint32_t baud);

    enum class Action { Stream, Reading, Temperature, Identify, IdentifyMore, Hardware, SetOffset, LaserOff, BaudRate };
    enum class Kind { Distance, Velocity, Signal };
    struct Command {
        const char* code;
        Action action;
        Kind kind;
    };

private:
    struct Pending {
        double due;
        std::string bytes;
        double end;           // when its last byte has left the line
        uint64_t readingLine; // serial of the reading line the piece belongs to; 0 for a reply
    };

    void handleByte(char c, double nowMs);
    void handleLine(const std::string& line, double nowMs);
    void execute(const Command& command, const std::string& argument, double nowMs);
    void answerQuery(const std::string& code, double nowMs);
    void storeValues(const std::string& code, const std::string& text);
    const Command* findCommand(const std::string& code) const;
    std::string lookup(const std::string& code, std::size_t index) const;
    void setParameter(const std::string& code, const std::string& joined);

    void startStream(const Command& command, double nowMs);
    void stopStream();
    void escape(double nowMs);
    void makeReading(double tickMs);
    void recountTransmitter();
    std::string readingLine(Kind kind);
    std::string readingTerminator() const;
    double streamIntervalMs(const Command& command) const;
    double lineTimeMs(std::size_t bytes) const;

    void reply(const std::string& body, const std::string& terminator, double nowMs);
    void enqueue(double dueMs, const std::string& bytes, bool readingLine = false);
    void emit(std::string bytes);
    bool rateMismatch() const;
    int random0to9();

    MeterConfig m_config;
    DeviceType m_device;
    Output m_output;
    std::vector<std::pair<std::string, std::string>> m_params; // code -> joined values, table order
    uint32_t m_rate;
    uint32_t m_hostRate = 0;
    bool m_powered = false;
    bool m_hungUp = false;
    bool m_escIgnored = false;
    std::string m_input;
    const Command* m_stream = nullptr;
    double m_nextLineMs = kNever;
    std::deque<Pending> m_queue;
    double m_txFreeMs = 0;           // end of the last byte handed over or queued
    double m_sentEndMs = 0;          // end of the last byte handed over
    double m_lineBusyMs = 0;         // the caller's line is busy until then
    double m_readingEndMs = -kNever; // end of the last reading line handed over or queued
    double m_sentReadingEndMs = -kNever;
    uint64_t m_readingLines = 0;   // serial of the last reading line
    uint64_t m_readingOnLine = 0;  // serial of the reading line whose first piece went out last
    uint64_t m_sent = 0;
    int m_counter = 0;
    std::mt19937 m_rng;
};

} // namespace pxr
