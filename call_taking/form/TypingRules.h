#pragma once
// What typing and leaving a box does to its text: the character each box admits, the boxes that
// upper-case as typed or proper-case when left, the last-seen time, and the line breaks of the
// two detail boxes. Texts are ANSI (Windows-1252) bytes.

#include <optional>
#include <string>
#include <string_view>

#include "FormRules.h"
#include "Platform.h"

namespace cadro::form {

// The characters a box admits as typed, or nothing when it takes every character. Letters are
// compared without regard to case.
std::optional<std::string_view> AllowedCharacters(BoxId box);

// txtLaw 4 and 5 (licence plate and state) turn typed letters into capitals.
bool UppercasesTypedKeys(BoxId box);

// The boxes whose text becomes proper case when the focus leaves them.
bool ProperCasesOnLeave(BoxId box);

// Windows-1252 letter case, one byte at a time; other bytes are returned unchanged.
char UpperAnsi(char c);
char LowerAnsi(char c);

// The first letter of every word upper case, every other letter lower case: MAIN ST NW becomes
// Main St Nw. Words are separated by blanks and control whitespace only.
std::string ProperCase(std::string_view text);

// A last-seen text that holds no ":" and is a whole number is read as minutes relative to
// `now` and becomes that clock time as "HH:mm"; any other text comes back unchanged.
std::string LastSeenTime(std::string_view text, const LocalTime& now);

// The detail boxes show line breaks; the record keeps them as the two characters "\n".
std::string DetailsForBox(std::string_view stored);    // "\n" -> CR LF
std::string DetailsFromBox(std::string_view boxText);  // CR LF (and a lone CR or LF) -> "\n"

}  // namespace cadro::form
