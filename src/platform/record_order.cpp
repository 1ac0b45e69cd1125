#include "platform/record_order.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numeric>

namespace qmz {

namespace {

// Eight bytes of one field of one record, made so that comparing the rank (tag >> 8), the
// chunk and what follows (tag & 0xFF) as unsigned numbers orders the values; equal chunk and
// tag mean equal so far.
struct Entry {
  uint64_t chunk;
  uint32_t tag;  // rank << 8 | what follows: bytes left (0..8), or kMore
  uint32_t record;
};

bool Before(const Entry& a, const Entry& b) {
  if ((a.tag >> 8) != (b.tag >> 8)) return (a.tag >> 8) < (b.tag >> 8);
  if (a.chunk != b.chunk) return a.chunk < b.chunk;
  if (a.tag != b.tag) return a.tag < b.tag;
  return a.record < b.record;
}

enum Rank : uint32_t { kNullRank, kNumberRank, kTextRank, kObjectRank };
// The value goes on past this chunk: the next eight bytes decide.
constexpr uint32_t kMore = 9;
// Integers beyond this do not come back from a double exactly.
constexpr double kExactLimit = 0x1p53;

uint64_t OrderedBits(double value) {
  if (value == 0) value = 0;  // -0 ties with 0
  const auto bits = std::bit_cast<uint64_t>(value);
  return (bits & (uint64_t{1} << 63)) ? ~bits : bits | (uint64_t{1} << 63);
}

// Trailing blanks do not count under the production collation.
std::string_view WithoutTrailingBlanks(std::string_view text) {
  size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return text.substr(0, n);
}

Entry NumberEntry(double value, int64_t exact, bool integer, size_t offset) {
  if (offset > 0) {
    // A second look only where the first could not tell: both past 2^53, compared exactly.
    const int64_t whole = integer           ? exact
                          : value >= 0x1p63 ? INT64_MAX
                          : value < -0x1p63 ? INT64_MIN
                                            : static_cast<int64_t>(value);
    return {static_cast<uint64_t>(whole) ^ (uint64_t{1} << 63), kNumberRank << 8, 0};
  }
  const bool inexact = std::fabs(value) >= kExactLimit;
  return {OrderedBits(value), kNumberRank << 8 | (inexact ? kMore : 0), 0};
}

Entry TextEntry(std::string_view text, size_t offset) {
  text = WithoutTrailingBlanks(text);
  const size_t left = text.size() > offset ? text.size() - offset : 0;
  uint64_t chunk = 0;
  for (size_t i = 0; i < 8; ++i) {
    unsigned char c = i < left ? static_cast<unsigned char>(text[offset + i]) : 0;
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    chunk = chunk << 8 | c;
  }
  return {chunk, kTextRank << 8 | static_cast<uint32_t>(left > 8 ? kMore : left), 0};
}

Entry EntryOf(const RecordStore::Raw& raw, size_t offset) {
  using Kind = RecordStore::Raw::Kind;
  switch (raw.kind) {
    case Kind::kInteger:
      return NumberEntry(static_cast<double>(raw.integer), raw.integer, true, offset);
    case Kind::kDouble:
      return NumberEntry(raw.number, 0, false, offset);
    case Kind::kText:
      return TextEntry(raw.text, offset);
    case Kind::kObject:
      return {0, kObjectRank << 8, 0};
    case Kind::kNull:
      break;
  }
  return {0, kNullRank << 8, 0};
}

// A run of records that tie so far, to be ordered by `field` from byte `offset` on.
struct Run {
  size_t begin, end;
  size_t field;
  size_t offset;
};

}  // namespace

std::vector<uint32_t> RecordOrder(const RecordStore& store, const std::vector<OrderField>& fields,
                                  const std::function<void(int64_t records)>& progress) {
  std::vector<uint32_t> order(store.Count());
  std::iota(order.begin(), order.end(), 0u);
  if (fields.empty() || order.size() < 2) return order;
  std::vector<Entry> entries(order.size());
  constexpr size_t kProgressEvery = 4096;
  size_t made = 0;
  std::vector<Run> runs{{0, order.size(), 0, 0}};
  while (!runs.empty()) {
    const Run run = runs.back();
    runs.pop_back();
    const OrderField& field = fields[run.field];
    for (size_t i = run.begin; i < run.end; ++i) {
      Entry entry = EntryOf(store.RawValue(order[i], static_cast<size_t>(field.field)), run.offset);
      if (field.descending) {
        entry.chunk = ~entry.chunk;
        entry.tag = ~entry.tag;
      }
      entry.record = order[i];
      entries[i] = entry;
      if (++made % kProgressEvery == 0 && progress) progress(static_cast<int64_t>(kProgressEvery));
    }
    std::sort(entries.begin() + static_cast<std::ptrdiff_t>(run.begin),
              entries.begin() + static_cast<std::ptrdiff_t>(run.end), Before);
    for (size_t i = run.begin; i < run.end; ++i) order[i] = entries[i].record;
    // Runs that tie here: on past this chunk, else by the next field.
    for (size_t begin = run.begin; begin < run.end;) {
      size_t end = begin + 1;
      while (end < run.end && entries[end].chunk == entries[begin].chunk &&
             entries[end].tag == entries[begin].tag) {
        ++end;
      }
      if (end - begin > 1) {
        const uint32_t tag = field.descending ? ~entries[begin].tag : entries[begin].tag;
        if ((tag & 0xFF) == kMore) {
          runs.push_back({begin, end, run.field, run.offset + 8});
        } else if (run.field + 1 < fields.size()) {
          runs.push_back({begin, end, run.field + 1, 0});
        }
      }
      begin = end;
    }
  }
  return order;
}

}  // namespace qmz
