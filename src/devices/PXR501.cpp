#include "devices/PXR501.h"

// Named accessors over the generic storage; the table decides slots and controls.
#define PXR_VALUE(Code)                                                                \
    const std::string& TPXR501::Get##Code() const { return value(#Code); }             \
    void TPXR501::Set##Code(const std::string& v) { setValue(#Code, 0, v); }
#define PXR_VALUES(Code)                                                               \
    const std::string& TPXR501::Get##Code(std::size_t i) const { return value(#Code, i); } \
    void TPXR501::Set##Code(std::size_t i, const std::string& v) { setValue(#Code, i, v); }

namespace pxr {

TPXR501::TPXR501(FieldBinding* binding) : ParameterSet(kPXR501, binding) {}

PXR_VALUE(SA)
PXR_VALUE(MF)
PXR_VALUES(TD)
PXR_VALUE(SF)
PXR_VALUE(OF)
PXR_VALUE(AS)
PXR_VALUES(SE)
PXR_VALUES(MW)
PXR_VALUE(PL)
PXR_VALUES(HE)
PXR_VALUES(SD)
PXR_VALUE(TE)
PXR_VALUES(QA)
PXR_VALUES(Q1)
PXR_VALUES(Q2)
PXR_VALUE(SC)

void TPXR501::SetDefaults(bool Is502)
{
    applyDefaults(Is502);
}

} // namespace pxr
