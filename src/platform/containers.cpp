#include "qmz/containers.h"

#include "qmz/error.h"

namespace qmz {

namespace {

// A dictionary of up to this many keys is searched in place: a row of a lookup has about 16,
// and hashing them and allocating an index for each cost more than comparing.
constexpr size_t kIndexedFrom = 16;
constexpr size_t kAbsent = static_cast<size_t>(-1);

size_t Position(const std::vector<Dictionary::Entry>& entries,
                const std::unordered_map<std::string, size_t>& index, const std::string& key) {
  if (!index.empty()) {
    auto hit = index.find(key);
    return hit == index.end() ? kAbsent : hit->second;
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].first == key) return i;
  }
  return kAbsent;
}

}  // namespace

void Dictionary::Set(const std::string& key, Variant value) {
  const size_t at = Position(entries_, index_, key);
  if (at != kAbsent) {
    entries_[at].second = std::move(value);
    return;
  }
  entries_.emplace_back(key, std::move(value));
  if (!index_.empty()) {
    index_.emplace(key, entries_.size() - 1);
  } else if (entries_.size() > kIndexedFrom) {
    for (size_t i = 0; i < entries_.size(); ++i) index_.emplace(entries_[i].first, i);
  }
}

void Dictionary::Reserve(size_t count) {
  entries_.reserve(count);
  if (count > kIndexedFrom) index_.reserve(count);
}

Variant Dictionary::Get(const std::string& key, const Variant& fallback) const {
  const size_t at = Position(entries_, index_, key);
  return at == kAbsent ? fallback : entries_[at].second;
}

bool Dictionary::Exists(const std::string& key) const {
  return Position(entries_, index_, key) != kAbsent;
}

ObjectPtr Vector::Item(int32_t position) const {
  if (position < 1 || position > Count()) throw Error("Subscript out of range");
  return items_[static_cast<size_t>(position - 1)];
}

Variant NullToDefault(const Variant& value, const Variant& fallback) {
  return value.IsNull() ? fallback : value;
}

}  // namespace qmz
