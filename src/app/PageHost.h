#pragma once
// What the feature pages need of the main controller, in the narrow
// interfaces each page declares for itself: the main window makes one and
// hands it to its pages, so that no page knows the window or the controller.

#include <string>

#include "dialogs/DirectorySetup.h"
#include "measurement/MeasurementUi.h"
#include "parameters/ParameterCommands.h"
#include "terminal/TerminalPage.h"

namespace pxr {

class MainController;
class TMainForm;

class PageHost : public TerminalPage::Host, public ParameterCommands::Host, public MeasurementUi::Host {
public:
    PageHost(MainController& ctl, TMainForm& window) : m_ctl(ctl), m_window(window) {}
    // The directory setup whose folders the file dialogs open in, once the
    // window's dialogs exist.
    void setDirectorySetup(const DirectorySetup* setup) { m_directories = setup; }

    // ---- TerminalPage::Host ----
    bool countTerminalChars(const std::string& chars) override;
    std::string lineCountText() const override;
    const FieldBinding* parameterEditor() override;

    // ---- ParameterCommands::Host ----
    DeviceType deviceType() const override;
    void showPassingStatus(const std::string& text) override;
    std::string parameterFolder() const override;
    std::string documentsFolder() const override;

    // ---- MeasurementUi::Host ----
    Measurement* measurement() override;
    SignalLevel* signalLevel() override;
    void resetLineCount() override;
    std::string logFolder() const override;
    GraphicSettings startupGraphic() const override;
    void storeGraphic(const GraphicSettings& settings) override;
    void showStartStopLog(bool checked, const std::string& caption) override;
    void setZoomActionsEnabled(bool enabled) override;

private:
    MainController& m_ctl;
    TMainForm& m_window;
    const DirectorySetup* m_directories = nullptr;
};

} // namespace pxr
