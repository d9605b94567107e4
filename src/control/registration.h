// Self-registration of the server: the type library and the class entries of BrindleX
// under HKEY_CLASSES_ROOT, in the server's registry view (see server.h).
#pragma once

#include <windows.h>

namespace tabulon::control {

// DllRegisterServer: registers the type library from the module's own file, then writes the
// class entries. S_OK, or E_FAIL at the first step that fails (what was written stays).
HRESULT RegisterServer();
// DllUnregisterServer: unregisters the type library and deletes the class entries. S_OK, or
// E_FAIL when the type library cannot be unregistered (then nothing is deleted). Keys that
// are already gone are no failure.
HRESULT UnregisterServer();

}  // namespace tabulon::control
