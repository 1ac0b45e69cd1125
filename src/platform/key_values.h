// The two `key=value;…` texts the component reads, in one place:
//  - a login property string: a value in braces may hold ";" and "=" and ends at the first "}";
//    anything after it up to the next ";" is dropped; keys and values trimmed of blanks (U+0020);
//    the list ends at the first empty key;
//  - an ODBC connection string: a value in braces ends at a "}" that is not doubled ("}}" stands
//    for a brace inside), and is kept as written, braces included; keys and values trimmed of
//    blanks and tabs; a part without "=" is a key alone.
// Pure functions; safe on any thread; never fail.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qmz {

// Splits `text` at the first `separator`: returns the piece before it and leaves the rest in
// `text`. Without the separator the whole text is returned and `text` becomes empty.
std::string TakeUpTo(std::string& text, const std::string& separator);
// The next key and value of a login property string, taken from `text`.
std::string NextKey(std::string& text);
std::string NextValue(std::string& text);

struct KeyValue {
  std::string key;
  std::string value;
  std::string text;  // "key=value" as kept (a connection string's part without "=": the key)
};

// The items of a login property string, in their order, repeated keys included.
std::vector<KeyValue> LoginProperties(std::string_view text);
// The parts of an ODBC connection string, in their order.
std::vector<KeyValue> ConnectionAttributes(std::string_view text);
// A connection string's value without its braces ("}}" left as written).
std::string Unbraced(const std::string& value);

}  // namespace qmz
