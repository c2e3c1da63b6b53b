#include "CtlOptions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "app/Arrangement.h"
#include "app/CommandLine.h"
#include "base/TextUtils.h"
#include "measurement/MeasurementCommands.h"
#include "parameters/BaudRateChange.h"

namespace pxr::ctl {

namespace {

struct CommandName {
    const char* word;
    Command command;
};
const CommandName kCommands[] = {
    {"ports", Command::Ports}, {"get", Command::Get},   {"set", Command::Set},
    {"stream", Command::Stream}, {"send", Command::Send}, {"find", Command::Find},
};

// Measuring commands that make the meter answer with readings; LF (laser
// off) gives none and is left to `send`.
const char* const kStreamModes[] = {"dt", "ds", "dw", "dx", "df", "dm", "vm", "vt", "tp", "id"};

bool parseUnsigned(const std::string& text, uint64_t& value)
{
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])))
        return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
    if (errno != 0 || !end || *end != '\0')
        return false;
    value = v;
    return true;
}

bool parseSeconds(const std::string& text, double& value)
{
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.'))
        return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || !end || *end != '\0' || !std::isfinite(v) || v <= 0 || v > 1e6)
        return false;
    value = v;
    return true;
}

// Options that take a value, as "--name VALUE" or "--name=VALUE".
struct ValueOption {
    const char* longName;
    const char* shortName; // or nullptr
};
const ValueOption kValueOptions[] = {
    {"--port", nullptr}, {"--model", nullptr}, {"--baud", nullptr}, {"--output", "-o"},
    {"--mode", nullptr}, {"--duration", nullptr}, {"--count", nullptr}, {"--timeout", nullptr},
};

// Applies one option with its value; returns an error text or empty.
std::string applyValue(Options& o, const std::string& name, const std::string& value)
{
    if (name == "--port") {
        if (value.empty())
            return "--port needs a port name";
        o.port = value;
        o.ports.push_back(value);
    } else if (name == "--model") {
        const auto line = demoModelLine(value);
        if (!line)
            return "unknown model \"" + value + "\" (pxr7x, pxr500c, pxr501, pxr502)";
        o.modelName = LowerCase(value);
        o.model = *line;
    } else if (name == "--baud") {
        uint64_t v = 0;
        if (!parseUnsigned(value, v) || v > 0xffffffffu || baudRateIndex(static_cast<uint32_t>(v)) < 0)
            return "unsupported baud rate \"" + value + "\"";
        o.baud = static_cast<uint32_t>(v);
    } else if (name == "--output") {
        if (value.empty())
            return "-o needs a file name";
        o.output = value == "-" ? std::string() : value; // "-": stdout, as without -o
    } else if (name == "--mode") {
        const std::string m = LowerCase(value);
        if (std::find(std::begin(kStreamModes), std::end(kStreamModes), m) == std::end(kStreamModes))
            return "unknown measuring mode \"" + value + "\"";
        o.mode = m;
    } else if (name == "--duration") {
        if (!parseSeconds(value, o.durationS))
            return "--duration needs a positive number of seconds";
    } else if (name == "--count") {
        if (!parseUnsigned(value, o.count) || o.count == 0)
            return "--count needs a positive number";
    } else if (name == "--timeout") {
        uint64_t v = 0;
        // Up to a day; longer waits are better given as --timeout 0 (stream).
        if (!parseUnsigned(value, v) || v > 86400000u)
            return "--timeout needs a number of milliseconds";
        o.timeoutMs = static_cast<uint32_t>(v);
        o.timeoutGiven = true;
    }
    return std::string();
}

// What each command needs, checked after all words are read.
std::string checkCommand(Options& o, const std::vector<std::string>& positional)
{
    if (o.command == Command::None)
        return "no command given";
    if (o.command == Command::Find) {
        // The finder tells the model line and the rate; it is not told them.
        if (!o.modelName.empty() || o.baud != 0)
            return "find takes no --model or --baud: it finds them";
        if (!positional.empty())
            return "unexpected argument \"" + positional.front() + "\"";
        if (!o.output.empty() || o.durationS > 0 || o.count > 0 || o.stats || o.timeoutGiven)
            return "find takes only --port (any number of times) and --debug";
        return std::string();
    }
    if (o.ports.size() > 1)
        return "--port given more than once";
    const bool needsMeter = o.command != Command::Ports;
    if (needsMeter) {
        if (o.port.empty())
            return "--port is missing";
        if (o.modelName.empty())
            return "--model is missing";
    }
    size_t wanted = 0;
    if (o.command == Command::Set || o.command == Command::Send)
        wanted = 1;
    if (positional.size() != wanted) {
        if (wanted == 0)
            return "unexpected argument \"" + positional.front() + "\"";
        if (positional.empty())
            return o.command == Command::Set ? "set needs a parameter file" : "send needs the command text";
        return "too many arguments";
    }
    if (o.command == Command::Set)
        o.input = positional[0];
    if (o.command == Command::Send) {
        o.text = positional[0];
        if (o.text.empty())
            return "send needs the command text";
    }
    if (!o.output.empty() && o.command != Command::Get && o.command != Command::Stream)
        return "-o is only for get and stream";
    if (o.command == Command::Stream) {
        o.modeAction = "ac" + UpperCase(o.mode);
        if (!findMeasurementCommand(o.modeAction))
            return "unknown measuring mode \"" + o.mode + "\"";
        if (!actionVisibleFor(o.modeAction, o.model))
            return "the model line has no measuring mode \"" + o.mode + "\"";
    } else if (o.durationS > 0 || o.count > 0 || o.stats) {
        return "--duration, --count and --stats are only for stream";
    }
    if (o.timeoutGiven && o.command != Command::Send && o.command != Command::Stream)
        return "--timeout is only for send and stream";
    if (!o.timeoutGiven)
        o.timeoutMs = o.command == Command::Stream ? kStreamTimeoutMs : kSendTimeoutMs;
    if (o.command == Command::Send && o.timeoutMs == 0)
        return "--timeout of send must be at least 1 ms";
    if (o.baud == 0)
        o.baud = defaultBaudRate(o.model);
    return std::string();
}

} // namespace

