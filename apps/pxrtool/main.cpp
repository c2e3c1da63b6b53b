// PXRTool: the program entry. The main window comes first, then each of the
// program's dialogs once; the main window runs the interface setup when it
// is first shown.

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <string>
#include <vector>

#include "DemoMeter.h"
#include "app/CommandLine.h"
#include "app/MainForm.h"
#include "base/Version.h"
#include "app/QtSettingsBackend.h"

using namespace pxr;

namespace {

constexpr int kExitNoDisplay = 1;

std::vector<std::string> argumentsOf(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return args;
}

// While the toolkit looks for a display, its messages are held back: without
// one it ends the process with a warning about plugins and advice to
// reinstall; the user gets one line of ours instead.
std::vector<std::pair<QtMsgType, QString>> g_heldMessages;
QtMessageHandler g_toolkitHandler = nullptr;

void holdStartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", noDisplayText(qEnvironmentVariable("DISPLAY").toStdString()).c_str());
        std::fflush(stderr);
        std::_Exit(kExitNoDisplay);
    }
    (void)context;
    g_heldMessages.emplace_back(type, text);
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

    if (displayMissing(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"))) {
        std::fprintf(stderr, "%s\n", noDisplayText(std::string()).c_str());
        return kExitNoDisplay;
    }
    g_toolkitHandler = qInstallMessageHandler(holdStartupMessage);
    QApplication app(argc, argv);
    qInstallMessageHandler(g_toolkitHandler);
    for (const auto& [type, text] : g_heldMessages)
        qt_message_output(type, QMessageLogContext(), text);
    g_heldMessages.clear();
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

    // A demo or a port for one run reads the user's settings, never writes them.
    RunSettings settings(keepsUserSettings(cl));
    TMainForm form(settings.backend(), args);
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
