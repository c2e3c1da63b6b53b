#pragma once
// The signal-strength display: switches the meter into a signal-reporting
// output while the user aims the laser, shows each level, and switches the
// meter back (its configured output and auto-start mode) when it closes.

#include <functional>
#include <utility>
#include <string>

#include "devices/ParameterSets.h"
#include "serial/ComTransactions.h"

namespace pxr {

class SignalLevel {
public:
    // The dialog's face: bar range/position and the number label.
    struct View {
        std::function<void(int minimum, int maximum)> setRange;
        std::function<void(int position)> setPosition;
        std::function<void(const std::string& text)> setLabel;
        // Shows the dialog modally; returns when the user closed it.
        std::function<void()> execModal;
    };

    SignalLevel(ComTransactions& tx, TPXR500C& pxr500c, TPXR501& pxr501, View view = {});
    // The dialog provides its face once it exists.
    void setView(View view) { m_view = std::move(view); }

    void acDJExecute();
    void acSdExecute();
    // A second call while one runs (its waits handle user commands too) does nothing.
    void RunSignalDialog(const std::string& format, const std::string& content, int maximum, int minimum,
                         DeviceType model);
    void ShowSignalLevel(int level);
    void FormClose();

    bool Active = false;
    int LastLevel = 0;
    std::string SavedFormat;
    std::string SavedContent;
    DeviceType DialogDeviceType = kPXR7X;

private:
    ComTransactions& m_tx;
    TPXR500C& m_pxr500c;
    TPXR501& m_pxr501;
    View m_view;
    bool m_running = false;
};

} // namespace pxr
