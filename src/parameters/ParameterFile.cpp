#include "parameters/ParameterFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "base/FileAccess.h"
#include "base/SafeFile.h"
#include "devices/FieldBinding.h"
#include "devices/ParameterTable.h"
#include "devices/ValueCheck.h"
#include "parameters/ProfileReader.h"

namespace pxr {

namespace fs = std::filesystem;

const char* const kParameterSection = "Parameter";
const char* const kParameterOpenFilter = "CSV File(*.csv)|*.csv|All Files(*.*)|*.*";
const char* const kParameterSaveFilter = "CSV File(*.csv)|*.csv";
const char* const kParameterFileExtension = "csv";

namespace {

const char* const kLineEnd = "\r\n";

// The absolute path, with the platform's own separators (a Windows user
// expects "C:\Users\..." in the status bar, whatever the dialog handed over).
std::string fullPathOf(const std::string& path)
{
    std::error_code ec;
    fs::path absolute = fs::absolute(pathFromUtf8(path), ec);
    return ec ? path : utf8FromPath(absolute.make_preferred());
}

std::string writeError(const std::string& path, const std::string& reason)
{
    return "Cannot write \"" + path + "\": " + reason + ".";
}

std::string readError(const std::string& path, const std::string& reason)
{
    return "Cannot read \"" + path + "\": " + reason + ".";
}

std::string systemText(int error)
{
    return error != 0 ? std::string(std::strerror(error)) : std::string("the system reported an error");
}

bool startsWithUtf16Mark(const std::string& bytes)
{
    return bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0;
}

} // namespace

std::string parameterLines(DeviceType model, const FieldBinding& fields)
{
    std::string text;
    for (const ParameterDef& def : parameterTable(model)) {
        text += def.code;
        text += '=';
        text += editorJoinedText(fields, def);
        text += kLineEnd;
    }
    return text;
}

std::string unstorableValueReason(DeviceType model, const FieldBinding& fields,
                                  std::size_t maxLength)
{
    for (const ParameterDef& def : parameterTable(model)) {
        const std::string value = editorJoinedText(fields, def);
        if (value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
            return "the value of " + def.code + " contains a line break or a NUL character";
        if (value.size() > maxLength)
            return "the value of " + def.code + " is longer than " + std::to_string(maxLength) +
                   " characters";
    }
    return std::string();
}

std::string parameterFileText(DeviceType model, const FieldBinding& fields)
{
    return std::string("[") + kParameterSection + "]" + kLineEnd + parameterLines(model, fields);
}

ReadResult readParameterFile(DeviceType model, const std::string& bytes, FieldBinding& fields)
{
    ReadResult result;
    if (bytes.size() > kParameterTextLimit) {
        result.error = "it is larger than " + std::to_string(kParameterTextLimit) +
                       " bytes, too large for a parameter file";
        return result;
    }
    if (startsWithUtf16Mark(bytes)) {
        result.error = "it is UTF-16 text; a parameter file is 8-bit text";
        return result;
    }
    if (!profileHasSection(bytes, kParameterSection)) {
        result.error = std::string("it has no [") + kParameterSection + "] section";
        return result;
    }
    // Look everything up first so that the fields change only as a whole.
    const std::vector<ParameterDef>& table = parameterTable(model);
    std::vector<std::string> values;
    values.reserve(table.size());
    for (const ParameterDef& def : table) {
        std::optional<std::string> value = profileString(bytes, kParameterSection, def.code);
        if (value)
            ++result.keysFound;
        values.push_back(value.value_or(std::string()));
    }
    // A character the meter cannot take would reach it as something else
    // (or as "?"); the file is refused rather than loaded with it.
    for (std::size_t i = 0; i < table.size(); ++i) {
        result.error = refusedJoinedText(table[i], values[i]);
        if (!result.error.empty())
            return result;
    }
    for (std::size_t i = 0; i < table.size(); ++i)
        setEditorJoinedText(fields, table[i], values[i]);
    result.ok = true;
    return result;
}

namespace {

// Why the fields cannot be saved as `fullPath` (empty: they were).
std::string saveProblem(const std::string& fullPath, DeviceType model, const FieldBinding& fields)
{
    const std::string problem = unstorableValueReason(model, fields, kProfileValueLimit);
    if (!problem.empty())
        return problem;
    const SafeWriteResult written = replaceFileContents(fullPath, parameterFileText(model, fields));
    return written.ok ? std::string() : written.reason;
}

// Why the file `fullPath` cannot be loaded into the fields (empty: it was).
std::string openProblem(const std::string& fullPath, DeviceType model, FieldBinding& fields)
{
    std::error_code ec;
    const fs::file_status status = fs::status(pathFromUtf8(fullPath), ec);
    if (!fs::exists(status))
        return "the file does not exist";
    if (!fs::is_regular_file(status))
        return "it is not a regular file";
    std::FILE* in = openFile(fullPath, "rb");
    if (!in)
        return systemText(errno);
    // One byte more than the limit is enough to tell a file that is too
    // large, whatever it claims its size to be.
    std::string bytes(kParameterTextLimit + 1, '\0');
    bytes.resize(std::fread(&bytes[0], 1, bytes.size(), in));
    const bool bad = std::ferror(in) != 0;
    std::fclose(in);
    if (bad)
        return "the file cannot be read";
    const ReadResult read = readParameterFile(model, bytes, fields);
    return read.ok ? std::string() : read.error;
}

// The end of a save or an open: the status text when there was no problem,
// else the message that names the file.
void finish(FileResult& result, const std::string& problem,
            std::string (*errorText)(const std::string& path, const std::string& reason),
            std::string (*statusText)(const std::string& fullPath))
{
    result.ok = problem.empty();
    if (result.ok)
        result.status = statusText(result.path);
    else
        result.error = errorText(result.path, problem);
}

} // namespace

FileResult saveParameterFile(const std::string& path, DeviceType model, const FieldBinding& fields)
{
    FileResult result;
    result.path = fullPathOf(path);
    if (path.empty()) {
        result.error = writeError(path, "no file name given");
        return result;
    }
    finish(result, saveProblem(result.path, model, fields), writeError, writeStatusText);
    return result;
}

FileResult openParameterFile(const std::string& path, DeviceType model, FieldBinding& fields)
{
    FileResult result;
    result.path = fullPathOf(path);
    finish(result, openProblem(result.path, model, fields), readError, readStatusText);
    return result;
}

std::string writeStatusText(const std::string& fullPath)
{
    return " Write: " + fullPath;
}

std::string readStatusText(const std::string& fullPath)
{
    return " Read: " + fullPath;
}

} // namespace pxr
