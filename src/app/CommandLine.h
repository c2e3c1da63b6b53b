#pragma once
// The program's command line: the word "debug" (any case) turns the
// exchange trace on; --port NAME uses that port for this run; --demo [MODEL]
// starts a meter emulator on a pseudo-terminal and preselects it; --help and
// --version print and exit.

#include <optional>
#include <string>
#include <vector>

#include "devices/DeviceType.h"

namespace pxr {

struct CommandLine {
    bool debug = false;
    std::string port;
    bool demo = false;
    std::string demoModel = "pxr7x"; // as the emulator spells it
    bool help = false;
    bool version = false;
    std::string error; // non-empty: the arguments could not be understood
};

// args: the arguments without the program name. Words other than options
// and "debug" are ignored, as the program always did.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// A run with --demo or --port is not the user's own setup: it reads the
// stored settings but must not change them, so that the next ordinary
// start finds the user's port and model line, not a demo's temporary one.
bool keepsUserSettings(const CommandLine& cl);

// "debug" without regard to case.
bool isDebugSwitch(const std::string& arg);

// pxr7x, pxr500c, pxr501, pxr502 (any case) -> model line; nullopt otherwise.
std::optional<DeviceType> demoModelLine(const std::string& model);

std::string usageText(const std::string& programName);

// The one line pxrtool ends with when it finds no display to show its window
// on: why (`display` is the DISPLAY it tried, empty when none was set) and
// what serves instead.
std::string noDisplayText(const std::string& display);
// Whether a window can only fail: no display in the environment, and a
// platform that needs one (QT_QPA_PLATFORM unset, or xcb or wayland).
bool displayMissing(const char* qpaPlatform, const char* display, const char* waylandDisplay);
std::string versionText();

} // namespace pxr
