#include "dialogs/DirectorySetup.h"

#include <utility>

namespace pxr {

DirectorySetup::DirectorySetup(DirectoryStore& store, std::string documentsFolder)
    : m_store(store), m_documents(std::move(documentsFolder))
{
}

void DirectorySetup::FormCreate()
{
    const DirectorySettings d = m_store.readDirectories(m_documents);
    m_parameter = DirectoryEdit1 = d.parameter;
    m_log = DirectoryEdit2 = d.logFile;
}

void DirectorySetup::setParameterFolder(const std::string& folder)
{
    if (folder == m_parameter)
        return;
    m_parameter = DirectoryEdit1 = folder;
}

void DirectorySetup::setLogFolder(const std::string& folder)
{
    if (folder == m_log)
        return;
    m_log = DirectoryEdit2 = folder;
}

void DirectorySetup::BitBtn_okClick()
{
    m_parameter = DirectoryEdit1;
    m_log = DirectoryEdit2;
    m_store.writeDirectories({m_parameter, m_log});
}

std::string dialogFolder(const DirectorySetup* setup, DialogFolder which, const std::string& documentsFolder)
{
    if (!setup)
        return documentsFolder;
    const std::string& folder = which == DialogFolder::Parameter ? setup->parameterFolder() : setup->logFolder();
    return folder.empty() ? documentsFolder : folder;
}

} // namespace pxr
