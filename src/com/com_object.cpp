#include "com/com_object.h"

#include <mutex>
#include <utility>
#include <vector>

#include "platform/program.h"
#include "platform/wide_path.h"

namespace qmz::com {

std::atomic<long> live_objects{0};

// {2b1f0c58-6a3e-4d1b-9a57-8f3c2e6d4b71}
const IID kOwnObject = {
    0x2b1f0c58, 0x6a3e, 0x4d1b, {0x9a, 0x57, 0x8f, 0x3c, 0x2e, 0x6d, 0x4b, 0x71}};

namespace {

// The DLL's type library, loaded once and kept for the process.
ITypeLib* TypeLibrary() {
  static ITypeLib* const library = [] {
    ITypeLib* loaded = nullptr;
    return SUCCEEDED(::LoadTypeLibEx(WidePath(ModuleFile()).c_str(), REGKIND_NONE, &loaded))
               ? loaded
               : nullptr;
  }();
  return library;
}

}  // namespace

ITypeInfo* TypeInfoOf(REFIID iid) {
  // Each interface's information is asked once and kept, with its reference, for the process.
  static std::mutex mutex;
  static std::vector<std::pair<IID, ITypeInfo*>> kept;
  std::lock_guard lock(mutex);
  for (const auto& [known, info] : kept) {
    if (IsEqualIID(known, iid)) return info;
  }
  ITypeLib* library = TypeLibrary();
  ITypeInfo* info = nullptr;
  if (library == nullptr || FAILED(library->GetTypeInfoOfGuid(iid, &info))) return nullptr;
  kept.emplace_back(iid, info);
  return info;
}

HRESULT Failure(const std::string& message, const wchar_t* source, REFIID iid) {
  ICreateErrorInfo* made = nullptr;
  if (SUCCEEDED(::CreateErrorInfo(&made))) {
    const std::wstring description = WidePath(message);
    made->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    made->SetSource(const_cast<LPOLESTR>(source));
    made->SetGUID(iid);
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(made->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
      ::SetErrorInfo(0, info);
      info->Release();
    }
    made->Release();
  }
  return E_FAIL;
}

}  // namespace qmz::com
