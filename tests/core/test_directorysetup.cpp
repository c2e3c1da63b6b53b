#include <gtest/gtest.h>

#include <string>

#include "app/KeyValueBackend.h"
#include "app/SettingsStore.h"
#include "dialogs/DirectorySetup.h"

using namespace pxr;

namespace {

const std::string kDocs = "/home/u/Documents";

struct Dirs : ::testing::Test {
    MemoryKeyValueBackend backend{true};
    SettingsStore store{backend};
};

} // namespace

TEST_F(Dirs, FirstStartGivesTheDocumentsFolderForBoth)
{
    DirectorySetup d(store, kDocs);
    d.FormCreate();
    EXPECT_EQ(d.parameterFolder(), kDocs);
    EXPECT_EQ(d.logFolder(), kDocs);
    EXPECT_EQ(d.DirectoryEdit1, kDocs);
    EXPECT_EQ(d.DirectoryEdit2, kDocs);
}

TEST_F(Dirs, OkStoresBothAndTheNextStartReadsThem)
{
    DirectorySetup d(store, kDocs);
    d.FormCreate();
    d.DirectoryEdit1 = "/data/p";
    d.BitBtn_okClick();
    EXPECT_EQ(d.parameterFolder(), "/data/p");
    EXPECT_EQ(d.logFolder(), kDocs);

    DirectorySetup next(store, "/elsewhere");
    next.FormCreate();
    EXPECT_EQ(next.parameterFolder(), "/data/p");
    EXPECT_EQ(next.logFolder(), kDocs) << "the log folder was stored as it was shown";
}

TEST_F(Dirs, FieldsWithoutOkChangeNothing)
{
    DirectorySetup d(store, kDocs);
    d.FormCreate();
    d.DirectoryEdit2 = "/data/l";
    EXPECT_EQ(d.logFolder(), kDocs);
    EXPECT_EQ(store.readDirectories("none").logFile, "none") << "nothing stored before OK";
}

TEST_F(Dirs, SettingAFolderShowsItInItsField)
{
    DirectorySetup d(store, kDocs);
    d.FormCreate();
    d.DirectoryEdit1 = "/typed/not/confirmed";
    d.setParameterFolder(kDocs); // the same folder: the field keeps its text
    EXPECT_EQ(d.DirectoryEdit1, "/typed/not/confirmed");
    d.setParameterFolder("/new");
    EXPECT_EQ(d.DirectoryEdit1, "/new");
    d.setLogFolder("/newlog");
    EXPECT_EQ(d.DirectoryEdit2, "/newlog");
    EXPECT_EQ(d.logFolder(), "/newlog");
}

TEST_F(Dirs, UnreadableStoreGivesDefaultsAndFailingWriteStillChangesFolders)
{
    backend.failReadOf(std::string());
    DirectorySetup d(store, kDocs);
    d.FormCreate();
    EXPECT_EQ(d.parameterFolder(), kDocs);
    EXPECT_EQ(d.logFolder(), kDocs);

    backend.failWrites(true);
    d.DirectoryEdit1 = "/p";
    EXPECT_THROW(d.BitBtn_okClick(), SettingsError);
    EXPECT_EQ(d.parameterFolder(), "/p");
}

TEST_F(Dirs, OneUnreadableFolderCostsOnlyItselfAndOkKeepsTheOther)
{
    backend.put("Directory", "Parameter", StoredValue::binary("\x01"));
    backend.put("Directory", "LogFile", StoredValue::text("/srv/logs"));
    DirectorySetup d(store, kDocs);
    d.FormCreate();
    EXPECT_EQ(d.parameterFolder(), kDocs);
    EXPECT_EQ(d.logFolder(), "/srv/logs");
    EXPECT_EQ(d.DirectoryEdit2, "/srv/logs");

    d.BitBtn_okClick();
    EXPECT_EQ(store.readString("Directory", "LogFile", "none"), "/srv/logs");
    EXPECT_EQ(store.readString("Directory", "Parameter", "none"), kDocs);
}

TEST_F(Dirs, FileDialogsOpenInTheFolderInForceOrTheDocumentsFolder)
{
    DirectorySetup d(store, kDocs);
    d.FormCreate();
    struct Row {
        const char* parameter;
        const char* log;
        DialogFolder which;
        std::string expected;
    } rows[] = {
        {"/data/p", "/data/l", DialogFolder::Parameter, "/data/p"},
        {"/data/p", "/data/l", DialogFolder::Log, "/data/l"},
        {"", "/data/l", DialogFolder::Parameter, kDocs},
        {"/data/p", "", DialogFolder::Log, kDocs},
    };
    for (const Row& r : rows) {
        d.setParameterFolder(r.parameter);
        d.setLogFolder(r.log);
        EXPECT_EQ(dialogFolder(&d, r.which, kDocs), r.expected) << r.parameter << " | " << r.log;
    }
    for (DialogFolder which : {DialogFolder::Parameter, DialogFolder::Log})
        EXPECT_EQ(dialogFolder(nullptr, which, kDocs), kDocs) << "before the directory setup exists";
}
