#pragma once
// A main window that records what the main controller shows on it, for the
// core tests of the controller: the recording UI plus the window's own calls.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/InterfaceSetup.h"
#include "app/MainView.h"
#include "support/RecordingUi.h"

namespace pxr::test {

class FakeView : public RecordingHooks<MainView> {
public:
    // MainView
    void setTitle(const std::string& t) override
    {
        title = t;
        titles.push_back(t);
    }
    void setActionVisible(const std::string& a, bool v) override
    {
        visible[a] = v;
        ++visibilityCalls;
    }
    void setActionEnabled(const std::string& a, bool e) override { enabled[a] = e; }
    void setActionChecked(const std::string& a, bool c) override { checked[a] = c; }
    void setModelPages(int index) override
    {
        pages = index;
        ++pageCalls;
    }
    void setNotebookTab(int index) override { tab = index; }
    void setOutput2Visible(bool v) override { output2 = v; }
    void setLiveValueRed(bool r) override { red = r; }
    void clearLiveValue() override { ++liveClears; }
    void setTerminalPanelVisible(bool v) override { terminalPanel = v; }
    void setupAnalogMeter(DeviceType line) override { meterSetups.push_back(line); }
    bool execInterfaceSetup(ComSetupModel& model) override
    {
        ++dialogShows;
        shown = model;
        return dialog ? dialog(model) : false;
    }
    void showConversation(const MeterConversation& talk) override
    {
        conversations.push_back({talk.active(), talk.locksEditor(), talk.operation(), talk.progress()});
    }
    void showWarning(const std::string& text) override { warnings.push_back(text); }
    void closeWindow() override { ++closes; }

    bool isVisible(const std::string& a) const
    {
        const auto it = visible.find(a);
        return it == visible.end() || it->second;
    }
    bool isEnabled(const std::string& a) const
    {
        const auto it = enabled.find(a);
        return it == enabled.end() || it->second;
    }

    std::vector<std::string> warnings;
    std::string title;
    std::vector<std::string> titles;
    std::map<std::string, bool> visible, enabled, checked;
    int visibilityCalls = 0;
    int pages = -1;
    int pageCalls = 0;
    int tab = -1;
    bool output2 = false;
    bool red = false;
    int liveClears = 0;
    bool terminalPanel = true;
    std::vector<DeviceType> meterSetups;
    int dialogShows = 0;
    ComSetupModel shown;
    std::function<bool(ComSetupModel&)> dialog; // empty: Cancel
    int closes = 0;
    struct Conversation {
        bool active;
        bool locksEditor;
        std::string operation;
        ConversationProgress progress;
    };
    std::vector<Conversation> conversations; // every change, in order
};

} // namespace pxr::test
