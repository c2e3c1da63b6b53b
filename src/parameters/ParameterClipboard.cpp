#include "parameters/ParameterClipboard.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "devices/ParameterTable.h"
#include "devices/ValueCheck.h"
#include "parameters/ParameterFile.h"
#include "parameters/ProfileReader.h"

namespace pxr {

const char* const kExportStatus = " Export to Clipboard";
const char* const kImportStatus = " Import from Clipboard";

namespace {

std::optional<std::string_view> clipboardValue(std::string_view text, const std::string& code)
{
    while (!text.empty()) {
        const std::string_view line = nextTextLine(text);
        const std::size_t eq = line.find('=');
        if (eq != std::string_view::npos && sameTextIgnoringCase(line.substr(0, eq), code))
            return line.substr(eq + 1);
    }
    return std::nullopt;
}

} // namespace

ClipboardResult exportParameterText(DeviceType model, const FieldBinding& fields)
{
    ClipboardResult result;
    const std::string problem = unstorableValueReason(model, fields, std::string::npos);
    if (!problem.empty()) {
        result.error = "Cannot export to the clipboard: " + problem + ".";
        return result;
    }
    result.text = parameterLines(model, fields);
    result.status = kExportStatus;
    result.ok = true;
    return result;
}

ClipboardResult importParameterText(DeviceType model, const std::string& clipboard,
                                    FieldBinding& fields)
{
    ClipboardResult result;
    if (clipboard.size() > kParameterTextLimit) {
        result.error = "Cannot import from the clipboard: the text is larger than " +
                       std::to_string(kParameterTextLimit) + " bytes.";
        return result;
    }
    std::string_view text(clipboard);
    text = text.substr(0, text.find('\0'));

    const std::vector<ParameterDef>& table = parameterTable(model);
    std::vector<std::optional<std::string_view>> values;
    values.reserve(table.size());
    bool any = false;
    for (const ParameterDef& def : table) {
        values.push_back(clipboardValue(text, def.code));
        any = any || values.back().has_value();
    }
    if (!any) {
        result.error = "Cannot import from the clipboard: it holds no parameter of this model line.";
        return result;
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::string reason = refusedJoinedText(table[i], std::string(values[i].value_or(std::string_view())));
        if (!reason.empty()) {
            result.error = "Cannot import from the clipboard: " + reason + ".";
            return result;
        }
    }
    for (std::size_t i = 0; i < table.size(); ++i)
        setEditorJoinedText(fields, table[i], std::string(values[i].value_or(std::string_view())));
    result.status = kImportStatus;
    result.ok = true;
    return result;
}

} // namespace pxr
