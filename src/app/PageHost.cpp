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

DeviceType PageHost::deviceType() const { return m_ctl.deviceType(); }

void PageHost::showPassingStatus(const std::string& text) { m_ctl.showPassingStatus(text); }

std::string PageHost::parameterFolder() const { return dialogFolder(m_directories, DialogFolder::Parameter, documentsFolder()); }

std::string PageHost::documentsFolder() const { return m_ctl.DocumentsFolder; }

} // namespace pxr
