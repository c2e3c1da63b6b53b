#include "app/PageHost.h"

#include "app/MainController.h"

namespace pxr {

bool PageHost::countTerminalChars(const std::string& chars) { return m_ctl.countTerminalChars(chars); }

std::string PageHost::lineCountText() const { return m_ctl.LineCount.text(); }

const FieldBinding* PageHost::parameterEditor()
{
    const ParameterSet* set = m_ctl.currentParameterSet();
    return set ? set->binding() : nullptr;
}

} // namespace pxr
