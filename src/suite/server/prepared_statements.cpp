#include "suite/server/prepared_statements.h"

#include "suite/server/sha256.h"

namespace qmz::suite {

namespace {

// `qmz_` and the first 128 bits of the SHA-256 of the kept query, in hexadecimal.
std::string NameOf(const std::string& key) {
  const Sha256Digest digest = Sha256(key);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name = "qmz_";
  for (size_t i = 0; i < 16; ++i) {
    name += kHex[digest[i] >> 4];
    name += kHex[digest[i] & 0xf];
  }
  return name;
}

std::string Prepares(const PreparedStatements::Use& use) {
  return "prepare " + use.name + use.key + ";\n";
}

std::string Executes(const PreparedStatements::Use& use) {
  return "execute " + use.name + use.arguments;
}

}  // namespace

PreparedStatements::Use PreparedStatements::For(const std::string& statement,
                                                const std::string& types,
                                                const std::string& arguments) {
  Use use;
  use.key = (types.empty() ? " as " : "(" + types + ") as ") + statement;
  use.arguments = arguments.empty() ? "" : "(" + arguments + ")";
  if (const std::string* name = by_query_.Find(use.key)) {
    use.name = *name;
    use.request = Executes(use);
    return use;
  }
  if (!by_query_.Due(use.key)) return use;
  // The second time: prepared in the request that runs it, in place of the query kept longest
  // unused.
  use.name = NameOf(use.key);
  if (const std::optional<std::string> oldest = by_query_.MakeRoom(); oldest && own_session_) {
    use.request += "deallocate " + *oldest + ";\n";
    ++use.results_before;
  }
  use.request += Prepares(use) + Executes(use);
  ++use.results_before;
  use.prepares = true;
  by_query_.Keep(use.key, use.name);
  return use;
}

std::optional<PreparedStatements::Use> PreparedStatements::Failed(const Use& use,
                                                                  const std::string& state,
                                                                  bool first) {
  if (use.request.empty()) return std::nullopt;
  const bool refused = use.prepares && state.compare(0, 2, "42") == 0;
  if (state != "26000" && state != "0A000" && !refused) {
    by_query_.Forget(use.key);
    return std::nullopt;
  }
  Use next = use;
  next.results_before = 0;
  next.prepares = false;
  if (!first) {
    by_query_.Forget(use.key);
    return Use{};
  }
  if (state == "26000") {
    // The session does not know the name: another of a pooler's sessions, or one that was
    // reset. Deallocating would reach the statements of the pool's other clients.
    own_session_ = false;
    next.request = Prepares(next) + Executes(next);
    next.results_before = 1;
    next.prepares = true;
    return next;
  }
  if (state == "42P05") {  // the session has it already
    next.request = Executes(next);
    return next;
  }
  if (state == "0A000") {
    // The kept plan no longer answers the same columns (the tables were made anew).
    next.request = "deallocate " + next.name + ";\n" + Prepares(next) + Executes(next);
    next.results_before = 2;
    next.prepares = true;
    return next;
  }
  // The query cannot be prepared with these parameters (a type the server cannot infer).
  by_query_.Refuse(use.key);
  return Use{};
}

bool FailsHoweverSent(const std::string& state) {
  for (const char* kind : {"57", "08", "40", "53", "HYT", "HY008"}) {
    if (state.rfind(kind, 0) == 0) return true;
  }
  return false;
}

bool PreparesAgain(const std::string& state) {
  return state == "26000" || state == "0A000";
}

}  // namespace qmz::suite
