#include "parameters/ParameterCommands.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

#include <exception>

#include "base/ActionBinding.h"
#include "dialogs/FileChoice.h"
#include "parameters/ParameterClipboard.h"
#include "parameters/ParameterEditorPanel.h"
#include "parameters/ParameterFile.h"

namespace pxr {

namespace {

// The core takes paths and gives messages in UTF-8 on every platform (on
// Windows QFile::encodeName and the local 8-bit text are the ANSI code page).
std::string pathBytes(const QString& path) { return path.toStdString(); }

// Also the characters of a file or the clipboard that a message names.
QString messageText(const std::string& text) { return QString::fromStdString(text); }

} // namespace

QStringList ParameterCommands::nameFilters(const char* filter)
{
    const QStringList parts = QString::fromLatin1(filter).split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString caption = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // On this system a file needs no dot in its name to be a file.
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        const int open = caption.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && caption.endsWith(QLatin1Char(')')))
            caption.truncate(open);
        out << caption + QLatin1Char('(') + patterns + QLatin1Char(')');
    }
    return out;
}

ParameterCommands::ParameterCommands(Host& host, const EditorButtons& buttons, QPrinter& printer, QWidget* window)
    : QObject(window), m_host(host), m_printer(printer), m_window(window)
{
    setObjectName(QStringLiteral("ParameterCommands"));
    for (DeviceType line = 0; line < kModelLines; ++line)
        m_pages[line] = buildPage(line, buttons);
}

// Made without a parent: the window places it.
QWidget* ParameterCommands::buildPage(DeviceType line, const EditorButtons& buttons)
{
    static const char* const kScrollBoxNames[kModelLines] = {"ScrollBox_4X", "ScrollBox_300C",
                                                                 "ScrollBox_301"};
    const QString suffix = ParameterEditorPanel::nameSuffix(line);
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tab_") + QString::fromLatin1(kModelLineNames[line]));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(page);
    scroll->setObjectName(QString::fromLatin1(kScrollBoxNames[line]));
    scroll->setWidgetResizable(true);
    scroll->setWidget(new QWidget(scroll)); // the fields follow in start()
    layout->addWidget(scroll, 1);
    m_scrollBoxes[line] = scroll;
    auto* row = new QHBoxLayout;
    const std::pair<const char*, QAction*> kButtons[] = {{"Get", buttons.get}, {"Set", buttons.set}};
    for (const auto& [caption, action] : kButtons) {
        auto* b = new QPushButton(QString::fromLatin1(caption), page);
        b->setObjectName(QStringLiteral("btn_") + QString::fromLatin1(caption) + suffix);
        QFont bold = b->font();
        bold.setBold(true);
        b->setFont(bold);
        if (action)
            bindButton(b, action);
        row->addWidget(b);
    }
    layout->addLayout(row);
    return page;
}

QWidget* ParameterCommands::page(DeviceType line) const
{
    return line < kModelLines ? m_pages[line] : nullptr;
}

void ParameterCommands::start()
{
    if (m_panel)
        return;
    m_panel = new ParameterEditorPanel(m_scrollBoxes, this);
    m_panel->OnRefused = [this](const std::string& text) { showStatus(text); };
}

void ParameterCommands::setEditorLocked(bool locked)
{
    if (m_panel)
        m_panel->setLocked(locked);
}

ActionHandlers ParameterCommands::handlers()
{
    const std::pair<const char*, void (ParameterCommands::*)()> commands[] = {
        {"acOpen", &ParameterCommands::acOpenExecute},
        {"acSave", &ParameterCommands::acSaveExecute},
        {"acPrint", &ParameterCommands::acPrintExecute},
        {"acViewFile", &ParameterCommands::acViewFileExecute},
        {"acExport", &ParameterCommands::acExportExecute},
        {"acImport", &ParameterCommands::acImportExecute},
    };
    ActionHandlers out;
    for (const auto& [action, run] : commands)
        out.push_back({action, [this, run = run] { (this->*run)(); }});
    return out;
}

QFileDialog* ParameterCommands::makeDialog(const char* name, QFileDialog::AcceptMode mode, const char* filter)
{
    auto* d = new QFileDialog(m_window);
    d->setObjectName(QString::fromLatin1(name));
    d->setAcceptMode(mode);
    // Also for opening, a name of a file that does not exist is accepted;
    // opening it says so.
    d->setFileMode(QFileDialog::AnyFile);
    d->setNameFilters(nameFilters(filter));
    d->setDefaultSuffix(QString::fromLatin1(kParameterFileExtension));
    d->setDirectory(QString::fromStdString(m_host.documentsFolder()));
    return d;
}

