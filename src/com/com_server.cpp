// The DLL as a COM in-process server: its four entry points, the class factory of BaseList and
// Suite, and their registration (the classes under HKEY_CLASSES_ROOT with their ProgIDs, the
// type library embedded in the DLL).
#include <windows.h>

#include <objbase.h>
#include <olectl.h>

#include <string>

#include "com/com_baselist.h"
#include "com/com_object.h"
#include "com/com_suite.h"
#include "com/qmzbaselist.h"
#include "platform/program.h"
#include "platform/wide_path.h"

namespace qmz::com {

namespace {

// A class the DLL serves.
struct ServedClass {
  const CLSID& clsid;
  const wchar_t* prog_id;
  HRESULT (*create)(REFIID, void**);
};
const ServedClass kClasses[] = {{CLSID_BaseList, L"QMZBaseList.BaseList", CreateBaseList},
                                {CLSID_Suite, L"QMZBaseList.Suite", CreateSuite}};

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

// Whether the DLL stays loaded for the rest of the process: once an object was made, the library
// may have started threads of its own (a list's reader, the idle connections' closer) that run
// its code after the host released every object, so COM may not unload it then.
std::atomic<bool> pinned{false};

void KeepLoaded() {
  if (pinned.exchange(true)) return;
  HMODULE kept = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&KeepLoaded), &kept);
}

class ClassFactory : public CountedObject<IClassFactory, IID_IClassFactory> {
 public:
  explicit ClassFactory(const ServedClass& served) : served_(served) {}

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    KeepLoaded();
    return served_.create(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++live_objects;
    } else {
      --live_objects;
    }
    return S_OK;
  }

 private:
  const ServedClass& served_;
};

// Sets `name` (empty: the default value) of key `path` under HKEY_CLASSES_ROOT.
bool SetKey(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LSTATUS status =
      ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool Register(const ServedClass& served, const std::wstring& module) {
  const std::wstring clsid = L"CLSID\\" + GuidText(served.clsid);
  return SetKey(served.prog_id, nullptr, served.prog_id) &&
         SetKey(std::wstring(served.prog_id) + L"\\CLSID", nullptr, GuidText(served.clsid)) &&
         SetKey(clsid, nullptr, served.prog_id) &&
         SetKey(clsid + L"\\InprocServer32", nullptr, module) &&
         SetKey(clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
         SetKey(clsid + L"\\ProgID", nullptr, served.prog_id) &&
         SetKey(clsid + L"\\TypeLib", nullptr, GuidText(LIBID_QMZBaseList)) &&
         SetKey(clsid + L"\\Version", nullptr, L"1.1");
}

// Removes a key and everything under it: true when it is gone (or never was).
bool RemoveKey(const std::wstring& path) {
  const LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool Unregister(const ServedClass& served) {
  const bool prog_id = RemoveKey(served.prog_id);
  return RemoveKey(L"CLSID\\" + GuidText(served.clsid)) && prog_id;
}

}  // namespace

}  // namespace qmz::com

using qmz::com::kClasses;

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  for (const auto& served : kClasses) {
    if (!IsEqualCLSID(clsid, served.clsid)) continue;
    auto* factory = new (std::nothrow) qmz::com::ClassFactory(served);
    if (factory == nullptr) return E_OUTOFMEMORY;
    const HRESULT answer = factory->QueryInterface(iid, out);
    factory->Release();
    return answer;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
  return qmz::com::live_objects == 0 && !qmz::com::pinned ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
  const std::wstring module = qmz::WidePath(qmz::ModuleFile());
  ITypeLib* library = nullptr;
  // Registers the type library and its dual interfaces, for marshalling and early binding.
  if (module.empty() || FAILED(::LoadTypeLibEx(module.c_str(), REGKIND_REGISTER, &library))) {
    return SELFREG_E_TYPELIB;
  }
  library->Release();
  for (const auto& served : kClasses) {
    if (!qmz::com::Register(served, module)) {
      DllUnregisterServer();
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

STDAPI DllUnregisterServer() {
  bool classes = true;
  for (const auto& served : kClasses) classes = qmz::com::Unregister(served) && classes;
  const HRESULT library = ::UnRegisterTypeLib(LIBID_QMZBaseList, 1, 1, LOCALE_NEUTRAL, SYS_WIN64);
  if (!classes) return SELFREG_E_CLASS;
  return SUCCEEDED(library) || library == TYPE_E_LIBNOTREGISTERED ? S_OK : SELFREG_E_TYPELIB;
}
