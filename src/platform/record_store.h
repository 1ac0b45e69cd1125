// The records of a Recordset, packed back to back in blocks: each value is a kind byte and its
// payload (integers as zigzag varints, doubles as their 8 bytes or, when whole, a zigzag
// varint, texts as a varint length and their bytes, objects as an index into a side table);
// texts under 128 bytes and integers from -32 to 31 carry their length or value in the kind
// byte itself. In a large store a short text met again soon (a warehouse, a unit, a date, a
// batch number on the rows of each warehouse) is written once: later copies are a reference to
// the first, one byte for the first 48 texts so repeated. A million rows then take well under
// what their values take as text; a value is decoded when it is read. Records never move once
// written.
// The first block is small and each next one twice as large up to 1 MiB (larger only for a
// record that needs it), so a one-row recordset takes a few hundred bytes. At most 32,768
// blocks (32 GiB of records); Error past that.
//
// Building: one Append per field of a record, then EndRecord (Error when the count is wrong).
// Not thread-safe.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "qmz/recordset.h"
#include "qmz/variant.h"

namespace qmz {

class RecordStore {
 public:
  explicit RecordStore(size_t field_count) : field_count_(field_count) {}

  void AppendNull();
  void AppendInteger(int64_t value);
  void AppendDouble(double value);
  void AppendText(std::string_view value);
  void Append(const Variant& value);
  void EndRecord();
  // Appends every record of `other`, a store of as many fields, byte for byte (its objects by
  // value). Error when the field counts differ or a record is open.
  void AppendRecordsOf(const RecordStore& other);

  size_t Count() const { return starts_.size(); }
  // One value, or every value of a record into `out` (resized to the field count).
  Variant Value(size_t record, size_t field) const;
  void Decode(size_t record, std::vector<Variant>& out) const;

  // A value as stored, read without copying: `text` points into the store; a Boolean is 0 or
  // 1 in `integer`, an object its index in the store's table.
  struct Raw {
    enum class Kind : uint8_t { kEmpty, kNull, kBoolean, kInteger, kDouble, kText, kObject };
    Kind kind = Kind::kEmpty;
    int64_t integer = 0;
    double number = 0;
    std::string_view text;
    uint64_t object = 0;
  };
  // Puts the records in the order of `fields`, comparing as the suite's databases do with the
  // production collation: Null first (last when descending), numbers by value before texts,
  // texts byte by byte with ASCII letters folded and trailing blanks ignored; records that tie
  // on every field stay in the order they were added. A most-significant-first sort in the
  // records' own index (no memory beyond it): three bytes of a field at a time, and the next
  // ones or the next field only for the records that tie so far. `progress`, when given, is
  // called every few thousand records and may throw to stop; the records are then left in the
  // order they were added. Error, changing nothing, for a field out of range or a record open.
  void Order(const std::vector<OrderField>& fields,
             const std::function<void(int64_t records)>& progress);

 private:
  enum Kind : uint8_t {
    kEmpty,
    kNull,
    kFalse,
    kTrue,
    kInteger,
    kDouble,
    kText,
    kObject,
    kWholeDouble,
    kRepeated,  // a varint: which of the repeated texts, past the first kInlineRepeats
  };

  // The value of field `field` of the record that starts at `record`.
  Raw RawValue(const char* record, size_t field) const;
  const char* Start(size_t record) const { return reinterpret_cast<const char*>(starts_[record]); }

  // Room for `bytes` more bytes of the open record, which moves to a new block when the current
  // one is full.
  char* Room(size_t bytes);
  void Put(Kind kind, const void* payload, size_t bytes);
  void PutVarint(Kind kind, uint64_t value, const char* text, size_t text_bytes);
  // Writes `value` as a reference when it was written shortly before; false when it was not
  // (it is then remembered as written next).
  bool PutRepeated(std::string_view value);
  // Appends the value at `at` of another store, which moves past it.
  void AppendRawOf(const RecordStore& other, const char*& at);
  // The value at `at`, which moves past it.
  Raw ReadRaw(const char*& at) const;
  Variant Read(const char*& at) const;
  // Where the value at `at` ends.
  static const char* Skip(const char* at);

  size_t field_count_;
  size_t open_values_ = 0;
  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t block_size_ = 0;
  size_t used_ = 0;          // bytes used in the last block
  size_t record_start_ = 0;  // where the open record starts in the last block
  // Where each record starts. Records start below 1 MiB into their block (a block past that
  // takes no further record), so that Order can write a record as its block and offset.
  std::vector<uintptr_t> starts_;
  std::vector<ObjectPtr> objects_;
  // Texts written lately, by a hash of their bytes: where each was written (its kind byte) and
  // its number among the repeated texts once it was met again. Made once the store is large.
  struct Written {
    const char* at = nullptr;
    uint32_t repeat = UINT32_MAX;
  };
  std::unique_ptr<Written[]> written_;
  size_t stored_ = 0;                  // bytes of the blocks made so far
  std::vector<const char*> repeated_;  // the kind byte of each repeated text's first copy
};

}  // namespace qmz
