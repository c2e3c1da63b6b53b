#pragma once
// The parameter tables of the three model lines, as data: which codes a
// model line has, in which order, how many values each code carries, the
// editor control of every value with its hint, what the editor's step buttons
// offer, and the factory values. The parameter sets, Get/Set Parameter, the
// parameter file, the clipboard text and the editor panel all work from these
// tables, so the order here is the order everywhere (storage, queries, file
// keys, clipboard lines). The meter emulator keeps a table of its own.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "devices/DeviceType.h"

namespace pxr {

class FieldBinding;

// Line break inside a multi-line hint.
extern const char* const kHintLineBreak; // "\r\n"

// What the editor's step buttons offer for a field.
enum class EditorKind {
    FreeText, // no step button
    Numeric,  // step button pair, whole numbers within low..high
    List,     // step button pair walking through `list`
};

// One value of a code, i.e. one editor field.
struct ValueDef {
    std::string control;                // editor control, e.g. "cb_tl_1"
    std::vector<std::string> hintLines; // tool-tip, one entry per line
    EditorKind kind = EditorKind::FreeText;
    int low = 0;                        // Numeric: range; heater fields: the check's limits
    int high = 0;
    std::vector<std::string> list;      // List: the entries, in stepping order
    std::string factory;                // factory value (PXR501 on model line PXR501/502)
    std::string factory502;             // PXR502 factory value where it differs, else empty
    bool hidden = false;                // field and step buttons never shown (SE[1] of PXR501/502)
    bool heaterCheck = false;           // limited when the field loses the focus (HE of PXR501/502)
    bool keptByClearAll = false;        // ClearAll leaves it alone (AS of PXR500C)

    // Hint lines joined by CR LF.
    std::string hintText() const;
    // Name of the step button pair ("sp_" in place of "cb_"); empty for free text.
    std::string stepControl() const;
};

// One parameter code with its values in the order the meter prints them.
struct ParameterDef {
    std::string code;              // two upper-case letters; also the query command
    std::string group;             // editor group box caption, e.g. "Timing"
    std::vector<ValueDef> values;  // one or more; index 0 first
};

// Parameter table of the model line, in storage order. An unknown model
// line gets an empty table.
const std::vector<ParameterDef>& parameterTable(DeviceType model);

// The code's entry, or nullptr if the model line has no such code
// (the code is matched exactly: upper case).
const ParameterDef* findParameter(DeviceType model, const std::string& code);

// The code's entry and value index of an editor control, or nullptr.
const ParameterDef* findControl(DeviceType model, const std::string& control, std::size_t* index = nullptr);

// Codes in the order in which SetDefaults calls the setters.
const std::vector<std::string>& defaultsOrder(DeviceType model);

// Entries of the model line's AS field list, which are also the auto-start
// commands the program is willing to send.
const std::vector<std::string>& autoStartList(DeviceType model);

// Code -> factory value (values of a code joined by single blanks), in table
// order. `is502` picks the PXR502 values on model line PXR501/502 and is
// ignored elsewhere.
std::vector<std::pair<std::string, std::string>> factoryParameterValues(DeviceType model, bool is502);

// Number of text values of the model line (19, 9, 29).
std::size_t valueCount(DeviceType model);

// Splits a code's travelling text into `count` values: each value is the text
// before the first blank of what remains, the remainder continues after that
// blank; with no blank left the value is the whole remainder; values beyond
// the end are empty and text after the last value is dropped. Two blanks in a
// row give an empty value. A single-value code (count 1) takes the whole text,
// blanks included.
std::vector<std::string> splitParameterValues(const std::string& text, std::size_t count);

// Values joined by single blanks (empty values still contribute their blank).
std::string joinParameterValues(const std::vector<std::string>& values);

// Editor fields of a code read as one text / written from one text with the
// split rule above, verbatim (no comma rule): the parameter file and the
// clipboard exchange work on the fields this way.
std::string editorJoinedText(const FieldBinding& fields, const ParameterDef& def);
void setEditorJoinedText(FieldBinding& fields, const ParameterDef& def, const std::string& text);

} // namespace pxr
