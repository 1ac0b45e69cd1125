// The record store against a plain vector of records: random values of every kind, texts across
// and beyond block boundaries, texts met again, and records refused for a wrong value count.
#include "platform/record_store.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "qmz/error.h"

namespace qmz {
namespace {

constexpr uint64_t kSeed = 20260117;
// Larger than the largest block the store allocates for ordinary records.
constexpr size_t kPastABlock = (size_t{1} << 20) + 4321;

// Same kind and same value; doubles bit for bit, so NaN matches NaN and -0.0 only -0.0.
::testing::AssertionResult Same(const Variant& got, const Variant& want) {
  if (got.type() != want.type()) {
    return ::testing::AssertionFailure()
           << "kind " << static_cast<int>(got.type()) << " for " << static_cast<int>(want.type());
  }
  if (want.type() == Variant::Type::Double) {
    double a = got.ToDouble();
    double b = want.ToDouble();
    if (std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b)) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << std::hexfloat << a << " for " << b;
  }
  if (got == want) return ::testing::AssertionSuccess();
  if (want.type() == Variant::Type::Text) {
    const std::string a = got.ToText();
    const std::string b = want.ToText();
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
    return ::testing::AssertionFailure() << "text of " << a.size() << " bytes for " << b.size()
                                         << ", first difference at byte " << at;
  }
  if (want.type() == Variant::Type::Object) return ::testing::AssertionFailure() << "other object";
  return ::testing::AssertionFailure() << got.ToText() << " for " << want.ToText();
}

std::string RandomText(std::mt19937_64& rng, size_t length) {
  std::string text(length, '\0');
  for (size_t i = 0; i < length; ++i) {
    uint64_t bits = rng();
    // One byte in eight is a NUL; the others are any byte, UTF-8 or not.
    text[i] = (bits & 7) == 0 ? '\0' : static_cast<char>(bits >> 8);
  }
  return text;
}

Variant RandomValue(std::mt19937_64& rng) {
  using Int = std::numeric_limits<int64_t>;
  static const int64_t kIntegers[] = {
      Int::min(), Int::max(), 0, -1, 1, 63, 64, -64, -65, 31, 32, -32, -33, (int64_t{1} << 56) - 1};
  static const double kSignallingNaN = std::bit_cast<double>(uint64_t{0x7FF0000000000001});
  static const double kDoubles[] = {NAN,  -NAN,         kSignallingNaN, INFINITY, -INFINITY, 0.0,
                                    -0.0, DBL_TRUE_MIN, DBL_MAX,        -DBL_MAX, 1.0,       -3.0,
                                    0.5,  0x1p53 - 1,   0x1p53,         -0x1p53,  1e300};
  // Texts met again and again, as warehouses, units and dates are in a long list: more of them
  // than fit in the kind byte, a few too short to be referred to, and some that share their
  // first and last bytes.
  static const std::vector<std::string> kRepeated = [] {
    std::vector<std::string> texts{"上海仓",     "abc",     "2026-02-02",
                                   "2026-02-03", "B000001", "B000010"};
    texts.push_back(std::string("x\0y\0z", 5));
    for (int i = 0; i < 70; ++i) texts.push_back("warehouse " + std::to_string(i) + " end");
    return texts;
  }();
  if (rng() % 3 == 0) return Variant(kRepeated[rng() % kRepeated.size()]);
  switch (rng() % 15) {
    case 0:
      return Variant();
    case 1:
      return Variant::Null();
    case 2:
      return Variant(std::string());  // empty, which is not Null
    case 3:
      return Variant((rng() & 1) != 0);
    case 4:
      return Variant(static_cast<long long>(kIntegers[rng() % std::size(kIntegers)]));
    case 5:
      return Variant(static_cast<long long>(rng()));
    case 6:
      return Variant(kDoubles[rng() % std::size(kDoubles)]);
    case 7:
      return Variant(std::bit_cast<double>(rng()));  // any bits: NaNs with payloads too
    case 8:
      return Variant(std::make_shared<Object>());
    case 9:
      return Variant(RandomText(rng, 100 + rng() % 20000));
    case 10:
      return Variant(RandomText(rng, 120 + rng() % 16));  // around the short-text limit
    default:
      return Variant(RandomText(rng, 1 + rng() % 40));
  }
}

TEST(RecordStoreTest, KeepsEveryValueOfRandomRecords) {
  for (size_t fields : {1, 3, 8, 17}) {
    const uint64_t seed = kSeed + fields;
    SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(fields) + " fields");
    std::mt19937_64 rng(seed);
    RecordStore store(fields);
    std::vector<std::vector<Variant>> model;
    const size_t records = 12000 / fields;
    for (size_t r = 0; r < records; ++r) {
      // Now and then a record with too few or too many values, refused as a whole.
      if (rng() % 40 == 0) {
        size_t count = rng() % (2 * fields + 1);
        if (count == fields) ++count;
        for (size_t f = 0; f < count; ++f) store.Append(RandomValue(rng));
        EXPECT_THROW(store.EndRecord(), Error) << count << " values";
        ASSERT_EQ(store.Count(), model.size());
      }
      std::vector<Variant> record;
      for (size_t f = 0; f < fields; ++f) record.push_back(RandomValue(rng));
      // Twice in each store a text longer than a block, in a random field: the values before
      // it move to the new block with it.
      if (r == records / 3 || r == 2 * records / 3) {
        record[rng() % fields] = Variant(RandomText(rng, kPastABlock + rng() % 1000));
      }
      for (const Variant& value : record) store.Append(value);
      store.EndRecord();
      model.push_back(std::move(record));
    }
    ASSERT_EQ(store.Count(), model.size());
    std::vector<Variant> decoded;
    for (size_t r = 0; r < model.size(); ++r) {
      store.Decode(r, decoded);
      ASSERT_EQ(decoded.size(), fields);
      for (size_t f = 0; f < fields; ++f) {
        ASSERT_TRUE(Same(decoded[f], model[r][f])) << "Decode, record " << r << " field " << f;
        ASSERT_TRUE(Same(store.Value(r, f), model[r][f]))
            << "Value, record " << r << " field " << f;
      }
    }
  }
}

