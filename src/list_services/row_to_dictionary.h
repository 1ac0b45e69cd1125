// The current record of a recordset as a new Dictionary: every field under its name, in field
// order, its value as trimmed text (Null as the empty text). At the end of the recordset every
// field is entered with the empty text. Fails (qmz::Error) for a value with no text form.
#pragma once

#include <memory>

#include "qmz/containers.h"
#include "qmz/recordset.h"

namespace qmz {

std::shared_ptr<Dictionary> RowToDictionary(const Recordset& recordset);

}  // namespace qmz
