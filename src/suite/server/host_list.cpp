#include "suite/server/host_list.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/key_values.h"
#include "platform/text.h"

namespace qmz::suite {

namespace {

constexpr size_t kMaxApplicationName = 63;  // PostgreSQL's NAMEDATALEN - 1
// Keepalives on an idle socket: a dead peer is found out within 10 + 3 x 5 seconds.
constexpr char kKeepalives[] =
    "keepalives=1 keepalives_idle=10 keepalives_interval=5 "
    "keepalives_count=3";
// What the desk's own watch allows past the query timeout (suite/server/server_watchdog.h).
constexpr long kMarginSeconds = 2;

// A list of hosts or ports without the blanks around its commas; "" when it holds what libpq's
// form may not carry unquoted.
std::string PlainList(const std::string& list) {
  std::string plain;
  for (const std::string& part : SplitText(list, ',')) {
    const std::string item = TrimBlanksAndTabs(part);
    if (item.empty() || item.find_first_of(" \t'\\{}=") != std::string::npos) return "";
    plain += (plain.empty() ? "" : ",") + item;
  }
  return plain;
}

struct Option {
  std::string key;
  std::string text;  // `key=value` as written
};

// The options of a libpq connection string: `key = value` separated by blanks, a value in single
// quotes may hold blanks (and \' or \\).
std::vector<Option> Options(std::string_view text) {
  std::vector<Option> options;
  size_t at = 0;
  while (true) {
    at = text.find_first_not_of(" \t", at);
    if (at == std::string_view::npos) break;
    const size_t start = at;
    const size_t equals = text.find('=', at);
    if (equals == std::string_view::npos) {
      options.push_back({TrimBlanksAndTabs(text.substr(at)), std::string(text.substr(at))});
      break;
    }
    size_t end = text.find_first_not_of(" \t", equals + 1);
    if (end == std::string_view::npos) end = text.size();
    if (end < text.size() && text[end] == '\'') {
      for (++end; end < text.size() && text[end] != '\''; ++end) {
        if (text[end] == '\\') ++end;
      }
      end = std::min(end + 1, text.size());
    } else {
      end = std::min(text.find_first_of(" \t", end), text.size());
    }
    options.push_back({ToLowerAscii(TrimBlanksAndTabs(text.substr(start, equals - start))),
                       std::string(text.substr(start, end - start))});
    at = end;
  }
  return options;
}

bool Sets(const std::vector<Option>& options, std::string_view key) {
  return std::any_of(options.begin(), options.end(),
                     [&](const Option& option) { return option.key == key; });
}

// The value of `key=value`, unquoted.
std::string OptionValue(const Option& option) {
  std::string value = TrimBlanksAndTabs(option.text.substr(option.text.find('=') + 1));
  if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
    value = ReplaceAll(value.substr(1, value.size() - 2), "\\'", "'");
  }
  return value;
}

}  // namespace

std::vector<ServerAddress> ServersOf(const std::string& driver_string) {
  std::string hosts, ports;
  for (const KeyValue& attribute : ConnectionAttributes(driver_string)) {
    const std::string key = ToLowerAscii(attribute.key);
    if (key == "server" || key == "servername") hosts = Unbraced(attribute.value);
    if (key == "port") ports = Unbraced(attribute.value);
    if (key != "pqopt") continue;
    for (const Option& option : Options(ReplaceAll(Unbraced(attribute.value), "}}", "}"))) {
      if (option.key == "host") hosts = OptionValue(option);
      if (option.key == "port") ports = OptionValue(option);
    }
  }
  std::vector<ServerAddress> servers;
  const std::vector<std::string> host_list = SplitText(hosts, ',');
  const std::vector<std::string> port_list = SplitText(ports, ',');
  for (size_t i = 0; i < host_list.size(); ++i) {
    const std::string host = TrimBlanksAndTabs(host_list[i]);
    if (host.empty()) continue;
    const std::string port =
        TrimBlanksAndTabs(port_list.size() == host_list.size() ? port_list[i] : port_list.front());
    ServerAddress server{host, 5432};
    if (!port.empty()) server.port = std::atoi(port.c_str());
    servers.push_back(server);
  }
  return servers;
}

