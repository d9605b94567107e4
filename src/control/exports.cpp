// The four exports of BrindleProj.ocx (undecorated names through BrindleProj.def).
#include <windows.h>
#include <ole2.h>

#include "control/registration.h"
#include "control/server.h"

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return tabulon::control::GetClassObject(clsid, riid, object);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return tabulon::control::CanUnloadNow(); }

HRESULT STDAPICALLTYPE DllRegisterServer() { return tabulon::control::RegisterServer(); }

HRESULT STDAPICALLTYPE DllUnregisterServer() { return tabulon::control::UnregisterServer(); }

}  // extern "C"
