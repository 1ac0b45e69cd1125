// KeptQueries: which queries a connection keeps prepared, and what it keeps with each. A query is
// kept the second time it is asked for (the first time it is only remembered, with at most 256
// others); at most 32 are kept, the one used longest ago given up for a new one; a refused query
// is never kept again (at most 256 remembered). Bookkeeping only: the caller prepares the query,
// and frees what a given-up or forgotten entry stands for.
//
// Threading: belongs to its connection, used by one thread at a time. Never fails itself.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

namespace qmz::suite {

template <typename Entry>
class KeptQueries {
 public:
  static constexpr size_t kMostKept = 32;
  static constexpr size_t kMostRemembered = 256;

  // The entry kept for `key`, marked as used by this call; null when none. Every call counts as a
  // use, so that an entry kept after it counts as used by the same call.
  Entry* Find(const std::string& key) {
    ++uses_;
    auto found = kept_.find(key);
    if (found == kept_.end()) return nullptr;
    found->second.used = uses_;
    return &found->second.entry;
  }
  // Whether `key`, not kept, is to be kept now: not refused, and asked for before (the first time
  // it is remembered instead).
  bool Due(const std::string& key) {
    if (refused_.count(key) != 0) return false;
    if (!seen_.insert(key).second) return true;
    if (seen_.size() > kMostRemembered) seen_ = {key};
    return false;
  }
  // When one more would make more than kMostKept: the entry used longest ago, taken out.
  std::optional<Entry> MakeRoom() {
    if (kept_.size() < kMostKept) return std::nullopt;
    const auto oldest = std::min_element(
        kept_.begin(), kept_.end(),
        [](const auto& a, const auto& b) { return a.second.used < b.second.used; });
    std::optional<Entry> given_up(std::move(oldest->second.entry));
    kept_.erase(oldest);
    return given_up;
  }
  // Keeps `entry` for `key`, used by the call that found none.
  Entry& Keep(const std::string& key, Entry entry) {
    seen_.erase(key);
    return kept_.insert_or_assign(key, Slot{std::move(entry), uses_}).first->second.entry;
  }
  // No longer kept (the server lost it, or its tables were made anew): kept again when it is asked
  // for twice more.
  void Forget(const std::string& key) {
    kept_.erase(key);
    seen_.erase(key);
  }
  // Never kept again.
  void Refuse(const std::string& key) {
    Forget(key);
    if (refused_.size() >= kMostRemembered) refused_.clear();
    refused_.insert(key);
  }
  // Every kept entry forgotten (their connection is gone); what was seen or refused stays.
  void ForgetKept() { kept_.clear(); }

  size_t size() const { return kept_.size(); }

 private:
  struct Slot {
    Entry entry;
    uint64_t used = 0;
  };
  uint64_t uses_ = 0;
  std::map<std::string, Slot> kept_;
  std::set<std::string> seen_;
  std::set<std::string> refused_;
};

}  // namespace qmz::suite
