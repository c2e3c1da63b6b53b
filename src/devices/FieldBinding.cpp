#include "devices/FieldBinding.h"

namespace pxr {

std::string MapFieldBinding::fieldText(const std::string& control) const
{
    auto it = m_fields.find(control);
    return it == m_fields.end() ? std::string() : it->second;
}

void MapFieldBinding::setFieldText(const std::string& control, const std::string& text)
{
    m_fields[control] = text;
}

bool MapFieldBinding::contains(const std::string& control) const
{
    return m_fields.count(control) != 0;
}

} // namespace pxr