QFileDialog* ParameterCommands::OpenDialog()
{
    if (!m_openDialog)
        m_openDialog = makeDialog("OpenDialog", QFileDialog::AcceptOpen, kParameterOpenFilter);
    return m_openDialog;
}

QFileDialog* ParameterCommands::SaveDialog()
{
    if (!m_saveDialog)
        m_saveDialog = makeDialog("SaveDialog", QFileDialog::AcceptSave, kParameterSaveFilter);
    return m_saveDialog;
}

// The controller, which holds the handlers and the binding, is gone by the
// time the window's children are deleted.
ParameterCommands::~ParameterCommands() = default;

QString ParameterCommands::choose(QFileDialog* dialog)
{
    return chosenFile(*dialog);
}

void ParameterCommands::showStatus(const std::string& text)
{
    m_host.showPassingStatus(text);
}

void ParameterCommands::showProblem(const QString& text)
{
    QMessageBox::warning(m_window, QStringLiteral("PXRTool"), text);
}

QString ParameterCommands::chooseInParameterFolder(QFileDialog* dialog)
{
    dialog->setDirectory(QString::fromStdString(m_host.parameterFolder()));
    return choose(dialog);
}

void ParameterCommands::report(bool ok, const std::string& status, const std::string& error, bool critical)
{
    if (ok)
        showStatus(status);
    else if (critical)
        QMessageBox::critical(m_window, QStringLiteral("PXRTool"), messageText(error));
    else
        showProblem(messageText(error));
}

void ParameterCommands::acOpenExecute()
{
    const QString path = chooseInParameterFolder(OpenDialog());
    if (path.isEmpty())
        return;
    // A file that cannot be a parameter file leaves the editor as it is.
    const FileResult r = openParameterFile(pathBytes(path), m_host.deviceType(), *m_panel);
    report(r.ok, r.status, r.error);
}

void ParameterCommands::acSaveExecute()
{
    const QString path = chooseInParameterFolder(SaveDialog());
    if (path.isEmpty())
        return;
    const FileResult r = saveParameterFile(pathBytes(path), m_host.deviceType(), *m_panel);
    report(r.ok, r.status, r.error, true);
}

void ParameterCommands::printFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showProblem(QStringLiteral("Cannot print \"%1\": %2.").arg(path, file.errorString()));
        return;
    }
    // Parameter and log files are short text; one byte is one character.
    const QByteArray bytes = file.read(static_cast<qint64>(kParameterTextLimit) * 4);
    QPrinter& printer = m_printer;
    // Without a printer the toolkit falls back to a PDF without a file name
    // and prints into nowhere, saying so only on stderr.
    const bool usable = printer.outputFormat() == QPrinter::PdfFormat ? !printer.outputFileName().isEmpty()
                                                                       : printer.isValid();
    if (!usable) {
        showProblem(QStringLiteral("Cannot print \"%1\": no printer is available.").arg(path));
        return;
    }
    QTextDocument document;
    document.setDefaultFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    document.setPlainText(QString::fromLatin1(bytes));
    printer.setDocName(QFileInfo(path).fileName());
    document.print(&printer);
    if (printer.printerState() == QPrinter::Error)
        showProblem(QStringLiteral("Cannot print \"%1\": the printer reported an error.").arg(path));
}

void ParameterCommands::acPrintExecute()
{
    const QString path = choose(OpenDialog());
    if (path.isEmpty())
        return;
    printFile(path);
}

void ParameterCommands::acViewFileExecute()
{
    const QString path = choose(OpenDialog());
    if (path.isEmpty())
        return;
    if (!QFileInfo::exists(path)) {
        showProblem(QStringLiteral("Cannot open \"%1\": the file does not exist.").arg(path));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        showProblem(QStringLiteral("Cannot open \"%1\": no program to show it was found.").arg(path));
}

void ParameterCommands::acExportExecute()
{
    const ClipboardResult r = exportParameterText(m_host.deviceType(), *m_panel);
    if (r.ok)
        QGuiApplication::clipboard()->setText(
            QString::fromLatin1(r.text.data(), static_cast<qsizetype>(r.text.size())));
    report(r.ok, r.status, r.error);
}

void ParameterCommands::acImportExecute()
{
    // As UTF-8: a character outside Latin-1 would turn into "?" on the way
    // and reach the meter as that; this way it is refused and named.
    const QByteArray text = QGuiApplication::clipboard()->text().toUtf8();
    const ClipboardResult r =
        importParameterText(m_host.deviceType(), text.toStdString(), *m_panel);
    report(r.ok, r.status, r.error);
}

} // namespace pxr
