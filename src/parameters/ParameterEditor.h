#pragma once
// What the parameter editor's controls do to a field's text, without the
// widgets: one press of a step button on a numeric or a list field, and the
// heater check of the two HE fields of model line PXR501/502. The panel
// reads the field, calls these and writes the result back; any text may
// stand in a field, and unreadable text counts as 0.

#include <string>
#include <vector>

#include "devices/DeviceType.h"

namespace pxr {

class FieldBinding;

enum class StepDirection { Up, Down };

// One step of a numeric field within low..high. The text is read as a
// decimal whole number (leading blanks and a sign accepted, nothing after
// the digits); an empty or unreadable text counts as 0. The result is
// limited to low..high (low first) and written without leading zeros. A
// number too large to hold counts as the nearest bound of what can be held,
// so it steps to the range end it lies beyond.
std::string StepNumber(const std::string& text, int low, int high, StepDirection direction);

// One step of a list field through `list`: the position of the entry equal
// to the text (ASCII letters without regard to case; -1 when none is),
// moved by one and kept within the list. An empty list leaves the text.
std::string StepListItem(const std::string& text, const std::vector<std::string>& list,
                         StepDirection direction);

// Limits of the heater check.
struct HeaterLimits {
    double onLow = -60, onHigh = 40;   // switch-on temperature (HE value 1)
    double offLow = -60, offHigh = 45; // switch-off temperature (HE value 2)
};

struct HeaterCheckResult {
    bool onChanged = false;
    bool offChanged = false;
    std::string on;  // the new texts; the unchanged field's text as given
    std::string off;
};

// The check run when a heater field loses the focus. Nothing happens while
// either text is empty. Both texts are read as parameter values ("," as ".",
// not a number gives 0); each temperature is brought into its limits and the
// switch-on temperature is then cut to the switch-off temperature. A changed
// value is written with up to 15 significant digits, no trailing zeros, and
// `decimalSeparator` (the user's regional one) in a fraction; an unchanged
// field keeps its text exactly, even one that is not a number.
HeaterCheckResult HeaterCheck(const std::string& on, const std::string& off, char decimalSeparator,
                              const HeaterLimits& limits = HeaterLimits());

// The heater check on the editor fields of the model line: its code whose
// values carry the heater check (HE of PXR501/502; the other lines have
// none), with the limits of the table. Run when a heater field loses the
// focus and whenever the values are taken for writing to the meter, so that
// no write path skips it.
void applyHeaterCheck(DeviceType model, FieldBinding& fields, char decimalSeparator);

// A number as the heater check writes it.
std::string formatRegionalNumber(double value, char decimalSeparator);

} // namespace pxr