Options parseOptions(const std::vector<std::string>& args)
{
    Options o;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-") {
            if (o.command == Command::None && !optionsEnded) {
                for (const CommandName& c : kCommands)
                    if (a == c.word)
                        o.command = c.command;
                if (o.command == Command::None) {
                    o.error = "unknown command \"" + a + "\"";
                    return o;
                }
            } else {
                positional.push_back(a);
            }
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        if (a == "--help" || a == "-h") {
            o.help = true;
            continue;
        }
        if (a == "--version") {
            o.version = true;
            continue;
        }
        if (a == "--debug") {
            o.debug = true;
            continue;
        }
        if (a == "--stats") {
            o.stats = true;
            continue;
        }
        const ValueOption* opt = nullptr;
        std::string value;
        bool hasValue = false;
        for (const ValueOption& v : kValueOptions) {
            const std::string longName = v.longName;
            if (a == longName || (v.shortName && a == v.shortName)) {
                opt = &v;
            } else if (a.rfind(longName + "=", 0) == 0) {
                opt = &v;
                value = a.substr(longName.size() + 1);
                hasValue = true;
            }
            if (opt)
                break;
        }
        if (!opt) {
            o.error = "unknown option " + a;
            return o;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                o.error = std::string(opt->longName) + " needs a value";
                return o;
            }
            value = args[++i];
        }
        o.error = applyValue(o, opt->longName, value);
        if (!o.error.empty())
            return o;
    }
    if (o.help || o.version)
        return o;
    o.error = checkCommand(o, positional);
    return o;
}

std::string usageText()
{
    return "usage: pxrctl COMMAND [options]\n"
           "\n"
           "Commands:\n"
           "  ports                          list the serial ports\n"
           "  get --port P --model M [-o FILE]\n"
           "                                 read the whole parameter set (as Get Parameter)\n"
           "                                 and write it as a parameter file (stdout by default)\n"
           "  set --port P --model M FILE    write a parameter file to the meter (as Set\n"
           "                                 Parameter), read it back and compare\n"
           "  stream --port P --model M [--mode MODE] [--duration S] [--count N] [--stats] [-o FILE]\n"
           "                                 start a measuring mode and write \"Time;Value\"\n"
           "                                 lines as the online log does; the meter is\n"
           "                                 stopped with ESC at the end and on Ctrl+C\n"
           "  send --port P --model M TEXT   send TEXT and CR, print what comes back\n"
           "  find [--port P]...             look for a meter on each port (default: every\n"
           "                                 port `pxrctl ports` lists) at every rate of the\n"
           "                                 baud-rate dialog; one line per meter found:\n"
           "                                 PORT<TAB>MODEL<TAB>BAUD<TAB>identification\n"
           "                                 (BAUD - behind a socket:// server: its rate)\n"
           "\n"
           "Options:\n"
           "  --port P       serial port: a name from `pxrctl ports` or any device path;\n"
           "                 a serial device server as rfc2217://HOST:PORT (line\n"
           "                 settings set over the network) or socket://HOST:PORT\n"
           "                 (raw TCP, the server's line settings)\n"
           "  --model M      pxr7x, pxr500c, pxr501 or pxr502\n"
           "  --baud N       line rate (default 115200 for pxr501/pxr502, else 9600)\n"
           "  -o, --output FILE\n"
           "                 write to FILE instead of stdout (get, stream; - is stdout)\n"
           "  --mode MODE    dt ds dw dx df dm vm vt tp id (default dt; the modes the\n"
           "                 model line offers)\n"
           "  --duration S   stream for S seconds\n"
           "  --count N      stream until N readings are written\n"
           "  --timeout MS   send: how long to collect the answer (default 1000);\n"
           "                 stream: longest wait for a reading before giving up\n"
           "                 (default 5000, 0 waits for ever)\n"
           "  --stats        stream: count, mean, standard deviation, minimum and\n"
           "                 maximum of the valid readings and the invalid ones, on\n"
           "                 stderr at the end\n"
           "  --debug        trace every exchange to stderr\n"
           "  --help         this text\n"
           "  --version      the program version\n"
           "\n"
           "Exit codes:\n"
           "  0  done\n"
           "  1  wrong command line\n"
           "  2  the port cannot be opened or was lost\n"
           "  3  time-out (the meter did not answer) or the read-back differs from\n"
           "     what was written; find: no meter found\n"
           "  4  a file cannot be read or written\n";
}

} // namespace pxr::ctl
