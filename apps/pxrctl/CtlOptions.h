#pragma once
// The command line of pxrctl: one command word (ports, get, set, stream,
// send) and its options, anywhere on the line. Parsing decides everything
// that can be decided without a port, so a wrong call ends with exit code 1
// before the meter is touched.

#include <cstdint>
#include <string>
#include <vector>

#include "devices/DeviceType.h"

namespace pxr::ctl {

// The exit codes, as --help lists them.
enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,   // wrong command line
    kExitPort = 2,    // port cannot be opened, or was lost
    kExitTimeout = 3, // the meter did not answer, or read back other values
    kExitFile = 4,    // a file cannot be read or written
};

enum class Command { None, Ports, Get, Set, Stream, Send, Find };

struct Options {
    Command command = Command::None;
    std::string port;
    std::vector<std::string> ports; // find: every --port given, in order
    std::string modelName;     // as given ("pxr7x" ...)
    DeviceType model = kPXR7X;
    uint32_t baud = 0;         // 0 until parsed: the model line's usual rate
    std::string output;        // -o FILE; empty: stdout
    std::string input;         // set: the parameter file
    std::string text;          // send: the command text
    std::string mode = "dt";   // stream: the measuring command, lower case
    std::string modeAction;    // stream: "acDT" ...
    double durationS = 0;      // stream: 0 = until count, Ctrl+C or time-out
    uint64_t count = 0;        // stream: 0 = no limit
    uint32_t timeoutMs = 0;    // send / stream: see usage; 0 until parsed
    bool timeoutGiven = false;
    bool stats = false;        // stream: statistics of the readings at the end
    bool debug = false;
    bool help = false;
    bool version = false;
    std::string error;         // non-empty: usage error (exit 1)
};

// args: the arguments without the program name.
Options parseOptions(const std::vector<std::string>& args);

// Defaults of --timeout per command, in ms.
constexpr uint32_t kSendTimeoutMs = 1000;
constexpr uint32_t kStreamTimeoutMs = 5000;

std::string usageText();

} // namespace pxr::ctl
