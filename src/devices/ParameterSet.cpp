#include "devices/ParameterSet.h"

#include "devices/FieldBinding.h"
#include "base/TextUtils.h"

namespace pxr {

namespace {

const std::string kEmpty;
constexpr std::size_t kNoSlot = static_cast<std::size_t>(-1);

} // namespace

ParameterSet::ParameterSet(DeviceType model, FieldBinding* binding)
    : m_model(model), m_table(&parameterTable(model)), m_binding(binding)
{
    for (const ParameterDef& def : *m_table) {
        m_firstSlot.push_back(m_defs.size());
        for (const ValueDef& v : def.values)
            m_defs.push_back(&v);
    }
    m_values.resize(m_defs.size());
}

std::size_t ParameterSet::slotOf(const std::string& code, std::size_t index) const
{
    for (std::size_t row = 0; row < m_table->size(); ++row) {
        const ParameterDef& def = (*m_table)[row];
        if (def.code == code)
            return index < def.values.size() ? m_firstSlot[row] + index : kNoSlot;
    }
    return kNoSlot;
}

void ParameterSet::store(std::size_t slot, const std::string& text, bool fromSetter)
{
    m_values[slot] = fromSetter ? ReplaceText(text, ",", ".") : text;
    if (fromSetter && m_binding)
        m_binding->setFieldText(m_defs[slot]->control, m_values[slot]);
}

bool ParameterSet::hasCode(const std::string& code) const
{
    return slotOf(code, 0) != kNoSlot;
}

std::size_t ParameterSet::valueCount(const std::string& code) const
{
    for (const ParameterDef& def : *m_table)
        if (def.code == code)
            return def.values.size();
    return 0;
}

const std::string& ParameterSet::value(const std::string& code, std::size_t index) const
{
    std::size_t slot = slotOf(code, index);
    return slot == kNoSlot ? kEmpty : m_values[slot];
}

void ParameterSet::setValue(const std::string& code, std::size_t index, const std::string& text)
{
    // Out-of-range indices and unknown codes are dropped rather than trusted:
    // a stray index must not write past the code's values.
    std::size_t slot = slotOf(code, index);
    if (slot != kNoSlot)
        store(slot, text, true);
}

std::string ParameterSet::joinedValue(const std::string& code) const
{
    std::size_t first = slotOf(code, 0);
    if (first == kNoSlot)
        return std::string();
    std::size_t count = valueCount(code);
    std::vector<std::string> values(m_values.begin() + first, m_values.begin() + first + count);
    return joinParameterValues(values);
}

void ParameterSet::setJoinedValue(const std::string& code, const std::string& text)
{
    std::size_t count = valueCount(code);
    std::vector<std::string> values = splitParameterValues(text, count);
    for (std::size_t i = 0; i < count; ++i)
        setValue(code, i, values[i]);
}

std::vector<std::pair<std::string, std::string>> ParameterSet::joinedValues() const
{
    std::vector<std::pair<std::string, std::string>> result;
    for (const ParameterDef& def : *m_table)
        result.emplace_back(def.code, joinedValue(def.code));
    return result;
}

void ParameterSet::ClearAll()
{
    for (std::size_t slot = 0; slot < m_values.size(); ++slot)
        if (!m_defs[slot]->keptByClearAll)
            store(slot, std::string(), true);
}

void ParameterSet::ReadFromEditor()
{
    if (!m_binding)
        return;
    // Verbatim: the comma is replaced only when the value goes to the meter.
    for (std::size_t slot = 0; slot < m_values.size(); ++slot)
        store(slot, m_binding->fieldText(m_defs[slot]->control), false);
}

void ParameterSet::applyDefaults(bool is502)
{
    for (const std::string& code : defaultsOrder(m_model)) {
        const std::size_t first = slotOf(code, 0);
        const std::size_t count = valueCount(code);
        for (std::size_t i = 0; i < count; ++i) {
            const ValueDef& def = *m_defs[first + i];
            // A PXR502 preset first sets the PXR501 value and then overrides it.
            store(first + i, def.factory, true);
            if (is502 && !def.factory502.empty())
                store(first + i, def.factory502, true);
        }
    }
}

} // namespace pxr
