#pragma once
// A window that records what the core shows on it: the status panels (and
// every text of panel 2 in order), the busy cursor's depth, focus moves to
// the terminal, error boxes and questions (answered with answerYes).
// RecordingUi stands in for the window of an operation; FakeView builds the
// main window's recorder on the same base.

#include <algorithm>
#include <string>
#include <vector>

#include "base/UiHooks.h"

namespace pxr::test {

template <class Base>
class RecordingHooks : public Base {
public:
    void setStatusText(int panel, const std::string& text) override
    {
        if (panel < 0 || panel > 2)
            return;
        panels[panel] = text;
        if (panel == 2)
            panel2Log.push_back(text);
    }
    std::string statusText(int panel) const override { return panel >= 0 && panel <= 2 ? panels[panel] : ""; }
    void setBusyCursor(bool on) override
    {
        busy += on ? 1 : -1;
        maxBusy = std::max(maxBusy, busy);
        ++busyCalls;
    }
    void focusTerminalIfShown() override { ++focusCalls; }
    void showError(const std::string& text) override { errors.push_back(text); }
    bool askYesNo(const std::string& question) override
    {
        questions.push_back(question);
        return answerYes;
    }

    std::string panels[3];
    std::vector<std::string> panel2Log;
    int busy = 0;      // on minus off: 0 when every on was matched
    int maxBusy = 0;   // the deepest nesting
    int busyCalls = 0; // ons and offs
    int focusCalls = 0;
    std::vector<std::string> errors;
    std::vector<std::string> questions;
    bool answerYes = false;
};

using RecordingUi = RecordingHooks<UiHooks>;

} // namespace pxr::test
