#pragma once
// The diagram setup's eight values, as the "Graphic" group of the settings
// stores them.

#include <cstdint>

namespace pxr {

struct GraphicSettings {
    double minimum = 0.0;
    double maximum = 40.0;
    bool autoScale = false;
    bool pointer = false;
    bool stair = false;
    bool allowZoom = false;
    bool allowPan = false;
    int32_t number = 250;  // limited to 10..1000 by the diagram setup, not here

    bool operator==(const GraphicSettings& o) const
    {
        return minimum == o.minimum && maximum == o.maximum && autoScale == o.autoScale
            && pointer == o.pointer && stair == o.stair && allowZoom == o.allowZoom
            && allowPan == o.allowPan && number == o.number;
    }
};

} // namespace pxr
