#pragma once
// Reading lines and output intervals of the simulated device, as pure
// functions: no timer, no state. (The meter emulator prints its readings
// from data of its own, so that it can catch a slip here.)

#include <cstdint>
#include <functional>
#include <string>

#include "devices/DeviceType.h"

namespace pxr {

// Source of the noise and of the simulated signal levels: a uniform integer 0..9.
using SimuRandom = std::function<int()>;

// What a line's format depends on besides the arguments of GenerateSimuLine.
struct SimuLineFormat {
    DeviceType deviceType = kPXR7X;
    std::string content;           // PXR501/502: SD[1], compared exactly with "1", "2", "3"
    bool signalDialogOpen = false; // PXR500C: the line is a signal level, nothing else
};

// One reading line. a is the distance count (thousandths of the reading's
// unit before scaling), noise adds a random 0..9 to it, hex selects the
// hexadecimal form, error gives the model line's error line, k is the scale
// factor. `random` is drawn first for the noise (only when noise is on and a
// value line is made) and then for a signal level where the line carries one.
// Decimal numbers always use ".", whatever the C locale says.
std::string GenerateSimuLine(const SimuLineFormat& lineFormat, int64_t a, bool noise, bool hex,
                             bool error, double k, const SimuRandom& random);

// Reads a parameter value of the current model line: its code and the index
// of the value within the code (0 for a single-value code). An unknown code
// gives the empty text.
using SimuParameter = std::function<std::string(const std::string& code, int index)>;

// Values of the parameter set that shape the simulated readings.
struct SimuSettings {
    double k = 1;        // scale factor; 1 when SF is not a number
    double o = 0;        // offset; 0 when OF is not a number or the line has none
    bool hex = false;    // hexadecimal output
    std::string content; // PXR501/502: SD[1]
};
SimuSettings ReadSimuSettings(DeviceType deviceType, const SimuParameter& parameter);

// PXR7X output interval in ms for SimuMode (1 = DT, 2 = DS, 3 = DW, 4 = DX)
// and the ST text.
int64_t ComputeSimuInterval(uint8_t simuMode, const std::string& st);

// Output interval in ms of the model line: PXR7X by SimuMode and ST,
// PXR500C SA x 10, PXR501/502 SA / MF x 1000. May be 0 or negative for odd
// parameter values; ApplySimuInterval decides what comes of that.
int64_t SimuOutputInterval(DeviceType deviceType, uint8_t simuMode, const SimuParameter& parameter);

// The timer-interval rule: the interval taken as an unsigned 32-bit number
// (a negative one becomes very large) is applied only when it differs from
// `applied` and is greater than 9. Returns whether `applied` changed.
bool ApplySimuInterval(uint32_t& applied, int64_t ms);

// Base distance count: fixed distance x 1000 truncated toward zero plus the
// offset x 1000 rounded.
int64_t SimuBaseDistance(double fixedDistance, double offset);

// Arguments of one tick's line for the tick counter value n (0..99).
struct SimuStep {
    int64_t a = 0;
    bool noise = true;
    bool error = false;
};
SimuStep SimuRampStep(int n, int64_t base, bool rampAndError);

} // namespace pxr
