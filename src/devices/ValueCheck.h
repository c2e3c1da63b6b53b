#pragma once
// What a value of an editor field can be. Two uses:
//  - the characters the meter can take, checked wherever a value comes in
//    (typed, pasted, a parameter file, the clipboard) and before a write, so
//    that nothing the user did not see reaches the wire: the protocol is
//    ASCII, and a character the editor cannot hold as one byte would
//    otherwise go out as "?"; a blank inside one value of a code with
//    several values would shift the values after it. Any other text may
//    stand in a field, as the editor has always allowed;
//  - whether a meter's answer can be a value of its field at all, by the
//    field's editor kind and range (PXR500C answers without an echo, so line
//    noise at a wrong baud rate would otherwise be taken for values).

#include <cstddef>
#include <string>

#include "devices/DeviceType.h"
#include "devices/ParameterTable.h"

namespace pxr {

class FieldBinding;

// Whether value `index` of the code can hold the byte: printable ASCII; a
// blank only in the field of a code with a single value, where it cannot
// split the value when the code travels.
bool fieldAccepts(const ParameterDef& def, std::size_t index, unsigned char c);

// Why the text cannot stand in value `index` of the code, e.g.
// `the value of SA contains "€", which the meter cannot take`; empty when
// it can. The character is named as UTF-8 (see characterAt).
std::string refusedValueText(const ParameterDef& def, std::size_t index, const std::string& text);

// Panel 2 when typing or pasting would put a character into the field that
// it cannot take (`utf8`: the field's new text as UTF-8):
// ` "€" not taken: the meter cannot take it in SA`, or for a blank in one
// of several values ` " " not taken: it would split the values of TD`.
std::string typedCharacterRefusal(const ParameterDef& def, std::size_t index, const std::string& utf8);

// The same for the text of a whole code as it travels (a file, the
// clipboard): split into the code's values first.
std::string refusedJoinedText(const ParameterDef& def, const std::string& joined);

// Whether the byte can stand in anything a meter prints as a value: not a
// control byte, nothing outside ASCII.
bool isValueByte(unsigned char c);

// The reason for the first field of the model line whose text the meter
// cannot take; empty when every field can be sent.
std::string refusedEditorText(DeviceType model, const FieldBinding& fields);

// Whether a meter's answer is a possible value of the field: a whole number
// within the range (numeric), one of the entries without regard to letter
// case (list of words), a number (free text, list of numbers). An empty text is possible: values
// beyond the end of a reply are empty.
bool isPossibleValue(const ValueDef& def, const std::string& text);

} // namespace pxr
