#pragma once
// Two callers give the same place in different words: "100 N. Main Street" and "100 north main
// st" are one address. The normal form lets such texts compare equal.

#include <string>
#include <string_view>

namespace cadro::aids {

// Windows-1252 letters folded to lower case (ASCII and the accented letters of the code page).
char FoldByte(char c);
std::string FoldCase(std::string_view ansi);

// Lower case, apostrophes and dots dropped ("O'Neil" = "ONeil", "N.W." = "NW"), every other
// punctuation mark a word break, runs of blanks one space, and the common street words and
// compass points in their short form ("street" -> "st", "north" -> "n", "avenue" -> "ave").
std::string NormaliseAddress(std::string_view ansi);
// NormaliseAddress(ansi) == normalised, without building the normal form: the duplicate check
// asks this of every report of the hour, and most differ in their first word.
bool NormalisesTo(std::string_view ansi, std::string_view normalised);

}  // namespace cadro::aids
