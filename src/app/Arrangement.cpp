#include "app/Arrangement.h"

namespace pxr {

namespace {

// PXR500C streams fixed fields of a blank and seven characters without line
// ends; the other lines send CR LF-terminated lines.
const Arrangement kArrangements[kModelLines] = {
    {"PXRTool (PXR7X)", "", "\r\n", 0, false, false},
    {"PXRTool (PXR500C)", " ", "", 8, true, false},
    {"PXRTool (PXR501/PXR502)", "", "\r\n", 0, false, true},
};

//                                    PXR7X  PXR500C PXR501/502
const std::vector<ModelAction> kModelActions = {
    {"acDS", {true, false, false}},
    {"acDJ", {false, true, false}},
    {"acSd", {false, false, true}},
    {"acDW", {true, false, false}},
    {"acDX", {true, false, false}},
    {"acDM", {true, false, true}},
    {"acVM", {false, false, true}},
    {"acVT", {false, false, true}},
    {"acLF", {true, false, false}},
    {"acSO", {true, false, true}},
    {"acSetProfibus", {true, false, false}},
    {"acBaudrate", {true, false, true}},
};

const std::vector<const char*> kHardwareOnly = {
    "acDF", "acTP", "acID", "acDM", "acVM", "acVT", "acSO", "acLF", "acBaudrate", "acDevice",
};

} // namespace

const Arrangement* arrangementFor(DeviceType line)
{
    return line < kModelLines ? &kArrangements[line] : nullptr;
}

const std::vector<ModelAction>& modelDependentActions() { return kModelActions; }

bool actionVisibleFor(const std::string& action, DeviceType line)
{
    for (const ModelAction& m : kModelActions)
        if (action == m.action)
            return line < kModelLines && m.visible[line];
    return true;
}

const std::vector<const char*>& hardwareOnlyActions() { return kHardwareOnly; }

uint32_t defaultBaudRate(DeviceType line) { return line == kPXR501 ? 115200 : 9600; }

} // namespace pxr
