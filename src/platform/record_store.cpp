#include "platform/record_store.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "qmz/error.h"

namespace qmz {

namespace {

// The first block fits a few small records; each next one is twice the last, up to 1 MiB, so a
// small recordset stays small and a large one takes few blocks.
constexpr size_t kFirstBlockSize = 256;
constexpr size_t kLargestBlockSize = size_t{1} << 20;
constexpr size_t kMostBlocks = size_t{1} << 15;

size_t WriteVarint(uint64_t value, unsigned char* out) {
  size_t n = 0;
  while (value >= 0x80) {
    out[n++] = static_cast<unsigned char>(value | 0x80);
    value >>= 7;
  }
  out[n++] = static_cast<unsigned char>(value);
  return n;
}

uint64_t ReadVarint(const char*& at) {
  uint64_t value = 0;
  for (int shift = 0;; shift += 7) {
    auto byte = static_cast<unsigned char>(*at++);
    value |= static_cast<uint64_t>(byte & 0x7F) << shift;
    if (byte < 0x80) return value;
  }
}

uint64_t ZigZag(int64_t value) {
  return (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63);
}

int64_t UnZigZag(uint64_t value) {
  return static_cast<int64_t>(value >> 1) ^ -static_cast<int64_t>(value & 1);
}

// A kind byte with the high bit set is a short text, its length in the low seven bits; one with
// only 0x40 set is a small integer, its zigzag value in the low six bits. Quantities, flags and
// most names then take one byte less, and whole doubles take their varint instead of 8 bytes.
constexpr unsigned kShortText = 0x80;
constexpr unsigned kShortTextLimit = 0x80;
constexpr unsigned kSmallInteger = 0x40;
constexpr unsigned kSmallIntegerLimit = 0x40;

// Kind bytes from 0x10 below the small integers name one of the first 48 repeated texts.
constexpr unsigned kInlineRepeat = 0x10;
constexpr unsigned kInlineRepeats = 0x30;

// Texts are remembered by their hash in this many places, once the blocks take this many bytes:
// a small recordset (a lookup's row) keeps none of it.
constexpr size_t kWrittenPlaces = 4096;
constexpr size_t kRememberFrom = size_t{64} << 10;
// Texts shorter than this are written out: a reference would save little.
constexpr size_t kShortestRepeat = 4;

// A hash of a short text from its first and last bytes and its length, enough to tell apart
// the texts written lately.
size_t HashOf(std::string_view text) {
  uint64_t head = 0, tail = 0;
  const size_t n = std::min<size_t>(text.size(), 8);
  std::memcpy(&head, text.data(), n);
  std::memcpy(&tail, text.data() + text.size() - n, n);
  const uint64_t mixed =
      (head * 0x9E3779B97F4A7C15ULL) ^ (tail + text.size()) * 0xC2B2AE3D27D4EB4FULL;
  return static_cast<size_t>(mixed >> 52);  // 12 bits: kWrittenPlaces
}

// Whether `value` comes back exactly from an int64 (-0.0 and fractions do not).
bool IsWhole(double value) {
  return std::isfinite(value) && std::trunc(value) == value && std::fabs(value) < 0x1p53 &&
         !(value == 0 && std::signbit(value));
}

}  // namespace

char* RecordStore::Room(size_t bytes) {
  // A record starts below kLargestBlockSize into its block: after a record that needed a larger
  // block, the next one starts a block of its own.
  if (blocks_.empty() || used_ + bytes > block_size_ || record_start_ >= kLargestBlockSize) {
    if (blocks_.size() == kMostBlocks) throw Error("The records take more than 32 GiB");
    size_t open = used_ - record_start_;
    size_t next = blocks_.empty() ? kFirstBlockSize : std::min(block_size_ * 2, kLargestBlockSize);
    size_t size = std::max(next, (open + bytes) * 2);
    // Not zero-filled: every byte is written before it is read.
    auto block = std::make_unique_for_overwrite<char[]>(size);
    if (open > 0) std::memcpy(block.get(), blocks_.back().get() + record_start_, open);
    blocks_.push_back(std::move(block));
    stored_ += size;
    if (!written_ && stored_ >= kRememberFrom) {
      written_ = std::make_unique<Written[]>(kWrittenPlaces);
    }
    block_size_ = size;
    used_ = open;
    record_start_ = 0;
  }
  return blocks_.back().get() + used_;
}

void RecordStore::Put(Kind kind, const void* payload, size_t bytes) {
  char* at = Room(1 + bytes);
  at[0] = static_cast<char>(kind);
  if (bytes > 0) std::memcpy(at + 1, payload, bytes);
  used_ += 1 + bytes;
  ++open_values_;
}

void RecordStore::PutVarint(Kind kind, uint64_t value, const char* text, size_t text_bytes) {
  unsigned char varint[10];
  size_t length = WriteVarint(value, varint);
  char* at = Room(1 + length + text_bytes);
  at[0] = static_cast<char>(kind);
  std::memcpy(at + 1, varint, length);
  if (text_bytes > 0) std::memcpy(at + 1 + length, text, text_bytes);
  used_ += 1 + length + text_bytes;
  ++open_values_;
}

void RecordStore::AppendNull() {
  Put(kNull, nullptr, 0);
}

void RecordStore::AppendInteger(int64_t value) {
  const uint64_t zigzag = ZigZag(value);
  if (zigzag < kSmallIntegerLimit)
    return Put(static_cast<Kind>(kSmallInteger | zigzag), nullptr, 0);
  PutVarint(kInteger, zigzag, nullptr, 0);
}

void RecordStore::AppendDouble(double value) {
  if (IsWhole(value))
    return PutVarint(kWholeDouble, ZigZag(static_cast<int64_t>(value)), nullptr, 0);
  Put(kDouble, &value, sizeof value);
}

void RecordStore::AppendText(std::string_view value) {
  if (value.size() < kShortTextLimit) {
    if (PutRepeated(value)) return;
    return Put(static_cast<Kind>(kShortText | value.size()), value.data(), value.size());
  }
  PutVarint(kText, value.size(), value.data(), value.size());
}

bool RecordStore::PutRepeated(std::string_view value) {
  if (!written_ || value.size() < kShortestRepeat) return false;
  Written& place = written_[HashOf(value)];
  // Checked at each use: a record given up may have been written over where the text was.
  const bool same = place.at != nullptr &&
                    static_cast<unsigned char>(*place.at) == (kShortText | value.size()) &&
                    std::memcmp(place.at + 1, value.data(), value.size()) == 0;
  if (!same) {
    // Written out next, where Put writes it: the open record may move to a new block first,
    // but the bytes it leaves behind stay as they are, so either copy serves.
    place = Written{Room(1 + value.size()), UINT32_MAX};
    return false;
  }
  if (place.repeat == UINT32_MAX) {
    place.repeat = static_cast<uint32_t>(repeated_.size());
    repeated_.push_back(place.at);
  }
  if (place.repeat < kInlineRepeats) {
    Put(static_cast<Kind>(kInlineRepeat + place.repeat), nullptr, 0);
  } else {
    PutVarint(kRepeated, place.repeat - kInlineRepeats, nullptr, 0);
  }
  return true;
}

void RecordStore::Append(const Variant& value) {
  switch (value.type()) {
    case Variant::Type::Empty:
      return Put(kEmpty, nullptr, 0);
    case Variant::Type::Null:
      return AppendNull();
    case Variant::Type::Boolean:
      return Put(value.ToBool() ? kTrue : kFalse, nullptr, 0);
    case Variant::Type::Integer:
      return AppendInteger(value.ToInt64());
    case Variant::Type::Double:
      return AppendDouble(value.ToDouble());
    case Variant::Type::Text:
      return AppendText(value.ToText());
    case Variant::Type::Object:
      objects_.push_back(value.AsObject());
      return PutVarint(kObject, objects_.size() - 1, nullptr, 0);
  }
}

void RecordStore::EndRecord() {
  if (open_values_ != field_count_) {
    size_t given = open_values_;
    used_ = record_start_;
    open_values_ = 0;
    throw Error("Record has " + std::to_string(given) + " values for " +
                std::to_string(field_count_) + " fields");
  }
  Room(0);
  starts_.push_back(reinterpret_cast<uintptr_t>(blocks_.back().get() + record_start_));
  record_start_ = used_;
  open_values_ = 0;
}

RecordStore::Raw RecordStore::ReadRaw(const char*& at) const {
  Raw raw;
  const auto byte = static_cast<unsigned char>(*at++);
  if (byte >= kInlineRepeat && byte < kSmallInteger) {
    const char* first = repeated_[byte - kInlineRepeat];
    return ReadRaw(first);
  }
  if (byte & kShortText) {
    raw.kind = Raw::Kind::kText;
    raw.text = std::string_view(at, byte & (kShortTextLimit - 1));
    at += raw.text.size();
    return raw;
  }
  if (byte & kSmallInteger) {
    raw.kind = Raw::Kind::kInteger;
    raw.integer = UnZigZag(byte & (kSmallIntegerLimit - 1));
    return raw;
  }
  switch (static_cast<Kind>(byte)) {
    case kEmpty:
      break;
    case kNull:
      raw.kind = Raw::Kind::kNull;
      break;
    case kFalse:
    case kTrue:
      raw.kind = Raw::Kind::kBoolean;
      raw.integer = byte == kTrue ? 1 : 0;
      break;
    case kInteger:
      raw.kind = Raw::Kind::kInteger;
      raw.integer = UnZigZag(ReadVarint(at));
      break;
    case kDouble:
      raw.kind = Raw::Kind::kDouble;
      std::memcpy(&raw.number, at, sizeof raw.number);
      at += sizeof raw.number;
      break;
    case kWholeDouble:
      raw.kind = Raw::Kind::kDouble;
      raw.number = static_cast<double>(UnZigZag(ReadVarint(at)));
      break;
    case kText: {
      const size_t length = ReadVarint(at);
      raw.kind = Raw::Kind::kText;
      raw.text = std::string_view(at, length);
      at += length;
      break;
    }
    case kObject:
      raw.kind = Raw::Kind::kObject;
      raw.object = ReadVarint(at);
      break;
    case kRepeated: {
      const char* first = repeated_[kInlineRepeats + ReadVarint(at)];
      return ReadRaw(first);
    }
  }
  return raw;
}

Variant RecordStore::Read(const char*& at) const {
  const Raw raw = ReadRaw(at);
  switch (raw.kind) {
    case Raw::Kind::kEmpty:
      return Variant();
    case Raw::Kind::kNull:
      return Variant::Null();
    case Raw::Kind::kBoolean:
      return Variant(raw.integer != 0);
    case Raw::Kind::kInteger:
      return Variant(static_cast<long long>(raw.integer));
    case Raw::Kind::kDouble:
      return Variant(raw.number);
    case Raw::Kind::kText:
      return Variant(std::string(raw.text));
    case Raw::Kind::kObject:
      return Variant(objects_[raw.object]);
  }
  return Variant();
}

const char* RecordStore::Skip(const char* at) {
  const auto byte = static_cast<unsigned char>(*at++);
  if (byte & kShortText) {
    at += byte & (kShortTextLimit - 1);
  } else if (byte & kSmallInteger) {
    return at;
  } else if (byte == kDouble) {
    at += sizeof(double);
  } else if (byte == kText) {
    const size_t length = ReadVarint(at);
    at += length;
  } else if (byte == kInteger || byte == kObject || byte == kWholeDouble || byte == kRepeated) {
    ReadVarint(at);
  }
  return at;
}

Variant RecordStore::Value(size_t record, size_t field) const {
  const char* at = Start(record);
  for (size_t f = 0; f < field; ++f) at = Skip(at);
  return Read(at);
}

RecordStore::Raw RecordStore::RawValue(const char* record, size_t field) const {
  const char* at = record;
  for (size_t f = 0; f < field; ++f) at = Skip(at);
  return ReadRaw(at);
}

void RecordStore::AppendRecordsOf(const RecordStore& other) {
  if (other.field_count_ != field_count_ || open_values_ != 0) {
    throw Error("Records of " + std::to_string(other.field_count_) + " fields cannot follow " +
                std::to_string(field_count_) + " fields");
  }
  // Objects are indexes into the other store's table and repeated texts references into its
  // own: value by value then; otherwise the records' bytes as they are.
  const bool as_stored = other.objects_.empty() && other.repeated_.empty();
  for (size_t r = 0; r < other.Count(); ++r) {
    const char* start = other.Start(r);
    if (!as_stored) {
      for (size_t f = 0; f < field_count_; ++f) AppendRawOf(other, start);
      EndRecord();
      continue;
    }
    const char* end = start;
    for (size_t f = 0; f < field_count_; ++f) end = Skip(end);
    const auto bytes = static_cast<size_t>(end - start);
    std::memcpy(Room(bytes), start, bytes);
    used_ += bytes;
    starts_.push_back(reinterpret_cast<uintptr_t>(blocks_.back().get() + record_start_));
    record_start_ = used_;
  }
}

void RecordStore::AppendRawOf(const RecordStore& other, const char*& at) {
  const Raw raw = other.ReadRaw(at);
  switch (raw.kind) {
    case Raw::Kind::kEmpty:
      return Put(kEmpty, nullptr, 0);
    case Raw::Kind::kNull:
      return AppendNull();
    case Raw::Kind::kBoolean:
      return Put(raw.integer != 0 ? kTrue : kFalse, nullptr, 0);
    case Raw::Kind::kInteger:
      return AppendInteger(raw.integer);
    case Raw::Kind::kDouble:
      return AppendDouble(raw.number);
    case Raw::Kind::kText:
      return AppendText(raw.text);
    case Raw::Kind::kObject:
      return Append(Variant(other.objects_[raw.object]));
  }
}

void RecordStore::Decode(size_t record, std::vector<Variant>& out) const {
  out.resize(field_count_);
  const char* at = Start(record);
  for (size_t f = 0; f < field_count_; ++f) out[f] = Read(at);
}

}  // namespace qmz
