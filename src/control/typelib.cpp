#include "control/typelib.h"

#include <oleauto.h>

#include <string>

#include "control/com_support.h"
#include "control/server.h"

namespace tabulon::control {

HRESULT LoadOwnTypeLib(ITypeLib** library) {
  if (!library) return E_POINTER;
  *library = nullptr;
  std::wstring path = ModulePath();
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  // The first TYPELIB resource of the file; oleaut32 keeps loaded libraries cached.
  return LoadTypeLibEx(path.c_str(), REGKIND_NONE, library);
}

HRESULT GetOwnTypeInfo(REFGUID guid, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadOwnTypeLib(&library);
  if (FAILED(hr)) return hr;
  return library->GetTypeInfoOfGuid(guid, info);
}

HRESULT InvokeThroughTypeInfo(ITypeInfo* info, void* instance, DISPID member, REFIID riid, WORD flags,
                              DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, UINT* arg_error) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!info) return E_UNEXPECTED;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) flags |= DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;
  return info->Invoke(instance, member, flags, params, result, exception, arg_error);
}

}  // namespace tabulon::control
