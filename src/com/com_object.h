// The plumbing every COM object of the DLL shares: reference counting that keeps the DLL loaded
// while an object lives, IDispatch answered from the DLL's own type library (so a script's
// late-bound call and a C++ caller's vtable call reach the same method), and failures handed to
// the caller as COM errors carrying the library's message (IErrorInfo: a script sees it as
// Err.Description).
//
// Objects are apartment-threaded: each is used from the thread that made it.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <atomic>
#include <exception>
#include <string>

#include "qmz/error.h"
#include "qmz/variant.h"

namespace qmz::com {

// The DLL's live objects and server locks: DllCanUnloadNow answers S_OK at 0.
extern std::atomic<long> live_objects;

// What this DLL's own objects answer to the private interface id kOwnObject (which no proxy
// knows): the library's object a result object holds, so that a result passed back in is
// unwrapped, never taken on trust.
extern const IID kOwnObject;
class OwnObject {
 public:
  virtual ~OwnObject() = default;
  virtual ObjectPtr Held() const = 0;
};

// The type information of interface `iid` from the DLL's type library; null when it cannot be
// loaded. Kept for the process: the caller does not release it. Thread-safe.
ITypeInfo* TypeInfoOf(REFIID iid);

// Sets the thread's error information (`message`, from `source`, about `iid`) and answers E_FAIL.
HRESULT Failure(const std::string& message, const wchar_t* source, REFIID iid);

// Runs `body`, answering S_OK, or the failure it threw as a COM error.
template <class Body>
HRESULT Guarded(const wchar_t* source, REFIID iid, Body&& body) {
  try {
    body();
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception& failure) {
    return Failure(failure.what(), source, iid);
  }
}

// IUnknown for an object of interface `Interface` (IID `kIid`): one reference when made, deleted
// at the last release, counted in live_objects while it lives. A class answering more interfaces
// names them in Other.
template <class Interface, const IID& kIid>
class CountedObject : public Interface {
 public:
  CountedObject() { ++live_objects; }
  virtual ~CountedObject() { --live_objects; }
  CountedObject(const CountedObject&) = delete;
  CountedObject& operator=(const CountedObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kIid) ? static_cast<Interface*>(this)
                                                                  : Other(iid);
    if (*out == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  // The object as interface `iid` beyond IUnknown and `Interface`, or null.
  virtual void* Other(REFIID iid) { return nullptr; }

 private:
  std::atomic<ULONG> references_{1};
};

// A new `Made` (a CountedObject) answered as interface `iid` in `out`; the caller owns the
// reference.
template <class Made>
HRESULT MadeAs(REFIID iid, void** out) {
  auto* made = new (std::nothrow) Made();
  if (made == nullptr) return E_OUTOFMEMORY;
  const HRESULT answer = made->QueryInterface(iid, out);
  made->Release();
  return answer;
}

// IUnknown, IDispatch and ISupportErrorInfo for a dual interface `Interface` whose IID is `kIid`.
template <class Interface, const IID& kIid>
class DispatchObject : public CountedObject<Interface, kIid>, public ISupportErrorInfo {
  using Counted = CountedObject<Interface, kIid>;

 public:
  // One reference count for both bases.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return Counted::QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return Counted::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return Counted::Release(); }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = TypeInfoOf(kIid) ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (info == nullptr) return E_POINTER;
    *info = index == 0 ? TypeInfoOf(kIid) : nullptr;
    if (*info == nullptr) return DISP_E_BADINDEX;
    (*info)->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    ITypeInfo* info = TypeInfoOf(kIid);
    if (info == nullptr) return E_UNEXPECTED;
    return ::DispGetIDsOfNames(info, names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument_error) override {
    ITypeInfo* info = TypeInfoOf(kIid);
    if (info == nullptr) return E_UNEXPECTED;
    return ::DispInvoke(static_cast<Interface*>(this), info, id, flags, params, result, exception,
                        argument_error);
  }

  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
    return IsEqualIID(iid, kIid) ? S_OK : S_FALSE;
  }

 protected:
  void* Other(REFIID iid) override {
    if (IsEqualIID(iid, IID_IDispatch)) return static_cast<Interface*>(this);
    if (IsEqualIID(iid, IID_ISupportErrorInfo)) return static_cast<ISupportErrorInfo*>(this);
    if (IsEqualIID(iid, kOwnObject) && dynamic_cast<OwnObject*>(this) != nullptr) {
      return static_cast<IUnknown*>(static_cast<Interface*>(this));
    }
    return nullptr;
  }
};

}  // namespace qmz::com
