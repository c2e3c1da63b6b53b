#pragma once
// The serial line settings as the settings store keeps them (section
// `ComPort`). The texts are the spellings of the store's tables, e.g.
// parity "Even", stop bits "1.5", flow control "None".

#include <cstdint>
#include <string>

namespace pxr {

struct PortSettings {
    std::string port;                 // empty: the first port the system lists
    uint32_t baudRate = 9600;
    int dataBits = 8;
    std::string parity = "None";
    std::string stopBits = "1";
    std::string flowControl = "None";

    bool operator==(const PortSettings& o) const
    {
        return port == o.port && baudRate == o.baudRate && dataBits == o.dataBits
            && parity == o.parity && stopBits == o.stopBits && flowControl == o.flowControl;
    }
    bool operator!=(const PortSettings& o) const { return !(*this == o); }
};

} // namespace pxr
