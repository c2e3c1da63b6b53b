#pragma once
// Small text functions shared by the transactions, the parameter sets, the
// files and the simulated device. Texts are byte strings.

#include <cstdint>
#include <string>
#include <string_view>

namespace pxr {

// The number grammar every text-to-number conversion of the program shares:
// blanks, an optional sign, digits with one optional decimal separator ("."
// and, where `commaToo`, ","), at least one digit, an optional exponent, and
// nothing after it. On success [numberBegin, text.size()) is the number
// without the leading blanks.
bool ScanDecimal(std::string_view text, bool commaToo, size_t& numberBegin);
// Converts a text ScanDecimal accepted (with "," read as "."), independent
// of the C locale; false for a value out of the double's range.
bool ConvertScannedDecimal(std::string_view number, double& value);

// Blanks, an optional sign and one or more decimal digits, nothing else
// after them. The magnitude stops growing at `cap`, so that a caller tells a
// number too large for it without an overflow.
bool ReadWholeNumber(std::string_view text, int64_t cap, int64_t& value);

// Cuts the text before the first delimiter off `text` and returns it; the
// delimiter goes too. Without a delimiter the whole text is the token and
// `text` becomes empty. Consecutive delimiters give empty tokens.
std::string SplitToken(std::string& text, char delimiter);

// Left-to-right, non-overlapping replacement; an empty pattern changes nothing.
std::string ReplaceText(const std::string& source, const std::string& pattern,
                        const std::string& replacement);

// "," counts as "."; leading blanks are skipped, anything left over (a
// trailing blank too), a bare sign or an empty text gives 0.
double TextToFloat(const std::string& text);

// Strict decimal number of the same grammar; false where TextToFloat gives 0
// for a malformed text.
bool TryTextToFloat(const std::string& text, double& value);

// The text with the letters A-Z (a-z) changed; every other byte stays, so
// that the result does not depend on the C locale.
std::string LowerCase(std::string text);
std::string UpperCase(std::string text);
// Equal but for the case of the letters A-Z.
bool SameTextNoCase(std::string_view a, std::string_view b);

// Removes the characters of code 32 or less from both ends.
std::string TrimControls(const std::string& text);

// The character a byte stands for in Windows-1252, the 8-bit code page of
// the meters' world; U+FFFD for the five bytes it leaves undefined.
char32_t windows1252Char(unsigned char byte);
void appendUtf8(std::string& out, char32_t c);
// The character that begins at `pos`, as UTF-8 for a message: a valid UTF-8
// sequence as it is, any other byte as its Windows-1252 character. `length`
// is the number of bytes it takes.
std::string characterAt(const std::string& bytes, size_t pos, size_t& length);

} // namespace pxr
