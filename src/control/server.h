// The in-process server: the module that holds the control, the counters that decide
// whether it may be unloaded, and the class factory of BrindleX.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

namespace tabulon::control {

// The registry view the server reads and writes: the 32-bit build works in the 32-bit view
// (where a 32-bit browser looks on 64-bit Windows), the 64-bit build in the 64-bit view.
#ifdef _WIN64
inline constexpr REGSAM kRegistryView = KEY_WOW64_64KEY;
#else
inline constexpr REGSAM kRegistryView = KEY_WOW64_32KEY;
#endif

// The module (the .ocx, or the program the control's code is linked into).
HMODULE ThisModule();
// The module's full path; empty when it cannot be read.
std::wstring ModulePath();

// Every COM object of the server counts itself while it exists.
void ObjectCreated();
void ObjectDestroyed();

// DllGetClassObject: the factory's `riid` for the class ID of BrindleX,
// CLASS_E_CLASSNOTAVAILABLE for any other class.
HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object);
// DllCanUnloadNow: S_FALSE while any object exists (class factory references included) or
// the server is locked, else S_OK.
HRESULT CanUnloadNow();

}  // namespace tabulon::control
