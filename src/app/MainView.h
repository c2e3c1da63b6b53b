#pragma once
// What the main controller needs from the main window: the title, the
// actions' state, the page indices, the indicators that depend on the model
// line and the simulation switch, and the modal interface setup. The Qt
// window (TMainForm) implements it; core tests record the calls.

#include <string>

#include "devices/DeviceType.h"
#include "serial/MeterConversation.h"
#include "base/UiHooks.h"

namespace pxr {

class ComSetupModel;

class MainView : public UiHooks {
public:
    virtual void setTitle(const std::string& title) = 0;

    // A hidden action hides, a disabled one disables, all its entries.
    virtual void setActionVisible(const std::string& action, bool visible) = 0;
    virtual void setActionEnabled(const std::string& action, bool enabled) = 0;
    virtual void setActionChecked(const std::string& action, bool checked) = 0;

    // Page index of Notebook_Left, Notebook_Device, Notebook_Terminal and
    // Notebook_Graphic.
    virtual void setModelPages(int index) = 0;
    // Tab of the main notebook: 0 "Device", 1 "Diagram", 2 "Terminal", 3 "Log Window".
    virtual void setNotebookTab(int index) = 0;

    // Label "Output 2" (lb_output2) and lamp LED2.
    virtual void setOutput2Visible(bool visible) = 0;
    // Font colour of the live-value label lb_Input: red in simulation, black otherwise.
    virtual void setLiveValueRed(bool red) = 0;
    virtual void clearLiveValue() = 0;
    virtual void setTerminalPanelVisible(bool visible) = 0;
    // The analog meter's scale for the model line.
    virtual void setupAnalogMeter(DeviceType line) = 0;

    // Shows the interface setup dialog modally on the model; true for OK.
    // The model holds the user's choices afterwards.
    virtual bool execInterfaceSetup(ComSetupModel& model) = 0;

    // The conversation with the meter began, progressed or ended: progress
    // and Cancel in the status bar, the editor read-only while it is locked,
    // the terminal's note that typing is not sent.
    virtual void showConversation(const MeterConversation&) {}

    // A note for the user that does not end a command (e.g. damaged settings).
    virtual void showWarning(const std::string& text) = 0;
    virtual void closeWindow() = 0;
};

} // namespace pxr
