#pragma once
// The parameter editor's fields for the tests of loads and saves: every
// control of a model line, a binding with given texts, one where every field
// holds "old" (so that an untouched field shows), and one with the factory
// values.

#include <map>
#include <string>
#include <vector>

#include "devices/FieldBinding.h"
#include "devices/ParameterTable.h"

namespace pxr::test {

using Fields = std::map<std::string, std::string>;

inline std::vector<std::string> controlsOf(DeviceType model)
{
    std::vector<std::string> controls;
    for (const ParameterDef& def : parameterTable(model))
        for (const ValueDef& v : def.values)
            controls.push_back(v.control);
    return controls;
}

inline MapFieldBinding bindingWith(const Fields& fields)
{
    MapFieldBinding binding;
    for (const auto& [control, text] : fields)
        binding.setFieldText(control, text);
    return binding;
}

inline MapFieldBinding prefilled(DeviceType model)
{
    MapFieldBinding binding;
    for (const std::string& control : controlsOf(model))
        binding.setFieldText(control, "old");
    return binding;
}

inline MapFieldBinding factoryBinding(DeviceType model, bool is502)
{
    MapFieldBinding binding;
    for (const auto& [code, value] : factoryParameterValues(model, is502))
        setEditorJoinedText(binding, *findParameter(model, code), value);
    return binding;
}

} // namespace pxr::test
