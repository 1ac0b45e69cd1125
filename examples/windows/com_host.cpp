// A C++ host of the COM server, early-bound: it creates QMZBaseList.Suite and
// QMZBaseList.BaseList with CoCreateInstance through their ProgIDs and calls them through the
// dual interfaces the type library describes (com/qmzbaselist.h, made by widl).
//   com_host TARGET USER ITEM BATCH STOCK
// prints GetBatch's answer as JSON (UTF-8), or the library's message and exit 1; then releases
// everything, lets COM unload what it may, and lives on for a while as a host would.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "com/qmzbaselist.h"

namespace {

std::wstring Wide(const char* text) {
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
  wide.resize(wide.size() - 1);
  return wide;
}

void Print(BSTR text) {
  const int size = static_cast<int>(::SysStringLen(text));
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, size, utf8.data(), length, nullptr, nullptr);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fputc('\n', stdout);
}

// The library's message for a failed call, from the thread's error information.
int Failed(const char* what) {
  IErrorInfo* info = nullptr;
  BSTR description = nullptr;
  if (::GetErrorInfo(0, &info) == S_OK && SUCCEEDED(info->GetDescription(&description))) {
    std::fprintf(stdout, "%s: ", what);
    Print(description);
    ::SysFreeString(description);
    info->Release();
  } else {
    std::fprintf(stdout, "%s failed\n", what);
  }
  return 1;
}

template <class Interface>
Interface* Create(const wchar_t* prog_id, REFIID iid) {
  CLSID clsid;
  Interface* made = nullptr;
  if (FAILED(::CLSIDFromProgID(prog_id, &clsid)) ||
      FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid,
                                reinterpret_cast<void**>(&made)))) {
    return nullptr;
  }
  return made;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: com_host TARGET USER ITEM BATCH STOCK\n");
    return 2;
  }
  _setmode(_fileno(stdout), _O_BINARY);  // "\n" as written, not "\r\n"
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int status = 0;
  ISuite* suite = Create<ISuite>(L"QMZBaseList.Suite", IID_ISuite);
  IBaseList* base_list = Create<IBaseList>(L"QMZBaseList.BaseList", IID_IBaseList);
  if (suite == nullptr || base_list == nullptr) {
    std::fprintf(stdout, "QMZBaseList is not registered\n");
    status = 1;
  } else {
    BSTR target = ::SysAllocString(Wide(argv[1]).c_str());
    BSTR user = ::SysAllocString(Wide(argv[2]).c_str());
    BSTR batch = ::SysAllocString(Wide(argv[4]).c_str());
    VARIANT no_read_target;
    ::VariantInit(&no_read_target);
    IDispatch* answer = nullptr;
    IResult* row = nullptr;
    BSTR json = nullptr;
    if (FAILED(suite->Open(target, user, no_read_target))) {
      status = Failed("Open");
    } else if (FAILED(base_list->GetBatch(std::atoi(argv[3]), batch, std::atoi(argv[5]), 0, 0,
                                          &answer)) ||
               answer == nullptr) {
      status = Failed("GetBatch");
    } else if (FAILED(answer->QueryInterface(IID_IResult, reinterpret_cast<void**>(&row))) ||
               FAILED(row->get_Json(&json))) {
      status = Failed("Json");
    } else {
      Print(json);
    }
    ::SysFreeString(json);
    if (row) row->Release();
    if (answer) answer->Release();
    ::SysFreeString(batch);
    ::SysFreeString(user);
    ::SysFreeString(target);
    suite->Close();
  }
  if (base_list) base_list->Release();
  if (suite) suite->Release();
  // As a long-lived host does from time to time: COM may unload DLLs none of whose objects live.
  // The library's own threads (the idle connections' closer) must still find their code.
  // (Twice: COM unloads a DLL found unused on two calls in a row.)
  ::CoFreeUnusedLibrariesEx(0, 0);
  ::Sleep(100);
  ::CoFreeUnusedLibrariesEx(0, 0);
  if (::GetModuleHandleW(L"qmzbaselist.dll") == nullptr) {
    std::fprintf(stdout, "qmzbaselist.dll was unloaded under its own threads\n");
    status = 1;
  }
  ::Sleep(2500);
  ::CoUninitialize();
  return status;
}
