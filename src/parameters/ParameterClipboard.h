#pragma once
// Export to and import from the clipboard: the parameter set shown in the
// editor as plain text, the same "code=value" lines as the parameter file
// (same codes, order and joining) without the section line, every line ended
// by CR LF. The GUI puts the text on the clipboard and hands the clipboard's
// text in; everything else is decided here.
//
// Import rules, stricter than the file's profile rules:
//  - the text is taken as lines (CR LF, LF or CR);
//  - a line counts for a code when the part before its first "=" equals the
//    code without regard to case; nothing is trimmed, so "ST =5" counts for
//    no code and "ST= 5" gives the value " 5";
//  - the first counting line of a code wins; lines without "=", lines of
//    other codes and a section line such as "[Parameter]" are ignored, so a
//    parameter file imports too;
//  - the value is the whole rest of the line (no length limit) and is split
//    into the code's fields with splitParameterValues; a code without a
//    counting line gets empty fields;
//  - the text ends at a NUL byte, as the system's plain-text format does.
//
// Rather than blanking the whole page, the import is refused with a message
// and the fields are left as they were for: a clipboard without text,
// text in which no line counts for any code of the model line (whatever the
// user last copied), text larger than kParameterTextLimit, and text with a
// value that holds a character the meter cannot take (ValueCheck.h; the
// GUI hands the clipboard's text in as UTF-8).

#include <string>

#include "devices/DeviceType.h"

namespace pxr {

class FieldBinding;

extern const char* const kExportStatus; // " Export to Clipboard"
extern const char* const kImportStatus; // " Import from Clipboard"

struct ClipboardResult {
    bool ok = false;
    std::string text;   // export: the text to put on the clipboard
    std::string status; // text for the status bar when ok
    std::string error;  // why nothing was done (fields and clipboard untouched)
};

// The exported text of the model line's editor fields. A value with a line
// break or NUL byte cannot travel as one line and stops the export.
ClipboardResult exportParameterText(DeviceType model, const FieldBinding& fields);

// Puts the values found in `clipboard` into every field of the model line.
ClipboardResult importParameterText(DeviceType model, const std::string& clipboard,
                                    FieldBinding& fields);

} // namespace pxr
