// TwipsPerPixel: how the Qt host turns the forms' twips into pixels. The forms' sizes and the
// grids' default column widths were made for the suite's 9-point dialog font: a 1100-twip
// column holds a date ("2026-03-15"), a 900-twip column an amount ("1,234,567.00"). The scale is
// measured in the font the dialog actually uses, so that those texts and a table cell's margins
// fit; it is never more than 15 twips per pixel (a 96-DPI screen), so a narrow font still gets
// the designed size. Pure function of the font and the style; the user-interface thread only.
#pragma once

class QFont;
class QStyle;

namespace qmz {

// The point size of the dialogs' font.
inline constexpr int kDialogFontPoints = 9;

float TwipsPerPixel(const QFont& font, const QStyle& style);

}  // namespace qmz
