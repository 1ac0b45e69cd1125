#include "qmz/containers.h"

#include "qmz/error.h"

namespace qmz {

void Dictionary::Set(const std::string& key, Variant value) {
  auto hit = index_.find(key);
  if (hit != index_.end()) {
    entries_[hit->second].second = std::move(value);
    return;
  }
  index_.emplace(key, entries_.size());
  entries_.emplace_back(key, std::move(value));
}

Variant Dictionary::Get(const std::string& key, const Variant& fallback) const {
  auto hit = index_.find(key);
  return hit == index_.end() ? fallback : entries_[hit->second].second;
}

bool Dictionary::Exists(const std::string& key) const {
  return index_.count(key) != 0;
}

ObjectPtr Vector::Item(int32_t position) const {
  if (position < 1 || position > Count()) throw Error("Subscript out of range");
  return items_[static_cast<size_t>(position - 1)];
}

Variant NullToDefault(const Variant& value, const Variant& fallback) {
  return value.IsNull() ? fallback : value;
}

}  // namespace qmz
