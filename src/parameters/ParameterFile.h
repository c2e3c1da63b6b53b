#pragma once
// The parameter file: the parameter set shown in the editor, stored as
// profile text (extension ".csv") and loaded back. Saving reads the editor
// fields of the current model line, opening writes them; neither touches the
// meter or the parameter-set object (Set Parameter copies the fields later).
//
// As written: "[Parameter]" and then one line per code of the model line in
// table order, code "=" value, every line ended by CR LF. A value is the text
// of the code's field, or the texts of its fields joined by single blanks,
// unchanged (no trimming, no comma rule, no check).
//
// As read: with the profile rules of ProfileReader.h; a missing key gives an
// empty value, a code with several fields is split with
// splitParameterValues, and every field of the page is overwritten.
//
// Input that would cost the user data is refused, and things stay as they
// were:
//  - a file that does not exist, cannot be read, is larger than
//    kParameterTextLimit, is UTF-16 text or has no "[Parameter]" section
//    (a log file picked by mistake, say) leaves every field as it was,
//    instead of blanking the whole page; so does a file with a value that
//    holds a character the meter cannot take (ValueCheck.h), named in the
//    message as UTF-8 where the file is UTF-8;
//  - saving goes through replaceFileContents (base/SafeFile.h), so a failed
//    save keeps the old file intact instead of leaving it deleted or half
//    written, and a save over a symbolic link replaces the file it points to;
//  - a value that could not be read back as written (a line break or NUL
//    byte inside, or more than kProfileValueLimit characters) stops the save
//    before anything is written.
// The functions report with a message instead of throwing.

#include <cstddef>
#include <string>

#include "devices/DeviceType.h"

namespace pxr {

class FieldBinding;

extern const char* const kParameterSection;    // "Parameter"
extern const char* const kParameterOpenFilter; // "CSV File(*.csv)|*.csv|All Files(*.*)|*.*"
extern const char* const kParameterSaveFilter; // "CSV File(*.csv)|*.csv"
extern const char* const kParameterFileExtension; // "csv", the dialogs' default extension

// Largest text taken as a parameter file or as clipboard text. Files the
// program writes stay far below (at most 16 keys of kProfileValueLimit).
constexpr std::size_t kParameterTextLimit = 1024 * 1024;

// The "code=value" lines of the model line in table order, each ended by
// CR LF: the clipboard text, and the parameter file after its section line.
std::string parameterLines(DeviceType model, const FieldBinding& fields);

// Why the editor's values cannot be stored one per line: names the first
// code whose joined value holds a CR, LF or NUL byte, or is longer than
// `maxLength`. Empty when every value can be stored.
std::string unstorableValueReason(DeviceType model, const FieldBinding& fields,
                                  std::size_t maxLength);

// The exact bytes of the parameter file of the model line.
std::string parameterFileText(DeviceType model, const FieldBinding& fields);

struct ReadResult {
    bool ok = false;
    std::string error;         // why nothing was loaded (fields untouched); empty when ok
    std::size_t keysFound = 0; // codes of the model line that the text has
};

// Loads the bytes of a parameter file into the fields of the model line.
ReadResult readParameterFile(DeviceType model, const std::string& bytes, FieldBinding& fields);

struct FileResult {
    bool ok = false;
    std::string path;   // full path of the file
    std::string status; // text for the status bar (" Write: %s" / " Read: %s") when ok
    std::string error;  // message naming the file when not ok
};

// Save: writes the file of the model line from its editor fields, replacing
// an existing file as a whole.
FileResult saveParameterFile(const std::string& path, DeviceType model, const FieldBinding& fields);

// Open: loads the file into the editor fields of the model line.
FileResult openParameterFile(const std::string& path, DeviceType model, FieldBinding& fields);

// Status-bar texts after a save and an open, with the file's full path.
std::string writeStatusText(const std::string& fullPath);
std::string readStatusText(const std::string& fullPath);

} // namespace pxr
