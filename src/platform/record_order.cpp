// RecordStore::Order: the records put in order in their own index. Each entry of the index is
// turned, in place, from the record's address into its block and offset (35 bits) under a key
// of 29 bits: the value's rank (Null, number, text, object), three bytes of it and how many
// follow. Sorting the entries as numbers then orders the records by those three bytes, and
// records that tie stay in the order they were added (their block and offset). Runs that tie
// are sorted again by the next three bytes, or by the next field, until none tie.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "platform/record_store.h"
#include "qmz/error.h"

namespace qmz {

namespace {

constexpr int kOffsetBits = 20;  // a record starts below 1 MiB into its block
constexpr int kRefBits = 35;     // block (15 bits) and offset
constexpr uint64_t kRefMask = (uint64_t{1} << kRefBits) - 1;
constexpr uint64_t kKeyMask = (uint64_t{1} << (64 - kRefBits)) - 1;
constexpr size_t kChunk = 3;  // bytes of a value per sort
// What follows the chunk: the bytes it holds (0..3), or more.
constexpr uint64_t kMore = 4;

enum Rank : uint64_t { kNullRank, kNumberRank, kTextRank, kObjectRank };

// Integers beyond this do not come back from a double exactly.
constexpr double kExactLimit = 0x1p53;

void PutBigEndian(uint64_t value, unsigned char* out) {
  for (int i = 7; i >= 0; --i) {
    out[i] = static_cast<unsigned char>(value);
    value >>= 8;
  }
}

// A value as the bytes that order it within its rank: a number as its double's bits made to
// order as unsigned numbers (and past 2^53, where doubles stop telling integers apart, the exact
// integer after them); a text folded and without its trailing blanks.
struct OrderedBytes {
  Rank rank = kNullRank;
  unsigned char number[16];
  std::string_view bytes;  // into the store, or into `number`
  bool folded = false;     // fold ASCII letters as they are read
};

// Fills `out` (whose `number` it may point into) with the ordered bytes of `raw`.
void BytesOf(const RecordStore::Raw& raw, OrderedBytes& out) {
  using Kind = RecordStore::Raw::Kind;
  out.folded = false;
  if (raw.kind == Kind::kText) {
    size_t n = raw.text.size();
    while (n > 0 && raw.text[n - 1] == ' ') --n;
    out.rank = kTextRank;
    out.bytes = raw.text.substr(0, n);
    out.folded = true;
    return;
  }
  if (raw.kind == Kind::kInteger || raw.kind == Kind::kBoolean || raw.kind == Kind::kDouble) {
    const bool integer = raw.kind != Kind::kDouble;
    double value = integer ? static_cast<double>(raw.integer) : raw.number;
    if (value == 0) value = 0;  // -0 ties with 0
    uint64_t bits = std::bit_cast<uint64_t>(value);
    bits = (bits & (uint64_t{1} << 63)) ? ~bits : bits | (uint64_t{1} << 63);
    PutBigEndian(bits, out.number);
    size_t size = 8;
    if (std::fabs(value) >= kExactLimit) {
      const int64_t whole = integer           ? raw.integer
                            : value >= 0x1p63 ? INT64_MAX
                            : value < -0x1p63 ? INT64_MIN
                                              : static_cast<int64_t>(value);
      PutBigEndian(static_cast<uint64_t>(whole) ^ (uint64_t{1} << 63), out.number + 8);
      size = 16;
    }
    out.rank = kNumberRank;
    out.bytes = std::string_view(reinterpret_cast<const char*>(out.number), size);
    return;
  }
  out.rank = raw.kind == Kind::kObject ? kObjectRank : kNullRank;
  out.bytes = {};
}

// The key of bytes [offset, offset + kChunk) of a value, ascending.
uint64_t KeyAt(const OrderedBytes& value, size_t offset) {
  const size_t size = value.bytes.size();
  const size_t left = size > offset ? size - offset : 0;
  uint64_t key = value.rank;
  for (size_t i = 0; i < kChunk; ++i) {
    unsigned char c = i < left ? static_cast<unsigned char>(value.bytes[offset + i]) : 0;
    if (value.folded && c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    key = key << 8 | c;
  }
  return key << 3 | (left > kChunk ? kMore : left);
}

// A run of entries that tie so far, to be ordered by `field` from byte `offset` on.
struct Run {
  size_t begin, end;
  size_t field;
  size_t offset;
};

}  // namespace

void RecordStore::Order(const std::vector<OrderField>& fields,
                        const std::function<void(int64_t records)>& progress) {
  for (const OrderField& field : fields) {
    if (field.field < 0 || static_cast<size_t>(field.field) >= field_count_) {
      throw Error("The records have no field " + std::to_string(field.field) + " to order by");
    }
  }
  if (open_values_ != 0) throw Error("A record is open");
  if (fields.empty() || starts_.size() < 2) return;

  // Each record's address as its block and offset, in place.
  std::vector<std::pair<uintptr_t, uint64_t>> bases;  // block address, block number
  for (size_t b = 0; b < blocks_.size(); ++b) {
    bases.emplace_back(reinterpret_cast<uintptr_t>(blocks_[b].get()), b);
  }
  std::sort(bases.begin(), bases.end());
  for (uintptr_t& entry : starts_) {
    const auto at =
        std::upper_bound(bases.begin(), bases.end(), std::make_pair(entry, ~uint64_t{0})) - 1;
    entry = at->second << kOffsetBits | (entry - at->first);
  }
  auto address = [this](uint64_t entry) {
    const uint64_t ref = entry & kRefMask;
    return blocks_[ref >> kOffsetBits].get() + (ref & ((uint64_t{1} << kOffsetBits) - 1));
  };
  auto back_to_addresses = [&] {
    for (uintptr_t& entry : starts_) entry = reinterpret_cast<uintptr_t>(address(entry));
  };

  // Whether the records of a run hold one and the same text in `field`, byte for byte: a
  // long text that many records share is then passed over at once, not three bytes at a time.
  auto SameTexts = [&](size_t begin, size_t end, int32_t field) {
    const Raw first = RawValue(address(starts_[begin]), static_cast<size_t>(field));
    if (first.kind != Raw::Kind::kText) return false;
    for (size_t i = begin + 1; i < end; ++i) {
      const Raw raw = RawValue(address(starts_[i]), static_cast<size_t>(field));
      if (raw.kind != Raw::Kind::kText || raw.text != first.text) return false;
    }
    return true;
  };

  try {
    constexpr size_t kProgressEvery = 4096;
    size_t keyed = 0;
    OrderedBytes value;
    std::vector<Run> runs{{0, starts_.size(), 0, 0}};
    while (!runs.empty()) {
      const Run run = runs.back();
      runs.pop_back();
      const OrderField& field = fields[run.field];
      bool all_equal = true;
      for (size_t i = run.begin; i < run.end; ++i) {
        const Raw raw = RawValue(address(starts_[i]), static_cast<size_t>(field.field));
        BytesOf(raw, value);
        uint64_t key = KeyAt(value, run.offset);
        if (field.descending) key = ~key & kKeyMask;
        starts_[i] = key << kRefBits | (starts_[i] & kRefMask);
        all_equal = all_equal && (starts_[i] >> kRefBits) == (starts_[run.begin] >> kRefBits);
        if (++keyed % kProgressEvery == 0 && progress) progress(kProgressEvery);
      }
      if (!all_equal) {
        std::sort(starts_.begin() + static_cast<std::ptrdiff_t>(run.begin),
                  starts_.begin() + static_cast<std::ptrdiff_t>(run.end));
      }
      // Runs that tie here: on past these bytes, else by the next field.
      for (size_t begin = run.begin; begin < run.end;) {
        const uint64_t key = starts_[begin] >> kRefBits;
        size_t end = begin + 1;
        while (end < run.end && (starts_[end] >> kRefBits) == key) ++end;
        if (end - begin > 1) {
          const uint64_t ascending = field.descending ? ~key & kKeyMask : key;
          const bool more = (ascending & 7) == kMore;
          if (more && !SameTexts(begin, end, field.field)) {
            runs.push_back({begin, end, run.field, run.offset + kChunk});
          } else if (run.field + 1 < fields.size()) {
            runs.push_back({begin, end, run.field + 1, 0});
          }
        }
        begin = end;
      }
    }
  } catch (...) {
    // Back to the order they were added: their blocks and offsets.
    for (uintptr_t& entry : starts_) entry &= kRefMask;
    std::sort(starts_.begin(), starts_.end());
    back_to_addresses();
    throw;
  }
  back_to_addresses();
}

}  // namespace qmz
