#include "cli/sql_trace.h"

#include <fstream>
#include <memory>

#include "cli/json_output.h"
#include "qmz/components.h"

namespace qmz::cli {

namespace {

class TracingClassInfo : public ClassInfo {
 public:
  TracingClassInfo(std::shared_ptr<ClassInfo> inner, std::shared_ptr<std::ofstream> out)
      : inner_(std::move(inner)), out_(std::move(out)) {}

  RecordsetPtr GetData(const std::string& props, const std::string& sql) override {
    Json line = Json::object();
    line["sql"] = sql;
    *out_ << line.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    out_->flush();
    return inner_->GetData(props, sql);
  }

 private:
  std::shared_ptr<ClassInfo> inner_;
  std::shared_ptr<std::ofstream> out_;
};

}  // namespace

void TraceSqlTo(const std::string& path) {
  auto out = std::make_shared<std::ofstream>(path, std::ios::app | std::ios::binary);
  if (!*out) throw Error("Cannot open the SQL trace file " + path);
  auto& registry = ComponentRegistry::Instance();
  ComponentFactory inner = registry.Factory(progid::kClassInfo);
  if (!inner) throw Error("No class-info component is registered to trace");
  registry.Register(progid::kClassInfo, [inner, out]() -> ComponentPtr {
    auto component = std::dynamic_pointer_cast<ClassInfo>(inner());
    if (!component) throw Error("The class-info component lacks its interface");
    return std::make_shared<TracingClassInfo>(component, out);
  });
}

}  // namespace qmz::cli
