#include "list_services/middle_tier_query.h"

#include "list_services/row_to_dictionary.h"
#include "login/login_context.h"
#include "platform/list_answer.h"
#include "platform/ui/modal_host.h"
#include "qmz/components.h"
#include "qmz/error.h"

namespace qmz {

RecordsetPtr RunOnClassInfo(const std::string& sql) {
  auto class_info = CreateComponent<ClassInfo>(progid::kClassInfo);
  RecordsetPtr records = class_info->GetData(GetPropsString(), sql);
  if (!records) throw Error("The middle tier returned no recordset");
  return records;
}

RecordsetPtr RunListOnClassInfo(const std::string& sql) {
  // The component and the login are asked here; only the query runs where the read runs.
  auto class_info = CreateComponent<ClassInfo>(progid::kClassInfo);
  const std::string props = GetPropsString();
  RecordsetPtr records;
  RunStoppableRead([&] {
    ListAnswerScope list;
    records = class_info->GetData(props, sql);
  });
  if (!records) throw Error("The middle tier returned no recordset");
  return records;
}

std::shared_ptr<Dictionary> FetchFirstRow(const std::string& sql) {
  return RowToDictionary(*RunOnClassInfo(sql));
}

}  // namespace qmz
