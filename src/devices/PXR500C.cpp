#include "devices/PXR500C.h"

// Named accessors over the generic storage; the table decides slots and controls.
#define PXR_VALUE(Code)                                                                \
    const std::string& TPXR500C::Get##Code() const { return value(#Code); }            \
    void TPXR500C::Set##Code(const std::string& v) { setValue(#Code, 0, v); }
#define PXR_VALUES(Code)                                                               \
    const std::string& TPXR500C::Get##Code(std::size_t i) const { return value(#Code, i); } \
    void TPXR500C::Set##Code(std::size_t i, const std::string& v) { setValue(#Code, i, v); }

namespace pxr {

TPXR500C::TPXR500C(FieldBinding* binding) : ParameterSet(kPXR500C, binding) {}

PXR_VALUE(SA)
PXR_VALUES(TD)
PXR_VALUE(SF)
PXR_VALUE(AS)
PXR_VALUE(RB)
PXR_VALUE(RE)
PXR_VALUE(AC)
PXR_VALUE(AH)

void TPXR500C::SetDefaults()
{
    applyDefaults(false);
}

} // namespace pxr
