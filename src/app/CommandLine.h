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

// "debug" without regard to case.
bool isDebugSwitch(const std::string& arg);

// pxr7x, pxr500c, pxr501, pxr502 (any case) -> model line; nullopt otherwise.
std::optional<DeviceType> demoModelLine(const std::string& model);

std::string usageText(const std::string& programName);
std::string versionText();

} // namespace pxr
