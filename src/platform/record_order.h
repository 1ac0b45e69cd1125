// The order an answer's reader gives its records when the statement left the order to it: by
// fields, each ascending or descending, comparing values as the suite's databases do with the
// production collation: Null first (last when descending), numbers by value before texts,
// texts byte by byte with ASCII letters folded and trailing blanks ignored. Records that tie on
// every field keep their read order.
//
// A most-significant-first sort: the records are sorted by eight bytes of the first field, and
// only the runs that tie there by the next eight bytes or the next field, so fields after the
// first cost only where earlier ones tie. It holds 20 bytes per record while it works.
// `progress`, when given, is called every few thousand records and may throw to stop, which
// changes nothing. Not thread-safe with writers of the store.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/record_store.h"
#include "qmz/recordset.h"

namespace qmz {

// The records of `store` in that order: the permutation RecordStore::Reorder takes. Fields
// must be below the store's field count.
std::vector<uint32_t> RecordOrder(const RecordStore& store, const std::vector<OrderField>& fields,
                                  const std::function<void(int64_t records)>& progress);

}  // namespace qmz
