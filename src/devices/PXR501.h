#pragma once
// Parameter set of model line PXR501/502: 29 text values for 19 codes. The two
// variants differ only in the factory values of SA and MF.

#include <cstddef>
#include <string>

#include "devices/ParameterSet.h"

namespace pxr {

class TPXR501 : public ParameterSet {
public:
    explicit TPXR501(FieldBinding* binding = nullptr);

    const std::string& GetSA() const;
    void SetSA(const std::string& v);
    const std::string& GetMF() const;
    void SetMF(const std::string& v);
    const std::string& GetTD(std::size_t i) const; // 0 delay, 1 level, 2 mode
    void SetTD(std::size_t i, const std::string& v);
    const std::string& GetSF() const;
    void SetSF(const std::string& v);
    const std::string& GetOF() const;
    void SetOF(const std::string& v);
    const std::string& GetAS() const;
    void SetAS(const std::string& v);
    const std::string& GetSE(std::size_t i) const; // 0 digital/analog outputs, 1 string output
    void SetSE(std::size_t i, const std::string& v);
    const std::string& GetMW(std::size_t i) const; // 0 begin, 1 end
    void SetMW(std::size_t i, const std::string& v);
    const std::string& GetPL() const;
    void SetPL(const std::string& v);
    const std::string& GetHE(std::size_t i) const; // 0 heat on, 1 heat off
    void SetHE(std::size_t i, const std::string& v);
    const std::string& GetSD(std::size_t i) const; // 0 number format, 1 output content
    void SetSD(std::size_t i, const std::string& v);
    const std::string& GetTE() const;
    void SetTE(const std::string& v);
    const std::string& GetQA(std::size_t i) const; // 0 begin (4 mA), 1 end (20 mA)
    void SetQA(std::size_t i, const std::string& v);
    const std::string& GetQ1(std::size_t i) const; // 0 centre, 1 width, 2 hysteresis, 3 level
    void SetQ1(std::size_t i, const std::string& v);
    const std::string& GetQ2(std::size_t i) const; // 0..3 as Q1
    void SetQ2(std::size_t i, const std::string& v);
    const std::string& GetSC() const;
    void SetSC(const std::string& v);

    // Factory values (Set Standard): PXR501 values, or PXR502 values when
    // Is502 is true.
    void SetDefaults(bool Is502);
};

} // namespace pxr
