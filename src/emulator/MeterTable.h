#pragma once
// The emulated meter's own data: which parameter codes each model keeps,
// with how many values and which factory values, how it prints a reading
// and how often. Written from the meter's command interface and the model
// lines' parameter tables, and deliberately not taken from the program's
// parameter tables or its simulated device: sharing them, the meter would
// agree with the program by construction and could never show a slip in
// either.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pxr {

enum class MeterModel { PXR7X, PXR500C, PXR501, PXR502 };

namespace meter {

struct Code {
    const char* code;    // two upper-case letters: the query, and with values the set command
    const char* factory; // the factory values joined by single blanks; their number is the code's
};

// The codes the model keeps, in the order its manual lists them.
const std::vector<Code>& codes(MeterModel model);
const Code* findCode(MeterModel model, const std::string& code);
// How many values the code carries.
std::size_t valueCount(const Code& code);

// The words of a text, split at runs of blanks (the meter's parser is not
// fussy about two blanks in a row).
std::vector<std::string> words(const std::string& text);

// A value of the meter's memory: code and index within the code.
using Lookup = std::function<std::string(const char* code, std::size_t index)>;
// Uniform 0..9: the noise of a reading and of a signal level.
using Random = std::function<int()>;

// What the memory says about how a reading is printed.
struct Form {
    double k = 1;          // scale factor SF
    double o = 0;          // offset OF, in the reading's unit
    bool hex = false;      // hexadecimal output
    bool level = false;    // PXR7X: SD "s" adds the signal level
    std::string content;   // PXR501/502: SD[1], what follows the distance
};
Form form(MeterModel model, const Lookup& value);

// One distance reading line without its terminator. count is the distance
// in thousandths of the reading's unit before scaling; noise adds 0..9.
std::string distanceLine(MeterModel model, const Form& form, int64_t count, bool noise, bool error,
                         const Random& random);
// One signal-level field of PXR500C's DJ.
std::string signalLine(const Random& random);

// Time between two readings of a stream, in ms. mode: the measuring
// command ("DT", "DS" ...), which sets the rate on PXR7X only.
double outputIntervalMs(MeterModel model, const std::string& mode, const Lookup& value);

} // namespace meter
} // namespace pxr
