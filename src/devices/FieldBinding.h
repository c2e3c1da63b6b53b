#pragma once
// The parameter editor seen from the core: one text field per editor control
// (`cb_sa`, `cb_td_1`, `cb_se_2_2` ...). The parameter sets write every value
// into its field as soon as it is set and read all fields back in
// ReadFromEditor; the parameter file and the clipboard exchange use the same
// fields directly. The Qt build implements it over the editor's combo boxes.

#include <map>
#include <string>

namespace pxr {

class FieldBinding {
public:
    virtual ~FieldBinding() = default;
    // Current text of the control; empty for a control the editor does not have.
    virtual std::string fieldText(const std::string& control) const = 0;
    // Replaces the control's text.
    virtual void setFieldText(const std::string& control, const std::string& text) = 0;
};

// Fields kept in memory, for tests and tools without a GUI (the emulator,
// command-line tools). A control that was never written reads as empty.
class MapFieldBinding : public FieldBinding {
public:
    std::string fieldText(const std::string& control) const override;
    void setFieldText(const std::string& control, const std::string& text) override;

    // True once the control has been written (even with an empty text).
    bool contains(const std::string& control) const;
    const std::map<std::string, std::string>& fields() const { return m_fields; }
    void clear() { m_fields.clear(); }

private:
    std::map<std::string, std::string> m_fields;
};

} // namespace pxr
