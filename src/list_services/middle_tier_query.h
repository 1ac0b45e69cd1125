// The one way every query of the library reaches the database: the suite's class-info component,
// created for one call and given the login property string.
//
// Errors: the component cannot be created, fails, or answers no recordset (qmz::Error); they
// rise to the caller. The user-interface thread only, as every middle-tier call; a list's query
// runs on a helper thread while the dialogs' host waits for it and may stop it
// (RunStoppableRead, platform/ui/modal_host.h), which raises ReadStopped.
#pragma once

#include <memory>
#include <string>

#include "qmz/containers.h"
#include "qmz/recordset.h"

namespace qmz {

// Runs the SQL and returns the recordset it answers.
RecordsetPtr RunOnClassInfo(const std::string& sql);
// The same for the rows of a list a person pages through, which may be long
// (platform/list_answer.h): the user sees its progress and may stop it (ReadStopped).
RecordsetPtr RunListOnClassInfo(const std::string& sql);

// Runs the SQL and returns its current row as a Dictionary (RowToDictionary).
std::shared_ptr<Dictionary> FetchFirstRow(const std::string& sql);

}  // namespace qmz
