#pragma once
// The rules of the interface setup dialog (TComSetupForm) without widgets:
// what its lists hold, what it selects before each showing and how its
// controls follow each other. The dialog mirrors this model; the main
// controller applies it on OK.

#include <cstdint>
#include <string>
#include <vector>

#include "devices/DeviceType.h"

namespace pxr {

class ComSetupModel {
public:
    // "PXR7X", "PXR500C", "PXR501/502": index = model line.
    static const std::vector<std::string>& deviceItems();
    // "2400" ... "460800".
    static const std::vector<std::string>& baudItems();
    // The rate a text of the baud list names; 9600 for any other text, the
    // empty one included.
    static uint32_t rateFromText(const std::string& text);

    // The system's ports, sorted. A name the system does not list (a
    // pseudo-terminal, a /dev/serial/by-id link, a typed path) is kept in
    // the list once it has been shown or typed; another spelling of a listed
    // port ("\\.\COM10" for "COM10", see samePortName) is not added again.
    void setSystemPorts(const std::vector<std::string>& ports);
    const std::vector<std::string>& portItems() const { return m_ports; }

    // Before each showing: select the model line, the port's name and its
    // rate (a rate the list does not offer leaves no selection).
    void FormShow(DeviceType line, const std::string& port, uint32_t baudRate);
    // The user picked a model line: the rate jumps to the line's usual one.
    void cb_deviceChange(int index);
    // The user toggled "Simulate Device" (simulate holds the new state);
    // switching it on ticks the readout too.
    void simulateToggled();
    // Why OK cannot take the dialog's choices (empty: it can): a port name
    // is needed to talk to a meter; simulation works without one.
    static std::string okRefusal(const std::string& portName, bool simulate);

    int deviceIndex = 0;
    std::string portName;
    int baudIndex = -1; // -1: no selection
    bool readoutNow = false; // "Readout PXR Parameter now (Get)" (CheckBox1)
    bool simulate = false;   // "Simulate Device" (CheckBox2)

    // The meter finder found a meter: model line, port and rate (a rate of
    // 0, the server's own, leaves the rate list alone).
    void applyFound(DeviceType line, const std::string& port, uint32_t baud);
    // The rate the finder put into the list, while the user has left the
    // model line and the rate as it put them (0 otherwise). On OK it wins
    // over the model line's usual rate: it is the meter's own.
    uint32_t foundRate() const;

    std::string baudText() const;
    // Selects the list entry with this text; no selection if there is none.
    void selectBaudText(const std::string& text);

private:
    void keepPort(const std::string& name);
    // The list's entry for the port of that name, or null.
    const std::string* listed(const std::string& name) const;

    int m_foundDevice = -1;
    uint32_t m_foundBaud = 0;
    std::vector<std::string> m_ports;
    std::vector<std::string> m_extraPorts; // shown or typed, not listed by the system
};

} // namespace pxr
