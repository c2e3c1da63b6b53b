#include <gtest/gtest.h>

#include "base/TextUtils.h"
#include "support/CommaLocale.h"

using namespace pxr;

TEST(SplitToken, CutsAtFirstDelimiter)
{
    struct Case {
        std::string in;
        char delim;
        std::string token;
        std::string rest;
    } cases[] = {
        {"a;b;c", ';', "a", "b;c"},
        {"abc", ';', "abc", ""},
        {";;x", ';', "", ";x"},
        {"", ';', "", ""},
        {"12 34", ' ', "12", "34"},
        {"x;", ';', "x", ""},
    };
    for (const auto& c : cases) {
        std::string text = c.in;
        EXPECT_EQ(SplitToken(text, c.delim), c.token) << c.in;
        EXPECT_EQ(text, c.rest) << c.in;
    }
}

TEST(SplitToken, ConsecutiveDelimitersGiveEmptyTokens)
{
    std::string text = "1  2";
    EXPECT_EQ(SplitToken(text, ' '), "1");
    EXPECT_EQ(SplitToken(text, ' '), "");
    EXPECT_EQ(SplitToken(text, ' '), "2");
    EXPECT_EQ(text, "");
}

TEST(ReplaceText, NonOverlappingLeftToRight)
{
    struct Case {
        std::string src, pat, rep, out;
    } cases[] = {
        {"0,5", ",", ".", "0.5"},
        {"1,2,3", ",", ".", "1.2.3"},
        {"aaa", "aa", "b", "ba"},
        {"abc", "", "x", "abc"},
        {"abc", "B", "x", "abc"},        // case-sensitive
        {"aa", "a", "aa", "aaaa"},       // replacement is not scanned again
        {"", ",", ".", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceText(c.src, c.pat, c.rep), c.out) << c.src;
}

TEST(TextToFloat, StrictDecimalGrammar)
{
    struct Case {
        std::string in;
        double out;
    } cases[] = {
        {"1,5", 1.5},     {"1.5 ", 0.0},  {"", 0.0},     {"-2e3", -2000.0}, {"  25", 25.0},
        {"+3", 3.0},      {"-", 0.0},     {".5", 0.5},   {"5.", 5.0},       {"1e", 0.0},
        {"1e+2", 100.0},  {"0x10", 0.0},  {"inf", 0.0},  {"nan", 0.0},      {"1.2.3", 0.0},
        {"12a", 0.0},     {"-0,25", -0.25}, {"\t1", 0.0}, {"1E-1", 0.1},
        // Out of the double's range: not a number rather than an infinity.
        {"1e999", 0.0},   {"-1e999", 0.0},
        // Longer than any buffer the conversion might use on the stack.
        {std::string(100, '0') + "1,5", 1.5},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(TextToFloat(c.in), c.out) << "'" << c.in << "'";
}

TEST(TextToFloat, SeparatorDoesNotDependOnTheCLocale)
{
    // A German locale in the C library must change nothing: "," and "."
    // both stay decimal separators.
    const pxr::test::CommaLocale german;
    EXPECT_DOUBLE_EQ(TextToFloat("0.5"), 0.5);
    EXPECT_DOUBLE_EQ(TextToFloat("0,5"), 0.5);
    if (!german.active())
        GTEST_SKIP() << "no German locale installed";
}

TEST(TrimControls, RemovesCode32AndBelowAtBothEnds)
{
    EXPECT_EQ(TrimControls(" \t0,5\r\n"), "0,5");
    EXPECT_EQ(TrimControls(" "), "");
    EXPECT_EQ(TrimControls(std::string("\0a b\x1b", 5)), "a b");
}
