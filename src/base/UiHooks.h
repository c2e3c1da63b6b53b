#pragma once
// What the core's operations need from the window: status panels, the busy
// cursor, focus to the terminal, message boxes. The GUI implements it; core
// tests record the calls.

#include <string>

namespace pxr {

class UiHooks {
public:
    virtual ~UiHooks() = default;
    // Panel 0 port settings, panel 1 line counter, panel 2 status messages.
    virtual void setStatusText(int panel, const std::string& text) = 0;
    virtual std::string statusText(int panel) const = 0;
    // Hourglass on/off; calls nest (a counter), every on is matched by an off.
    virtual void setBusyCursor(bool busy) = 0;
    // If the notebook shows the terminal tab and the terminal panel is visible,
    // the input focus goes to the terminal.
    virtual void focusTerminalIfShown() = 0;
    // An error box with an OK button (the application's standard error box).
    virtual void showError(const std::string& text) = 0;
    // A question with Yes and No; true for Yes. Without a window nobody can
    // answer, which counts as No.
    virtual bool askYesNo(const std::string&) { return false; }
};

// The hourglass for the length of a scope, restored also when a port error
// passes through it.
class BusyCursor {
public:
    explicit BusyCursor(UiHooks& ui) : m_ui(ui) { m_ui.setBusyCursor(true); }
    ~BusyCursor() { m_ui.setBusyCursor(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    UiHooks& m_ui;
};

// Hooks that do nothing: for tools without a window.
class NullUiHooks : public UiHooks {
public:
    void setStatusText(int panel, const std::string& text) override;
    std::string statusText(int panel) const override;
    void setBusyCursor(bool) override {}
    void focusTerminalIfShown() override {}
    void showError(const std::string&) override {}

private:
    std::string m_panels[3];
};

} // namespace pxr
