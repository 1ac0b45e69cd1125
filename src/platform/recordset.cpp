#include "qmz/recordset.h"

#include <algorithm>
#include <numeric>

#include "platform/criteria.h"
#include "platform/record_store.h"
#include "platform/text.h"
#include "qmz/error.h"

namespace qmz {

namespace {

const char kNoCurrentRecord[] =
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
    "requires a current record.";

using Progress = std::function<void(int64_t records)>;

// How many records or comparisons go by between two calls of a view's progress.
constexpr uint32_t kProgressEvery = 4096;

// Tells `progress` of each kProgressEvery-th step.
class ProgressTicker {
 public:
  explicit ProgressTicker(const Progress& progress) : progress_(progress) {}
  void Step(int64_t done) {
    if (++steps_ % kProgressEvery == 0 && progress_) progress_(done);
  }

 private:
  const Progress& progress_;
  uint32_t steps_ = 0;
};

// The stored records that meet `criteria`, in stored order.
std::vector<uint32_t> MatchingRecords(const RecordStore& store, const Criteria& criteria,
                                      const Progress& progress) {
  std::vector<uint32_t> matching;
  std::vector<Variant> values;
  ProgressTicker ticker(progress);
  for (size_t i = 0; i < store.Count(); ++i) {
    store.Decode(i, values);
    if (criteria.Matches(values)) matching.push_back(static_cast<uint32_t>(i));
    ticker.Step(0);
  }
  return matching;
}

// The sort keys of `records`, made once, `keys.size()` per record in the records' order.
std::vector<SortValue> SortValuesOf(const RecordStore& store, const std::vector<SortKey>& keys,
                                    const std::vector<uint32_t>& records,
                                    const Progress& progress) {
  std::vector<SortValue> values;
  values.reserve(records.size() * keys.size());
  ProgressTicker ticker(progress);
  for (uint32_t record : records) {
    for (const SortKey& key : keys) {
      values.emplace_back(store.Value(record, static_cast<size_t>(key.field)));
    }
    ticker.Step(kProgressEvery);
  }
  if (progress) progress(static_cast<int64_t>(records.size() % kProgressEvery));
  return values;
}

// Sorts `records` by `keys`, stably. The keys of the records (not of every stored record: a
// filter may leave few) are made once, in the records' order; the positions are sorted, then
// mapped back.
void SortRecords(const RecordStore& store, const std::vector<SortKey>& keys,
                 std::vector<uint32_t>& records, const Progress& progress) {
  const std::vector<SortValue> values = SortValuesOf(store, keys, records, progress);
  const size_t width = keys.size();
  std::vector<uint32_t> positions(records.size());
  std::iota(positions.begin(), positions.end(), 0u);
  ProgressTicker ticker(progress);
  std::stable_sort(positions.begin(), positions.end(), [&](uint32_t a, uint32_t b) {
    ticker.Step(0);
    for (size_t k = 0; k < width; ++k) {
      int order = CompareForSort(values[a * width + k], values[b * width + k]);
      if (order != 0) return keys[k].descending ? order > 0 : order < 0;
    }
    return false;
  });
  for (uint32_t& position : positions) position = records[position];
  records = std::move(positions);
}

}  // namespace

namespace {

// Up to this many fields are looked up by name in place: a lookup's answer has about 16, made
// for one row, where folding and hashing each name cost more than comparing.
constexpr size_t kIndexedFrom = 16;

}  // namespace

Recordset::Recordset(std::vector<std::string> field_names)
    : fields_(std::move(field_names)), records_(std::make_unique<RecordStore>(fields_.size())) {
  if (fields_.size() <= kIndexedFrom) return;
  field_index_.reserve(fields_.size());
  for (size_t i = 0; i < fields_.size(); ++i) {
    field_index_.emplace(ToLowerAscii(fields_[i]), static_cast<int32_t>(i));
  }
}

Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

void Recordset::AddRecord(std::vector<Variant> values) {
  if (values.size() != fields_.size()) {
    throw Error("Record has " + std::to_string(values.size()) + " values for " +
                std::to_string(fields_.size()) + " fields");
  }
  for (const Variant& value : values) records_->Append(value);
  EndRecord();
}

void Recordset::AppendNull() {
  records_->AppendNull();
}
void Recordset::AppendInteger(int64_t value) {
  records_->AppendInteger(value);
}
void Recordset::AppendDouble(double value) {
  records_->AppendDouble(value);
}
void Recordset::AppendText(std::string_view value) {
  records_->AppendText(value);
}

void Recordset::EndRecord() {
  records_->EndRecord();
  if (!view_is_all_) RebuildView();
}

void Recordset::AppendRecordsOf(const Recordset& other) {
  records_->AppendRecordsOf(*other.records_);
  if (!view_is_all_) RebuildView();
}

size_t Recordset::StoredCount() const {
  return records_->Count();
}

const std::string& Recordset::FieldName(int32_t index) const {
  if (index < 0 || index >= FieldCount()) throw Error("Item cannot be found in the collection");
  return fields_[static_cast<size_t>(index)];
}

int32_t Recordset::FieldIndex(const std::string& name) const {
  if (fields_.size() <= kIndexedFrom) {
    for (size_t i = 0; i < fields_.size(); ++i) {
      if (EqualsIgnoreCase(fields_[i], name)) return static_cast<int32_t>(i);
    }
    return -1;
  }
  auto hit = field_index_.find(ToLowerAscii(name));
  return hit == field_index_.end() ? -1 : hit->second;
}

size_t Recordset::RequireCurrent() const {
  if (Bof() || Eof()) throw Error(kNoCurrentRecord);
  return view_is_all_ ? static_cast<size_t>(position_) : view_[static_cast<size_t>(position_)];
}

Variant Recordset::Value(const std::string& name) const {
  int32_t index = FieldIndex(name);
  if (index < 0) {
    throw Error("Item cannot be found in the collection corresponding to the requested name: " +
                name);
  }
  return Value(index);
}

Variant Recordset::Value(int32_t index) const {
  FieldName(index);
  return records_->Value(RequireCurrent(), static_cast<size_t>(index));
}

int32_t Recordset::RecordCount() const {
  return static_cast<int32_t>(view_is_all_ ? StoredCount() : view_.size());
}

bool Recordset::Bof() const {
  return position_ < 0 || RecordCount() == 0;
}
bool Recordset::Eof() const {
  return position_ >= RecordCount();
}

void Recordset::MoveFirst() {
  if (RecordCount() == 0) throw Error(kNoCurrentRecord);
  position_ = 0;
}

void Recordset::MoveLast() {
  if (RecordCount() == 0) throw Error(kNoCurrentRecord);
  position_ = RecordCount() - 1;
}

void Recordset::MoveNext() {
  if (Eof()) throw Error(kNoCurrentRecord);
  ++position_;
}

void Recordset::MovePrevious() {
  if (Bof()) throw Error(kNoCurrentRecord);
  --position_;
}

void Recordset::Move(int32_t records) {
  if (records == 0) return;
  if ((records > 0 && Eof()) || (records < 0 && Bof())) throw Error(kNoCurrentRecord);
  int64_t target = position_ + records;
  position_ = std::clamp<int64_t>(target, -1, RecordCount());
}

int32_t Recordset::AbsolutePosition() const {
  if (RecordCount() == 0) return -1;
  if (position_ < 0) return -2;
  if (position_ >= RecordCount()) return -3;
  return static_cast<int32_t>(position_ + 1);
}

void Recordset::SetAbsolutePosition(int32_t position) {
  if (position < 1 || position > RecordCount()) {
    throw Error("Arguments are of the wrong type, are out of acceptable range, or are in conflict");
  }
  position_ = position - 1;
}

size_t Recordset::StoredIndex(int32_t view_position) const {
  if (view_position < 1 || view_position > RecordCount()) throw Error(kNoCurrentRecord);
  size_t at = static_cast<size_t>(view_position - 1);
  return view_is_all_ ? at : view_[at];
}

std::vector<Variant> Recordset::RecordValues(int32_t view_position) const {
  std::vector<Variant> values;
  records_->Decode(StoredIndex(view_position), values);
  return values;
}

void Recordset::Find(const std::string& criterion, int32_t skip, bool forward) {
  FieldResolver resolve = [this](const std::string& name) { return FieldIndex(name); };
  Criteria criteria = Criteria::Parse(criterion, resolve, true);
  RequireCurrent();
  int64_t count = RecordCount();
  int64_t step = forward ? 1 : -1;
  std::vector<Variant> values;
  for (int64_t at = position_ + step * skip; at >= 0 && at < count; at += step) {
    records_->Decode(StoredIndex(static_cast<int32_t>(at + 1)), values);
    if (criteria.Matches(values)) {
      position_ = at;
      return;
    }
  }
  position_ = forward ? count : -1;
}

void Recordset::SetSort(const std::string& sort) {
  SetSort(PrepareSort(sort, {}));
}

SortedView Recordset::PrepareSort(const std::string& sort, const Progress& progress) const {
  FieldResolver resolve = [this](const std::string& name) { return FieldIndex(name); };
  std::vector<SortKey> keys = ParseSort(sort, resolve);
  const bool filtered = !Trim(filter_).empty();
  SortedView view;
  view.sort = sort;
  view.filter = filter_;
  view.stored = StoredCount();
  if (!filtered && keys.empty()) return view;
  view.all = false;
  if (filtered) {
    view.records = MatchingRecords(*records_, Criteria::Parse(filter_, resolve, false), progress);
  } else {
    view.records.resize(view.stored);
    std::iota(view.records.begin(), view.records.end(), 0u);
  }
  if (!keys.empty()) SortRecords(*records_, keys, view.records, progress);
  return view;
}

void Recordset::SetSort(SortedView view) {
  if (view.stored != StoredCount() || view.filter != filter_) {
    throw Error("The sorted view was made for other records");
  }
  sort_ = std::move(view.sort);
  view_is_all_ = view.all;
  view_ = std::move(view.records);
  position_ = 0;
}

void Recordset::OrderRecords(const std::vector<OrderField>& fields, const Progress& progress) {
  if (!view_is_all_ || !sort_.empty() || !Trim(filter_).empty()) {
    throw Error("The records can only be put in order before a sort or filter is set");
  }
  records_->Order(fields, progress);
  position_ = 0;
}

void Recordset::SetFilter(const std::string& filter) {
  if (!Trim(filter).empty()) {
    FieldResolver resolve = [this](const std::string& name) { return FieldIndex(name); };
    Criteria::Parse(filter, resolve, false);  // validate before changing anything
  }
  filter_ = filter;
  RebuildView();
}

void Recordset::RebuildView() {
  SetSort(PrepareSort(sort_, {}));
}

void ForEachRecord(Recordset& records, const std::function<bool(int32_t position)>& visit) {
  if (records.RecordCount() == 0) return;
  records.MoveFirst();
  for (int32_t position = 1; !records.Eof(); records.MoveNext(), ++position) {
    if (!visit(position)) return;
  }
}

}  // namespace qmz
