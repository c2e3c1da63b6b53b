#pragma once
// Parameter set of model line PXR500C: 9 text values for 8 codes (SA, TD,
// SF, AS, RB, RE, AC, AH; all named accessors come from its base). Its
// ClearAll leaves AS and `cb_as_1` as they are.

#include "devices/ParameterSet.h"

namespace pxr {

class TPXR500C : public AnalogAlarmParameterSet {
public:
    explicit TPXR500C(FieldBinding* binding = nullptr) : AnalogAlarmParameterSet(kPXR500C, binding) {}
};

} // namespace pxr
