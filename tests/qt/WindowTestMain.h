#pragma once
// main() of a Qt test over the real window: a QApplication and a config
// folder of its own, so that nothing of the user's own settings is read or
// written.

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#define PXR_WINDOW_TEST_MAIN(TestClass)                                                   \
    int main(int argc, char** argv)                                                       \
    {                                                                                     \
        QTemporaryDir config;                                                             \
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());                          \
        QApplication app(argc, argv);                                                     \
        TestClass tc;                                                                     \
        return QTest::qExec(&tc, argc, argv);                                             \
    }
