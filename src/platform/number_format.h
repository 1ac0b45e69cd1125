// Number texts as the suite's scripting language makes and reads them: the Format function
// with a digit pattern, and the Val function's leading-number reader.
//
// FormatNumber pattern (one section):
//   0      a digit, shown as 0 where the number has none
//   #      a digit, shown only where the number has one
//   .      the first one is the decimal point; it stays even with no digit after it
//          (Format(5, "###,##0.") gives "5.")
//   ,      between integer digit placeholders: thousands grouping of the whole integer part;
//          right after the last integer placeholder: divides the number by 1000 per comma;
//          anywhere else it stands for itself
//   %      multiplies the number by 100 and shows itself
//   \c, "text"  literal characters; any other character also stands for itself
// Integer digits beyond the placeholders all show at the leftmost one; the placeholders from
// the first 0 onwards fix the minimum count of integer digits. The decimals: one per
// placeholder after the point, rounded; trailing zeros over # placeholders are dropped.
// Rounding takes the number to 15 significant digits first and then rounds the decimal digits
// half away from zero, so 1.005 with two decimals gives 1.01 and -2.5 with none gives -3. A
// result that rounds to zero carries no minus sign. An empty pattern gives DoubleToText.
// Sections (;) and scientific patterns (E+, E-) are not supported and raise an Error, as does
// a value that is not finite.
//
// Pure functions; safe on any thread.
#pragma once

#include <string>

namespace qmz {

std::string FormatNumber(double value, const std::string& pattern);

// The number at the start of a text, as Val reads it: blanks (space, tab, CR, LF) are skipped
// anywhere in the number; an optional sign, digits with at most one point, an optional exponent
// (E or D, optional sign, digits); reading stops at the first other character. No number
// gives 0 ("1,234.50" gives 1, "" gives 0, "abc" gives 0). Error ("Overflow") when the number
// is too large for a double. Hexadecimal (&H) and octal (&O) forms are not read.
double LeadingNumber(const std::string& text);

// The text form of a single-precision number: up to 7 significant digits, no trailing zeros
// (1371 gives "1371", 1919.4 gives "1919.4").
std::string SingleToText(float value);

}  // namespace qmz
