// Import from Clipboard on any text (whatever the user last copied: binary,
// huge lines, a log file, a parameter file, lone CRs, NUL bytes) for each
// model line, then Export and Import again.
//
// Properties: a refused import leaves every field as it was and says why;
// an accepted one overwrites every field of the page with values the meter
// can take; exporting what was
// imported and importing that text again gives the same fields.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "MarkedFields.h"
#include "devices/FieldBinding.h"
#include "devices/ParameterTable.h"
#include "devices/ValueCheck.h"
#include "parameters/ParameterClipboard.h"

using namespace pxr;
using pxr::fuzz::FuzzInput;
using pxr::fuzz::MarkedFields;

namespace {

const char kOld[] = "\x02old";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const DeviceType model = static_cast<DeviceType>(in.pick(3));
    const std::string text = in.rest();

    MarkedFields marked(model, kOld);
    MapFieldBinding& fields = marked.fields;
    const ClipboardResult r = importParameterText(model, text, fields);
    const size_t untouched = marked.untouched(), total = marked.total();
    if (!r.ok) {
        FUZZ_CHECK(!r.error.empty() && r.status.empty());
        FUZZ_CHECK(untouched == total);
        return 0;
    }
    FUZZ_CHECK(r.status == kImportStatus);
    for (const ParameterDef& def : parameterTable(model))
        for (std::size_t i = 0; i < def.values.size(); ++i)
            FUZZ_CHECK(refusedValueText(def, i, fields.fieldText(def.values[i].control)).empty());
    FUZZ_CHECK(untouched == 0 || text.find("old") != std::string::npos);

    const ClipboardResult exported = exportParameterText(model, fields);
    // Imported values come from single lines cut at NUL, so they always travel.
    FUZZ_CHECK(exported.ok);
    MapFieldBinding back;
    const ClipboardResult again = importParameterText(model, exported.text, back);
    FUZZ_CHECK(again.ok);
    for (const ParameterDef& def : parameterTable(model))
        for (const ValueDef& v : def.values)
            FUZZ_CHECK(back.fieldText(v.control) == fields.fieldText(v.control));
    return 0;
}
