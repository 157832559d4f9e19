#pragma once
// The rules of the station and preferences dialogs and of the list window's layout, apart from
// the widgets so that tests can call them directly. Texts are ANSI bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "CadroIni.h"

namespace cadro {

// Windows-1252 letter case, so "é" becomes "É" as it does on the host's platform.
char AnsiUpper(char c);
char AnsiLower(char c);
std::string AnsiUpper(std::string_view text);

// First letter of every word upper case, the other letters lower case; words are separated by
// blanks, tabs and line breaks ("MARY o'NEIL" becomes "Mary O'neil").
std::string ProperCase(std::string_view text);

// What a station dialog box does with a typed character.
enum class StationBoxKind { AnyText, UpperCaseFiltered, DigitsOnly };
StationBoxKind StationBoxKindOf(int box);

// The characters the user-ID and location-ID boxes admit (compared without regard to case).
inline constexpr std::string_view kStationIdChars = "abcdefghijklmnopqrstuvwxyz0123456789+-.,;(){}[]<>? ";
inline constexpr std::string_view kDigitChars = "0123456789";

// The typed character as the box takes it, or nothing when the box refuses it (the caller beeps).
// Backspace (8) is always taken.
std::optional<char> StationBoxKey(int box, char typed);

// `Eno` as the station dialog shows it: at least four digits ("0100").
std::string FormatEventNumber(std::int32_t eno);

// Numbers typed into the dialogs. Each answers the value, or nothing when the text is not a
// whole number in the range given by the matching k... constants.
inline constexpr std::int32_t kHighestEventNumber = 32767;
inline constexpr int kLowestTimeout = 1;
inline constexpr int kHighestTimeout = 32767;
std::optional<std::int32_t> ParseEventNumber(std::string_view text);
std::optional<std::int16_t> ParseTimeout(std::string_view text);
std::optional<int> ParsePort(std::string_view text);

// The "Config" panel of the main window's status bar.
std::string ConfigPanelText(const StationSettings& s);

// The list font: the buttons step it by one point between these bounds.
inline constexpr float kSmallestListFont = 6.0F;
inline constexpr float kLargestListFont = 36.0F;
inline constexpr float kDefaultListFont = 10.0F;
float ClampListFont(float size);

// Window placement and column widths are stored in twips (1/1440 inch).
int TwipsToPixels(long twips, double dotsPerInch);
long PixelsToTwips(int pixels, double dotsPerInch);

}  // namespace cadro
