#include "app/CommandLine.h"

#include <algorithm>

#include "base/TextUtils.h"
#include "base/Version.h"

namespace pxr {

namespace {

struct DemoModel {
    const char* name;
    DeviceType line;
};
const DemoModel kDemoModels[] = {
    {"pxr7x", kPXR7X}, {"pxr500c", kPXR500C}, {"pxr501", kPXR501}, {"pxr502", kPXR501},
};

} // namespace

bool isDebugSwitch(const std::string& arg) { return LowerCase(arg) == "debug"; }

bool keepsUserSettings(const CommandLine& cl) { return cl.demo || !cl.port.empty(); }

std::optional<DeviceType> demoModelLine(const std::string& model)
{
    const std::string m = LowerCase(model);
    for (const DemoModel& d : kDemoModels)
        if (m == d.name)
            return d.line;
    return std::nullopt;
}

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    CommandLine cl;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (isDebugSwitch(a)) {
            cl.debug = true;
        } else if (a == "--help" || a == "-h") {
            cl.help = true;
        } else if (a == "--version") {
            cl.version = true;
        } else if (a == "--port" || a.rfind("--port=", 0) == 0) {
            std::string value;
            if (a == "--port") {
                if (i + 1 >= args.size()) {
                    cl.error = "--port needs a port name";
                    return cl;
                }
                value = args[++i];
            } else {
                value = a.substr(7);
            }
            if (value.empty()) {
                cl.error = "--port needs a port name";
                return cl;
            }
            cl.port = value;
        } else if (a == "--demo" || a.rfind("--demo=", 0) == 0) {
            cl.demo = true;
            if (a != "--demo") {
                const std::string value = a.substr(7);
                if (!demoModelLine(value)) {
                    cl.error = "unknown model for --demo: " + value;
                    return cl;
                }
                cl.demoModel = LowerCase(value);
            } else if (i + 1 < args.size() && demoModelLine(args[i + 1])) {
                // The model is optional: take the next word only if it names one.
                cl.demoModel = LowerCase(args[++i]);
            }
        } else if (a.rfind("--", 0) == 0) {
            cl.error = "unknown option " + a;
            return cl;
        }
    }
    return cl;
}

std::string usageText(const std::string& programName)
{
    return "Usage: " + programName + " [debug] [--port NAME] [--demo [MODEL]]\n"
        "\n"
        "PXRTool: set up, read and watch PXR laser distance meters on a serial port.\n"
        "\n"
        "  debug           write a trace line for every exchange to stderr (any case)\n"
        "  --port NAME     use this serial port for this run (e.g. /dev/ttyUSB0)\n"
        "  --demo [MODEL]  start the meter emulator pxr-meter on a pseudo-terminal\n"
        "                  and preselect it; MODEL is pxr7x (default), pxr500c,\n"
        "                  pxr501 or pxr502\n"
        "                  With --port or --demo the stored settings are read but not\n"
        "                  changed: what is confirmed in a dialog holds for this run only.\n"
        "  -h, --help      show this help and exit\n"
        "  --version       show the version and exit\n";
}

std::string noDisplayText(const std::string& display)
{
    const std::string why = display.empty() ? "no display found (DISPLAY is not set)"
                                            : "cannot open the display \"" + display + "\"";
    return "pxrtool: " + why + "; use pxrctl to work with a meter from the command line, "
           "or scripts/run (source tree), which runs the demo on a virtual X server";
}

bool displayMissing(const char* qpaPlatform, const char* display, const char* waylandDisplay)
{
    const auto empty = [](const char* s) { return !s || !*s; };
    // QT_QPA_PLATFORM may name several platforms ("wayland;xcb"), tried in turn.
    std::string platforms = empty(qpaPlatform) ? std::string("xcb;wayland") : LowerCase(qpaPlatform);
    while (!platforms.empty()) {
        const size_t end = platforms.find(';');
        const std::string p = platforms.substr(0, end);
        platforms.erase(0, end == std::string::npos ? platforms.size() : end + 1);
        const bool usable = p.rfind("xcb", 0) == 0       ? !empty(display)
                            : p.rfind("wayland", 0) == 0 ? !empty(waylandDisplay)
                                                         : true; // offscreen, vnc, ...: no display needed
        if (usable)
            return false;
    }
    return true;
}

std::string versionText()
{
    return std::string("PXRTool ") + PXR_VERSION + "\n";
}

} // namespace pxr
