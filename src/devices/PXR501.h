#pragma once
// Parameter set of model line PXR501/502: 29 text values for 19 codes (SA,
// TD, SF and AS have their accessors in the base). The two variants differ
// only in the factory values of SA and MF.

#include <cstddef>
#include <string>

#include "devices/ParameterSet.h"

namespace pxr {

class TPXR501 : public CommonParameterSet {
public:
    explicit TPXR501(FieldBinding* binding = nullptr) : CommonParameterSet(kPXR501, binding) {}

    const std::string& GetMF() const { return value("MF"); }
    void SetMF(const std::string& v) { setValue("MF", 0, v); }
    const std::string& GetOF() const { return value("OF"); }
    void SetOF(const std::string& v) { setValue("OF", 0, v); }
    // SE: 0 digital/analog outputs, 1 string output
    const std::string& GetSE(std::size_t i) const { return value("SE", i); }
    void SetSE(std::size_t i, const std::string& v) { setValue("SE", i, v); }
    const std::string& GetMW(std::size_t i) const { return value("MW", i); } // 0 begin, 1 end
    void SetMW(std::size_t i, const std::string& v) { setValue("MW", i, v); }
    const std::string& GetPL() const { return value("PL"); }
    void SetPL(const std::string& v) { setValue("PL", 0, v); }
    const std::string& GetHE(std::size_t i) const { return value("HE", i); } // 0 heat on, 1 heat off
    void SetHE(std::size_t i, const std::string& v) { setValue("HE", i, v); }
    // SD: 0 number format, 1 output content
    const std::string& GetSD(std::size_t i) const { return value("SD", i); }
    void SetSD(std::size_t i, const std::string& v) { setValue("SD", i, v); }
    const std::string& GetTE() const { return value("TE"); }
    void SetTE(const std::string& v) { setValue("TE", 0, v); }
    // QA: 0 begin (4 mA), 1 end (20 mA)
    const std::string& GetQA(std::size_t i) const { return value("QA", i); }
    void SetQA(std::size_t i, const std::string& v) { setValue("QA", i, v); }
    // Q1: 0 centre, 1 width, 2 hysteresis, 3 level; Q2 the same
    const std::string& GetQ1(std::size_t i) const { return value("Q1", i); }
    void SetQ1(std::size_t i, const std::string& v) { setValue("Q1", i, v); }
    const std::string& GetQ2(std::size_t i) const { return value("Q2", i); }
    void SetQ2(std::size_t i, const std::string& v) { setValue("Q2", i, v); }
    const std::string& GetSC() const { return value("SC"); }
    void SetSC(const std::string& v) { setValue("SC", 0, v); }

    // Factory values (Set Standard): PXR501 values, or PXR502 values when
    // Is502 is true.
    void SetDefaults(bool Is502) { applyDefaults(Is502); }
};

} // namespace pxr
