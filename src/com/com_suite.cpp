#include "com/com_suite.h"

#include "com/com_object.h"
#include "com/com_values.h"
#include "com/qmzbaselist.h"
#include "qmz/qmz_c.h"

namespace qmz::com {

namespace {

constexpr const wchar_t* kSource = L"QMZBaseList.Suite";

// Error with the C interface's message unless `status` is QMZ_OK.
void Check(qmz_status status) {
  if (status != QMZ_OK) throw Error(qmz_last_error());
}

class ComSuite : public DispatchObject<ISuite, IID_ISuite> {
 public:
  ~ComSuite() override {
    if (session_ != nullptr) qmz_session_close(session_);
  }

  HRESULT STDMETHODCALLTYPE Open(BSTR target, BSTR user, VARIANT read_target) override {
    return Guarded(kSource, IID_ISuite, [&] {
      if (session_ != nullptr) throw Error("This Suite is open already; close it first");
      const Variant read = ValueOf(read_target);
      const std::string read_text = read.IsEmpty() || read.IsNull() ? "" : read.ToText();
      Check(qmz_session_open_read(TextOf(target).c_str(), read_text.c_str(), TextOf(user).c_str(),
                                  0, &session_));
    });
  }
  HRESULT STDMETHODCALLTYPE SetHostProperty(BSTR key, VARIANT value) override {
    return Guarded(kSource, IID_ISuite, [&] {
      RequireOpen();
      const std::string name = TextOf(key);
      const Variant given = ValueOf(value);
      switch (given.type()) {
        case Variant::Type::Boolean:
          Check(qmz_session_set_bool(session_, name.c_str(), given.ToBool() ? 1 : 0));
          break;
        case Variant::Type::Integer:
          Check(qmz_session_set_integer(session_, name.c_str(), given.ToInt64()));
          break;
        case Variant::Type::Text:
          Check(qmz_session_set_text(session_, name.c_str(), given.ToText().c_str()));
          break;
        default:
          throw Error("A host property is a truth value, a whole number or a text: " + name);
      }
    });
  }
  HRESULT STDMETHODCALLTYPE UseScript(BSTR script) override {
    return Guarded(kSource, IID_ISuite, [&] {
      RequireOpen();
      Check(qmz_session_set_dialogs(session_, QMZ_DIALOGS_SCRIPTED, TextOf(script).c_str()));
    });
  }
  HRESULT STDMETHODCALLTYPE get_Messages(BSTR* text) override {
    if (text == nullptr) return E_POINTER;
    return Guarded(kSource, IID_ISuite, [&] {
      RequireOpen();
      const char* messages = nullptr;
      Check(qmz_session_messages(session_, &messages));
      *text = NewText(messages);
    });
  }
  HRESULT STDMETHODCALLTYPE get_LastWarning(BSTR* text) override {
    if (text == nullptr) return E_POINTER;
    return Guarded(kSource, IID_ISuite, [&] { *text = NewText(qmz_last_warning()); });
  }
  HRESULT STDMETHODCALLTYPE Close() override {
    return Guarded(kSource, IID_ISuite, [&] {
      if (session_ == nullptr) return;
      qmz_session* closing = session_;
      session_ = nullptr;
      Check(qmz_session_close(closing));
    });
  }

 private:
  void RequireOpen() const {
    if (session_ == nullptr) throw Error("The Suite is not open: call Open first");
  }

  qmz_session* session_ = nullptr;
};

}  // namespace

HRESULT CreateSuite(REFIID iid, void** out) {
  return MadeAs<ComSuite>(iid, out);
}

}  // namespace qmz::com
