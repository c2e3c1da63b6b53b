#pragma once
// The two folders the file dialogs start in: the parameter folder (parameter
// files) and the log folder (online log files, saved log windows). The
// directory setup dialog edits the texts of its two folder fields; only OK
// makes them the folders in force and stores them (group `Directory`).
// Cancelling leaves the fields as the user left them, so the next showing
// displays the cancelled choice while the old folders stay in force.

#include <string>

#include "dialogs/DirectorySettings.h"

namespace pxr {

// Where the two folders are kept (the settings store's "Directory" group).
class DirectoryStore {
public:
    virtual ~DirectoryStore() = default;
    // Each folder on its own: a missing or unreadable value gives
    // `documentsFolder`. Never throws.
    virtual DirectorySettings readDirectories(const std::string& documentsFolder) const = 0;
    // Throws SettingsError when the store cannot be written.
    virtual void writeDirectories(const DirectorySettings& directories) = 0;
};

class DirectorySetup {
public:
    DirectorySetup(DirectoryStore& store, std::string documentsFolder);

    // Reads both folders, each on its own: a missing or unreadable value
    // gives the documents folder and leaves the other folder as stored (an
    // unreadable value has already been reported at start).
    void FormCreate();

    const std::string& parameterFolder() const { return m_parameter; }
    const std::string& logFolder() const { return m_log; }
    // A new folder also shows in its field; the same folder changes nothing.
    void setParameterFolder(const std::string& folder);
    void setLogFolder(const std::string& folder);

    // The folder fields (`DirectoryEdit1`, `DirectoryEdit2`).
    std::string DirectoryEdit1;
    std::string DirectoryEdit2;

    // OK: the fields become the folders and are stored. The folders change
    // even when the store cannot be written; the SettingsError then goes to
    // the caller.
    void BitBtn_okClick();

private:
    DirectoryStore& m_store;
    std::string m_documents;
    std::string m_parameter;
    std::string m_log;
};

enum class DialogFolder { Parameter, Log };

// The folder a file dialog of that kind opens in: the folder in force in the
// directory setup, which is not always the one stored (a store that could
// not be written, a run that does not store); the documents folder while
// there is no directory setup yet, or where it holds no folder.
std::string dialogFolder(const DirectorySetup* setup, DialogFolder which, const std::string& documentsFolder);

} // namespace pxr
