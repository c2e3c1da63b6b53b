#pragma once
// What the main controller needs of the system besides the window: the
// list of serial ports, a port of its own for the meter finder and the
// user's decimal separator. The Qt window (TMainForm) implements it; core
// tests give a fake (tests/support/ControllerRig.h).

#include <memory>
#include <string>
#include <vector>

#include "serial/ComPort.h"

namespace pxr {

class SystemServices {
public:
    // The system's serial ports; may throw when they cannot be listed.
    virtual std::vector<std::string> listPorts() = 0;
    // A fresh port backend: the meter finder searches on a port of its own.
    virtual std::unique_ptr<ComPortBackend> createPortBackend() = 0;
    // The user's decimal separator, for the values the heater check corrects
    // when Set Parameter takes the editor's values.
    virtual char decimalSeparator() const = 0;

protected:
    ~SystemServices() = default;
};

} // namespace pxr
