#pragma once
// Parameter set of model line PXR7X: 19 text values for 15 codes.

#include <cstddef>
#include <string>

#include "devices/ParameterSet.h"

namespace pxr {

class TPXR7x : public ParameterSet {
public:
    explicit TPXR7x(FieldBinding* binding = nullptr);

    const std::string& GetST() const;
    void SetST(const std::string& v);
    const std::string& GetSA() const;
    void SetSA(const std::string& v);
    const std::string& GetTD(std::size_t i) const; // 0 delay, 1 level
    void SetTD(std::size_t i, const std::string& v);
    const std::string& GetTM(std::size_t i) const; // 0 mode, 1 level for auto start
    void SetTM(std::size_t i, const std::string& v);
    const std::string& GetSF() const;
    void SetSF(const std::string& v);
    const std::string& GetOF() const;
    void SetOF(const std::string& v);
    const std::string& GetAS() const;
    void SetAS(const std::string& v);
    const std::string& GetSE() const;
    void SetSE(const std::string& v);
    const std::string& GetRM(std::size_t i) const; // 0..2
    void SetRM(std::size_t i, const std::string& v);
    const std::string& GetSD() const;
    void SetSD(const std::string& v);
    const std::string& GetRB() const;
    void SetRB(const std::string& v);
    const std::string& GetRE() const;
    void SetRE(const std::string& v);
    const std::string& GetAC() const;
    void SetAC(const std::string& v);
    const std::string& GetAH() const;
    void SetAH(const std::string& v);
    const std::string& GetAW() const;
    void SetAW(const std::string& v);

    // Factory values (Set Standard).
    void SetDefaults();
};

} // namespace pxr
