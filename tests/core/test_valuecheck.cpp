// What a field can take and what a meter's answer can be: the characters
// the meter cannot take, named as the text has them (UTF-8, else
// Windows-1252), and the possible values by editor kind and range.

#include <gtest/gtest.h>

#include <string>

#include "devices/ParameterTable.h"
#include "devices/ValueCheck.h"
#include "base/TextUtils.h"

using namespace pxr;

namespace {

struct CharCase {
    const char* name;
    std::string bytes;
    std::string shown; // UTF-8
    size_t length;
};

class CharacterAt : public ::testing::TestWithParam<CharCase> {};

TEST_P(CharacterAt, NamesTheCharacterAsTheTextHasIt)
{
    size_t length = 0;
    EXPECT_EQ(characterAt(GetParam().bytes, 0, length), GetParam().shown);
    EXPECT_EQ(length, GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(
    ValueCheck, CharacterAt,
    ::testing::Values(CharCase{"Ascii", "a\xE2", "a", 1}, CharCase{"Utf8Euro", "\xE2\x82\xAC!", "\xE2\x82\xAC", 3},
                      CharCase{"Utf8Degree", "\xC2\xB0", "\xC2\xB0", 2},
                      CharCase{"Utf8FourBytes", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", 4},
                      CharCase{"EightBitEuro", "\x80", "\xE2\x82\xAC", 1},
                      CharCase{"EightBitEAcute", "\xE9t\xE9", "\xC3\xA9", 1},
                      CharCase{"Overlong", "\xC0\xAF", "\xC3\x80", 1},
                      CharCase{"Surrogate", "\xED\xA0\x80", "\xC3\xAD", 1},
                      CharCase{"CutShort", "\xE2\x82", "\xC3\xA2", 1},
                      CharCase{"UndefinedIn1252", "\x81", "\xEF\xBF\xBD", 1}),
    [](const auto& info) { return std::string(info.param.name); });

// A text in one value of a code, and what is expected of it.
template <typename Expected>
struct TextInAValue {
    DeviceType model;
    const char* code;
    size_t index;
    std::string text;
    Expected expected;
};

template <typename Expected>
void PrintTo(const TextInAValue<Expected>& c, std::ostream* os)
{
    *os << c.code << "[" << c.index << "] <" << c.text << ">";
}

// The code's entry in the parameter tables, looked up before each case.
template <typename Expected>
class InAValue : public ::testing::TestWithParam<TextInAValue<Expected>> {
protected:
    void SetUp() override
    {
        def = findParameter(this->GetParam().model, this->GetParam().code);
        ASSERT_NE(def, nullptr);
    }
    const ParameterDef* def = nullptr;
};

// The refusal of a typed text (empty: taken).
using TypedCase = TextInAValue<std::string>;
class Typed : public InAValue<std::string> {};

TEST_P(Typed, RefusalNamesCharacterAndCode)
{
    const TypedCase& c = GetParam();
    EXPECT_EQ(typedCharacterRefusal(*def, c.index, c.text), c.expected);
    // The same judgement as the check of files, the clipboard and Set Parameter.
    EXPECT_EQ(refusedValueText(*def, c.index, c.text).empty(), c.expected.empty());
}

INSTANTIATE_TEST_SUITE_P(
    ValueCheck, Typed,
    ::testing::Values(TypedCase{kPXR7X, "SA", 0, "25", ""}, TypedCase{kPXR7X, "OF", 0, " -1,5e3 ", ""},
                      TypedCase{kPXR7X, "AS", 0, "a b", ""}, // one value: any printable ASCII
                      TypedCase{kPXR7X, "SA", 0, "5\xE2\x82\xAC", " \"\xE2\x82\xAC\" not taken: the meter cannot take it in SA"},
                      TypedCase{kPXR501, "HE", 0, "4\xC2\xB0", " \"\xC2\xB0\" not taken: the meter cannot take it in HE"},
                      TypedCase{kPXR501, "TD", 1, "1 2", " \" \" not taken: it would split the values of TD"},
                      TypedCase{kPXR500C, "AH", 0, "0.1\t",
                                " the control character 0x09 not taken: the meter cannot take it in AH"},
                      TypedCase{kPXR7X, "SD", 0, "\x7F", " the control character 0x7F not taken: the meter cannot take it in SD"}));

// Whether an answer is a possible value.
using PossibleCase = TextInAValue<bool>;
class Possible : public InAValue<bool> {};

TEST_P(Possible, ByEditorKindAndRange)
{
    const PossibleCase& c = GetParam();
    EXPECT_EQ(isPossibleValue(def->values[c.index], c.text), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    ValueCheck, Possible,
    ::testing::Values(
        // Whole numbers within the range (SA 1..50, TD[1] 0..1 on PXR500C).
        PossibleCase{kPXR500C, "SA", 0, "1", true}, PossibleCase{kPXR500C, "SA", 0, "50", true},
        PossibleCase{kPXR500C, "SA", 0, "+7", true}, PossibleCase{kPXR500C, "SA", 0, "0", false},
        PossibleCase{kPXR500C, "SA", 0, "51", false}, PossibleCase{kPXR500C, "SA", 0, "!!!!!!01", false},
        PossibleCase{kPXR500C, "SA", 0, "2.5", false}, PossibleCase{kPXR500C, "SA", 0, "+-5", false},
        PossibleCase{kPXR500C, "SA", 0, "99999999999999999999", false},
        PossibleCase{kPXR500C, "TD", 1, "1", true}, PossibleCase{kPXR500C, "TD", 1, "2", false},
        // Free text: a number.
        PossibleCase{kPXR500C, "TD", 0, "9999", true}, PossibleCase{kPXR500C, "AH", 0, "-0,25", true},
        PossibleCase{kPXR500C, "AH", 0, "1e-3", true}, PossibleCase{kPXR500C, "AH", 0, "0.1.", false},
        PossibleCase{kPXR500C, "RB", 0, "!", false},
        // A list of numbers offers some of the values; a list of words names modes.
        PossibleCase{kPXR500C, "SF", 0, "3", true}, PossibleCase{kPXR500C, "SF", 0, "x", false},
        PossibleCase{kPXR500C, "AS", 0, "dt", true}, PossibleCase{kPXR500C, "AS", 0, "VM", true},
        PossibleCase{kPXR500C, "AS", 0, "ds", false}, PossibleCase{kPXR500C, "AS", 0, "d", false},
        // Values beyond the end of a reply are empty.
        PossibleCase{kPXR500C, "TD", 1, "", true}));

} // namespace
