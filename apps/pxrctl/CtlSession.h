#pragma once
// What pxrctl does with a meter, on the program's own core: the readout and
// the write are ParameterTransfer's Get and Set Parameter over in-memory
// editor fields, the files are the parameter file and the online log's line
// format, the measuring modes are MeasurementCommands and the readings go
// through the measurement decoding. The session only adds what a command
// line needs: an outcome with an exit code, a read-back check, and a way to
// end a stream from outside (Ctrl+C) between two waits.
//
// Standard C++ only; the port and the loop are given (QSerialPort and Qt's
// loop in the tool, a loopback port in virtual time in the tests).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "CtlOptions.h"
#include "devices/FieldBinding.h"
#include "devices/ParameterSets.h"
#include "measurement/MeasurementCommands.h"
#include "measurement/ReadingDecoder.h"
#include "measurement/ReadingStats.h"
#include "measurement/Stopwatch.h"
#include "parameters/ParameterTransfer.h"
#include "serial/ComTransactions.h"

namespace pxr::ctl {

struct Outcome {
    int exitCode = 0;
    std::string message; // for stderr; empty when there is nothing to say
};

// A code whose read-back differs from what the file asked for.
struct Mismatch {
    std::string code;
    std::string written;  // as sent (comma replaced by point)
    std::string readBack; // what the readout got
};

// The codes of the loaded file that were written (blank values are skipped
// by Set Parameter) and whose read-back differs. The comparison is textual,
// after the comma rule that Set Parameter applies when sending.
std::vector<Mismatch> compareReadBack(const std::vector<std::pair<std::string, std::string>>& wanted,
                                      const std::vector<std::pair<std::string, std::string>>& readBack);
std::string mismatchText(const std::vector<Mismatch>& mismatches);

class Session {
public:
    // `clock` drives the readings' time base (steady clock by default).
    Session(TComPort& port, EventLoop& loop, DeviceType model, Stopwatch::Clock clock = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Opens the port at the rate, 8N1, no flow control.
    Outcome open(const std::string& portName, uint32_t baud);

    // Get Parameter; on success `fileText` holds the parameter file.
    Outcome get(std::string& fileText);
    // Get Parameter and, on success, Save to `path` (replacing it as a whole).
    Outcome getToFile(const std::string& path);
    // Loads the parameter file's bytes into the fields, runs Set Parameter
    // (write, then readout) and compares.
    Outcome set(const std::string& fileBytes);
    // Sends the text and CR, collects everything received for timeoutMs.
    Outcome send(const std::string& text, uint32_t timeoutMs, std::string& received);

    struct StreamPlan {
        std::string action = "acDT"; // a measuring command of the table
        double durationS = 0;        // 0: no limit
        uint64_t count = 0;          // 0: no limit
        uint32_t timeoutMs = 5000;   // longest wait for a reading; 0: none
    };
    // Writes one log line (without line end); false when it could not be
    // written, with the reason in `error`.
    using LineSink = std::function<bool(const std::string& line, std::string& error)>;
    // Starts the mode, hands every reading's log line to the sink until the
    // count, the duration, a stop request, a time-out or a failed write,
    // then stops the meter in the model line's way.
    Outcome stream(const StreamPlan& plan, const LineSink& sink);
    // The readings the last stream wrote, valid and invalid.
    const ReadingStats& streamStats() const { return m_streamStats; }

    // Ends a running stream or send at its next wait (from the loop, e.g.
    // the read side of a signal pipe). Safe to call at any time.
    void requestStop() { m_stopRequested = true; }
    bool stopRequested() const { return m_stopRequested; }

    // Decimal separator of the log lines ('.' unless set).
    void setDecimalSeparator(char c) { m_separator = c; }

    ParameterSet& currentSet() { return m_transfer.currentSet(); }
    MapFieldBinding& fields() { return m_fields; }
    ComTransactions& transactions() { return m_tx; }

private:
    Outcome portLostOutcome() const;
    Outcome readoutOutcome() const;
    // Waits up to ms in short slices; false when a stop was requested or the port was lost.
    bool waitSlice(uint32_t ms);

    TComPort& m_port;
    EventLoop& m_loop;
    DeviceType m_model;
    NullUiHooks m_ui;
    ComTransactions m_tx;
    TComDataPacket m_mess;
    MapFieldBinding m_fields;
    TPXR7x m_pxr7x{&m_fields};
    TPXR500C m_pxr500c{&m_fields};
    TPXR501 m_pxr501{&m_fields};
    ParameterTransfer m_transfer;
    MeasurementCommands m_commands;
    Stopwatch m_timeBase;
    MeasurementDecoding m_decoding;
    ReadingStats m_streamStats;
    char m_separator = '.';
    bool m_stopRequested = false;
    bool m_lost = false;
    std::string m_lostMessage;
};

} // namespace pxr::ctl
