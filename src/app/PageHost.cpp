#include "app/PageHost.h"

#include <QAction>
#include <QPushButton>

#include "base/ActionBinding.h"
#include "app/MainController.h"
#include "app/MainForm.h"

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

Measurement* PageHost::measurement() { return m_ctl.measurement(); }

SignalLevel* PageHost::signalLevel() { return m_ctl.signalLevel(); }

void PageHost::resetLineCount() { m_ctl.LineCount.reset(); }

std::string PageHost::logFolder() const { return dialogFolder(m_directories, DialogFolder::Log, documentsFolder()); }

GraphicSettings PageHost::startupGraphic() const { return m_ctl.startupSettings().graphic; }

void PageHost::storeGraphic(const GraphicSettings& settings) { m_ctl.settings().writeGraphic(settings); }

void PageHost::showStartStopLog(bool checked, const std::string& caption)
{
    QAction* a = m_window.action(QStringLiteral("acStartStopLog"));
    if (!a)
        return;
    const QString text = QString::fromStdString(caption);
    a->setCheckable(true);
    a->setChecked(checked);
    a->setText(text);
    // The button under the log view carries its own caption.
    for (QPushButton* b : m_window.findChildren<QPushButton*>())
        if (b->property(kActionProperty).toString() == QLatin1String("acStartStopLog"))
            b->setText(text);
}

void PageHost::setZoomActionsEnabled(bool enabled)
{
    for (const char* name : {"acZoomIn", "acZoomOut"})
        if (QAction* a = m_window.action(QString::fromLatin1(name)))
            a->setEnabled(enabled);
}

} // namespace pxr
