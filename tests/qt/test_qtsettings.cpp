// The settings store over the real QSettings file: where it lands, what a
// later run reads back (every value as text), hand-edited and damaged files.
//
// QSettings fixes its config folder at first use in a process, so
// XDG_CONFIG_HOME is pointed at a temporary folder once, before any test.

#include "app/QtSettingsBackend.h"
#include "app/SettingsStore.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

using namespace pxr;

namespace {

QTemporaryDir* g_configHome = nullptr;

class ConfigHome : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(m_dir->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path()));
        g_configHome = m_dir.get();
    }
    void TearDown() override
    {
        g_configHome = nullptr;
        m_dir.reset();
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

[[maybe_unused]] ::testing::Environment* const g_env =
    ::testing::AddGlobalTestEnvironment(new ConfigHome);

const std::string kDocs = "/home/user/Documents";

class QtSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(g_configHome, nullptr);
        QDir(folder()).removeRecursively();
    }

    void TearDown() override
    {
        // A write that failed stays pending in QSettings' per-process cache
        // and would reach the next test; let it land in an emptied folder.
        QDir(folder()).removeRecursively();
        try {
            QtSettingsBackend pending;
            pending.flush();
        } catch (const SettingsError&) {
        }
        QDir(folder()).removeRecursively();
    }

    static QString folder() { return g_configHome->path() + "/PXRTool"; }
    static QString file() { return folder() + "/PXRTool.conf"; }

    // QSettings keeps parsed files per process and rereads one only when its
    // size or time changed; give every hand-made file a time of its own.
    static void writeRaw(const QByteArray& content)
    {
        static qint64 stamp = 1000000000;
        QDir().mkpath(folder());
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        ASSERT_TRUE(f.setFileTime(QDateTime::fromSecsSinceEpoch(stamp++),
                                  QFileDevice::FileModificationTime));
    }

    static QString readRaw()
    {
        QFile f(file());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll());
    }
};

TEST_F(QtSettings, WritesOneGroupPerSectionIntoTheUserConfigFile)
{
    PortSettings port;
    port.port = "/dev/ttyUSB0";
    port.baudRate = 115200;
    port.parity = "Even";
    GraphicSettings graphic;
    graphic.minimum = -1.5;
    graphic.maximum = 0.1;
    graphic.autoScale = true;
    graphic.number = 500;
    const DirectorySettings dirs{"/srv/pxr/parameter", "/srv/pxr/log ä"};
    {
        QtSettingsBackend backend;
        EXPECT_EQ(backend.fileName(), file());
        EXPECT_EQ(backend.damage(), "");
        SettingsStore store(backend);
        EXPECT_TRUE(store.loadAllWithDefaults(kDocs).ok());
        store.storePortSettings(port);
        store.writeDeviceType(2);
        store.writeGraphic(graphic);
        store.writeDirectories(dirs);
    }

    // What the next run of the program finds: plain texts in four groups.
    const QString raw = readRaw();
    for (const char* line : {"[Device]", "Type=2", "[ComPort]", "Port=/dev/ttyUSB0",
                             "BaudRate=115200", "Parity=Even", "StopBits=1", "DataBits=8",
                             "FlowControl=None", "[Graphic]", "Minimum=-1.5", "Maximum=0.1",
                             "AutoScale=1", "Pointer=0", "Number=500", "[Directory]",
                             "Parameter=/srv/pxr/parameter"})
        EXPECT_TRUE(raw.contains(QString::fromLatin1(line) + "\n")) << line << " in\n"
                                                                    << raw.toStdString();

    QtSettingsBackend fresh;
    const StartupSettings s = SettingsStore(fresh).loadAllWithDefaults(kDocs);
    EXPECT_TRUE(s.ok()) << s.message();
    EXPECT_EQ(s.deviceType, 2);
    EXPECT_EQ(s.port, port);
    EXPECT_EQ(s.graphic, graphic);
    EXPECT_EQ(s.directories.parameter, dirs.parameter);
    EXPECT_EQ(s.directories.logFile, dirs.logFile);
}

