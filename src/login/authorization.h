// Data authorisation: whether it applies to the logged-in user, which item classes it covers,
// and the SQL condition that keeps rows of other users out.
//
// The answers are cached in the host property dictionary (keys NeedAuthrize and
// AuthrizeItemClassList), shared by every component of the host process; a per-thread flag
// records that the security component was asked once. IsAuthorizeNeeded never fails (false on
// any failure); the others let failures rise to the public operation that called them.
#pragma once

#include <string>

#include "qmz/containers.h"

namespace qmz {

bool IsAuthorizeNeeded();
std::string GetAuthItemClasses();

// `descriptors`: Dictionaries with DataTable, DataTableAs and ItemClassType. Appends one
// CharIndex condition per descriptor under authorisation to `condition`. True when
// authorisation applies (the condition may have grown), false when not (condition untouched).
bool BuildAuthFilter(const Vector& descriptors, std::string& condition);

// The warehouse condition for the warehouse table's alias: " And " and the condition, or the
// empty text.
std::string GetStockAuthFilter(const std::string& alias);

// Who asks for the warehouse condition: a dialog applies data authorisation only when the host's
// application type is 4; an operation without a dialog (GetBatch, GetAux, AllocateBatches)
// always applies it.
enum class AuthContext { kDialog, kNoDialog };
// GetStockAuthFilter(alias) where authorisation applies in `context`, else the empty text.
std::string StockAuthFilterIn(AuthContext context, const std::string& alias);

// Whether this thread already asked the security component; for tests that start fresh.
bool AuthorizationAskedOnThisThread();

}  // namespace qmz
