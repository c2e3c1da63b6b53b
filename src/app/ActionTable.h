#pragma once
// The program's commands as data: every action with its category, caption,
// hint, shortcut and initial state, and every place an action appears (the
// menus, the toolbar, the two context menus, the button bars). The window
// builds its actions and entries from these tables only, so that hiding or
// disabling an action hides or disables every entry bound to it.

#include <string>
#include <vector>

#include "devices/DeviceType.h"

namespace pxr {

struct ActionDef {
    const char* name;     // "acGetParameter"
    const char* category; // "Parameter"
    const char* caption;  // menu text, "&" marks the mnemonic
    const char* hint;     // nullptr: the hint is the caption; "": no hint
    const char* shortcut; // portable key text ("F8", "Ctrl+O", "Alt+F4"); "" for none
    bool enabledAtStart;

    // The caption stands in for a missing hint without its mnemonic marker,
    // which would otherwise show up literally in the status bar.
    std::string hintText() const;
};

// "&Print" -> "Print"; "&&" stays one "&".
std::string withoutMnemonic(const std::string& caption);

const std::vector<ActionDef>& actionTable();
// nullptr for a name that is no action.
const ActionDef* findAction(const std::string& name);

// One place in a menu, the toolbar or a button bar. An entry without an
// action is a separator (menus, toolbar) or an empty place (button bars).
// caption/hint, when set, are the entry's own texts instead of the action's.
struct EntryDef {
    const char* action = nullptr;
    const char* caption = nullptr;
    const char* hint = nullptr;

    bool isSeparator() const { return action == nullptr; }
};

struct MenuDef {
    const char* title;
    std::vector<EntryDef> entries;
};

// The actions that talk to the meter. The main controller runs each as one
// conversation with the meter (MeterConversation): while one runs, the
// others are disabled and refused, so that no second command runs inside
// the first one's waits. STOP stays enabled: pressed meanwhile, it cancels
// the running operation after its current exchange and then stops the
// meter.
//
// After every action the input focus goes to the terminal, where it is
// shown, except after the ones marked here.
enum class FocusAfter {
    Terminal,
    Stays,          // it opens a dialog or shows a result
    StaysOffPXR7X,  // a PXR7X command that the other lines do not have
};
struct MeterActionDef {
    const char* action;
    bool locksEditor; // it fills the editor fields or takes them for writing
    FocusAfter focus;
};
const std::vector<MeterActionDef>& meterActions();
// nullptr for an action that does not talk to the meter.
const MeterActionDef* findMeterAction(const std::string& name);
// Whether the focus goes to the terminal after this action on this model line.
bool focusesTerminalAfter(const std::string& action, DeviceType line);

// Actions that do not talk to the meter but must not run while it is being
// talked to: the interface setup (it reopens the port and may switch the
// model line) always; the commands that load or take the editor's values
// while the editor is locked.
struct BlockedActionDef {
    const char* action;
    bool onlyWhileEditorLocked;
};
const std::vector<BlockedActionDef>& actionsBlockedWhileTalking();

// Menu bar, left to right.
const std::vector<MenuDef>& mainMenus();
// Toolbar, left to right; the captions are the short button texts.
// Entries that name a ToolButtonDef instead of an action are the terminal's
// own buttons, which no action stands behind.
const std::vector<EntryDef>& toolbarEntries();

struct ToolButtonDef {
    const char* name;
    const char* caption;
    const char* hint;
    bool toggle;
};
const std::vector<ToolButtonDef>& terminalToolButtons();
const ToolButtonDef* findToolButton(const std::string& name);

const std::vector<EntryDef>& chartContextMenu();
const std::vector<EntryDef>& logContextMenu();

// Button bars of the model-line pages, one place per button position, so
// that a line without a button keeps its place empty.
const std::vector<EntryDef>& deviceButtonBar(DeviceType line);   // "Device" and "Terminal" tabs
const std::vector<EntryDef>& graphicButtonBar(DeviceType line);  // "Diagram" tab
const std::vector<EntryDef>& logButtonBar();                     // "Log Window" tab

} // namespace pxr
