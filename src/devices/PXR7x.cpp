#include "devices/PXR7x.h"

// Named accessors over the generic storage; the table decides slots and controls.
#define PXR_VALUE(Code)                                                                \
    const std::string& TPXR7x::Get##Code() const { return value(#Code); }              \
    void TPXR7x::Set##Code(const std::string& v) { setValue(#Code, 0, v); }
#define PXR_VALUES(Code)                                                               \
    const std::string& TPXR7x::Get##Code(std::size_t i) const { return value(#Code, i); } \
    void TPXR7x::Set##Code(std::size_t i, const std::string& v) { setValue(#Code, i, v); }

namespace pxr {

TPXR7x::TPXR7x(FieldBinding* binding) : ParameterSet(kPXR7X, binding) {}

PXR_VALUE(ST)
PXR_VALUE(SA)
PXR_VALUES(TD)
PXR_VALUES(TM)
PXR_VALUE(SF)
PXR_VALUE(OF)
PXR_VALUE(AS)
PXR_VALUE(SE)
PXR_VALUES(RM)
PXR_VALUE(SD)
PXR_VALUE(RB)
PXR_VALUE(RE)
PXR_VALUE(AC)
PXR_VALUE(AH)
PXR_VALUE(AW)

void TPXR7x::SetDefaults()
{
    applyDefaults(false);
}

} // namespace pxr
