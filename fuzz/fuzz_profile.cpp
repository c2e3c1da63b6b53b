// The parameter file as read: the profile reader on any bytes (binary, no
// line ends, broken section lines, NUL bytes, byte-order marks) and the load
// into the editor fields of each model line.
//
// Properties: a value read back is at most 2047 characters, has no line
// break or NUL byte and no blank or tab at either end; every value loaded is
// one the meter can take (printable ASCII), a file with any other value is
// refused; a refused file leaves every field as it was, an accepted one
// overwrites every field of the page;
// and the text the program writes for single-value fields reads back to the
// same fields.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "MarkedFields.h"
#include "devices/FieldBinding.h"
#include "devices/ParameterTable.h"
#include "devices/ValueCheck.h"
#include "parameters/ParameterFile.h"
#include "parameters/ProfileReader.h"

using namespace pxr;
using pxr::fuzz::FuzzInput;
using pxr::fuzz::MarkedFields;

namespace {

const char kOld[] = "\x01old";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const DeviceType model = static_cast<DeviceType>(in.pick(3));
    const std::string text = in.rest();

    // The reader on its own, with names that are no codes.
    profileString(text, "", "");
    profileString(text, "Parameter", "=");
    std::string_view rest = text;
    size_t lines = 0;
    while (!rest.empty()) {
        const std::string_view line = nextTextLine(rest);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string_view::npos);
        FUZZ_CHECK(++lines <= text.size());
    }

    // The load into the editor.
    MarkedFields marked(model, kOld);
    MapFieldBinding& fields = marked.fields;
    const ReadResult r = readParameterFile(model, text, fields);
    const size_t untouched = marked.untouched(), total = marked.total();
    if (!r.ok) {
        FUZZ_CHECK(!r.error.empty());
        FUZZ_CHECK(untouched == total);
        // Refused as a whole for its form, or for a value the meter cannot take.
        FUZZ_CHECK(r.keysFound == 0 || r.error.find("which the meter cannot take") != std::string::npos);
    } else {
        FUZZ_CHECK(r.error.empty());
        for (const ParameterDef& def : parameterTable(model))
            for (std::size_t i = 0; i < def.values.size(); ++i) {
                const ValueDef& v = def.values[i];
                const std::string value = fields.fieldText(v.control);
                if (value != kOld)
                    FUZZ_CHECK(refusedValueText(def, i, value).empty());
                FUZZ_CHECK(value.size() <= kProfileValueLimit);
                FUZZ_CHECK(value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
                // A single-value code gets the whole value: trimmed unless cut.
                if (def.values.size() == 1 && !value.empty() && value.size() < kProfileValueLimit)
                    FUZZ_CHECK(!isBlank(value.front()) && !isBlank(value.back()));
            }
        FUZZ_CHECK(r.keysFound <= parameterTable(model).size());
        // "\x01old" survives only where the file itself says so.
        FUZZ_CHECK(untouched == 0 || text.find("old") != std::string::npos);
    }

    // Written and read back: the program's own file of these fields gives
    // the same single-value fields whenever it can be stored at all.
    if (r.ok && unstorableValueReason(model, fields, kProfileValueLimit).empty()) {
        const std::string written = parameterFileText(model, fields);
        MapFieldBinding back;
        const ReadResult again = readParameterFile(model, written, back);
        FUZZ_CHECK(again.ok);
        FUZZ_CHECK(again.keysFound == parameterTable(model).size());
        for (const ParameterDef& def : parameterTable(model)) {
            if (def.values.size() != 1)
                continue;
            const std::string& control = def.values[0].control;
            const std::string before = fields.fieldText(control);
            // A value cut at 2047 characters may end in a blank, which
            // reading trims.
            if (!before.empty() && (isBlank(before.front()) || isBlank(before.back())))
                continue;
            FUZZ_CHECK(back.fieldText(control) == before);
        }
    }
    return 0;
}
