#include "parameters/BaudRateChange.h"

#include <algorithm>

#include "devices/FieldBinding.h"
#include "devices/ParameterTable.h"
#include "base/Trace.h"

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

// Whether the meter answers at the port's current rate.
bool meterAnswersAt(ComTransactions& tx)
{
    // SA is a code of both model lines that change their rate; its echo
    // tells an answer from the junk a meter at another rate makes.
    tx.SettleLine();
    int status = 0;
    tx.QueryCommand("SA", "SA", CRLF, 1000, status);
    return status == 1;
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
        bool switched = true;
        {
            // Once the meter has been told, the PC port must follow.
            MeterConversation::Uncancellable whole(tx.conversation());
            try {
                port.SetBaudRate(oldRate);
                tx.SendCommand("BR" + std::to_string(newRate));
                tx.Delay(500);
                port.SetBaudRate(newRate);
            } catch (const std::exception&) {
                // The meter may already have switched; it is not told to switch back.
                switched = false;
                tx.ui().showError(
                    format("PC COM port do not support baudrate %u Baud!", static_cast<unsigned>(newRate)));
                try {
                    port.SetBaudRate(oldRate);
                } catch (const std::exception&) {
                }
            }
        }
        tx.ui().setStatusText(0, port.SettingsText());
        // A meter that did not take the rate (or a line that cannot carry
        // it) would otherwise be out of reach with nothing said.
        // A closed port (opening failed) only changes its setting.
        bool answers = switched && (!port.Connected() || meterAnswersAt(tx));
        std::string outcome; // panel 2 at the end, after the ESC and commands that clear it
        if (switched && !answers) {
            outcome = format(" No answer at %u Baud", static_cast<unsigned>(newRate));
            tx.ui().setStatusText(2, outcome);
            if (tx.ui().askYesNo(format("The meter does not answer at %u Baud.\n"
                                        "Switch the meter and the PC port back to %u Baud?",
                                        static_cast<unsigned>(newRate), static_cast<unsigned>(oldRate)))) {
                {
                    // Told at the new rate in case the meter did switch; a
                    // meter still at the old rate takes it for noise.
                    MeterConversation::Uncancellable whole(tx.conversation());
                    tx.SendCommand("BR" + std::to_string(oldRate));
                    tx.Delay(500);
                    port.SetBaudRate(oldRate);
                }
                tx.ui().setStatusText(0, port.SettingsText());
                answers = meterAnswersAt(tx);
                outcome = answers ? format(" Back at %u Baud", static_cast<unsigned>(oldRate))
                                  : format(" No answer at %u Baud either", static_cast<unsigned>(oldRate));
            }
        }
        // Restart the auto-start mode shown in the editor at the rate that
        // works; a meter that answers at neither would not understand it.
        const std::string as = editor.fieldText(model == kPXR7X ? "cb_as" : "cb_as_2");
        const auto& list = autoStartList(model);
        if (answers && as.size() == 2 && std::find(list.begin(), list.end(), as) != list.end())
            tx.SendCommand(as);
        if (!outcome.empty())
            tx.ui().setStatusText(2, outcome);
    }
    tx.ui().focusTerminalIfShown();
}

} // namespace pxr
