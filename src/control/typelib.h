// The type library glue: the library embedded in the module as resource TYPELIB 1, the type
// information of its entries, and IDispatch served through that information.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace tabulon::control {

// The type library of the module's own file.
HRESULT LoadOwnTypeLib(ITypeLib** library);
// The type information of the entry with `guid` (for a dual interface its dispatch view).
HRESULT GetOwnTypeInfo(REFGUID guid, ITypeInfo** info);

// IDispatch::Invoke for an object that implements the interface `info` describes. A property
// assignment is passed on as put and put-by-reference at once, so that either form of
// assignment from a script reaches the property's setter.
HRESULT InvokeThroughTypeInfo(ITypeInfo* info, void* instance, DISPID member, REFIID riid, WORD flags,
                              DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, UINT* arg_error);

}  // namespace tabulon::control
