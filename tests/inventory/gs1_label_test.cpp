// The GS1 label reader: every form a scanner types, the dates, the character set, the texts that
// are no label and the messages of the malformed ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "inventory/gs1_label.h"

namespace qmz {
namespace {

// A reading as one line: "not a label", "error: ..." or the label's fields that are present.
std::string Describe(const Gs1Reading& reading) {
  switch (reading.kind) {
    case Gs1Reading::Kind::kNotALabel:
      return "not a label";
    case Gs1Reading::Kind::kMalformed:
      return "error: " + reading.error;
    case Gs1Reading::Kind::kLabel:
      break;
  }
  const Gs1Label& label = reading.label;
  std::string text = "label";
  if (!label.gtin.empty()) text += " gtin=" + label.gtin;
  if (!label.batch.empty()) text += " batch=" + label.batch;
  if (label.produced) text += " produced=" + FormatGs1Date(*label.produced);
  if (label.expiry) text += " expiry=" + FormatGs1Date(*label.expiry);
  if (!label.serial.empty()) text += " serial=" + label.serial;
  if (label.count) text += " count=" + std::to_string(*label.count);
  for (const Gs1Element& element : label.elements) {
    static const std::vector<std::string> kShown = {"01", "10", "11", "17", "21", "30", "37"};
    if (std::find(kShown.begin(), kShown.end(), element.ai) == kShown.end()) {
      text += " (" + element.ai + ")" + element.value;
    }
  }
  return text;
}

using Cases = std::vector<std::pair<std::string, std::string>>;

// The group separator (FNC1) that ends a field of variable length.
const std::string kGS = "\x1d";

void ExpectReadings(const Cases& cases) {
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(Describe(ReadGs1Label(text)), expected) << "text: " << text;
  }
}

TEST(Gs1LabelTest, EveryFormGivesTheSameLabel) {
  const std::string same = "label gtin=09501101530003 batch=ABC expiry=2026-01-31";
  ExpectReadings({
      {"010950110153000310ABC" + kGS + "17260131", same},
      {"01095011015300031726013110ABC", same},
      {"0109501101530003" + kGS + "17260131" + kGS + "10ABC" + kGS, same},
      {"10ABC" + kGS + "010950110153000317260131", same},
      {"]C1010950110153000310ABC" + kGS + "17260131", same},
      {"]d2010950110153000310ABC" + kGS + "17260131", same},
      {"]Q3010950110153000310ABC" + kGS + "17260131", same},
      {"]e001095011015300031726013110ABC", same},
      {kGS + "010950110153000310ABC" + kGS + "17260131", same},
      {"]C1" + kGS + "01095011015300031726013110ABC", same},
      {"(01)09501101530003(10)ABC(17)260131", same},
      {"(17)260131(10)ABC(01)09501101530003", same},
      {"]Q3(01)09501101530003(10)ABC(17)260131", same},
      {kGS + "(01)09501101530003(10)ABC(17)260131", same},
  });
  // Every field, and each count identifier.
  ExpectReadings({
      {"(01)09501101530003(11)250615(17)260100(21)SN-7(30)12",
       "label gtin=09501101530003 produced=2025-06-15 expiry=2026-01-31 serial=SN-7 count=12"},
      {"01095011015300033700000250", "label gtin=09501101530003 count=250"},
      {"]C13099999999" + kGS + "21X1", "label serial=X1 count=99999999"},
      {"(10)B2601", "label batch=B2601"},
      {"]C1", "error: 标签是空的"},
  });
}

// Fields the pickers do not use are read, checked and kept in order: the scan data of a GS1
// syntax engine's published test vectors, and the AIs of real labels (net weight, best before,
// additional id, order number, internal fields) in every form.
TEST(Gs1LabelTest, EveryApplicationIdentifierOfTheTableIsReadPast) {
  const std::string vector_label = "label gtin=12312312312333 batch=ABC123 (99)TESTING";
  ExpectReadings({
      {"]Q3011231231231233310ABC123" + kGS + "99TESTING", vector_label},
      {"]d2011231231231233310ABC123" + kGS + "99TESTING", vector_label},
      {"]C1011231231231233310ABC123" + kGS + "99TESTING", vector_label},
      {"]e0011231231231233310ABC123" + kGS + "99TESTING" + kGS + "98XYZ",
       vector_label + " (98)XYZ"},
      {"]e0011231231231233310ABC123" + kGS + "1199122598TESTING" + kGS + "97XYZ",
       "label gtin=12312312312333 batch=ABC123 produced=2099-12-25 (98)TESTING (97)XYZ"},
      {"]e0012401234567890599COMPOSITE" + kGS + "98XYZ",
       "label gtin=24012345678905 (99)COMPOSITE (98)XYZ"},
      // EAN-13 and EAN-8 are GTINs; a composite follows "|]e0".
      {"]E02112345678900", "label gtin=02112345678900"},
      {"]E02112345678900|]e099COMPOSITE" + kGS + "98XYZ",
       "label gtin=02112345678900 (99)COMPOSITE (98)XYZ"},
      {"]E402345673", "label gtin=00000002345673"},
      {"]E02112345678901", "error: 标签的商品条码(01) 02112345678901 校验位错误"},
      {"]E0123", "error: 标签的商品条码 123 不是 13 位数字"},
      // A symbology of plain data is typed text.
      {"]Q1B2601", "not a label"},
      {"]d1TESTING", "not a label"},
  });
  ExpectReadings({
      {"(01)09501101530003(3103)001250(10)B2601(15)270101(17)270105(240)ART-7(400)PO 4711(91)X",
       "error: 标签的(400) PO<20>4711 含有 GS1 字符集以外的字符：<20>"},
      {"(01)09501101530003(3103)001250(10)B2601(15)270101(17)270105(240)ART-7(400)PO4711(91)X",
       "label gtin=09501101530003 batch=B2601 expiry=2027-01-05 (3103)001250 (15)270101 "
       "(240)ART-7 (400)PO4711 (91)X"},
      {"]C10109501101530003310300125010B2601" + kGS + "1527010117270105240ART-7" + kGS +
           "400PO4711" + kGS + "91X",
       "label gtin=09501101530003 batch=B2601 expiry=2027-01-05 (3103)001250 (15)270101 "
       "(240)ART-7 (400)PO4711 (91)X"},
      // Predefined lengths need no separator, others do.
      {"]C1310300125015270101422156" + kGS + "10X",
       "label batch=X (3103)001250 (15)270101 (422)156"},
      {"]C142215610X", "error: 标签的(422) 15610X 不是 3 位数字"},
      // Every check the table asks for.
      {"(3103)12345", "error: 标签的(3103) 12345 不是 6 位数字"},
      {"(3106)123456", "error: 标签的应用标识符 (3106) 未知"},
      {"(15)271301", "error: 标签的(15) 271301 不是有效日期"},
      {"(00)123456789012345675", "label (00)123456789012345675"},
      {"(00)123456789012345670", "error: 标签的(00) 123456789012345670 校验位错误"},
      {"(4307)CHN", "error: 标签的(4307) CHN 不是 2 个字符"},
      {"(421)15", "error: 标签的(421) 15 少于 4 个字符"},
      {"(90)" + std::string(31, 'A'),
       "error: 标签的(90) " + std::string(31, 'A') + " 超过 30 个字符"},
      {"(8030)ab+c", "error: 标签的(8030) ab+c 含有 GS1 字符集以外的字符：+"},
      {"(240)A(240)B", "error: 标签中的(240)不止一个"},
  });
}

TEST(Gs1LabelTest, DayZeroIsTheMonthsLastDay) {
  ExpectReadings({
      {"(17)280200", "label expiry=2028-02-29"},
      {"(17)260200", "label expiry=2026-02-28"},
      {"(17)000200", "label expiry=2000-02-29"},
      {"(11)260400", "label produced=2026-04-30"},
      {"(17)261200", "label expiry=2026-12-31"},
      {"(17)280229", "label expiry=2028-02-29"},
      {"(17)991231", "label expiry=2099-12-31"},
      {"(17)260229", "error: 标签的有效期(17) 260229 不是有效日期"},
      {"(11)260431", "error: 标签的生产日期(11) 260431 不是有效日期"},
  });
  EXPECT_EQ(FormatGs1Date(Gs1Date{2026, 1, 5}), "2026-01-05");
}

TEST(Gs1LabelTest, BatchAndSerialTakeGs1PunctuationUpToTwentyCharacters) {
  ExpectReadings({
      {"(10)A-1/2.B", "label batch=A-1/2.B"},
      {"(10)A)B", "label batch=A)B"},
      {"]C110A(1)B" + kGS + "21!\"%&'*+,:;<=>?_z", "label batch=A(1)B serial=!\"%&'*+,:;<=>?_z"},
      {"(10)ABCDEFGHIJ0123456789", "label batch=ABCDEFGHIJ0123456789"},
      {"(21)abcdefghij0123456789", "label serial=abcdefghij0123456789"},
      {"(10)ABCDEFGHIJ0123456789K", "error: 标签的批号(10) ABCDEFGHIJ0123456789K 超过 20 个字符"},
      {"]C121abcdefghij0123456789k",
       "error: 标签的序列号(21) abcdefghij0123456789k 超过 20 个字符"},
      // In the bracketed form "(" always starts the next identifier.
      {"(10)A(1)B", "error: 标签的应用标识符 (1) 未知"},
      {"(10)A#B", "error: 标签的批号(10) A#B 含有 GS1 字符集以外的字符：#"},
      {"(10)A$B", "error: 标签的批号(10) A$B 含有 GS1 字符集以外的字符：$"},
      {"(21)X@1", "error: 标签的序列号(21) X@1 含有 GS1 字符集以外的字符：@"},
      {"(21)X[1]", "error: 标签的序列号(21) X[1] 含有 GS1 字符集以外的字符：["},
      {"(10)a\\b", "error: 标签的批号(10) a\\b 含有 GS1 字符集以外的字符：\\"},
      {"(10)a^b", "error: 标签的批号(10) a^b 含有 GS1 字符集以外的字符：^"},
      {"(10)a`b", "error: 标签的批号(10) a`b 含有 GS1 字符集以外的字符：`"},
      {"(10)a{b", "error: 标签的批号(10) a{b 含有 GS1 字符集以外的字符：{"},
      {"(10)a~b", "error: 标签的批号(10) a~b 含有 GS1 字符集以外的字符：~"},
      {"(10)A B", "error: 标签的批号(10) A<20>B 含有 GS1 字符集以外的字符：<20>"},
      {"(21)\xc3\x84"
       "1",
       "error: 标签的序列号(21) <C3><84>1 含有 GS1 字符集以外的字符：<C3>"},
      {"(10)A" + kGS + "B", "error: 标签的批号(10) A<GS>B 含有 GS1 字符集以外的字符：<GS>"},
  });
}

TEST(Gs1LabelTest, TheGtinsCheckDigitIsVerified) {
  for (const char* valid : {"09501101530003", "00012345678905", "00000000000000", "2112345678900",
                            "02345673", "416000336108"}) {
    EXPECT_TRUE(HasGs1CheckDigit(valid)) << valid;
  }
  for (const char* invalid : {"09501101530004", "00012345678900", "2112345678901", "02345674",
                              "0950110153000A", "5", ""}) {
    EXPECT_FALSE(HasGs1CheckDigit(invalid)) << invalid;
  }
  ExpectReadings({
      {"(01)09501101530004", "error: 标签的商品条码(01) 09501101530004 校验位错误"},
      {"0109501101530004", "error: 标签的商品条码(01) 09501101530004 校验位错误"},
  });
}

TEST(Gs1LabelTest, PlainTextIsNotALabel) {
  ExpectReadings({
      {"B2601", "not a label"},
      {"0123", "not a label"},
      {"A'B", "not a label"},
      {"", "not a label"},
      {"09501101530003", "not a label"},
      {"010950110153000", "not a label"},
      {"3099999999", "not a label"},
      {"(1)A", "not a label"},
      {"(10A", "not a label"},
      {"(12345)X", "not a label"},
      {"(AB)X", "not a label"},
      {"]C", "not a label"},
      {"]1C", "not a label"},
      {"ABC(01)09501101530003", "not a label"},
      {std::string(600, 'A'), "not a label"},
  });
}

TEST(Gs1LabelTest, MalformedLabelsAreRefusedNamingWhatWasRead) {
  ExpectReadings({
      {kGS, "error: 标签是空的"},
      {"]d2" + kGS, "error: 标签是空的"},
      {"(9999)1", "error: 标签的应用标识符 (9999) 未知"},
      {"(2400)X", "error: 标签的应用标识符 (2400) 未知"},
      {"(10)A()", "error: 标签的应用标识符 () 未知"},
      {"]C17712", "error: 标签的应用标识符 77 未知"},
      {"]C110A" + kGS + kGS + "21B", "error: 标签的应用标识符 <GS>2 未知"},
      {"]C110A" + kGS + "7", "error: 标签的应用标识符 7 未知"},
      {"(10)A(01", "error: 标签的应用标识符 (01 缺少右括号"},
      {"(10)A(21(17)260131", "error: 标签的应用标识符 (21 缺少右括号"},
      {"(01)", "error: 标签的商品条码(01)是空的"},
      {"(01)0950110153000", "error: 标签的商品条码(01) 0950110153000 不是 14 位数字"},
      {"(01)095011015300030", "error: 标签的商品条码(01) 095011015300030 不是 14 位数字"},
      {"(01)0950110153000A", "error: 标签的商品条码(01) 0950110153000A 不是 14 位数字"},
      {"]C1010950110153000" + kGS + "10A",
       "error: 标签的商品条码(01) 0950110153000 不是 14 位数字"},
      {"(17)261332", "error: 标签的有效期(17) 261332 不是有效日期"},
      {"(17)261301", "error: 标签的有效期(17) 261301 不是有效日期"},
      {"(17)260001", "error: 标签的有效期(17) 260001 不是有效日期"},
      {"(17)2613", "error: 标签的有效期(17) 2613 不是 6 位数字"},
      {"(11)26013A", "error: 标签的生产日期(11) 26013A 不是 6 位数字"},
      {"]C1172601", "error: 标签的有效期(17) 2601 不是 6 位数字"},
      {"(10)", "error: 标签的批号(10)是空的"},
      {"]C110" + kGS + "17260131", "error: 标签的批号(10)是空的"},
      {"(21)(10)A", "error: 标签的序列号(21)是空的"},
      {"(30)123456789", "error: 标签的数量(30) 123456789 不是最多 8 位的数字"},
      {"(37)12a", "error: 标签的数量(37) 12a 不是最多 8 位的数字"},
      {"(10)A(10)B", "error: 标签中的批号(10)不止一个"},
      {"(30)1(37)2", "error: 标签中的数量(37)不止一个"},
      {"01095011015300030109501101530003", "error: 标签中的商品条码(01)不止一个"},
      // At most 512 bytes; a value in a message is cut after 40 bytes.
      {"(10)" + std::string(508, 'A'),
       "error: 标签的批号(10) " + std::string(40, 'A') + "... 超过 20 个字符"},
      {"(10)" + std::string(509, 'A'), "error: 标签太长：513 字节，最多 512 字节"},
      {"]C110" + std::string(600, 'A') + kGS, "error: 标签太长：606 字节，最多 512 字节"},
  });
}

}  // namespace
}  // namespace qmz