TEST(RecordStoreTest, RecordsOfAnotherStoreFollowItsOwn) {
  std::mt19937_64 rng(kSeed);
  constexpr size_t kFields = 5;
  // The second store's records are copied as they are stored; the third holds objects, which
  // are appended by value.
  RecordStore head(kFields), tail(kFields), with_objects(kFields);
  std::vector<std::vector<Variant>> model;
  for (RecordStore* store : {&head, &tail, &with_objects}) {
    for (size_t r = 0; r < 3000; ++r) {
      std::vector<Variant> record;
      while (record.size() < kFields) {
        Variant value = RandomValue(rng);
        if (store != &tail || value.type() != Variant::Type::Object) record.push_back(value);
      }
      if (r == 1500) record[2] = Variant(RandomText(rng, kPastABlock));
      for (const Variant& value : record) store->Append(value);
      store->EndRecord();
      model.push_back(std::move(record));
    }
  }
  head.AppendRecordsOf(tail);
  head.AppendRecordsOf(with_objects);
  ASSERT_EQ(head.Count(), model.size());
  for (size_t r = 0; r < model.size(); ++r) {
    for (size_t f = 0; f < kFields; ++f) {
      ASSERT_TRUE(Same(head.Value(r, f), model[r][f])) << "record " << r << " field " << f;
    }
  }
  RecordStore other(kFields + 1);
  EXPECT_THROW(head.AppendRecordsOf(other), Error);
  head.AppendNull();
  EXPECT_THROW(head.AppendRecordsOf(tail), Error);  // a record is open
}

TEST(RecordStoreTest, TypedAppendsReadBackAndAWrongCountLeavesTheStoreUsable) {
  RecordStore store(3);
  EXPECT_THROW(store.EndRecord(), Error);  // nothing appended yet
  store.AppendNull();
  store.AppendInteger(std::numeric_limits<int64_t>::min());
  store.AppendText(std::string("a\0b", 3));
  store.EndRecord();
  store.AppendDouble(-0.0);
  store.AppendText("");
  EXPECT_THROW(store.EndRecord(), Error);
  store.AppendDouble(std::nan(""));
  store.AppendText("x");
  store.AppendInteger(-1);
  store.AppendText("more");
  EXPECT_THROW(store.EndRecord(), Error);
  store.AppendDouble(-0.0);
  store.AppendText("");
  store.AppendInteger(std::numeric_limits<int64_t>::max());
  store.EndRecord();
  ASSERT_EQ(store.Count(), 2u);
  EXPECT_TRUE(Same(store.Value(0, 0), Variant::Null()));
  EXPECT_TRUE(Same(store.Value(0, 1), Variant(static_cast<long long>(INT64_MIN))));
  EXPECT_TRUE(Same(store.Value(0, 2), Variant(std::string("a\0b", 3))));
  EXPECT_TRUE(Same(store.Value(1, 0), Variant(-0.0)));
  EXPECT_TRUE(Same(store.Value(1, 1), Variant(std::string())));
  EXPECT_TRUE(Same(store.Value(1, 2), Variant(static_cast<long long>(INT64_MAX))));
}

}  // namespace
}  // namespace qmz
