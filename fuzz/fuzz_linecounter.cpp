// LineCount of the terminal page on any characters, for both counting rules
// (a blank on PXR500C, an LF on the others), with resets in between.
//
// Properties: the count is the number of marks since the last reset modulo
// 10000 (9999 is followed by 0), the text is always four digits, and
// "changed" is reported exactly when a mark was seen.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "terminal/PortHistory.h"

using namespace pxr;
using pxr::fuzz::FuzzInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    LineCounter counter;
    uint64_t marks = 0;
    bool lastWasBlank = false;
    // A start near the wrap, so that short inputs reach it.
    const unsigned preload = in.word() % 10000;
    counter.count(std::string(preload, '\n'), false);
    marks = preload;

    while (!in.empty()) {
        const uint8_t op = in.byte();
        if (op == 0xFF) {
            counter.reset();
            marks = 0;
            lastWasBlank = false;
            continue;
        }
        const bool pxr500c = op & 1;
        const std::string chars = in.bytes(op >> 1);
        const char mark = pxr500c ? ' ' : '\n';
        // On PXR500C a run of blanks counts once, also across calls.
        uint64_t seen = 0;
        for (char c : chars) {
            seen += c == mark && !(pxr500c && lastWasBlank);
            lastWasBlank = c == ' ';
        }
        const bool changed = counter.count(chars, pxr500c);
        FUZZ_CHECK(changed == (seen > 0));
        marks += seen;
        FUZZ_CHECK(counter.value() >= 0 && counter.value() <= 9999);
        FUZZ_CHECK(static_cast<uint64_t>(counter.value()) == marks % 10000);
        const std::string text = counter.text();
        FUZZ_CHECK(text.size() == 4);
        for (char c : text)
            FUZZ_CHECK(c >= '0' && c <= '9');
    }
    return 0;
}
