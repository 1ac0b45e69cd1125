// The foundation containers: result dictionary, result vector and the null-to-default function.
//
// Dictionary: text keys compared with exact case, insertion order kept (a replaced value keeps
// its key's place), lookups in constant time (up to 16 keys are searched in place). Vector:
// objects counted from 1. Both are Objects, so they travel in a Variant and are shared, never
// copied, when handed on. Not thread-safe: each belongs to the thread that made it.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "qmz/variant.h"

namespace qmz {

class Dictionary : public Object {
 public:
  using Entry = std::pair<std::string, Variant>;

  // Adds the key or replaces its value.
  void Set(const std::string& key, Variant value);
  // Room for `count` keys, for a caller that knows how many it will set.
  void Reserve(size_t count);
  // The value under the key, or `fallback` when the key is absent.
  Variant Get(const std::string& key, const Variant& fallback = Variant()) const;
  bool Exists(const std::string& key) const;
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> index_;
};

class Vector : public Object {
 public:
  void Add(ObjectPtr item) { items_.push_back(std::move(item)); }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // Item at `position`, counted from 1; Error outside 1..Count().
  ObjectPtr Item(int32_t position) const;

 private:
  std::vector<ObjectPtr> items_;
};

// `value` unchanged, or `fallback` when it is Null.
Variant NullToDefault(const Variant& value, const Variant& fallback);

}  // namespace qmz