TEST_F(QtSettings, HandEditedTextsFollowTheStoreRules)
{
    writeRaw("[Device]\nType=2\n"
             "[ComPort]\nPort=COM3\nBaudRate=115201\nParity=even\nStopBits=1.5\n"
             "DataBits=7\nFlowControl=HARDWARE\n"
             "[Graphic]\nMinimum=-2.5\nMaximum=abc\nAutoScale=5\nPointer=0\nStair=yes\n"
             "Number=500\n"
             "[Directory]\nParameter=/srv/params\n");
    QtSettingsBackend backend;
    EXPECT_EQ(backend.damage(), "");
    SettingsStore store(backend);
    const StartupSettings s = store.loadAllWithDefaults(kDocs);

    EXPECT_EQ(s.deviceType, 2);
    EXPECT_EQ(s.port.port, "COM3");
    EXPECT_EQ(s.port.baudRate, 9600u);
    EXPECT_EQ(s.port.parity, "Even");
    EXPECT_EQ(s.port.stopBits, "1.5");
    EXPECT_EQ(s.port.dataBits, 7);
    EXPECT_EQ(s.port.flowControl, "Hardware");
    EXPECT_EQ(s.graphic.minimum, -2.5);
    EXPECT_EQ(s.graphic.maximum, 40.0);  // not a number: default, and said so
    EXPECT_TRUE(s.graphic.autoScale);
    EXPECT_FALSE(s.graphic.pointer);
    EXPECT_FALSE(s.graphic.stair);
    EXPECT_EQ(s.graphic.number, 500);
    EXPECT_EQ(s.directories.parameter, "/srv/params");
    EXPECT_EQ(s.directories.logFile, kDocs);
    ASSERT_EQ(s.problems.size(), 1u) << s.message();
    EXPECT_NE(s.message().find("Ungültiger Datentyp für 'Maximum'"), std::string::npos);

    // Type was text and stays text; in an INI file that is all there is.
    store.writeDeviceType(1);
    EXPECT_TRUE(readRaw().contains("Type=1\n"));
    EXPECT_EQ(store.readDeviceType(), 1);
}

TEST_F(QtSettings, ACommaInAHandEditedValueComesBackAsWritten)
{
    // Unquoted, QSettings reads such a value as a list and drops the blanks
    // around the comma; the program must get the text as it stands.
    writeRaw("[ComPort]\nPort=/dev/a,b\n"
             "[Directory]\nParameter=/srv/a, b\nLogFile = /srv/x ,y\n");
    {
        QtSettingsBackend backend;
        const StartupSettings s = SettingsStore(backend).loadAllWithDefaults(kDocs);
        EXPECT_TRUE(s.ok()) << s.message();
        EXPECT_EQ(s.port.port, "/dev/a,b");
        EXPECT_EQ(s.directories.parameter, "/srv/a, b");
        EXPECT_EQ(s.directories.logFile, "/srv/x ,y");

        // Stored again (OK in the dialogs), the texts survive the next start.
        SettingsStore store(backend);
        store.storePortSettings(s.port);
        store.writeDirectories(s.directories);
    }
    QtSettingsBackend again;
    const StartupSettings s = SettingsStore(again).loadAllWithDefaults(kDocs);
    EXPECT_EQ(s.port.port, "/dev/a,b");
    EXPECT_EQ(s.directories.parameter, "/srv/a, b");
    EXPECT_EQ(s.directories.logFile, "/srv/x ,y");
}

TEST_F(QtSettings, GarbageFileIsReportedOnceAndTheProgramStillStarts)
{
    QByteArray garbage;
    for (int round = 0; round < 4; ++round)
        for (int b = 0; b < 256; ++b)
            garbage.append(char(b));
    writeRaw(garbage);

    {
        QtSettingsBackend backend;
        EXPECT_NE(backend.damage().find("damaged"), std::string::npos) << backend.damage();
        EXPECT_NE(backend.damage().find(file().toStdString()), std::string::npos);
        SettingsStore store(backend);
        const StartupSettings s = store.loadAllWithDefaults(kDocs);
        EXPECT_EQ(s.deviceType, 0);
        EXPECT_EQ(s.port.baudRate, 9600u);
        EXPECT_EQ(s.graphic.maximum, 40.0);
        EXPECT_EQ(s.directories.parameter, kDocs);
        EXPECT_FALSE(s.ok());
        EXPECT_NE(s.message().find("damaged"), std::string::npos);

        // Confirming a dialog repairs the values it writes.
        PortSettings port;
        port.port = "COM7";
        EXPECT_NO_THROW(store.storePortSettings(port));
        EXPECT_NO_THROW(store.writeDeviceType(1));
    }
    QtSettingsBackend again;
    SettingsStore store(again);
    EXPECT_EQ(store.loadPortSettings().port, "COM7");
    EXPECT_EQ(store.readDeviceType(), 1);
}

TEST_F(QtSettings, UnwritableFileIsFailedToStoreSettings)
{
    // A folder where the file belongs cannot be written even by root.
    ASSERT_TRUE(QDir().mkpath(file()));
    QtSettingsBackend backend;
    SettingsStore store(backend);
    EXPECT_TRUE(store.loadAllWithDefaults(kDocs).graphic == GraphicSettings{});
    try {
        store.storePortSettings(PortSettings{});
        ADD_FAILURE() << "no error";
    } catch (const SettingsError& e) {
        EXPECT_STREQ(e.what(), "Failed to store settings");
        EXPECT_NE(e.cause().find("cannot be written"), std::string::npos) << e.cause();
    }
    EXPECT_THROW(store.writeDeviceType(1), SettingsError);
}

} // namespace
