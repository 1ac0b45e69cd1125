#include "qmz/components.h"

namespace qmz {

Variant Component::Invoke(const std::string& member, std::vector<Variant>& args) {
  throw Error("Object doesn't support this property or method: " + member);
}

ComponentRegistry& ComponentRegistry::Instance() {
  static ComponentRegistry registry;
  return registry;
}

void ComponentRegistry::Register(const std::string& prog_id, ComponentFactory factory) {
  factories_[prog_id] = std::move(factory);
}

void ComponentRegistry::Unregister(const std::string& prog_id) {
  factories_.erase(prog_id);
}

bool ComponentRegistry::IsRegistered(const std::string& prog_id) const {
  return factories_.count(prog_id) != 0;
}

ComponentFactory ComponentRegistry::Factory(const std::string& prog_id) const {
  auto hit = factories_.find(prog_id);
  return hit == factories_.end() ? ComponentFactory() : hit->second;
}

ComponentPtr ComponentRegistry::Create(const std::string& prog_id) const {
  auto hit = factories_.find(prog_id);
  if (hit == factories_.end()) throw Error("ActiveX component can't create object: " + prog_id);
  ComponentPtr component = hit->second();
  if (!component) throw Error("ActiveX component can't create object: " + prog_id);
  return component;
}

}  // namespace qmz
