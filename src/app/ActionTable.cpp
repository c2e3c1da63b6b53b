#include "app/ActionTable.h"

namespace pxr {

namespace {

// Hint nullptr: the caption. Empty hint: none (the velocity commands).
const std::vector<ActionDef> kActions = {
    {"acGetParameter", "Parameter", "Get Parameter", nullptr, "F8", true},
    {"acSetParameter", "Parameter", "Set Parameter", nullptr, "F10", true},
    {"acSetStandard", "Parameter", "Set Standard", "Set Satndard Parameter", "", true},
    {"acSetProfibus", "Parameter", "Set Profibus", "Set Profibus Parameter", "", true},
    {"acOpen", "Parameter", "&Open", "Open Parameter File", "Ctrl+O", true},
    {"acSave", "Parameter", "&Save", "Save Parameter File", "Ctrl+S", true},
    {"acPrint", "Parameter", "&Print", nullptr, "Ctrl+P", true},
    {"acExport", "Parameter", "Export to Clipboard", nullptr, "", true},
    {"acImport", "Parameter", "Import from Clipboard", nullptr, "", true},
    {"acViewFile", "File", "&View File", "View File", "Alt+V", true},
    {"acExit", "File", "Exit", "Exit Program", "Alt+F4", true},
    {"acStartStopLog", "Log", "Start Log File", "Start / Stop Online Log File (*.csv)", "Alt+L", true},
    {"acClearLog", "Log", "Clear Log Window", nullptr, "", true},
    {"acSaveLog", "Log", "Save Log Window", "Save Log Window (*.csv)", "", true},
    {"acDT", "Commands", "DT Distance Tracking", nullptr, "F2", true},
    {"acDS", "Commands", "DS Distance Tracking up to 7 m", "Distance Tracking up to 7 m", "", true},
    {"acDW", "Commands", "DW Distance Tracking with cooprative Target (10 Hz)", nullptr, "F3", true},
    {"acDX", "Commands", "DX Distance Tracking with cooperative Target (50 Hz)", nullptr, "", true},
    {"acDF", "Commands", "DF Distance Tracking with Trigger", nullptr, "", true},
    {"acDM", "Commands", "DM Distance Measurement", nullptr, "F4", true},
    {"acVM", "Commands", "VM Velocity Measurement", "", "", true},
    {"acVT", "Commands", "VT Velocity Tracking", "", "", true},
    {"acLF", "Commands", "LF Laser Off", nullptr, "", true},
    {"acTP", "Commands", "TP Internal Temperature in \u00b0C", nullptr, "", true},
    {"acID", "Commands", "ID Identification", nullptr, "", true},
    {"acSO", "Commands", "SO Set Offset", nullptr, "", true},
    {"acStop", "Commands", "STOP", "Stop Measurement", "", true},
    {"acDJ", "Commands", "Signal Strength", nullptr, "", true},
    {"acSd", "Commands", "Signal Strength", nullptr, "", true},
    {"acBaudrate", "Commands", "BR Change Baud Rate", "Change baud rate of PXR and PC", "", true},
    {"acSettings", "Options", "Interfa&ce Setup", "Interface Setup", "Alt+C", true},
    {"acGraphic", "Options", "Diagram Setup", nullptr, "Alt+G", true},
    {"acPrinterSetup", "Options", "&Printer Setup", "Printer Setup", "", true},
    {"acDirectory", "Options", "&Directory Setup", "Directory Setup", "Alt+D", true},
    {"acSimulation", "Options", "Simulation Setup", nullptr, "", true},
    {"acDevice", "Help", "&Device Info", "Device Info", "", true},
    {"acClearGrafik", "Grafik", "Clear", "Clear Diagram", "", true},
    {"acPrintGrafik", "Grafik", "Print Diagram", nullptr, "Alt+P", true},
    {"acSaveGrafik", "Grafik", "Save Diagram", nullptr, "Alt+S", true},
    // Zooming only makes sense once the diagram has data and zoom is allowed.
    {"acZoomIn", "Grafik", "Zoom In", nullptr, "", false},
    {"acZoomOut", "Grafik", "Zoom Out", nullptr, "", false},
    {"acResetZoom", "Grafik", "Reset Zoom", nullptr, "", true},
};

using F = FocusAfter;
const std::vector<MeterActionDef> kMeterActions = {
    {"acGetParameter", true, F::Terminal}, {"acSetParameter", true, F::Terminal},
    {"acSetStandard", true, F::Terminal},  {"acSetProfibus", true, F::Terminal},
    {"acDT", false, F::Terminal},          {"acDS", false, F::StaysOffPXR7X},
    {"acDW", false, F::Terminal},          {"acDX", false, F::Terminal},
    {"acDF", false, F::Terminal},          {"acDM", false, F::Terminal},
    {"acVM", false, F::Terminal},          {"acVT", false, F::Terminal},
    {"acLF", false, F::Terminal},          {"acTP", false, F::Terminal},
    {"acID", false, F::Terminal},
    {"acSO", true, F::Stays}, // the answer becomes OF
    {"acStop", false, F::Terminal},
    {"acDJ", true, F::Stays}, {"acSd", true, F::Stays}, // the signal output is set through SD
    {"acBaudrate", true, F::Terminal}, // the auto-start value is taken from the editor
    {"acDevice", false, F::Terminal},
};

const std::vector<BlockedActionDef> kBlockedWhileTalking = {
    {"acSettings", false}, {"acOpen", true}, {"acImport", true}, {"acSave", true}, {"acExport", true},
};

const EntryDef kSeparator{};

EntryDef entry(const char* action) { return EntryDef{action, nullptr, nullptr}; }

const std::vector<MenuDef> kMenus = {
    {"&File",
     {entry("acStartStopLog"), entry("acViewFile"), kSeparator, entry("acSaveGrafik"),
      entry("acPrintGrafik"), kSeparator, entry("acExit")}},
    {"&Parameter",
     {entry("acOpen"), entry("acSave"), entry("acPrint"), kSeparator, entry("acExport"),
      entry("acImport"), kSeparator, EntryDef{"acSetStandard", nullptr, "Set Standard Parameter"},
      entry("acSetProfibus"), kSeparator, entry("acGetParameter"), entry("acSetParameter"),
      entry("acBaudrate")}},
    {"&Commands",
     {entry("acDT"), entry("acDS"), entry("acDJ"), entry("acSd"), entry("acDW"), entry("acDX"),
      entry("acDF"), entry("acDM"), entry("acVM"), entry("acVT"), kSeparator, entry("acLF"),
      entry("acTP"), entry("acID"), entry("acSO"), entry("acBaudrate")}},
    {"&Options",
     {entry("acSettings"), entry("acGraphic"), entry("acPrinterSetup"), entry("acDirectory"),
      entry("acSimulation")}},
    {"&Help", {entry("acDevice")}},
};

const std::vector<ToolButtonDef> kTerminalButtons = {
    {"ToolButton8", "A+", "Terminal Font Size +", false},
    {"ToolButton10", "A-", "Terminal Font Size -", false},
    {"tb_Bold", "B", "Terminal Bold Font", true},
};

const std::vector<EntryDef> kToolbar = {
    {"acOpen", "Open", nullptr},
    {"acSave", "Save", nullptr},
    {"acPrint", "Print", nullptr},
    kSeparator,
    {"acGetParameter", "Get", nullptr},
    {"acSetParameter", "Set", nullptr},
    kSeparator,
    {"acExport", "Export", nullptr},
    {"acImport", "Import", nullptr},
    kSeparator,
    {"ToolButton8", nullptr, nullptr},
    {"ToolButton10", nullptr, nullptr},
    {"tb_Bold", nullptr, nullptr},
    kSeparator,
    {"acDevice", "Info", nullptr},
};

const std::vector<EntryDef> kChartMenu = {
    entry("acStop"), entry("acDT"), entry("acDF"), kSeparator,
    EntryDef{"acClearGrafik", "Clear Diagram", nullptr}, entry("acGraphic"), entry("acPrintGrafik"),
    entry("acSaveGrafik"), kSeparator, entry("acZoomIn"), entry("acZoomOut"), entry("acResetZoom"),
};

const std::vector<EntryDef> kLogMenu = {
    entry("acStop"), entry("acDT"), entry("acDF"), kSeparator, entry("acClearLog"),
    entry("acStartStopLog"),
};

EntryDef button(const char* action, const char* caption) { return EntryDef{action, caption, nullptr}; }

// The places follow the PXR7X bars; the other lines leave a place empty
// where they lack the button.
const std::vector<EntryDef> kDeviceBars[3] = {
    {button("acStop", "STOP"), button("acDT", "DT"), button("acDW", "DW"), button("acDF", "DF"),
     button("acTP", "TP"), button("acID", "ID")},
    {button("acStop", "STOP"), button("acDT", "DT"), button("acDJ", "DJ"), button("acDF", "DF"),
     button("acTP", "TP"), button("acID", "ID")},
    {button("acStop", "STOP"), button("acDT", "DT"), kSeparator, button("acDF", "DF"),
     button("acTP", "TP"), button("acID", "ID")},
};

const std::vector<EntryDef> kGraphicBars[3] = {
    {button("acStop", "STOP"), button("acDT", "DT"), button("acDW", "DW"), button("acDF", "DF"),
     button("acClearGrafik", "Clear"), button("acGraphic", "Setup"), button("acPrintGrafik", "Print"),
     button("acSaveGrafik", "Save")},
    {button("acStop", "STOP"), button("acDT", "DT"), kSeparator, button("acDF", "DF"),
     button("acClearGrafik", "Clear"), button("acGraphic", "Setup"), button("acPrintGrafik", "Print"),
     button("acSaveGrafik", "Save")},
    {button("acStop", "STOP"), button("acDT", "DT"), kSeparator, button("acDF", "DF"),
     button("acClearGrafik", "Clear"), button("acGraphic", "Setup"), button("acPrintGrafik", "Print"),
     button("acSaveGrafik", "Save")},
};

const std::vector<EntryDef> kLogBar = {
    button("acStop", "STOP"),
    button("acClearLog", "Clear Log Window"),
    button("acSaveLog", "Save Log Window"),
    button("acStartStopLog", "Start Log File"),
};

const std::vector<EntryDef> kNoBar;

// The row of a table whose name column holds `name`; nullptr for none.
template <typename Row>
const Row* findRow(const std::vector<Row>& table, const char* Row::*column, const std::string& name)
{
    for (const Row& row : table)
        if (name == row.*column)
            return &row;
    return nullptr;
}

} // namespace

std::string withoutMnemonic(const std::string& caption)
{
    std::string out;
    out.reserve(caption.size());
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&')
                out += caption[++i];
            continue;
        }
        out += caption[i];
    }
    return out;
}

