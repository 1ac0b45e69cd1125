#include "inventory/gs1_label.h"

#include <cstdio>

#include "inventory/gs1_identifiers.h"

namespace qmz {

namespace {

constexpr char kGs = '\x1d';
constexpr size_t kShownBytes = 40;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool AllDigits(std::string_view text) {
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

// GS1's character set 82: printable ASCII but space # $ @ [ \ ] ^ ` { | } ~.
bool InSet82(char c) {
  if (c < '!' || c > 'z') return false;
  switch (c) {
    case '#':
    case '$':
    case '@':
    case '[':
    case '\\':
    case ']':
    case '^':
    case '`':
      return false;
    default:
      return true;
  }
}

// GS1's character set 64 (base64url) and "=" for padding.
bool InSet64(char c) {
  return IsDigit(c) || IsAsciiLetter(c) || c == '-' || c == '_' || c == '=';
}

bool InCharset(char c, Gs1Charset charset) {
  switch (charset) {
    case Gs1Charset::kDigits:
      return IsDigit(c);
    case Gs1Charset::kSet82:
      return InSet82(c);
    case Gs1Charset::kSet64:
      return InSet64(c);
  }
  return false;
}

// A byte as a message shows it: visible ASCII as it is, GS as <GS>, any other (a space too) in
// hex.
std::string ShownByte(char c) {
  if (c > ' ' && c <= '~') return std::string(1, c);
  if (c == kGs) return "<GS>";
  char hex[8];
  std::snprintf(hex, sizeof hex, "<%02X>", static_cast<unsigned>(static_cast<unsigned char>(c)));
  return hex;
}

std::string Shown(std::string_view value) {
  std::string shown;
  for (size_t i = 0; i < value.size() && i < kShownBytes; ++i) shown += ShownByte(value[i]);
  if (value.size() > kShownBytes) shown += "...";
  return shown;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

int TwoDigits(std::string_view text, size_t at) {
  return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

// YYMMDD, six digits: the date, or none when the month or day does not exist.
std::optional<Gs1Date> ParseDate(std::string_view digits) {
  Gs1Date date{2000 + TwoDigits(digits, 0), TwoDigits(digits, 2), TwoDigits(digits, 4)};
  if (date.month < 1 || date.month > 12) return std::nullopt;
  const int last = DaysInMonth(date.year, date.month);
  if (date.day == 0) date.day = last;
  if (date.day > last) return std::nullopt;
  return date;
}

// The field's name in messages: what the clerk calls it, and its AI.
std::string FieldName(const Gs1Identifier& identifier, std::string_view ai) {
  const std::string code = "(" + std::string(ai) + ")";
  switch (identifier.meaning) {
    case Gs1Meaning::kGtin:
      return "商品条码" + code;
    case Gs1Meaning::kBatch:
      return "批号" + code;
    case Gs1Meaning::kProduced:
      return "生产日期" + code;
    case Gs1Meaning::kExpiry:
      return "有效期" + code;
    case Gs1Meaning::kSerial:
      return "序列号" + code;
    case Gs1Meaning::kCount:
      return "数量" + code;
    default:
      return code;
  }
}

// What is wrong with a value's length or characters, "" when nothing.
std::string LengthProblem(const Gs1Identifier& identifier, std::string_view value) {
  const size_t min = identifier.min_length, max = identifier.max_length;
  const bool fits = value.size() >= min && value.size() <= max;
  if (identifier.charset == Gs1Charset::kDigits) {
    if (fits && AllDigits(value)) return "";
    if (min == max) return "不是 " + std::to_string(max) + " 位数字";
    if (min == 1) return "不是最多 " + std::to_string(max) + " 位的数字";
    return "不是 " + std::to_string(min) + " 到 " + std::to_string(max) + " 位数字";
  }
  if (fits) return "";
  if (min == max) return "不是 " + std::to_string(max) + " 个字符";
  if (value.size() > max) return "超过 " + std::to_string(max) + " 个字符";
  return "少于 " + std::to_string(min) + " 个字符";
}

// Reads the fields of one label into `label`, keeping what was seen of the pickers' fields.
class LabelReader {
 public:
  explicit LabelReader(Gs1Label& label) : label_(label) {}

  // Checks one field and keeps it; the error message, or empty.
  std::string Store(std::string_view ai, std::string_view value) {
    const Gs1Identifier* identifier = FindGs1Identifier(ai);
    const std::string name = FieldName(*identifier, ai);
    if (!Once(*identifier, ai)) return "标签中的" + name + "不止一个";
    if (value.empty()) return "标签的" + name + "是空的";
    const std::string prefix = "标签的" + name + " " + Shown(value) + " ";
    if (std::string problem = LengthProblem(*identifier, value); !problem.empty()) {
      return prefix + problem;
    }
    for (char c : value) {
      if (!InCharset(c, identifier->charset)) {
        return prefix + "含有 GS1 字符集以外的字符：" + ShownByte(c);
      }
    }
    std::optional<Gs1Date> date;
    switch (identifier->meaning) {
      case Gs1Meaning::kGtin:
      case Gs1Meaning::kKey:
        if (!HasGs1CheckDigit(value)) return prefix + "校验位错误";
        break;
      case Gs1Meaning::kProduced:
      case Gs1Meaning::kExpiry:
      case Gs1Meaning::kDate:
        date = ParseDate(value);
        if (!date) return prefix + "不是有效日期";
        break;
      default:
        break;
    }
    Keep(identifier->meaning, value, date);
    label_.elements.push_back({std::string(ai), std::string(value)});
    return "";
  }

 private:
  // Whether the field is the first of its kind: of its meaning for the pickers' fields (the
  // two counts are one), of its AI for the others.
  bool Once(const Gs1Identifier& identifier, std::string_view ai) {
    const Gs1Meaning meaning = identifier.meaning;
    if (meaning == Gs1Meaning::kOther || meaning == Gs1Meaning::kKey ||
        meaning == Gs1Meaning::kDate) {
      for (const Gs1Element& element : label_.elements) {
        if (element.ai == ai) return false;
      }
      return true;
    }
    const unsigned bit = 1u << static_cast<unsigned>(meaning);
    if (seen_ & bit) return false;
    seen_ |= bit;
    return true;
  }

  void Keep(Gs1Meaning meaning, std::string_view value, const std::optional<Gs1Date>& date) {
    switch (meaning) {
      case Gs1Meaning::kGtin:
        label_.gtin = value;
        break;
      case Gs1Meaning::kBatch:
        label_.batch = value;
        break;
      case Gs1Meaning::kSerial:
        label_.serial = value;
        break;
      case Gs1Meaning::kProduced:
        label_.produced = date;
        break;
      case Gs1Meaning::kExpiry:
        label_.expiry = date;
        break;
      case Gs1Meaning::kCount: {
        int64_t count = 0;
        for (char c : value) count = count * 10 + (c - '0');
        label_.count = count;
        break;
      }
      default:
        break;
    }
  }

  Gs1Label& label_;
  unsigned seen_ = 0;
};

std::string UnknownIdentifier(std::string_view shown) {
  return "标签的应用标识符 " + std::string(shown) + " 未知";
}

// The scanner's form: a predefined-length value takes its length, any other runs to a GS or
// the end; a GS may follow either.
std::string ReadScannerForm(std::string_view text, LabelReader& reader) {
  size_t at = 0;
  while (at < text.size()) {
    const std::string_view code = text.substr(at, Gs1IdentifierLength(text.substr(at)));
    const Gs1Identifier* identifier = AllDigits(code) ? FindGs1Identifier(code) : nullptr;
    if (!identifier) return UnknownIdentifier(Shown(code));
    at += code.size();
    size_t end = text.find(kGs, at);
    if (end == std::string_view::npos) end = text.size();
    if (identifier->predefined && end - at > identifier->max_length) {
      end = at + identifier->max_length;
    }
    std::string error = reader.Store(code, text.substr(at, end - at));
    if (!error.empty()) return error;
    at = end;
    if (at < text.size() && text[at] == kGs) ++at;
  }
  return {};
}

// The bracketed form: "(" identifier ")" value, each value running to the next "(" or the end.
std::string ReadBracketForm(std::string_view text, LabelReader& reader) {
  size_t at = 0;
  while (at < text.size()) {
    // Here text[at] is "(": the text starts so, and each value ends before one.
    const size_t close = text.find_first_of("()", at + 1);
    if (close == std::string_view::npos || text[close] == '(') {
      const size_t end = close == std::string_view::npos ? text.size() : close;
      return "标签的应用标识符 " + Shown(text.substr(at, end - at)) + " 缺少右括号";
    }
    const std::string_view code = text.substr(at + 1, close - at - 1);
    if (!AllDigits(code) || !FindGs1Identifier(code)) {
      return UnknownIdentifier("(" + Shown(code) + ")");
    }
    size_t end = text.find('(', close + 1);
    if (end == std::string_view::npos) end = text.size();
    std::string error = reader.Store(code, text.substr(close + 1, end - close - 1));
    if (!error.empty()) return error;
    at = end;
  }
  return {};
}

std::string ReadElementString(std::string_view text, LabelReader& reader) {
  if (!text.empty() && text[0] == kGs) text.remove_prefix(1);
  if (text.empty()) return "标签是空的";
  return text[0] == '(' ? ReadBracketForm(text, reader) : ReadScannerForm(text, reader);
}

// "]E0" + 13 digits or "]E4" + 8 digits: the GTIN, then "|]e0" and a composite's fields.
std::string ReadEan(std::string_view text, size_t digits, LabelReader& reader) {
  const std::string_view number = text.substr(0, digits);
  if (number.size() != digits || !AllDigits(number) ||
      (text.size() > digits && text.substr(digits, 4) != "|]e0")) {
    return "标签的商品条码 " + Shown(text) + " 不是 " + std::to_string(digits) + " 位数字";
  }
  const std::string gtin = std::string(14 - digits, '0') + std::string(number);
  if (std::string error = reader.Store("01", gtin); !error.empty()) return error;
  if (text.size() == digits) return {};
  return ReadElementString(text.substr(digits + 4), reader);
}

bool StartsWithSymbologyIdentifier(std::string_view text) {
  return text.size() >= 3 && text[0] == ']' && IsAsciiLetter(text[1]) && IsDigit(text[2]);
}

bool IsGs1Identifier(std::string_view symbology) {
  for (std::string_view gs1 : {"]C1", "]e0", "]d2", "]Q3", "]J1", "]E0", "]E4"}) {
    if (symbology == gs1) return true;
  }
  return false;
}

// "(" + two to four digits + ")".
bool StartsWithBracketedIdentifier(std::string_view text) {
  if (text.empty() || text[0] != '(') return false;
  size_t digits = 0;
  while (1 + digits < text.size() && IsDigit(text[1 + digits])) ++digits;
  return digits >= 2 && digits <= 4 && 1 + digits < text.size() && text[1 + digits] == ')';
}

bool IsElementString(std::string_view text) {
  return text.find(kGs) != std::string_view::npos || StartsWithBracketedIdentifier(text) ||
         (text.size() >= 16 && text.substr(0, 2) == "01" && AllDigits(text.substr(2, 14)));
}

Gs1Reading NotALabel(std::string_view text) {
  Gs1Reading reading;
  reading.text = text;
  return reading;
}

Gs1Reading Malformed(std::string error) {
  Gs1Reading reading;
  reading.kind = Gs1Reading::Kind::kMalformed;
  reading.error = std::move(error);
  return reading;
}

}  // namespace

std::string FormatGs1Date(const Gs1Date& date) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

bool HasGs1CheckDigit(std::string_view digits) {
  if (digits.size() < 2 || !AllDigits(digits)) return false;
  int sum = 0;
  // Weights 3 and 1 alternate from the digit before the check digit leftwards.
  for (size_t i = 0; i + 1 < digits.size(); ++i) {
    const bool three = (digits.size() - 2 - i) % 2 == 0;
    sum += (digits[i] - '0') * (three ? 3 : 1);
  }
  return (10 - sum % 10) % 10 == digits.back() - '0';
}

Gs1Reading ReadGs1Label(std::string_view text) {
  std::string_view symbology;
  if (StartsWithSymbologyIdentifier(text)) {
    symbology = text.substr(0, 3);
    if (!IsGs1Identifier(symbology)) return NotALabel(text.substr(3));
  } else if (!IsElementString(text)) {
    return NotALabel(text);
  }
  if (text.size() > kMaxGs1LabelBytes) {
    return Malformed("标签太长：" + std::to_string(text.size()) + " 字节，最多 " +
                     std::to_string(kMaxGs1LabelBytes) + " 字节");
  }
  text.remove_prefix(symbology.size());
  Gs1Reading reading;
  LabelReader reader(reading.label);
  std::string error;
  if (symbology == "]E0" || symbology == "]E4") {
    error = ReadEan(text, symbology == "]E0" ? 13 : 8, reader);
  } else {
    error = ReadElementString(text, reader);
  }
  if (!error.empty()) return Malformed(error);
  reading.kind = Gs1Reading::Kind::kLabel;
  return reading;
}

}  // namespace qmz
