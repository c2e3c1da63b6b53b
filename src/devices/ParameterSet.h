#pragma once
// Common part of the three parameter-set classes (TPXR7x, TPXR500C,
// TPXR501): the program's copy of the meter's configuration, every value held
// as text exactly as the meter printed it or the user typed it. Setting a
// value replaces every "," by "." and writes the stored text through to the
// value's editor field at once; ReadFromEditor copies the fields back
// verbatim. The set rejects nothing. No virtual operations: the main window
// dispatches on the current model line.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "devices/DeviceType.h"
#include "devices/ParameterTable.h"

namespace pxr {

class FieldBinding;

class ParameterSet {
public:
    DeviceType model() const { return m_model; }
    const std::vector<ParameterDef>& table() const { return *m_table; }

    // The editor fields the set writes through to and ReadFromEditor reads
    // from; may be null (values are then only stored).
    void setBinding(FieldBinding* binding) { m_binding = binding; }
    FieldBinding* binding() const { return m_binding; }

    // Generic access by code. An unknown code or an index outside the code's
    // array reads as empty and is ignored by the setters.
    bool hasCode(const std::string& code) const;
    std::size_t valueCount(const std::string& code) const; // 0 for an unknown code
    const std::string& value(const std::string& code, std::size_t index = 0) const;
    void setValue(const std::string& code, std::size_t index, const std::string& text);

    // The code's values joined by single blanks, index 0 first (as sent to
    // the meter and written to files).
    std::string joinedValue(const std::string& code) const;
    // Splits the text into the code's values (see splitParameterValues: a
    // single-value code takes the whole text) and sets each through the
    // setter, so the comma rule and the write-through apply.
    void setJoinedValue(const std::string& code, const std::string& text);
    // Code -> joined value for every code, in table order.
    std::vector<std::pair<std::string, std::string>> joinedValues() const;

    // Calls the setters of every value with an empty text (PXR500C keeps AS).
    void ClearAll();
    // Copies the text of every editor field into its value, verbatim (no
    // comma rule). Without a binding there is nothing to read and the values
    // stay as they are.
    void ReadFromEditor();

protected:
    ParameterSet(DeviceType model, FieldBinding* binding);
    ~ParameterSet() = default;
    ParameterSet(const ParameterSet&) = delete;
    ParameterSet& operator=(const ParameterSet&) = delete;

    // Sets the factory values in the model line's defaults order; `is502`
    // adds the PXR502 values after the PXR501 ones where they differ.
    void applyDefaults(bool is502);

private:
    // Position of the code's first value in m_values, or npos.
    std::size_t slotOf(const std::string& code, std::size_t index) const;
    // fromSetter: comma rule and write-through; otherwise verbatim (ReadFromEditor).
    void store(std::size_t slot, const std::string& text, bool fromSetter);

    DeviceType m_model;
    const std::vector<ParameterDef>* m_table;
    FieldBinding* m_binding;
    std::vector<std::string> m_values;         // all values in storage order
    std::vector<const ValueDef*> m_defs;       // per slot
    std::vector<std::size_t> m_firstSlot;      // per table row
};

// The named accessors of the codes every model line has: averaging, trigger
// delay, scale factor and auto start.
class CommonParameterSet : public ParameterSet {
public:
    const std::string& GetSA() const { return value("SA"); }
    void SetSA(const std::string& v) { setValue("SA", 0, v); }
    const std::string& GetTD(std::size_t i) const { return value("TD", i); } // 0 delay, 1 level (2 mode on PXR501/502)
    void SetTD(std::size_t i, const std::string& v) { setValue("TD", i, v); }
    const std::string& GetSF() const { return value("SF"); }
    void SetSF(const std::string& v) { setValue("SF", 0, v); }
    const std::string& GetAS() const { return value("AS"); }
    void SetAS(const std::string& v) { setValue("AS", 0, v); }

protected:
    using ParameterSet::ParameterSet;
};

// PXR7X and PXR500C: the analog output's range and the alarm output.
class AnalogAlarmParameterSet : public CommonParameterSet {
public:
    const std::string& GetRB() const { return value("RB"); }
    void SetRB(const std::string& v) { setValue("RB", 0, v); }
    const std::string& GetRE() const { return value("RE"); }
    void SetRE(const std::string& v) { setValue("RE", 0, v); }
    const std::string& GetAC() const { return value("AC"); }
    void SetAC(const std::string& v) { setValue("AC", 0, v); }
    const std::string& GetAH() const { return value("AH"); }
    void SetAH(const std::string& v) { setValue("AH", 0, v); }

    // Factory values (Set Standard).
    void SetDefaults() { applyDefaults(false); }

protected:
    using CommonParameterSet::CommonParameterSet;
};

} // namespace pxr
