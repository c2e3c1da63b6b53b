#include "base/UiHooks.h"

namespace pxr {

void NullUiHooks::setStatusText(int panel, const std::string& text)
{
    if (panel >= 0 && panel < 3)
        m_panels[panel] = text;
}

std::string NullUiHooks::statusText(int panel) const
{
    return panel >= 0 && panel < 3 ? m_panels[panel] : std::string();
}

} // namespace pxr
