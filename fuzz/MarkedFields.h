#pragma once
// The editor's fields of a model line, each holding a marker text before a
// load, so that afterwards the fields the load left alone can be counted.

#include <cstddef>
#include <string>

#include "devices/FieldBinding.h"
#include "devices/ParameterTable.h"

namespace pxr::fuzz {

struct MarkedFields {
    MarkedFields(DeviceType model, const std::string& marker) : model(model), marker(marker)
    {
        for (const ParameterDef& def : parameterTable(model))
            for (const ValueDef& v : def.values)
                fields.setFieldText(v.control, marker);
    }
    // Fields that still hold the marker.
    size_t untouched() const
    {
        size_t n = 0;
        for (const ParameterDef& def : parameterTable(model))
            for (const ValueDef& v : def.values)
                n += fields.fieldText(v.control) == marker;
        return n;
    }
    size_t total() const
    {
        size_t n = 0;
        for (const ParameterDef& def : parameterTable(model))
            n += def.values.size();
        return n;
    }

    DeviceType model;
    std::string marker;
    MapFieldBinding fields;
};

} // namespace pxr::fuzz
