// Recordset: a disconnected, client-side recordset, as the middle tier returns it.
//
// Records are packed into large blocks, each value about the size of its text, and decoded when
// read; the current view (after Sort and Filter) is a vector of record indexes, so every move
// is O(1). Field names keep their order and are looked up
// without regard to ASCII case.
//
// Position: BOF and EOF are the places before the first and after the last record of the view;
// an empty view is at both. AbsolutePosition counts from 1 and reads -2 at BOF, -3 at EOF.
// MoveNext at EOF and MovePrevious at BOF raise an Error, as do reads of a field without a
// current record. Move(n) from a record stops at BOF or EOF when it runs past an end.
//
// Criteria (Filter and Find): `Field op value` with op one of < > <= >= <> = LIKE; text values
// in single quotes with '' for a quote inside, numbers bare, dates in #...#; LIKE values may end
// with * or % (or carry one at both ends) and nowhere else. Filter joins criteria with AND and
// OR (AND binds tighter) and parentheses; Find takes one criterion. Texts compare without regard
// to case; a Null field matches no criterion except `= Null`. A malformed criterion raises an
// Error and leaves the recordset as it was. Setting Filter moves to the first record of the new
// view; an empty Filter shows every record.
//
// Sort: "Field [ASC|DESC], ..."; stable; Nulls first when ascending. Setting Sort keeps the
// filter and moves to the first record. A sort that takes long may be made on another thread
// (PrepareSort, below) and set on this one. Not thread-safe otherwise.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "qmz/variant.h"

namespace qmz {

class RecordStore;

// A view of a recordset's records made away from it (Recordset::PrepareSort), to be set with
// Recordset::SetSort; it holds the sort and filter it was made with.
struct SortedView {
  std::string sort;
  std::string filter;
  size_t stored = 0;              // the records there were
  bool all = true;                // no filter and no sort: every record in order
  std::vector<uint32_t> records;  // record indexes in view order, unless all
};

// A field of the order a recordset's reader gives its records (Recordset::OrderRecords).
struct OrderField {
  int32_t field = 0;
  bool descending = false;
  bool operator==(const OrderField&) const = default;
};

class Recordset : public Object {
 public:
  explicit Recordset(std::vector<std::string> field_names);
  ~Recordset() override;
  Recordset(Recordset&&) noexcept;
  Recordset& operator=(Recordset&&) noexcept;

  // Building: appends one record; Error when the value count differs from the field count.
  void AddRecord(std::vector<Variant> values);
  // Building without Variants, for readers of large results: one Append per field in order,
  // then EndRecord (Error when the count differs from the field count; the record is dropped).
  void AppendNull();
  void AppendInteger(int64_t value);
  void AppendDouble(double value);
  void AppendText(std::string_view value);
  void EndRecord();
  // Puts the stored records in the order of `fields`, comparing values as the suite's databases
  // do (Null first, numbers before texts, texts without regard to ASCII case or trailing
  // blanks; ties in read order), for a reader whose statement left the order to it. Only
  // before any Sort or Filter is set (Error otherwise); moves to the first record. `progress`
  // as for PrepareSort; a stop thrown there leaves the records in read order.
  void OrderRecords(const std::vector<OrderField>& fields,
                    const std::function<void(int64_t records)>& progress);
  // Appends every record of `other`, a recordset of as many fields built the same way (for a
  // reader that builds pieces of a result on several threads); Error when the counts differ.
  void AppendRecordsOf(const Recordset& other);

  // Fields.
  int32_t FieldCount() const { return static_cast<int32_t>(fields_.size()); }
  const std::string& FieldName(int32_t index) const;
  // Index of the field (0-based), or -1 when absent.
  int32_t FieldIndex(const std::string& name) const;
  // Value of the current record; Error without a current record or for an unknown field.
  Variant Value(const std::string& name) const;
  Variant Value(int32_t index) const;

  // Position.
  int32_t RecordCount() const;
  bool Bof() const;
  bool Eof() const;
  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrevious();
  void Move(int32_t records);
  int32_t AbsolutePosition() const;
  void SetAbsolutePosition(int32_t position);

  // Searches from the current record (after skipping `skip` records) for the first record
  // that meets the criterion; stops at EOF (forward) or BOF (backward) when none does.
  void Find(const std::string& criterion, int32_t skip = 0, bool forward = true);

  void SetSort(const std::string& sort);
  // The view SetSort(sort) would make, made without changing the recordset. It reads only the
  // stored records, the field names and the filter, which reading and moving leave alone: it
  // may run on another thread while this one reads and moves the recordset, as long as no
  // record is added and no Sort or Filter set meanwhile. `progress`, when given, is called
  // every few thousand records with the count whose sort keys were made since the last call,
  // and every few thousand comparisons with 0; it may throw to stop, which changes nothing.
  // Error for a malformed sort, as SetSort.
  SortedView PrepareSort(const std::string& sort,
                         const std::function<void(int64_t records)>& progress) const;
  // Sets a view PrepareSort made as SetSort(its sort) would; Error, changing nothing, when
  // it was made for other records or another filter.
  void SetSort(SortedView view);
  const std::string& Sort() const { return sort_; }
  void SetFilter(const std::string& filter);
  const std::string& Filter() const { return filter_; }

  void SetSource(std::string source) { source_ = std::move(source); }
  const std::string& Source() const { return source_; }
  // A disconnected recordset keeps its rows; this only drops the link to the connection.
  void ReleaseConnection() { connected_ = false; }
  bool Connected() const { return connected_; }
  void SetConnected(bool connected) { connected_ = connected; }

  // The values of the record at a position of the view (counted from 1), without moving;
  // Error outside 1..RecordCount().
  std::vector<Variant> RecordValues(int32_t view_position) const;

 private:
  void RebuildView();
  size_t RequireCurrent() const;

  void RecordAdded();
  size_t StoredCount() const;
  size_t StoredIndex(int32_t view_position) const;

  std::vector<std::string> fields_;
  // Keys folded to lower case; empty for up to 16 fields, which are compared in place.
  std::unordered_map<std::string, int32_t> field_index_;
  std::unique_ptr<RecordStore> records_;
  std::vector<uint32_t> view_;  // record indexes in view order, when filtered or sorted
  bool view_is_all_ = true;     // no filter and no sort: the view is every record in order
  int64_t position_ = 0;        // 0-based in view; -1 BOF; view size = EOF
  std::string sort_;
  std::string filter_;
  std::string source_;
  bool connected_ = true;
};

using RecordsetPtr = std::shared_ptr<Recordset>;

// The one walk over a recordset's records: from the first record of the view to the last,
// `visit` reads the current record (its position counted from 1) and returns true to go on or
// false to stop there. An empty view visits nothing. Afterwards the recordset stands where the
// visit stopped, else at EOF. Errors of `visit` pass through.
void ForEachRecord(Recordset& records, const std::function<bool(int32_t position)>& visit);

}  // namespace qmz
