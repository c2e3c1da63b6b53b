#include "serial/BaudRateChange.h"

#include <algorithm>

#include "devices/FieldBinding.h"
#include "devices/ParameterTable.h"
#include "serial/Trace.h"

namespace pxr {

const std::vector<std::string>& offeredBaudRates()
{
    static const std::vector<std::string> rates = {"2400",  "4800",   "9600",   "19200", "38400",
                                                   "57600", "115200", "230400", "460800"};
    return rates;
}

int baudRateIndex(uint32_t rate)
{
    const auto& rates = offeredBaudRates();
    const std::string text = std::to_string(rate);
    const auto it = std::find(rates.begin(), rates.end(), text);
    return it == rates.end() ? -1 : static_cast<int>(it - rates.begin());
}

uint32_t baudRateFromText(const std::string& text)
{
    const auto& rates = offeredBaudRates();
    if (std::find(rates.begin(), rates.end(), text) == rates.end())
        return 9600;
    return static_cast<uint32_t>(std::stoul(text));
}

namespace {

// Sets the new rate and puts the old one back; false when the port refuses
// the new rate (it then stays on the old one).
bool pcPortAccepts(TComPort& port, uint32_t oldRate, uint32_t newRate)
{
    try {
        port.SetBaudRate(newRate);
    } catch (const std::exception&) {
        return false;
    }
    port.SetBaudRate(oldRate);
    return true;
}

} // namespace

void acBaudrateExecute(ComTransactions& tx, const FieldBinding& editor, const ChangeBaudDialog& dialog)
{
    const DeviceType model = tx.deviceType;
    TComPort& port = tx.port();
    const uint32_t oldRate = port.BaudRate();
    uint32_t newRate = oldRate;
    if ((model == kPXR7X || model == kPXR501) && dialog && dialog(oldRate, newRate) && newRate != oldRate) {
        // Try the new rate on the PC port before the meter hears of it: a
        // meter switched to a rate the PC cannot follow would be out of reach
        // until someone finds its rate again.
        if (!pcPortAccepts(port, oldRate, newRate)) {
            tx.ui().showError(format("PC COM port do not support baudrate %u Baud!", static_cast<unsigned>(newRate)));
            tx.ui().setStatusText(0, port.SettingsText());
            tx.ui().focusTerminalIfShown();
            return;
        }
        tx.PortWrite(std::string(1, ESC));
        tx.Delay(500);
        try {
            port.SetBaudRate(oldRate);
            tx.SendCommand("BR" + std::to_string(newRate));
            tx.Delay(500);
            port.SetBaudRate(newRate);
        } catch (const std::exception&) {
            // The meter may already have switched; it is not told to switch back.
            tx.ui().showError(format("PC COM port do not support baudrate %u Baud!", static_cast<unsigned>(newRate)));
            try {
                port.SetBaudRate(oldRate);
            } catch (const std::exception&) {
            }
        }
        tx.ui().setStatusText(0, port.SettingsText());
        // Restart the auto-start mode shown in the editor, now at the new rate.
        const std::string as = editor.fieldText(model == kPXR7X ? "cb_as" : "cb_as_2");
        const auto& list = autoStartList(model);
        if (as.size() == 2 && std::find(list.begin(), list.end(), as) != list.end())
            tx.SendCommand(as);
    }
    tx.ui().focusTerminalIfShown();
}

} // namespace pxr