namespace {

// A value as libpq reads it: in single quotes, its quotes and backslashes escaped.
std::string Quoted(const std::string& value) {
  return "'" + ReplaceAll(ReplaceAll(value, "\\", "\\\\"), "'", "\\'") + "'";
}

// psqlODBC's keywords for the connection itself, as libpq names them.
const char* LibpqKeyword(const std::string& key) {
  static const std::pair<const char*, const char*> kKeywords[] = {
      {"server", "host"},     {"servername", "host"},   {"port", "port"},
      {"database", "dbname"}, {"uid", "user"},          {"username", "user"},
      {"pwd", "password"},    {"password", "password"}, {"sslmode", "sslmode"}};
  for (const auto& [odbc, libpq] : kKeywords) {
    if (key == odbc) return libpq;
  }
  return nullptr;
}

// psqlODBC's keywords that change only how the driver itself works on the client's side.
bool ClientSideOnly(const std::string& key) {
  static const char* const kKeys[] = {"driver",
                                      "usedeclarefetch",
                                      "fetch",
                                      "useserversideprepare",
                                      "parse",
                                      "debug",
                                      "commlog",
                                      "maxvarcharsize",
                                      "maxlongvarcharsize",
                                      "textaslongvarchar",
                                      "unknownsaslongvarchar"};
  return std::any_of(std::begin(kKeys), std::end(kKeys),
                     [&](const char* known) { return key == known; });
}

}  // namespace

std::string LibpqConninfo(const std::string& driver_string, long connect_seconds) {
  std::string conninfo, pqopt;
  bool postgres = false;
  for (const KeyValue& attribute : ConnectionAttributes(driver_string)) {
    const std::string key = ToLowerAscii(attribute.key);
    const std::string value = ReplaceAll(Unbraced(attribute.value), "}}", "}");
    if (key == "driver") postgres = FindIgnoreCase(value, "postgres") != std::string::npos;
    if (key == "pqopt") {
      pqopt = value;
    } else if (const char* keyword = LibpqKeyword(key)) {
      conninfo += std::string(keyword) + "=" + Quoted(value) + " ";
    } else if (!ClientSideOnly(key)) {
      return "";
    }
  }
  if (!postgres) return "";
  return conninfo + "client_encoding=UTF8 connect_timeout=" + std::to_string(connect_seconds) +
         (pqopt.empty() ? "" : " " + pqopt);
}

std::string ApplicationName(const std::string& program) {
  std::string name = "QMZBaseList/";
  for (char c : program) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '_' || c == '-';
    name += plain ? c : '_';
  }
  if (program.empty()) name.pop_back();
  return name.substr(0, kMaxApplicationName);
}

std::string ForPsqlodbc(const std::string& connection_string, const DriverOptions& options) {
  const std::vector<KeyValue> attributes = ConnectionAttributes(connection_string);
  bool postgres = false;
  bool own_sslmode = false;
  std::string hosts, ports, pqopt;
  for (const KeyValue& attribute : attributes) {
    const std::string key = ToLowerAscii(attribute.key);
    if (key == "driver")
      postgres = FindIgnoreCase(attribute.value, "postgres") != std::string::npos;
    if (key == "server" || key == "servername") hosts = Unbraced(attribute.value);
    if (key == "port") ports = Unbraced(attribute.value);
    if (key == "pqopt") pqopt = ReplaceAll(Unbraced(attribute.value), "}}", "}");
    if (key == "sslmode") own_sslmode = true;
  }
  if (!postgres) return connection_string;
  std::vector<Option> own = Options(pqopt);
  std::string sslmode;
  std::erase_if(own, [&](const Option& option) {
    if (option.key != "sslmode") return false;
    sslmode = OptionValue(option);
    return true;
  });
  const std::string host_list = PlainList(hosts);
  const std::string port_list = PlainList(ports);
  const bool several = host_list.find(',') != std::string::npos && !Sets(own, "host") &&
                       (ports.empty() || !port_list.empty());

  std::string rewritten;
  for (const KeyValue& attribute : attributes) {
    const std::string key = ToLowerAscii(attribute.key);
    if (key == "pqopt") continue;
    if (several && (key == "server" || key == "servername" || key == "port")) continue;
    rewritten += attribute.text + ";";
  }
  if (!sslmode.empty() && !own_sslmode) rewritten += "SSLmode=" + sslmode + ";";
  std::vector<std::string> added;
  if (several) {
    added.push_back("host=" + host_list + (port_list.empty() ? "" : " port=" + port_list));
    if (!Sets(own, "target_session_attrs")) {
      added.push_back(options.role == ServerRole::kRead ? "target_session_attrs=prefer-standby"
                                                        : "target_session_attrs=read-write");
    }
  }
  if (!Sets(own, "application_name")) {
    added.push_back("application_name=" + ApplicationName(options.program));
  }
  if (!Sets(own, "keepalives")) added.push_back(kKeepalives);
  if (options.timeout_seconds > 0 && !Sets(own, "tcp_user_timeout")) {
    const long long milliseconds =
        std::min<long long>((options.timeout_seconds + kMarginSeconds) * 1000LL, INT32_MAX);
    added.push_back("tcp_user_timeout=" + std::to_string(milliseconds));
  }
  std::string merged;
  for (const std::string& option : added) merged += (merged.empty() ? "" : " ") + option;
  for (const Option& option : own) merged += (merged.empty() ? "" : " ") + option.text;
  // Inside braces a brace is written twice.
  return rewritten + "pqopt={" + ReplaceAll(merged, "}", "}}") + "}";
}

}  // namespace qmz::suite
