#include "inventory/gs1_identifiers.h"

#include <array>

namespace qmz {

namespace {

using C = Gs1Charset;
using M = Gs1Meaning;

// One row per AI or range: first, last, predefined length, value length from..to, charset,
// meaning. Values made of several parts ("N3+X..27") are checked as a whole: the sum of the
// parts' lengths, in the wider character set.
#define AI(first, last, predefined, min, max, charset, meaning) \
  { first, last, predefined, min, max, C::charset, M::meaning }
// The measures 3nn0 to 3nn5 (the last digit places the decimal point): six digits, predefined.
#define MEASURE(prefix) AI(prefix "0", prefix "5", true, 6, 6, kDigits, kOther)

constexpr Gs1Identifier kIdentifiers[] = {
    AI("00", "00", true, 18, 18, kDigits, kKey),       // SSCC
    AI("01", "01", true, 14, 14, kDigits, kGtin),      // GTIN
    AI("02", "02", true, 14, 14, kDigits, kKey),       // GTIN of contained trade items
    AI("03", "03", true, 14, 14, kDigits, kKey),       // GTIN of made-to-order items
    AI("10", "10", false, 1, 20, kSet82, kBatch),      // batch or lot
    AI("11", "11", true, 6, 6, kDigits, kProduced),    // production date
    AI("12", "13", true, 6, 6, kDigits, kDate),        // due date, packaging date
    AI("15", "16", true, 6, 6, kDigits, kDate),        // best before, sell by
    AI("17", "17", true, 6, 6, kDigits, kExpiry),      // expiry
    AI("20", "20", true, 2, 2, kDigits, kOther),       // variant
    AI("21", "21", false, 1, 20, kSet82, kSerial),     // serial number
    AI("22", "22", false, 1, 20, kSet82, kOther),      // consumer product variant
    AI("235", "235", false, 1, 28, kSet82, kOther),    // third party serial
    AI("240", "241", false, 1, 30, kSet82, kOther),    // additional id, customer part
    AI("242", "242", false, 1, 6, kDigits, kOther),    // made-to-order variant
    AI("243", "243", false, 1, 20, kSet82, kOther),    // packaging component
    AI("250", "251", false, 1, 30, kSet82, kOther),    // secondary serial, source reference
    AI("253", "253", false, 13, 30, kSet82, kOther),   // GDTI
    AI("254", "254", false, 1, 20, kSet82, kOther),    // GLN extension
    AI("255", "255", false, 13, 25, kDigits, kOther),  // GCN
    AI("30", "30", false, 1, 8, kDigits, kCount),      // variable count
    MEASURE("310"),
    MEASURE("311"),
    MEASURE("312"),
    MEASURE("313"),
    MEASURE("314"),
    MEASURE("315"),
    MEASURE("316"),  //
    MEASURE("320"),
    MEASURE("321"),
    MEASURE("322"),
    MEASURE("323"),
    MEASURE("324"),
    MEASURE("325"),
    MEASURE("326"),
    MEASURE("327"),
    MEASURE("328"),
    MEASURE("329"),  //
    MEASURE("330"),
    MEASURE("331"),
    MEASURE("332"),
    MEASURE("333"),
    MEASURE("334"),
    MEASURE("335"),
    MEASURE("336"),
    MEASURE("337"),  //
    MEASURE("340"),
    MEASURE("341"),
    MEASURE("342"),
    MEASURE("343"),
    MEASURE("344"),
    MEASURE("345"),
    MEASURE("346"),
    MEASURE("347"),
    MEASURE("348"),
    MEASURE("349"),  //
    MEASURE("350"),
    MEASURE("351"),
    MEASURE("352"),
    MEASURE("353"),
    MEASURE("354"),
    MEASURE("355"),
    MEASURE("356"),
    MEASURE("357"),  //
    MEASURE("360"),
    MEASURE("361"),
    MEASURE("362"),
    MEASURE("363"),
    MEASURE("364"),
    MEASURE("365"),
    MEASURE("366"),
    MEASURE("367"),
    MEASURE("368"),
    MEASURE("369"),
    AI("37", "37", false, 1, 8, kDigits, kCount),        // count of trade items
    AI("3900", "3909", false, 1, 15, kDigits, kOther),   // amount payable
    AI("3910", "3919", false, 4, 18, kDigits, kOther),   // amount with currency
    AI("3920", "3929", false, 1, 15, kDigits, kOther),   // price
    AI("3930", "3939", false, 4, 18, kDigits, kOther),   // price with currency
    AI("3940", "3943", false, 4, 4, kDigits, kOther),    // percentage off
    AI("3950", "3955", false, 6, 6, kDigits, kOther),    // price per unit of measure
    AI("400", "401", false, 1, 30, kSet82, kOther),      // order number, GINC
    AI("402", "402", false, 17, 17, kDigits, kKey),      // GSIN
    AI("403", "403", false, 1, 30, kSet82, kOther),      // routing code
    AI("410", "417", true, 13, 13, kDigits, kKey),       // GLNs
    AI("420", "420", false, 1, 20, kSet82, kOther),      // ship to postal code
    AI("421", "421", false, 4, 12, kSet82, kOther),      // postal code with country
    AI("422", "422", false, 3, 3, kDigits, kOther),      // country of origin
    AI("423", "423", false, 3, 15, kDigits, kOther),     // countries of initial processing
    AI("424", "424", false, 3, 3, kDigits, kOther),      // country of processing
    AI("425", "425", false, 3, 15, kDigits, kOther),     // countries of disassembly
    AI("426", "426", false, 3, 3, kDigits, kOther),      // country of full process
    AI("427", "427", false, 1, 3, kSet82, kOther),       // subdivision of origin
    AI("4300", "4301", false, 1, 35, kSet82, kOther),    // ship to company, name
    AI("4302", "4306", false, 1, 70, kSet82, kOther),    // ship to address
    AI("4307", "4307", false, 2, 2, kSet82, kOther),     // ship to country
    AI("4308", "4308", false, 1, 30, kSet82, kOther),    // ship to phone
    AI("4309", "4309", false, 20, 20, kDigits, kOther),  // ship to geolocation
    AI("4310", "4311", false, 1, 35, kSet82, kOther),    // return to company, name
    AI("4312", "4316", false, 1, 70, kSet82, kOther),    // return to address
    AI("4317", "4317", false, 2, 2, kSet82, kOther),     // return to country
    AI("4318", "4318", false, 1, 20, kSet82, kOther),    // return to postal code
    AI("4319", "4319", false, 1, 30, kSet82, kOther),    // return to phone
    AI("4320", "4320", false, 1, 35, kSet82, kOther),    // service description
    AI("4321", "4323", false, 1, 1, kDigits, kOther),    // dangerous goods, leave, signature
    AI("4324", "4325", false, 10, 10, kDigits, kOther),  // delivery date and time limits
    AI("4326", "4326", false, 6, 6, kDigits, kOther),    // release date
    AI("4330", "4333", false, 6, 7, kSet82, kOther),     // temperatures, optional minus
    AI("7001", "7001", false, 13, 13, kDigits, kOther),  // NATO stock number
    AI("7002", "7002", false, 1, 30, kSet82, kOther),    // meat cut
    AI("7003", "7003", false, 10, 10, kDigits, kOther),  // expiry date and time
    AI("7004", "7004", false, 1, 4, kDigits, kOther),    // active potency
    AI("7005", "7005", false, 1, 12, kSet82, kOther),    // catch area
    AI("7006", "7006", false, 6, 6, kDigits, kOther),    // first freeze date
    AI("7007", "7007", false, 6, 12, kDigits, kOther),   // harvest dates
    AI("7008", "7008", false, 1, 3, kSet82, kOther),     // aquatic species
    AI("7009", "7009", false, 1, 10, kSet82, kOther),    // fishing gear
    AI("7010", "7010", false, 1, 2, kSet82, kOther),     // production method
    AI("7011", "7011", false, 6, 10, kDigits, kOther),   // test by date
    AI("7020", "7022", false, 1, 20, kSet82, kOther),    // refurbishment lot, status
    AI("7023", "7023", false, 1, 30, kSet82, kOther),    // GIAI of an assembly
    AI("7030", "7039", false, 4, 30, kSet82, kOther),    // processor approval numbers
    AI("7040", "7040", false, 4, 4, kSet82, kOther),     // UIC with extension
    AI("7041", "7041", false, 1, 4, kSet82, kOther),     // freight unit type
    AI("710", "716", false, 1, 20, kSet82, kOther),      // national healthcare numbers
    AI("7230", "7239", false, 3, 30, kSet82, kOther),    // certification references
    AI("7240", "7240", false, 1, 20, kSet82, kOther),    // protocol
    AI("7241", "7241", false, 2, 2, kDigits, kOther),    // AIDC media type
    AI("7242", "7242", false, 1, 25, kSet82, kOther),    // version control number
    AI("7250", "7250", false, 8, 8, kDigits, kOther),    // date of birth
    AI("7251", "7251", false, 12, 12, kDigits, kOther),  // date and time of birth
    AI("7252", "7252", false, 1, 1, kDigits, kOther),    // biological sex
    AI("7253", "7254", false, 1, 40, kSet82, kOther),    // family name, given name
    AI("7255", "7255", false, 1, 10, kSet82, kOther),    // name suffix
    AI("7256", "7256", false, 1, 90, kSet82, kOther),    // full name
    AI("7257", "7257", false, 1, 70, kSet82, kOther),    // address
    AI("7258", "7258", false, 3, 3, kSet82, kOther),     // birth sequence
    AI("7259", "7259", false, 1, 40, kSet82, kOther),    // baby of family name
    AI("8001", "8001", false, 14, 14, kDigits, kOther),  // roll dimensions
    AI("8002", "8002", false, 1, 20, kSet82, kOther),    // mobile phone identifier
    AI("8003", "8003", false, 14, 30, kSet82, kOther),   // GRAI
    AI("8004", "8004", false, 1, 30, kSet82, kOther),    // GIAI
    AI("8005", "8005", false, 6, 6, kDigits, kOther),    // price per unit
    AI("8006", "8006", false, 18, 18, kDigits, kOther),  // ITIP
    AI("8007", "8007", false, 1, 34, kSet82, kOther),    // IBAN
    AI("8008", "8008", false, 8, 12, kDigits, kOther),   // production date and time
    AI("8009", "8009", false, 1, 50, kSet82, kOther),    // optically readable sensor
    AI("8010", "8010", false, 1, 30, kSet82, kOther),    // component/part identifier
    AI("8011", "8011", false, 1, 12, kDigits, kOther),   // its serial
    AI("8012", "8012", false, 1, 20, kSet82, kOther),    // software version
    AI("8013", "8014", false, 1, 25, kSet82, kOther),    // GMN, MUDI
    AI("8017", "8018", false, 18, 18, kDigits, kKey),    // GSRNs
    AI("8019", "8019", false, 1, 10, kDigits, kOther),   // service relation instance
    AI("8020", "8020", false, 1, 25, kSet82, kOther),    // payment slip reference
    AI("8026", "8026", false, 18, 18, kDigits, kOther),  // ITIP of contained items
    AI("8030", "8030", false, 1, 90, kSet64, kOther),    // digital signature
    AI("8110", "8110", false, 1, 70, kSet82, kOther),    // coupon code
    AI("8111", "8111", false, 4, 4, kDigits, kOther),    // loyalty points
    AI("8112", "8112", false, 1, 70, kSet82, kOther),    // paperless coupon
    AI("8200", "8200", false, 1, 70, kSet82, kOther),    // product URL
    AI("90", "90", false, 1, 30, kSet82, kOther),        // mutually agreed
    AI("91", "99", false, 1, 90, kSet82, kOther),        // company internal
};

#undef MEASURE
#undef AI

}  // namespace

const Gs1Identifier* FindGs1Identifier(std::string_view code) {
  for (const Gs1Identifier& identifier : kIdentifiers) {
    if (identifier.first.size() == code.size() && identifier.first <= code &&
        code <= identifier.last) {
      return &identifier;
    }
  }
  return nullptr;
}

size_t Gs1IdentifierLength(std::string_view text) {
  const std::string_view prefix = text.substr(0, 2);
  for (const Gs1Identifier& identifier : kIdentifiers) {
    if (identifier.first.substr(0, 2) == prefix) return identifier.first.size();
  }
  return 2;
}

}  // namespace qmz
