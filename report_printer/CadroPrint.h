#pragma once
// Draws one report (a form filled with message data) onto a drawing target whose unit is the
// millimetre, measured from the top left of the printable area or of the preview picture. The
// same drawing serves the printer, the preview and PDF output, so the preview shows what prints.

#include <cstdint>
#include <string>

#include "DefinitionFiles.h"

namespace cadro {

// A colour value as the form files' colour names denote it: low byte red, then green, then blue.
using ColourValue = std::uint32_t;
inline constexpr ColourValue kBlack = 0x000000;
inline constexpr ColourValue kWhite = 0xFFFFFF;

// The surface the renderer draws on. Texts are ANSI bytes; the target turns them into glyphs.
class DrawingTarget {
public:
  virtual ~DrawingTarget() = default;
  // Font of the next texts; throws RunError when the target cannot use the size.
  virtual void SetFont(const std::string& name, double points) = 0;
  virtual void SetForeColour(ColourValue colour) = 0;
  // The line primitive: see DrawForm for how an item's two corners become lines.
  virtual void DrawLine(double x1, double y1, double x2, double y2, ColourValue colour) = 0;
  // Prints `text` in the current font and fore colour with its top left at (x, y).
  virtual void PrintText(double x, double y, const std::string& text) = 0;
  // Width of `text` in the current font, in millimetres.
  virtual double TextWidth(const std::string& text) = 0;
};

// The colour of a fixed-text colour name (case-insensitive); unknown names are black.
ColourValue ColourFromName(const std::string& name);

// "Portrait" for 1, "Landscape" for 2, "" otherwise.
std::string OrientationName(int orientation);

// EVNT | TYPE | LOC1 of the message, for the session log.
std::string ReportSummary(const DataDefinition& data);

// Lines, captions and fixed texts of every form item. Always true.
bool DrawForm(DrawingTarget& target, const FormDefinition& form);

// Every data value into every form item whose key matches (case-insensitively). An item whose
// font size is not a number, or whose "\#" code is not a character code, is skipped.
void FillData(DrawingTarget& target, const FormDefinition& form, const DataDefinition& data);

// `text` word by word within the item's width, one line every 5 mm; "\n" starts a new line.
void PrintWrapped(DrawingTarget& target, const FormDefinition& form, const FormItem& item,
                  const std::string& text);

// DrawForm, then FillData.
void RenderReport(DrawingTarget& target, const FormDefinition& form, const DataDefinition& data);

// The character a "\#" value stands for: the code written from the value's third character on.
// nullopt when that is not a whole number from 0 to 255 (decimals round as the original did).
std::optional<char> CharacterFromCode(const std::string& value);

// Forms ask for symbol faces (Wingdings, Wingdings 2, Symbol) that Linux does not have. The whole
// Symbol code page, and the Wingdings codes forms use for ticks, crosses, boxes, bullets and
// arrows, are printed as the Unicode signs they show, in a face that has them (kSignFace); any
// other text reads as the ANSI code page. Returns UTF-8.
inline constexpr const char* kSignFace = "DejaVu Sans";
bool IsSymbolFace(const std::string& fontName);
std::string DisplayTextUtf8(const std::string& fontName, const std::string& ansiText);

}  // namespace cadro
