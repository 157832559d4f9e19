#pragma once
// Small helpers of the call-taking program that its windows and its message composer share.
// The existence test for paths is PathExists in FileIO.h.

#include <string>
#include <string_view>

#include "FileIO.h"  // PathExists
#include "Platform.h"

namespace cadro {

// The typed character `keyCode` (an ANSI byte value) when it is one of `allowed`, compared
// without regard to letter case, or when it is backspace (8) and `allowBackspace`; otherwise
// beeps and returns 0, so the key handler swallows the key.
int FilterKey(int keyCode, std::string_view allowed, bool allowBackspace, Prompts& prompts);

// The upper-case form of one Windows-1252 byte ("a" -> "A", "e acute" -> "E acute").
char AnsiUpper(char c);

// The text re-broken for the radio message: lines (split by GetLine) of up to 78 characters stay
// whole; a longer line becomes 77-character pieces ending in "=" plus a shorter last piece. Lines
// end in CR LF; the result has no line break at its end.
std::string WrapLines(std::string_view text);

}  // namespace cadro
