#pragma once
// "BR Change Baud Rate": tells the meter its new rate, then switches the PC
// port to it, so both talk at the new rate. PXR7X and PXR501/502 only.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "serial/ComTransactions.h"

namespace pxr {

class FieldBinding;

// The rates the dialogs offer, as their list texts ("2400" ... "460800").
const std::vector<std::string>& offeredBaudRates();
// The list entry of a rate, or -1 when the list does not offer it.
int baudRateIndex(uint32_t rate);
// The rate a list text names; no selection or any other text gives 9600.
uint32_t baudRateFromText(const std::string& text);

// Shows the dialog (TChangeBdDlg.Execute) for the current rate; returns
// whether it closed with OK and, if so, the chosen rate.
using ChangeBaudDialog = std::function<bool(uint32_t currentRate, uint32_t& newRate)>;

// A rate the PC port refuses ends the command with the message box before
// anything is sent to the meter. After the switch the meter is asked for
// SA at the new rate; without an answer panel 2 says so and the user is
// offered to switch both ends back to the old rate.
void acBaudrateExecute(ComTransactions& tx, const FieldBinding& editor, const ChangeBaudDialog& dialog);

} // namespace pxr