std::string ActionDef::hintText() const { return hint ? std::string(hint) : withoutMnemonic(caption); }

const std::vector<ActionDef>& actionTable() { return kActions; }

const ActionDef* findAction(const std::string& name) { return findRow(kActions, &ActionDef::name, name); }

const std::vector<MeterActionDef>& meterActions() { return kMeterActions; }

const MeterActionDef* findMeterAction(const std::string& name)
{
    return findRow(kMeterActions, &MeterActionDef::action, name);
}

bool focusesTerminalAfter(const std::string& action, DeviceType line)
{
    const MeterActionDef* meter = findMeterAction(action);
    if (!meter)
        return true;
    switch (meter->focus) {
    case FocusAfter::Terminal: return true;
    case FocusAfter::Stays: return false;
    case FocusAfter::StaysOffPXR7X: return line == kPXR7X;
    }
    return true;
}

const std::vector<BlockedActionDef>& actionsBlockedWhileTalking() { return kBlockedWhileTalking; }

const std::vector<MenuDef>& mainMenus() { return kMenus; }
const std::vector<EntryDef>& toolbarEntries() { return kToolbar; }
const std::vector<ToolButtonDef>& terminalToolButtons() { return kTerminalButtons; }

const ToolButtonDef* findToolButton(const std::string& name)
{
    return findRow(kTerminalButtons, &ToolButtonDef::name, name);
}

const std::vector<EntryDef>& chartContextMenu() { return kChartMenu; }
const std::vector<EntryDef>& logContextMenu() { return kLogMenu; }

const std::vector<EntryDef>& deviceButtonBar(DeviceType line)
{
    return line < 3 ? kDeviceBars[line] : kNoBar;
}

const std::vector<EntryDef>& graphicButtonBar(DeviceType line)
{
    return line < 3 ? kGraphicBars[line] : kNoBar;
}

const std::vector<EntryDef>& logButtonBar() { return kLogBar; }

} // namespace pxr
