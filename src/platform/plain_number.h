// Floating numbers written and read as C does in its "C" locale, whatever locale the host has
// set. A Qt application sets the user's (QCoreApplication calls setlocale), and a German one
// then writes 12.5 through printf as "12,5" and reads "12.5" through strtod as 12: the values a
// lookup hands back and the quantities a clerk types must not depend on it.
//
// Pure functions; safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmz {

// `value` as printf's "%.<significant>g" writes it in the "C" locale ("12.5", "1e+20", "inf",
// "-nan"); `significant` from 1 to 17.
std::string PlainG(double value, int significant);

// `value` as printf's "%.<decimals>e" writes it in the "C" locale ("1.25000000000000e+01");
// `decimals` from 0 to 17.
std::string PlainE(double value, int decimals);

// The whole of `text` read as strtod reads a decimal number in the "C" locale: an optional sign,
// digits with an optional point, an optional exponent; "inf" and "nan" too. Beyond a double's
// range it reads as strtod does: an infinity, or a zero for a number too small. Nothing when any
// of `text` is not part of such a number (blanks included).
std::optional<double> ReadPlainDouble(std::string_view text);

}  // namespace qmz
