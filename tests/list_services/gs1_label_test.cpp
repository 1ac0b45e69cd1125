// The GS1 label reader: every form a scanner types, the dates, the character set, the texts that
// are no label and the messages of the malformed ones.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "list_services/gs1_label.h"

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
  return text;
}

using Cases = std::vector<std::pair<std::string, std::string>>;

void ExpectReadings(const Cases& cases) {
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(Describe(ReadGs1Label(text)), expected) << "text: " << text;
  }
}

TEST(Gs1LabelTest, EveryFormGivesTheSameLabel) {
  const std::string same = "label gtin=09501101530003 batch=ABC expiry=2026-01-31";
  ExpectReadings({
      {"010950110153000310ABC\x1d"
       "17260131",
       same},
      {"01095011015300031726013110ABC", same},
      {"0109501101530003\x1d"
       "17260131\x1d"
       "10ABC\x1d",
       same},
      {"10ABC\x1d"
       "010950110153000317260131",
       same},
      {"]C1010950110153000310ABC\x1d"
       "17260131",
       same},
      {"]d2010950110153000310ABC\x1d"
       "17260131",
       same},
      {"]Q3010950110153000310ABC\x1d"
       "17260131",
       same},
      {"]e001095011015300031726013110ABC", same},
      {"\x1d"
       "010950110153000310ABC\x1d"
       "17260131",
       same},
      {"]C1\x1d"
       "01095011015300031726013110ABC",
       same},
      {"(01)09501101530003(10)ABC(17)260131", same},
      {"(17)260131(10)ABC(01)09501101530003", same},
      {"]Q3(01)09501101530003(10)ABC(17)260131", same},
      {"\x1d(01)09501101530003(10)ABC(17)260131", same},
  });
  // Every field, and each count identifier.
  ExpectReadings({
      {"(01)09501101530003(11)250615(17)260100(21)SN-7(30)12",
       "label gtin=09501101530003 produced=2025-06-15 expiry=2026-01-31 serial=SN-7 count=12"},
      {"01095011015300033700000250", "label gtin=09501101530003 count=250"},
      {"]C13099999999\x1d"
       "21X1",
       "label serial=X1 count=99999999"},
      {"(10)B2601", "label batch=B2601"},
      {"]C1", "error: The label is empty"},
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
      {"(17)260229", "error: The label's expiry date 260229 is not a date"},
      {"(11)260431", "error: The label's production date 260431 is not a date"},
  });
  EXPECT_EQ(FormatGs1Date(Gs1Date{2026, 1, 5}), "2026-01-05");
}

TEST(Gs1LabelTest, BatchAndSerialTakeGs1PunctuationUpToTwentyCharacters) {
  ExpectReadings({
      {"(10)A-1/2.B", "label batch=A-1/2.B"},
      {"(10)A)B", "label batch=A)B"},
      {"]C110A(1)B\x1d"
       "21!\"%&'*+,:;<=>?_z",
       "label batch=A(1)B serial=!\"%&'*+,:;<=>?_z"},
      {"(10)ABCDEFGHIJ0123456789", "label batch=ABCDEFGHIJ0123456789"},
      {"(21)abcdefghij0123456789", "label serial=abcdefghij0123456789"},
      {"(10)ABCDEFGHIJ0123456789K",
       "error: The label's batch ABCDEFGHIJ0123456789K is longer than 20 characters"},
      {"]C121abcdefghij0123456789k",
       "error: The label's serial number abcdefghij0123456789k is longer than 20 characters"},
      // In the bracketed form "(" always starts the next identifier.
      {"(10)A(1)B", "error: The label's application identifier (1) is not known"},
      {"(10)A#B", "error: The label's batch A#B holds a character outside GS1's set: #"},
      {"(10)A$B", "error: The label's batch A$B holds a character outside GS1's set: $"},
      {"(21)X@1", "error: The label's serial number X@1 holds a character outside GS1's set: @"},
      {"(21)X[1]", "error: The label's serial number X[1] holds a character outside GS1's set: ["},
      {"(10)a\\b", "error: The label's batch a\\b holds a character outside GS1's set: \\"},
      {"(10)a^b", "error: The label's batch a^b holds a character outside GS1's set: ^"},
      {"(10)a`b", "error: The label's batch a`b holds a character outside GS1's set: `"},
      {"(10)a{b", "error: The label's batch a{b holds a character outside GS1's set: {"},
      {"(10)a~b", "error: The label's batch a~b holds a character outside GS1's set: ~"},
      {"(10)A B", "error: The label's batch A<20>B holds a character outside GS1's set: <20>"},
      {"(21)\xc3\x84"
       "1",
       "error: The label's serial number <C3><84>1 holds a character outside GS1's set: <C3>"},
      {"(10)A\x1d"
       "B",
       "error: The label's batch A<GS>B holds a character outside GS1's set: <GS>"},
  });
}

