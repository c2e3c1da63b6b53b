#pragma once
// What changes on the main window with the model line, as data: the title,
// the commands the line has, how the measurement framer cuts the meter's
// output, how the traffic history builds its lines, and whether the second
// switching output exists. Also the commands that need a real meter and are
// therefore disabled in simulation.

#include <cstdint>
#include <string>
#include <vector>

#include "devices/DeviceType.h"

namespace pxr {

struct Arrangement {
    const char* title;
    // Measurement framer (ComDataPacket_mess), set in this order after
    // switching the include strings off.
    const char* framerStart;
    const char* framerStop;
    int framerSize;
    bool historyNoCRLF;
    bool output2Visible;
};

// nullptr for a value outside 0..2.
const Arrangement* arrangementFor(DeviceType line);

// The commands that exist only on some model lines; all other actions are
// visible on every line.
struct ModelAction {
    const char* action;
    bool visible[kModelLines];
};
const std::vector<ModelAction>& modelDependentActions();
bool actionVisibleFor(const std::string& action, DeviceType line);

// Enabled exactly while simulation is off.
const std::vector<const char*>& hardwareOnlyActions();

// 115200 for PXR501/502, 9600 for the other lines.
uint32_t defaultBaudRate(DeviceType line);

} // namespace pxr
