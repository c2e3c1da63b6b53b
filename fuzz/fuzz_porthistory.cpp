// The serial history (CPortHistory1) under any received blocks, with NoCRLF
// switched as the model-line switch does and the style changed in between.
//
// Properties: at most 256 stored lines; a pending line never holds an LF and
// never grows past the bound for an endless line; with NoCRLF off and
// nothing dropped, the stored lines and the pending rest are exactly the
// bytes received; rendering gives 3 (Hex) or 4 (Hex Enclosed) characters
// per byte, and in Ascii only the codes 32..127.

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
    PortHistory history;
    history.NoCRLF = in.flag();
    const bool startedWithCrLf = !history.NoCRLF;
    bool switched = false;
    std::string received;
    uint64_t stored = 0;
    uint64_t lastChanges = history.changeCount();

    while (!in.empty()) {
        const uint8_t op = in.byte();
        if (op >= 0xF0) {
            history.setStyle(static_cast<HistoryStyle>(op % 3));
            FUZZ_CHECK(history.changeCount() > lastChanges);
        } else if (op == 0xEF) {
            history.NoCRLF = !history.NoCRLF;
            switched = true;
        } else {
            const std::string block = in.bytes(op % 200);
            const uint64_t changesBefore = history.changeCount();
            history.addBlock(block);
            received += block;
            // Every stored line moves the change counter by one.
            stored += history.changeCount() - changesBefore;
        }
        lastChanges = history.changeCount();
        FUZZ_CHECK(history.lines().size() <= PortHistory::kMaxLines);
        FUZZ_CHECK(history.pending().find('\n') == std::string::npos);
        FUZZ_CHECK(history.pending().size() <= 4096);
    }

    // Nothing received is lost or doubled while every line is still kept.
    if (!switched && stored <= PortHistory::kMaxLines) {
        std::string all;
        for (const std::string& line : history.lines()) {
            FUZZ_CHECK(!line.empty());
            FUZZ_CHECK(!startedWithCrLf || line.back() == '\n' || line.size() > 4096);
            all += line;
        }
        all += history.pending();
        FUZZ_CHECK(all == received);
    }

    for (const std::string& line : history.lines()) {
        FUZZ_CHECK(PortHistory::renderLine(line, HistoryStyle::Hex).size() == 3 * line.size());
        FUZZ_CHECK(PortHistory::renderLine(line, HistoryStyle::HexEnclosed).size() == 4 * line.size());
        const std::string ascii = PortHistory::renderLine(line, HistoryStyle::Ascii);
        FUZZ_CHECK(ascii.size() <= line.size());
        for (char c : ascii)
            FUZZ_CHECK(static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) <= 127);
    }
    history.render();
    return 0;
}