TEST(Gs1LabelTest, TheGtinsCheckDigitIsVerified) {
  for (const char* valid : {"09501101530003", "00012345678905", "00000000000000"}) {
    EXPECT_TRUE(IsValidGtin14(valid)) << valid;
  }
  for (const char* invalid : {"09501101530004", "00012345678900", "0950110153000",
                              "095011015300030", "0950110153000A", ""}) {
    EXPECT_FALSE(IsValidGtin14(invalid)) << invalid;
  }
  ExpectReadings({
      {"(01)09501101530004", "error: The label's GTIN 09501101530004 has a wrong check digit"},
      {"0109501101530004", "error: The label's GTIN 09501101530004 has a wrong check digit"},
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
      {"\x1d", "error: The label is empty"},
      {"]d2\x1d", "error: The label is empty"},
      {"(99)1", "error: The label's application identifier (99) is not known"},
      {"(240)X", "error: The label's application identifier (240) is not known"},
      {"(10)A()", "error: The label's application identifier () is not known"},
      {"]C19912", "error: The label's application identifier 99 is not known"},
      {"]C110A\x1d\x1d"
       "21B",
       "error: The label's application identifier <GS>2 is not known"},
      {"]C110A\x1d"
       "7",
       "error: The label's application identifier 7 is not known"},
      {"(10)A(01", "error: The label's application identifier (01 has no closing bracket"},
      {"(10)A(21(17)260131",
       "error: The label's application identifier (21 has no closing bracket"},
      {"(01)", "error: The label's GTIN is empty"},
      {"(01)0950110153000", "error: The label's GTIN 0950110153000 is not 14 digits"},
      {"(01)095011015300030", "error: The label's GTIN 095011015300030 is not 14 digits"},
      {"(01)0950110153000A", "error: The label's GTIN 0950110153000A is not 14 digits"},
      {"]C1010950110153000\x1d"
       "10A",
       "error: The label's GTIN 0950110153000 is not 14 digits"},
      {"(17)261332", "error: The label's expiry date 261332 is not a date"},
      {"(17)261301", "error: The label's expiry date 261301 is not a date"},
      {"(17)260001", "error: The label's expiry date 260001 is not a date"},
      {"(17)2613", "error: The label's expiry date 2613 is not 6 digits"},
      {"(11)26013A", "error: The label's production date 26013A is not 6 digits"},
      {"]C1172601", "error: The label's expiry date 2601 is not 6 digits"},
      {"(10)", "error: The label's batch is empty"},
      {"]C110\x1d"
       "17260131",
       "error: The label's batch is empty"},
      {"(21)(10)A", "error: The label's serial number is empty"},
      {"(30)123456789", "error: The label's count 123456789 is not a number of up to 8 digits"},
      {"(37)12a", "error: The label's count 12a is not a number of up to 8 digits"},
      {"(10)A(10)B", "error: The label has more than one batch"},
      {"(30)1(37)2", "error: The label has more than one count"},
      {"01095011015300030109501101530003", "error: The label has more than one GTIN"},
      // At most 512 bytes; a value in a message is cut after 40 bytes.
      {"(10)" + std::string(508, 'A'),
       "error: The label's batch " + std::string(40, 'A') + "... is longer than 20 characters"},
      {"(10)" + std::string(509, 'A'), "error: The label is too long: 513 bytes, at most 512"},
      {"]C110" + std::string(600, 'A') + "\x1d",
       "error: The label is too long: 606 bytes, at most 512"},
  });
}

}  // namespace
}  // namespace qmz
