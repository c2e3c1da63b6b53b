#pragma once
// Parameter set of model line PXR500C: 9 text values for 8 codes. Its
// ClearAll leaves AS and `cb_as_1` as they are.

#include <cstddef>
#include <string>

#include "devices/ParameterSet.h"

namespace pxr {

class TPXR500C : public ParameterSet {
public:
    explicit TPXR500C(FieldBinding* binding = nullptr);

    const std::string& GetSA() const;
    void SetSA(const std::string& v);
    const std::string& GetTD(std::size_t i) const; // 0 delay, 1 level
    void SetTD(std::size_t i, const std::string& v);
    const std::string& GetSF() const;
    void SetSF(const std::string& v);
    const std::string& GetAS() const;
    void SetAS(const std::string& v);
    const std::string& GetRB() const;
    void SetRB(const std::string& v);
    const std::string& GetRE() const;
    void SetRE(const std::string& v);
    const std::string& GetAC() const;
    void SetAC(const std::string& v);
    const std::string& GetAH() const;
    void SetAH(const std::string& v);

    // Factory values (Set Standard).
    void SetDefaults();
};

} // namespace pxr
