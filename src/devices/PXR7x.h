#pragma once
// Parameter set of model line PXR7X: 19 text values for 15 codes. SA, TD,
// SF, AS, RB, RE, AC and AH have their accessors in the base.

#include <cstddef>
#include <string>

#include "devices/ParameterSet.h"

namespace pxr {

class TPXR7x : public AnalogAlarmParameterSet {
public:
    explicit TPXR7x(FieldBinding* binding = nullptr) : AnalogAlarmParameterSet(kPXR7X, binding) {}

    const std::string& GetST() const { return value("ST"); }
    void SetST(const std::string& v) { setValue("ST", 0, v); }
    const std::string& GetTM(std::size_t i) const { return value("TM", i); } // 0 mode, 1 level for auto start
    void SetTM(std::size_t i, const std::string& v) { setValue("TM", i, v); }
    const std::string& GetOF() const { return value("OF"); }
    void SetOF(const std::string& v) { setValue("OF", 0, v); }
    const std::string& GetSE() const { return value("SE"); }
    void SetSE(const std::string& v) { setValue("SE", 0, v); }
    const std::string& GetRM(std::size_t i) const { return value("RM", i); } // 0..2
    void SetRM(std::size_t i, const std::string& v) { setValue("RM", i, v); }
    const std::string& GetSD() const { return value("SD"); }
    void SetSD(const std::string& v) { setValue("SD", 0, v); }
    const std::string& GetAW() const { return value("AW"); }
    void SetAW(const std::string& v) { setValue("AW", 0, v); }
};

} // namespace pxr
