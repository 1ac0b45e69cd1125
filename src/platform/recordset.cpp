#include "qmz/recordset.h"

#include <algorithm>
#include <numeric>

#include "platform/criteria.h"
#include "platform/text.h"
#include "qmz/error.h"

namespace qmz {

namespace {
const char kNoCurrentRecord[] =
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
    "requires a current record.";
}  // namespace

Recordset::Recordset(std::vector<std::string> field_names) : fields_(std::move(field_names)) {
  for (size_t i = 0; i < fields_.size(); ++i) {
    field_index_.emplace(ToLowerAscii(fields_[i]), static_cast<int32_t>(i));
  }
}

void Recordset::AddRecord(std::vector<Variant> values) {
  if (values.size() != fields_.size()) {
    throw Error("Record has " + std::to_string(values.size()) + " values for " +
                std::to_string(fields_.size()) + " fields");
  }
  for (Variant& value : values) values_.push_back(std::move(value));
  if (!view_is_all_) RebuildView();
}

const std::string& Recordset::FieldName(int32_t index) const {
  if (index < 0 || index >= FieldCount()) throw Error("Item cannot be found in the collection");
  return fields_[static_cast<size_t>(index)];
}

int32_t Recordset::FieldIndex(const std::string& name) const {
  auto hit = field_index_.find(ToLowerAscii(name));
  return hit == field_index_.end() ? -1 : hit->second;
}

size_t Recordset::RequireCurrent() const {
  if (Bof() || Eof()) throw Error(kNoCurrentRecord);
  return view_is_all_ ? static_cast<size_t>(position_) : view_[static_cast<size_t>(position_)];
}

const Variant& Recordset::Value(const std::string& name) const {
  int32_t index = FieldIndex(name);
  if (index < 0) {
    throw Error("Item cannot be found in the collection corresponding to the requested name: " +
                name);
  }
  return Value(index);
}

const Variant& Recordset::Value(int32_t index) const {
  FieldName(index);
  return Record(RequireCurrent())[static_cast<size_t>(index)];
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

std::span<const Variant> Recordset::Record(size_t index) const {
  return std::span<const Variant>(values_).subspan(index * fields_.size(), fields_.size());
}

std::span<const Variant> Recordset::RecordValues(int32_t view_position) const {
  if (view_position < 1 || view_position > RecordCount()) throw Error(kNoCurrentRecord);
  size_t at = static_cast<size_t>(view_position - 1);
  return Record(view_is_all_ ? at : view_[at]);
}

void Recordset::Find(const std::string& criterion, int32_t skip, bool forward) {
  FieldResolver resolve = [this](const std::string& name) { return FieldIndex(name); };
  Criteria criteria = Criteria::Parse(criterion, resolve, true);
  RequireCurrent();
  int64_t count = RecordCount();
  int64_t step = forward ? 1 : -1;
  for (int64_t at = position_ + step * skip; at >= 0 && at < count; at += step) {
    if (criteria.Matches(RecordValues(static_cast<int32_t>(at + 1)))) {
      position_ = at;
      return;
    }
  }
  position_ = forward ? count : -1;
}

void Recordset::SetSort(const std::string& sort) {
  FieldResolver resolve = [this](const std::string& name) { return FieldIndex(name); };
  ParseSort(sort, resolve);  // validate before changing anything
  sort_ = sort;
  RebuildView();
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
  FieldResolver resolve = [this](const std::string& name) { return FieldIndex(name); };
  bool filtered = !Trim(filter_).empty();
  std::vector<SortKey> keys = ParseSort(sort_, resolve);
  position_ = 0;
  if (!filtered && keys.empty()) {
    view_is_all_ = true;
    view_.clear();
    return;
  }
  view_is_all_ = false;
  view_.clear();
  if (filtered) {
    Criteria criteria = Criteria::Parse(filter_, resolve, false);
    for (size_t i = 0; i < StoredCount(); ++i) {
      if (criteria.Matches(Record(i))) view_.push_back(static_cast<uint32_t>(i));
    }
  } else {
    view_.resize(StoredCount());
    std::iota(view_.begin(), view_.end(), 0u);
  }
  if (keys.empty()) return;
  std::stable_sort(view_.begin(), view_.end(), [&](uint32_t a, uint32_t b) {
    for (const SortKey& key : keys) {
      size_t field = static_cast<size_t>(key.field);
      int order =
          CompareForSort(values_[a * fields_.size() + field], values_[b * fields_.size() + field]);
      if (order != 0) return key.descending ? order > 0 : order < 0;
    }
    return false;
  });
}

}  // namespace qmz
