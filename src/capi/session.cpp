// Sessions: the suite opened, a user logged in, the host's properties published and the
// dialogs chosen, for as long as the host keeps the session.
#include <atomic>
#include <cstring>

#include "capi/handles.h"
#include "qmz/baselist.h"
#include "qmz/host.h"
#include "qmz/containers.h"
#include "qmz/suite.h"

namespace qmz::capi {
namespace {

// The token of the open session, 0 when none: the login and the host properties are
// process-wide, so there is one session at a time.
std::atomic<uint64_t> open_session{0};

std::shared_ptr<Session> FindSession(qmz_session* session, const char* what) {
  return Find<Session>(session, Kind::kSession, what);
}

void RequireKey(const char* key) {
  Require(key, "key");
  if (!*key) Fail(QMZ_E_ARGUMENT, "The host property's key is empty");
}

}  // namespace

bool SessionIsOpen(uint64_t token) {
  return token != 0 && open_session.load() == token && IsLive(token, Kind::kSession);
}

}  // namespace qmz::capi

using namespace qmz::capi;

extern "C" {

const char* qmz_version(void) {
  return QMZ_VERSION;
}

qmz_status qmz_session_open_ex(const char* target, const char* user, int outer_login,
                               qmz_session** out) {
  return qmz_session_open_read(target, nullptr, user, outer_login, out);
}

const char* qmz_last_warning(void) {
  static thread_local std::string warning;
  warning = qmz::LastWarning();
  return warning.c_str();
}

qmz_status qmz_session_open_read(const char* target, const char* read_target, const char* user,
                                 int outer_login, qmz_session** out) {
  return StatusOf([&] {
    Require(target, "target");
    Require(user, "user");
    Require(out, "out");
    uint64_t none = 0;
    // Claimed before the suite opens, so that two threads cannot both open one.
    if (!open_session.compare_exchange_strong(none, UINT64_MAX)) {
      Fail(QMZ_E_STATE, "A session is already open in this process; close it first");
    }
    try {
      qmz::OpenSuite(target, read_target ? read_target : "");
      qmz::RegisterBaseListClass();
      qmz::LogIn(user, outer_login != 0);
      auto session = std::make_shared<Session>();
      // Published before the handle is made, so that a failure leaves no handle behind.
      qmz::PublishHostProperties(qmz::CurrentProcessId(), &session->properties);
      uint64_t token = 0;
      try {
        token = AddHandle(Kind::kSession, session);
      } catch (...) {
        qmz::WithdrawHostProperties(qmz::CurrentProcessId());
        throw;
      }
      open_session.store(token);
      *out = HandleOf<qmz_session>(token);
    } catch (...) {
      open_session.store(0);
      throw;
    }
  });
}

qmz_status qmz_check(const char* target, const char* read_target, qmz_result** out) {
  return StatusOf([&] {
    Require(target, "target");
    Require(out, "out");
    qmz::ObjectPtr answer = qmz::CheckSuite(target);
    if (read_target && *read_target) {
      std::static_pointer_cast<qmz::Dictionary>(answer)->Set("read", qmz::CheckSuite(read_target));
    }
    *out = HandleOf<qmz_result>(AddResult(qmz::Variant(answer)));
  });
}

qmz_status qmz_session_open(const char* target, const char* user, qmz_session** out) {
  return qmz_session_open_ex(target, user, 0, out);
}

qmz_status qmz_session_close(qmz_session* session) {
  return StatusOf([&] {
    auto data = std::static_pointer_cast<Session>(
        RemoveHandle(TokenOf(session), Kind::kSession, "qmz_session_close"));
    data->dialogs.reset();
    qmz::WithdrawHostProperties(qmz::CurrentProcessId());
    qmz::CloseSuite();
    open_session.store(0);
  });
}

qmz_status qmz_session_set_bool(qmz_session* session, const char* key, int value) {
  return StatusOf([&] {
    auto data = FindSession(session, "qmz_session_set_bool");
    RequireKey(key);
    data->properties.Set(key, qmz::Variant(value != 0));
  });
}

qmz_status qmz_session_set_integer(qmz_session* session, const char* key, int64_t value) {
  return StatusOf([&] {
    auto data = FindSession(session, "qmz_session_set_integer");
    RequireKey(key);
    data->properties.Set(key, qmz::Variant(static_cast<long long>(value)));
  });
}

qmz_status qmz_session_set_text(qmz_session* session, const char* key, const char* value) {
  return StatusOf([&] {
    auto data = FindSession(session, "qmz_session_set_text");
    RequireKey(key);
    Require(value, "value");
    data->properties.Set(key, qmz::Variant(std::string(value)));
  });
}

qmz_status qmz_session_set_dialogs(qmz_session* session, qmz_dialogs dialogs, const char* script) {
  return StatusOf([&] {
    auto data = FindSession(session, "qmz_session_set_dialogs");
    // Read as a plain int: a host may pass any number there.
    int mode = 0;
    std::memcpy(&mode, &dialogs, sizeof mode);
    if (mode != QMZ_DIALOGS_NONE && mode != QMZ_DIALOGS_QT && mode != QMZ_DIALOGS_SCRIPTED) {
      Fail(QMZ_E_ARGUMENT, "Unknown dialogs " + std::to_string(mode));
    }
    if (mode == QMZ_DIALOGS_SCRIPTED) Require(script, "script");
    // The old dialogs end first: dialog sessions of a thread end in reverse order.
    data->dialogs.reset();
    if (mode == QMZ_DIALOGS_QT) {
      data->dialogs = qmz::OpenQtDialogs();
    } else if (mode == QMZ_DIALOGS_SCRIPTED) {
      data->dialogs = qmz::OpenScriptedDialogs(script, data->messages);
    }
  });
}

qmz_status qmz_session_messages(qmz_session* session, const char** text) {
  return StatusOf([&] {
    auto data = FindSession(session, "qmz_session_messages");
    Require(text, "text");
    data->messages_out = data->messages.str();
    data->messages.str("");
    *text = data->messages_out.c_str();
  });
}

}  // extern "C"
