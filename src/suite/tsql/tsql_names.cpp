#include "suite/tsql/tsql_names.h"

namespace qmz::suite {

namespace {

std::string Unquoted(std::string name) {
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
    return name.substr(1, name.size() - 2);
  }
  return name;
}

}  // namespace

std::string ColumnName(const std::vector<Token>& tokens, TokenRange item) {
  std::vector<const Token*> solid;
  for (size_t i = item.begin; i < item.end; ++i) {
    if (tokens[i].kind != Kind::Space) solid.push_back(&tokens[i]);
  }
  // The alias after the last AS.
  std::string name;
  for (size_t k = 0; k + 1 < solid.size(); ++k) {
    if (IsWord(*solid[k], "as") && solid[k + 1]->kind == Kind::Word) name = solid[k + 1]->text;
  }
  // Else the item's last name: the column ("b.FitemID") or an alias without AS ("0 FitemID").
  if (name.empty() && !solid.empty() && solid.back()->kind == Kind::Word) {
    name = solid.back()->text;
  }
  return Unquoted(std::move(name));
}

std::string WrittenColumnName(std::string_view written) {
  std::string name(written);
  const size_t dot = name.find('.');
  const bool qualified = dot != std::string::npos && dot > 0 && dot + 1 < name.size() &&
                         name.find_first_of(" ()'+-*/,", 0) == std::string::npos &&
                         name.find('.', dot + 1) == std::string::npos;
  if (qualified) name = name.substr(dot + 1);
  return Unquoted(std::move(name));
}

}  // namespace qmz::suite
