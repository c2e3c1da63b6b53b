// PXRTool: the program entry. The main window comes first, then each of the
// program's dialogs once; the main window runs the interface setup when it
// is first shown.

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <string>
#include <vector>

#include "DemoMeter.h"
#include "app/CommandLine.h"
#include "app/MainForm.h"
#include "app/QtSettingsBackend.h"

using namespace pxr;

namespace {

std::vector<std::string> argumentsOf(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return args;
}

std::vector<std::string> argumentsOf(const QStringList& list)
{
    std::vector<std::string> args;
    for (int i = 1; i < list.size(); ++i)
        args.push_back(list[i].toStdString());
    return args;
}

} // namespace

int main(int argc, char** argv)
{
    // Help, version and wrong options need no display.
    {
        const CommandLine early = parseCommandLine(argumentsOf(argc, argv));
        if (early.help) {
            std::fputs(usageText("pxrtool").c_str(), stdout);
            return 0;
        }
        if (early.version) {
            std::fputs(versionText().c_str(), stdout);
            return 0;
        }
        if (!early.error.empty()) {
            std::fprintf(stderr, "pxrtool: %s\n%s", early.error.c_str(), usageText("pxrtool").c_str());
            return 2;
        }
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("PXRTool"));
    QApplication::setApplicationName(QStringLiteral("PXRTool"));
    QApplication::setApplicationVersion(QStringLiteral(PXR_VERSION));

    // Qt has taken its own options (-platform ...) out of the list by now.
    const std::vector<std::string> args = argumentsOf(QApplication::arguments());
    const CommandLine cl = parseCommandLine(args);

    DemoMeter demo;
    bool demoReady = false;
    if (cl.demo) {
        demoReady = demo.start(QString::fromStdString(cl.demoModel));
        if (!demoReady)
            std::fprintf(stderr, "pxrtool: demo not started: %s\n", demo.error().toLocal8Bit().constData());
    }

    QtSettingsBackend settings;
    TMainForm form(settings, args);
    form.createDialogs();
    if (!cl.port.empty())
        form.controller().usePort(cl.port);
    if (demoReady) {
        form.controller().usePort(demo.link().toStdString());
        if (const auto line = demoModelLine(cl.demoModel))
            form.controller().preselectModelLine(*line);
    }
    if (cl.demo && !demoReady)
        QMessageBox::warning(nullptr, QStringLiteral("PXRTool"),
                             QStringLiteral("The demo meter could not be started:\n") + demo.error());
    form.show();

    const int rc = app.exec();
    demo.stop();
    return rc;
}
