#include "control/server.h"

#include <new>

#include "control/com_support.h"
#include "control/control.h"

namespace tabulon::control {
namespace {

LONG g_objects = 0;
LONG g_locks = 0;

// One factory for the life of the module. References to it count as server objects, so the
// module stays loaded while a client holds the factory.
class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    ObjectCreated();
    return 2;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    ObjectDestroyed();
    return 1;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return BrindleXControl::Create(riid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      InterlockedIncrement(&g_locks);
      return S_OK;
    }
    // An unlock without a lock must not hide a later lock.
    for (LONG n = g_locks; n > 0; n = g_locks) {
      if (InterlockedCompareExchange(&g_locks, n - 1, n) == n) break;
    }
    return S_OK;
  }
};

ClassFactory g_factory;

}  // namespace

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(ThisModule(), path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void ObjectCreated() { InterlockedIncrement(&g_objects); }
void ObjectDestroyed() { InterlockedDecrement(&g_objects); }

HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_BrindleX)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, object);
}

HRESULT CanUnloadNow() {
  return InterlockedCompareExchange(&g_objects, 0, 0) == 0 && InterlockedCompareExchange(&g_locks, 0, 0) == 0
             ? S_OK
             : S_FALSE;
}

}  // namespace tabulon::control
