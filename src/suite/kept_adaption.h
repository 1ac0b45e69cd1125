// KeptAdaption: the statements a batch becomes on a database (AdaptTsql) and, for PostgreSQL,
// the names its answers are spelt by (NameSpellings, SelectNames), kept per thread for batches
// sent again: a host checking many order lines sends the same lookup again and again, and
// adapting it was a large part of a lookup's own work.
//
// Threading: each thread keeps its own (no locks); the last 64 batches up to 8 KiB each, long
// ones are adapted every time. The answer is shared and stays valid while held. May fail as
// AdaptTsql does; nothing is kept then.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "suite/tsql_adaption.h"

namespace qmz::suite {

struct AdaptedBatch {
  std::vector<std::string> statements;
  // PostgreSQL only: every name of the batch by its lower-case form, and each statement's
  // select names, in the order of `statements`.
  std::map<std::string, std::string> batch_names;
  std::vector<std::vector<std::string>> select_names;
};

std::shared_ptr<const AdaptedBatch> KeptAdaption(const std::string& tsql, Target target);

}  // namespace qmz::suite
