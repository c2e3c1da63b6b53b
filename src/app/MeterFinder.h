#pragma once
// The meter finder: which meter is on which port, at which rate. For each
// port it tries the rates of the baud-rate dialog and recognises the model
// line either from a stream the meter is sending (without writing to it,
// so it keeps running) or from the answer to the identification sequence
// ("ID", and "ID?" on PXR501/502). It writes nothing else: no ESC, no
// parameter, no "BR". At a rate where only junk arrives (a stream at
// another rate) it writes nothing at all.
//
// The recognition is pure text logic (RecogniseReadings,
// RecogniseIdentification); MeterFinder adds the waiting on a port. The
// command-line tool and the interface setup dialog share it.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "devices/DeviceType.h"
#include "serial/ComPort.h"
#include "base/EventLoop.h"

namespace pxr {

struct FoundMeter {
    std::string port;
    DeviceType line = kPXR7X;
    std::string model;          // as pxrctl --model spells it: pxr7x, pxr500c, pxr501, pxr502
    uint32_t baud = 0;          // 0: the server's own rate (socket://), not known
    std::string identification; // the meter's answer, or what its stream showed
    bool streaming = false;     // recognised from its readings, left running
};

// "PORT<TAB>MODEL<TAB>BAUD<TAB>identification", BAUD "-" for the server's
// own rate; a tab or control character in the identification becomes a blank.
std::string FoundMeterLine(const FoundMeter& meter);

// The model line whose readings `received` holds: at least two whole
// readings of that line's form and most of what came, or (PXR500C, which
// sends fixed fields without line ends) three fields in a row. `sample` is
// the last reading seen.
bool RecogniseReadings(const std::string& received, DeviceType& line, std::string& sample);

// What the answer to "ID" tells: the meter's text (without the echoed code
// and the blanks in front) and the model, named by a word of the answer
// ("PXR7X...", "PXR500C...", "PXR501...", "PXR502...") or, without such a
// word, by the answer's form (PXR500C answers without the echo). `needsIdq`
// is set when only "ID?" can tell (an echoed answer that names no model,
// and the PXR501/502 line, whose "ID?" completes the identification).
struct IdentifyResult {
    bool answered = false; // a printable line came
    std::string text;
    DeviceType line = kPXR7X;
    std::string model;
    bool needsIdq = false;
};
IdentifyResult RecogniseIdentification(const std::string& received);
// The text of the answer to "ID?" (echo removed), empty when none came.
std::string IdentificationMoreText(const std::string& received);

class MeterFinder {
public:
    // How long to listen for a stream before asking, at each rate.
    static constexpr uint32_t kListenMs = 300;
    // Listening goes on this long when bytes came that are no readings yet.
    static constexpr uint32_t kListenMoreMs = 400;
    // Time a meter gets to answer, on top of the answer's time on the line.
    static constexpr uint32_t kAnswerMs = 400;

    MeterFinder(TComPort& port, EventLoop& loop);
    ~MeterFinder();
    MeterFinder(const MeterFinder&) = delete;
    MeterFinder& operator=(const MeterFinder&) = delete;

    struct Progress {
        size_t done = 0;  // probes finished
        size_t total = 0; // probes in the whole search
        std::string port;
        uint32_t baud = 0;
    };
    std::function<void(const Progress&)> OnProgress;
    // "Searching /dev/ttyUSB0 at 19200 baud" for a progress display.
    static std::string progressText(const Progress& progress);
    // Called for each meter as soon as it is found.
    std::function<void(const FoundMeter&)> OnFound;

    // The rates tried on a local or rfc2217 port: those of the baud-rate
    // dialog, the `preferred` ones first.
    static std::vector<uint32_t> ratesToTry(const std::vector<uint32_t>& preferred);

    // Searches the ports in order, one meter per port. With stopAtFirst the
    // search ends at the first meter. The port is closed afterwards.
    std::vector<FoundMeter> find(const std::vector<std::string>& ports, const std::vector<uint32_t>& preferred = {},
                                 bool stopAtFirst = false);
    // Ends a running search at its next wait (e.g. from a Cancel button).
    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }
    // One text per port that could not be opened or was lost.
    const std::vector<std::string>& problems() const { return m_problems; }

private:
    class Collector;
    bool findOnPort(const std::string& name, const std::vector<uint32_t>& rates, size_t done, size_t total,
                    FoundMeter& found);
    bool probe(uint32_t baud, FoundMeter& found);
    // Waits up to ms, or until `enough` says so; false when cancelled or the port was lost.
    bool listen(uint32_t ms, const std::function<bool()>& enough);
    void ask(const std::string& command);
    uint32_t answerMs(uint32_t baud) const;

    TComPort& m_port;
    EventLoop& m_loop;
    std::string m_received;
    std::vector<std::string> m_problems;
    bool m_cancelled = false;
    bool m_lost = false;
    std::string m_lostMessage;
};

} // namespace pxr
